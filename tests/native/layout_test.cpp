// Where a note's controls go, where an off-screen note reopens, and twips at common DPIs.

#include <gtest/gtest.h>

#include <limits>

#include "note/layout.h"
#include "platform/twips.h"

namespace varnel {
namespace {

TEST(LayoutNote, FitsTheTextBoxAndTheStripToTheOuterSize) {
  const NoteLayout hidden = LayoutNote(3000, 3000, false);
  EXPECT_EQ(hidden.textWidth, 2400);
  EXPECT_EQ(hidden.textHeight, 2400);
  EXPECT_EQ(hidden.webWidth, 2860);
  EXPECT_EQ(hidden.webTop, 2530);

  const NoteLayout shown = LayoutNote(3000, 3000, true);
  EXPECT_EQ(shown.textWidth, 2400);
  EXPECT_EQ(shown.textHeight, 2280);
  EXPECT_EQ(shown.webWidth, 2860);
  EXPECT_EQ(shown.webTop, 2530);
}

TEST(LayoutNote, SmallestNoteGivesAnEmptyTextBoxAndNarrowerOnesAreLeftAlone) {
  const NoteLayout smallest = LayoutNote(kMinNoteWidth, kMinNoteHeight, true);
  EXPECT_EQ(smallest.textWidth, 0);
  EXPECT_EQ(smallest.textHeight, 0);

  const NoteLayout tooSmall = LayoutNote(500, 650, true);
  EXPECT_FALSE(tooSmall.textWidth);
  EXPECT_FALSE(tooSmall.textHeight);
  EXPECT_EQ(tooSmall.webWidth, 360);
  EXPECT_EQ(tooSmall.webTop, 180);
  EXPECT_FALSE(LayoutNote(100, 100, false).webWidth);
}

TEST(PlaceOnScreen, LeavesAVisibleOrPartlyVisibleNoteWhereItIs) {
  const std::vector<PixelRect> screen{{0, 0, 1280, 1000}};
  EXPECT_FALSE(PlaceOnScreen({100, 100, 300, 300}, screen));
  EXPECT_FALSE(PlaceOnScreen({1200, 900, 1400, 1100}, screen));
  EXPECT_FALSE(PlaceOnScreen({-199, -199, 1, 1}, screen));
  EXPECT_FALSE(PlaceOnScreen({5000, 5000, 5200, 5200}, {}));
}

TEST(PlaceOnScreen, BringsANoteBackOntoTheNearestWorkArea) {
  const std::vector<PixelRect> twoMonitors{{0, 0, 1280, 1000}, {1280, 0, 2560, 1000}};
  // Right of both monitors: onto the right one, against its right edge.
  EXPECT_EQ(PlaceOnScreen({3000, 500, 3200, 700}, twoMonitors), (PixelPoint{2360, 500}));
  // Above and left of the first.
  EXPECT_EQ(PlaceOnScreen({-500, -400, -300, -200}, twoMonitors), (PixelPoint{0, 0}));
  // Touching an edge from outside is still outside.
  EXPECT_EQ(PlaceOnScreen({100, 1000, 300, 1200}, twoMonitors), (PixelPoint{100, 800}));
  // Larger than the work area: its top-left corner stays in view.
  EXPECT_EQ(PlaceOnScreen({0, 2000, 3000, 4000}, {{0, 0, 1280, 1000}}), (PixelPoint{0, 0}));
}

TEST(PlaceOnScreen, FarAwayCoordinatesDoNotOverflow) {
  const std::vector<PixelRect> screen{{0, 0, 1280, 1000}};
  EXPECT_EQ(PlaceOnScreen({2'000'000'000, -2'000'000'000, 2'000'000'100, -1'999'999'900}, screen),
            (PixelPoint{1180, 0}));
}

TEST(Twips, ConvertBothWaysAtCommonDpis) {
  EXPECT_EQ(TwipsToPixels(3000, 96), 200);
  EXPECT_EQ(TwipsToPixels(3000, 144), 300);
  EXPECT_EQ(TwipsToPixels(-1500, 96), -100);
  EXPECT_DOUBLE_EQ(PixelsToTwips(TwipsToPixels(4500, 120), 120), 4500);
  EXPECT_TRUE(IsWindowTwips(-15000));
  EXPECT_FALSE(IsWindowTwips(1e30));
  EXPECT_FALSE(IsWindowTwips(std::numeric_limits<double>::infinity()));
  EXPECT_FALSE(IsWindowTwips(std::numeric_limits<double>::quiet_NaN()));
}

}  // namespace
}  // namespace varnel
