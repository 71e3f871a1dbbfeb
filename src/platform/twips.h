#pragma once
// Twips (1/1440 inch) are the unit of every stored position and size; the screen works in pixels.
// Portable arithmetic, used by the window classes and tested natively.

namespace varnel {

inline constexpr int kTwipsPerInch = 1440;

// Nearest pixel for a twips value at the given dots per inch.
int TwipsToPixels(double twips, int dpi);

// Exact twips for a pixel value at the given dots per inch.
double PixelsToTwips(int pixels, int dpi);

}  // namespace varnel

namespace varnel {

// True for a position or size in twips that a window can take (finite, within the range of
// screen coordinates), so converting it to pixels stays exact and safe.
bool IsWindowTwips(double twips);

}  // namespace varnel
