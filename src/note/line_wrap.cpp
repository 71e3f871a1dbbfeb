#include "note/line_wrap.h"

namespace varnel {

bool HasLineLongerThan(std::wstring_view text, std::size_t length) noexcept {
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(L"\r\n", start);
    if ((end == std::wstring_view::npos ? text.size() : end) - start > length) return true;
    if (end == std::wstring_view::npos) return false;
    start = end + 2;
  }
}

}  // namespace varnel
