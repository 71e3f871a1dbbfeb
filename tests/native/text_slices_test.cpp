// Where the slices of a long text end: always just past a CR LF or at the text's end, never
// inside a line end, and together they cover the text exactly once.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "note/text_slices.h"

namespace varnel {
namespace {

struct SliceCase {
  const char* name;
  std::wstring text;
  std::size_t start;
  std::size_t length;
  std::size_t end;
};

class SliceEndCases : public ::testing::TestWithParam<SliceCase> {};

TEST_P(SliceEndCases, EndsJustPastALineEnd) {
  const SliceCase& c = GetParam();
  EXPECT_EQ(SliceEnd(c.text, c.start, c.length), c.end) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Slices, SliceEndCases,
    ::testing::Values(SliceCase{"empty text", L"", 0, 4, 0},
                      SliceCase{"shorter than a slice", L"ab\r\n", 0, 8, 4},
                      SliceCase{"line end exactly at the length", L"abc\r\ndef\r\n", 0, 5, 5},
                      SliceCase{"length inside a line runs to its end", L"abc\r\ndef\r\n", 0, 2, 5},
                      SliceCase{"length between CR and LF takes the LF", L"abc\r\ndef\r\n", 0, 4, 5},
                      SliceCase{"length just past a line end runs to the next", L"abc\r\ndef\r\n", 0, 6, 10},
                      SliceCase{"from a later start", L"abc\r\ndef\r\ngh\r\n", 5, 2, 10},
                      SliceCase{"lone CR and LF do not end a slice", L"a\rb\nc\r\nd", 0, 1, 7},
                      SliceCase{"a line longer than a slice goes whole", L"abcdefgh\r\nij", 0, 3, 10},
                      SliceCase{"no line end left: the rest", L"ab\r\ncdefgh", 4, 2, 10},
                      SliceCase{"start at the end", L"ab\r\n", 4, 2, 4},
                      SliceCase{"surrogate pair kept whole", L"a\xD83D\xDE00\xD83D\xDE00\r\nb", 0, 2, 7}),
    [](const ::testing::TestParamInfo<SliceCase>& info) { return "case" + std::to_string(info.index); });

TEST(SliceEnd, SlicesCoverTheTextOnceInOrder) {
  std::wstring text;
  for (int i = 0; i < 500; ++i) text += std::wstring(static_cast<size_t>(i % 37), L'あ') + L"\r\n";
  text += L"tail";
  for (const std::size_t length : {std::size_t{1}, std::size_t{2}, std::size_t{100}, kTextSliceLength}) {
    std::wstring joined;
    std::size_t start = 0;
    while (start < text.size()) {
      const std::size_t end = SliceEnd(text, start, length);
      ASSERT_GT(end, start);
      ASSERT_GE(end - start, std::min(length, text.size() - start));
      if (end < text.size()) {
        ASSERT_EQ(text.substr(end - 2, 2), L"\r\n");
      }
      joined += text.substr(start, end - start);
      start = end;
    }
    EXPECT_EQ(joined, text) << length;
  }
}

}  // namespace
}  // namespace varnel
