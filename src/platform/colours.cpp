#include "platform/colours.h"

namespace varnel {

std::optional<COLORREF> ResolveColour(std::int32_t value) noexcept {
  const auto bits = static_cast<std::uint32_t>(value);
  if ((bits & 0xFF000000u) == 0) return static_cast<COLORREF>(bits);
  constexpr std::uint32_t kSystemColour = 0x80000000u;
  constexpr std::uint32_t kLastSystemColourIndex = COLOR_MENUBAR;
  if ((bits & 0xFFFFFF00u) == kSystemColour && (bits & 0xFFu) <= kLastSystemColourIndex) {
    return ::GetSysColor(static_cast<int>(bits & 0xFFu));
  }
  return std::nullopt;
}

}  // namespace varnel
