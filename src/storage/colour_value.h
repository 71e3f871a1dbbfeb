#pragma once
// Colour values as notes store them: a plain colour 0x00BBGGRR, or a system colour
// 0x80000000 | index, which stands for whatever the system currently paints with that index.
// Which values are usable is decided here; painting them is the platform's part.

#include <cstdint>
#include <optional>

namespace varnel {

// The highest system colour index a stored value may name (COLOR_MENUBAR).
inline constexpr std::uint32_t kLastSystemColourIndex = 30;

// What a usable stored value stands for.
struct ColourValue {
  bool system = false;     // true: `value` is a system colour index; false: a plain 0x00BBGGRR colour
  std::uint32_t value = 0;

  bool operator==(const ColourValue&) const = default;
};

// Nothing for a value that is neither a plain colour (high byte 0) nor a system colour with an
// index up to kLastSystemColourIndex.
std::optional<ColourValue> DecodeColourValue(std::int32_t stored);

inline bool IsUsableColour(std::int32_t stored) { return DecodeColourValue(stored).has_value(); }

}  // namespace varnel
