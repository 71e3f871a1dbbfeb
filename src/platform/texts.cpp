#include "platform/texts.h"

#include "storage/text_template.h"

namespace varnel {

std::wstring LoadText(UINT id) {
  // With no buffer the call hands out the entry in place, read-only, with its length.
  const wchar_t* entry = nullptr;
  const int length = ::LoadStringW(::GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&entry), 0);
  if (length <= 0 || entry == nullptr) return {};
  return std::wstring(entry, static_cast<size_t>(length));
}

std::wstring LoadText(UINT id, std::initializer_list<std::wstring_view> values) {
  return FillIn(LoadText(id), values);
}

}  // namespace varnel
