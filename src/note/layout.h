#pragma once
// Where a note's text box and web strip sit inside the note window, in twips.
// Portable arithmetic, used by the note window and tested natively.

#include <optional>
#include <vector>

namespace varnel {

// Design-time geometry of a note window's controls.
inline constexpr double kTextLeft = 240;
inline constexpr double kTextTop = 240;
inline constexpr double kWebLeft = 0;
inline constexpr double kWebHeight = 945;
inline constexpr double kDesignTextWidth = 2535;
inline constexpr double kDesignTextHeight = 2055;
inline constexpr double kDesignWebTop = 2400;
inline constexpr double kDesignWebWidth = 2895;

// The smallest outer size that leaves the text box a size of zero or more.
inline constexpr double kMinNoteWidth = 600;
inline constexpr double kMinNoteHeight = 720;

// The fitted sizes; a value the window system would refuse (negative) is left out,
// so the control keeps the size it had.
struct NoteLayout {
  std::optional<double> textWidth;
  std::optional<double> textHeight;
  std::optional<double> webWidth;
  double webTop = 0;
};

// Fits the controls to the window's outer width and height (frame included), in twips.
NoteLayout LayoutNote(double windowWidth, double windowHeight, bool webVisible);

// A rectangle in screen pixels, right and bottom exclusive.
struct PixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

struct PixelPoint {
  int x = 0, y = 0;
  bool operator==(const PixelPoint&) const = default;
};

// Where to move a note that would open entirely outside every work area (a monitor was removed,
// the resolution changed): the top-left corner that puts it inside the nearest work area, as far
// as it fits. Nothing when the note is at least partly visible, or when there is no work area.
std::optional<PixelPoint> PlaceOnScreen(const PixelRect& note, const std::vector<PixelRect>& workAreas);

}  // namespace varnel
