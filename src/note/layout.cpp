#include "note/layout.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace varnel {
namespace {

std::optional<double> NonNegative(double size) {
  if (size < 0) return std::nullopt;
  return size;
}

bool Overlaps(const PixelRect& a, const PixelRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Gap between two ranges along one axis; 0 when they overlap.
std::int64_t Gap(int startA, int endA, int startB, int endB) {
  if (endA <= startB) return static_cast<std::int64_t>(startB) - endA;
  if (endB <= startA) return static_cast<std::int64_t>(startA) - endB;
  return 0;
}

// Start of a range of the given length moved inside [start, end), keeping its start in view when
// it is longer than the range.
int Clamp(int position, int length, int start, int end) {
  return std::max(start, std::min(position, end - length));
}

}  // namespace

NoteLayout LayoutNote(double windowWidth, double windowHeight, bool webVisible) {
  NoteLayout layout;
  layout.textWidth = NonNegative(windowWidth - 600);
  layout.textHeight = NonNegative(windowHeight - (webVisible ? 720 : 600));
  layout.webWidth = NonNegative(windowWidth - 140);
  layout.webTop = windowHeight - 470;
  return layout;
}

std::optional<PixelPoint> PlaceOnScreen(const PixelRect& note, const std::vector<PixelRect>& workAreas) {
  if (workAreas.empty()) return std::nullopt;
  const PixelRect* nearest = nullptr;
  std::int64_t nearestDistance = std::numeric_limits<std::int64_t>::max();
  for (const PixelRect& area : workAreas) {
    if (Overlaps(note, area)) return std::nullopt;
    const std::int64_t dx = Gap(note.left, note.right, area.left, area.right);
    const std::int64_t dy = Gap(note.top, note.bottom, area.top, area.bottom);
    const std::int64_t distance = dx * dx + dy * dy;
    if (distance < nearestDistance) {
      nearestDistance = distance;
      nearest = &area;
    }
  }
  const int width = note.right - note.left;
  const int height = note.bottom - note.top;
  return PixelPoint{Clamp(note.left, width, nearest->left, nearest->right),
                    Clamp(note.top, height, nearest->top, nearest->bottom)};
}

}  // namespace varnel
