#include "note/text_slices.h"

namespace varnel {

std::size_t SliceEnd(std::wstring_view text, std::size_t start, std::size_t length) noexcept {
  if (start >= text.size() || length >= text.size() - start) return text.size();
  // The first CR LF whose LF sits at start + length - 1 or later.
  const std::size_t from = length >= 2 ? start + length - 2 : start;
  const std::size_t lineEnd = text.find(L"\r\n", from);
  return lineEnd == std::wstring_view::npos ? text.size() : lineEnd + 2;
}

}  // namespace varnel
