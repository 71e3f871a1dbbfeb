#include "storage/text_template.h"

namespace varnel {

std::wstring FillIn(std::wstring_view pattern, std::initializer_list<std::wstring_view> values) {
  std::wstring text;
  text.reserve(pattern.size());
  for (size_t i = 0; i < pattern.size(); ++i) {
    const wchar_t next = i + 1 < pattern.size() ? pattern[i + 1] : L'\0';
    const size_t index = static_cast<size_t>(next - L'1');
    if (pattern[i] == L'%' && next >= L'1' && next <= L'9' && index < values.size()) {
      text += *(values.begin() + index);
      ++i;
    } else {
      text += pattern[i];
    }
  }
  return text;
}

std::wstring ListNotice(std::wstring_view heading, const std::vector<std::wstring>& items, std::wstring_view more,
                        std::size_t limit) {
  std::wstring text(heading);
  const std::size_t listed = items.size() < limit ? items.size() : limit;
  for (std::size_t i = 0; i < listed; ++i) text += items[i] + L"\r\n";
  if (items.size() > listed) text += FillIn(more, {std::to_wstring(items.size() - listed)});
  return text;
}

}  // namespace varnel
