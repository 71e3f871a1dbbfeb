#include "note/note_settings.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <ostream>
#include <tuple>

namespace varnel {

// Failures show the values rather than the bytes of the structure.
void PrintTo(const NoteSettings& s, std::ostream* out) {
  *out << testing::PrintToString(std::tie(s.textPath, s.left, s.top, s.width, s.height, s.backColour, s.fontName,
                                          s.fontSize, s.textColour, s.bold, s.italic, s.webStripVisible));
}

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr auto kSystemColour5 = static_cast<std::int32_t>(0x80000005u);
constexpr auto kSystemColour31 = static_cast<std::int32_t>(0x8000001Fu);

// The note as it looks with nothing from its record.
NoteSettings Design() {
  NoteSettings s;
  s.width = 3135;
  s.height = 2655;
  s.backColour = 0x00C0C0C0;
  s.fontName = L"ＭＳ Ｐゴシック";
  s.fontSize = 9;
  s.textColour = 0;
  return s;
}

TEST(NoteSettings, AnUnsetRecordGivesTheDesignValues) {
  EXPECT_EQ(SettingsFromRecord(NoteRecord{}), Design());
  EXPECT_EQ(NoteSettings{}, Design());
}

struct ValueCase {
  const char* name;
  std::function<void(NoteRecord&)> record;     // sets one value of an otherwise unset record
  std::function<void(NoteSettings&)> taken;    // what it changes; nothing: the design value stays
};

void PrintTo(const ValueCase& c, std::ostream* out) { *out << c.name; }

class NoteSettingsValue : public testing::TestWithParam<ValueCase> {};

TEST_P(NoteSettingsValue, StandsAloneAndIsTakenOnlyWhenUsable) {
  NoteRecord record;
  GetParam().record(record);
  NoteSettings expected = Design();
  if (GetParam().taken) GetParam().taken(expected);
  EXPECT_EQ(SettingsFromRecord(record), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, NoteSettingsValue,
    testing::Values(
        ValueCase{"Path", [](NoteRecord& r) { r.textPath = L"C:\\memo\\a.txt"; },
                  [](NoteSettings& s) { s.textPath = L"C:\\memo\\a.txt"; }},
        ValueCase{"Left", [](NoteRecord& r) { r.left = 1200; }, [](NoteSettings& s) { s.left = 1200; }},
        ValueCase{"NegativeTop", [](NoteRecord& r) { r.top = -900.5f; }, [](NoteSettings& s) { s.top = -900.5; }},
        ValueCase{"LeftNaN", [](NoteRecord& r) { r.left = kNaN; }, nullptr},
        ValueCase{"TopInfinite", [](NoteRecord& r) { r.top = -kInfinity; }, nullptr},
        ValueCase{"LeftBeyondTheScreen", [](NoteRecord& r) { r.left = 16'000'000; }, nullptr},
        ValueCase{"Width", [](NoteRecord& r) { r.width = 4000.5f; }, [](NoteSettings& s) { s.width = 4000.5; }},
        ValueCase{"Height", [](NoteRecord& r) { r.height = 5000; }, [](NoteSettings& s) { s.height = 5000; }},
        ValueCase{"NarrowWidthIsRaised", [](NoteRecord& r) { r.width = 599; }, [](NoteSettings& s) { s.width = 600; }},
        ValueCase{"ZeroHeightIsRaised", [](NoteRecord& r) { r.height = 0; }, [](NoteSettings& s) { s.height = 720; }},
        ValueCase{"NegativeWidthIsRaised", [](NoteRecord& r) { r.width = -3000; },
                  [](NoteSettings& s) { s.width = 600; }},
        ValueCase{"WidthNaN", [](NoteRecord& r) { r.width = kNaN; }, nullptr},
        ValueCase{"HeightBeyondTheScreen", [](NoteRecord& r) { r.height = 2e7f; }, nullptr},
        ValueCase{"BackColour", [](NoteRecord& r) { r.backColor = 0x00FF8000; },
                  [](NoteSettings& s) { s.backColour = 0x00FF8000; }},
        ValueCase{"SystemBackColour", [](NoteRecord& r) { r.backColor = kSystemColour5; },
                  [](NoteSettings& s) { s.backColour = kSystemColour5; }},
        ValueCase{"BackColourPastTheSystemColours", [](NoteRecord& r) { r.backColor = kSystemColour31; }, nullptr},
        ValueCase{"BackColourWithAHighByte", [](NoteRecord& r) { r.backColor = 0x01000000; }, nullptr},
        ValueCase{"TextColour", [](NoteRecord& r) { r.foreColor = 0x000000FF; },
                  [](NoteSettings& s) { s.textColour = 0x000000FF; }},
        ValueCase{"TextColourMinusOne", [](NoteRecord& r) { r.foreColor = -1; }, nullptr},
        ValueCase{"FontName", [](NoteRecord& r) { r.fontName = L"Arial"; },
                  [](NoteSettings& s) { s.fontName = L"Arial"; }},
        ValueCase{"EmptyFontName", [](NoteRecord& r) { r.fontName = L""; }, nullptr},
        ValueCase{"FontSize", [](NoteRecord& r) { r.fontSize = 10.5f; }, [](NoteSettings& s) { s.fontSize = 10.5f; }},
        ValueCase{"LargestFontSize", [](NoteRecord& r) { r.fontSize = 2048; },
                  [](NoteSettings& s) { s.fontSize = 2048; }},
        ValueCase{"TinyFontSize", [](NoteRecord& r) { r.fontSize = 0.01f; },
                  [](NoteSettings& s) { s.fontSize = 0.01f; }},
        ValueCase{"FontSizePastTheLargest", [](NoteRecord& r) { r.fontSize = 2048.5f; }, nullptr},
        ValueCase{"ZeroFontSize", [](NoteRecord& r) { r.fontSize = 0; }, nullptr},
        ValueCase{"NegativeFontSize", [](NoteRecord& r) { r.fontSize = -9; }, nullptr},
        ValueCase{"FontSizeNaN", [](NoteRecord& r) { r.fontSize = kNaN; }, nullptr},
        ValueCase{"FontSizeInfinite", [](NoteRecord& r) { r.fontSize = kInfinity; }, nullptr},
        ValueCase{"Bold", [](NoteRecord& r) { r.bold = true; }, [](NoteSettings& s) { s.bold = true; }},
        ValueCase{"Italic", [](NoteRecord& r) { r.italic = true; }, [](NoteSettings& s) { s.italic = true; }},
        ValueCase{"WebStrip", [](NoteRecord& r) { r.webVisible = true; },
                  [](NoteSettings& s) { s.webStripVisible = true; }}),
    [](const testing::TestParamInfo<ValueCase>& info) { return info.param.name; });

TEST(NoteSettings, OneUnusableValueLeavesTheOthersTaken) {
  NoteRecord record{L"C:\\a.txt", 10.0f, 20.0f, kNaN, 4000.0f, -1, L"Arial", 12.0f, 0x0000FF00, true, true, true};
  NoteSettings expected = Design();
  expected.textPath = L"C:\\a.txt";
  expected.left = 10;
  expected.top = 20;
  expected.height = 4000;
  expected.fontName = L"Arial";
  expected.fontSize = 12;
  expected.textColour = 0x0000FF00;
  expected.bold = expected.italic = expected.webStripVisible = true;
  EXPECT_EQ(SettingsFromRecord(record), expected);
}

TEST(NoteSettings, WrittenSettingsReadBackTheSame) {
  const std::unique_ptr<CodePage> cp932 = MakeCodePage(932);
  NoteSettings custom;
  custom.textPath = L"C:\\メモ\\a, \"b\".txt";
  custom.left = -1200.5;
  custom.top = 15;
  custom.width = 4321.25;
  custom.height = 720;
  custom.backColour = kSystemColour5;
  custom.fontName = L"Arial";
  custom.fontSize = 10.5f;
  custom.textColour = 0x00123456;
  custom.bold = custom.webStripVisible = true;
  NoteSettings design = Design();
  design.textPath = L"C:\\a.txt";
  for (const NoteSettings& settings : {custom, design}) {
    const std::optional<std::string> line = FormatClosedRecord(ValuesToWrite(settings), *cp932);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(SettingsFromRecord(ParseRecord(*line, *cp932)), settings) << *line;
  }
  // Positions and sizes are written in single precision.
  custom.left = 0.1;
  EXPECT_EQ(ValuesToWrite(custom).left, 0.1f);
}

TEST(NoteSettings, ANewRecordOpensWithTheDesignLookAtTheNewNoteSize) {
  const std::unique_ptr<CodePage> cp932 = MakeCodePage(932);
  NoteSettings expected = Design();
  expected.textPath = L"C:\\a.txt";
  expected.left = 1200;
  expected.top = 900;
  expected.width = expected.height = 3000;
  EXPECT_EQ(SettingsFromRecord(ParseRecord(*FormatNewRecord(L"C:\\a.txt", 1200, 900, *cp932), *cp932)), expected);
}

}  // namespace
}  // namespace varnel
