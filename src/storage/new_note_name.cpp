#include "storage/new_note_name.h"

#include <cwchar>

namespace varnel {
namespace {

constexpr int kLastNumber = 9999;

}  // namespace

std::optional<std::wstring> FreeFileName(std::wstring_view stem, std::wstring_view extension, const NameTaken& taken) {
  std::wstring name = std::wstring(stem) + std::wstring(extension);
  if (!taken(name)) return name;
  for (int number = 2; number <= kLastNumber; ++number) {
    name = std::wstring(stem) + L" (" + std::to_wstring(number) + L")" + std::wstring(extension);
    if (!taken(name)) return name;
  }
  return std::nullopt;
}

std::optional<std::wstring> NewNoteFileName(const LocalTime& clock, const NameTaken& taken) {
  wchar_t stem[32]{};
  std::swprintf(stem, std::size(stem), L"%04d-%02d-%02d_%02d-%02d", clock.year, clock.month, clock.day, clock.hour,
                clock.minute);
  return FreeFileName(stem, L".txt", taken);
}

}  // namespace varnel
