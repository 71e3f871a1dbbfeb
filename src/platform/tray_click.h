#pragma once
// What a tray callback's lParam means. Kept free of windows.h so host-side tests can use it too.

#include <cstdint>

namespace varnel {

// The shell reports the mouse message itself in lParam (first-form tray records, no version set).
inline constexpr std::intptr_t kTrayLeftButtonDown = 0x0201;   // WM_LBUTTONDOWN
inline constexpr std::intptr_t kTrayRightButtonDown = 0x0204;  // WM_RBUTTONDOWN

// True for a left or right button press on the icon; releases, double-clicks, movement and
// anything else are not presses.
constexpr bool IsTrayButtonPress(std::intptr_t lParam) noexcept {
  return lParam == kTrayLeftButtonDown || lParam == kTrayRightButtonDown;
}

}  // namespace varnel
