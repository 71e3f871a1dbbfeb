#include "platform/message_box.h"

namespace varnel {

int ShowMessageBox(HWND owner, const std::wstring& text, UINT type) noexcept {
  return ::MessageBoxW(owner, text.c_str(), kApplicationTitle, type);
}

}  // namespace varnel
