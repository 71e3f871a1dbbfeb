#pragma once
// Colour values as notes store them: 0x00BBGGRR, or a system colour (0x80000000 | index).

#include <windows.h>

#include <cstdint>
#include <optional>

namespace varnel {

// The colour to paint with, or nothing for a value the window system does not take as a colour.
std::optional<COLORREF> ResolveColour(std::int32_t value) noexcept;

}  // namespace varnel
