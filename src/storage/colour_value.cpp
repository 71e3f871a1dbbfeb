#include "storage/colour_value.h"

namespace varnel {

std::optional<ColourValue> DecodeColourValue(std::int32_t stored) {
  const auto bits = static_cast<std::uint32_t>(stored);
  if ((bits & 0xFF000000u) == 0) return ColourValue{false, bits};
  constexpr std::uint32_t kSystemColour = 0x80000000u;
  if ((bits & 0xFFFFFF00u) == kSystemColour && (bits & 0xFFu) <= kLastSystemColourIndex) {
    return ColourValue{true, bits & 0xFFu};
  }
  return std::nullopt;
}

}  // namespace varnel
