#pragma once
// Dots per inch of the monitor a window or point is on (the program is per-monitor DPI aware).

#include <windows.h>

namespace varnel {

inline constexpr int kDefaultDpi = 96;

int DpiForWindow(HWND hwnd) noexcept;

// Outer window size, in pixels, for a client area of the given twips at a DPI.
SIZE OuterSizeForClientTwips(double clientWidthTwips, double clientHeightTwips, DWORD style, DWORD exStyle,
                             int dpi) noexcept;

// Font height for CreateFont (negative: character height) of a point size at a DPI.
int FontHeightForPoints(double points, int dpi) noexcept;

}  // namespace varnel
