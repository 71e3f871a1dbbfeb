#include "platform/twips.h"

#include <cmath>

namespace varnel {

int TwipsToPixels(double twips, int dpi) {
  return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

double PixelsToTwips(int pixels, int dpi) {
  return static_cast<double>(pixels) * kTwipsPerInch / dpi;
}

}  // namespace varnel

namespace varnel {

bool IsWindowTwips(double twips) {
  // About a million pixels at any common DPI: far beyond every screen, far inside an int.
  constexpr double kLimit = 16'000'000;
  return std::isfinite(twips) && twips > -kLimit && twips < kLimit;
}

}  // namespace varnel
