#include "platform/message_box.h"

#include "platform/texts.h"

namespace varnel {

int ShowMessageBox(HWND owner, const std::wstring& text, UINT type) noexcept {
  try {
    return ::MessageBoxW(owner, text.c_str(), LoadText(IDS_APPLICATION_TITLE).c_str(), type);
  } catch (...) {
    return 0;  // out of memory for the title: the box cannot be shown
  }
}

}  // namespace varnel
