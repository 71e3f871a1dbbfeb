#include "note/layout.h"

namespace varnel {
namespace {

std::optional<double> NonNegative(double size) {
  if (size < 0) return std::nullopt;
  return size;
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

}  // namespace varnel
