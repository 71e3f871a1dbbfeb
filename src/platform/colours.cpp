#include "platform/colours.h"

#include "storage/colour_value.h"

namespace varnel {

static_assert(kLastSystemColourIndex == COLOR_MENUBAR);

std::optional<COLORREF> ResolveColour(std::int32_t value) noexcept {
  const std::optional<ColourValue> colour = DecodeColourValue(value);
  if (!colour) return std::nullopt;
  if (colour->system) return ::GetSysColor(static_cast<int>(colour->value));
  return static_cast<COLORREF>(colour->value);
}

}  // namespace varnel
