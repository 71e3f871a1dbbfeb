#pragma once
// Painting colour values as notes store them (storage/colour_value.h).

#include <windows.h>

#include <cstdint>
#include <optional>

namespace varnel {

// The colour to paint with, or nothing for a value the window system does not take as a colour.
std::optional<COLORREF> ResolveColour(std::int32_t value) noexcept;

}  // namespace varnel
