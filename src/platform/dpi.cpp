#include "platform/dpi.h"

#include <cmath>

#include "platform/twips.h"

namespace varnel {

int DpiForWindow(HWND hwnd) noexcept {
  UINT dpi = ::GetDpiForWindow(hwnd);
  return dpi != 0 ? static_cast<int>(dpi) : kDefaultDpi;
}

SIZE OuterSizeForClientTwips(double clientWidthTwips, double clientHeightTwips, DWORD style, DWORD exStyle,
                             int dpi) noexcept {
  RECT rect{0, 0, TwipsToPixels(clientWidthTwips, dpi), TwipsToPixels(clientHeightTwips, dpi)};
  ::AdjustWindowRectExForDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi));
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

int FontHeightForPoints(double points, int dpi) noexcept {
  return -static_cast<int>(std::lround(points * dpi / 72.0));
}

}  // namespace varnel
