// Which texts the note's text box wraps: a line is measured between CR LF pairs, as the box does.

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "note/line_wrap.h"

namespace varnel {
namespace {

struct LineCase {
  const char* name;
  std::wstring text;
  std::size_t length;
  bool longer;
};

class HasLineLongerThanCases : public ::testing::TestWithParam<LineCase> {};

TEST_P(HasLineLongerThanCases, FindsALongLineWhereverItStands) {
  const LineCase& c = GetParam();
  EXPECT_EQ(HasLineLongerThan(c.text, c.length), c.longer) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, HasLineLongerThanCases,
    ::testing::Values(
        LineCase{"empty", L"", 0, false},
        LineCase{"exactly the length", L"abcd", 4, false},
        LineCase{"one over", L"abcde", 4, true},
        LineCase{"long first line", L"abcde\r\nab", 4, true},
        LineCase{"long middle line", L"ab\r\nabcde\r\nab", 4, true},
        LineCase{"long last line", L"ab\r\nab\r\nabcde", 4, true},
        LineCase{"short lines and an empty last one", L"abcd\r\nabcd\r\n", 4, false},
        LineCase{"empty lines only", L"\r\n\r\n\r\n", 0, false},
        // The line end itself is not part of the line.
        LineCase{"line end after the length", L"abcd\r\n", 4, false},
        // A lone LF or CR does not end a line in the text box.
        LineCase{"lone LF", L"ab\ncd", 4, true},
        LineCase{"lone CR", L"ab\rcd", 4, true},
        LineCase{"CR CR LF", L"ab\r\r\ncd", 2, true},
        LineCase{"Japanese counts in UTF-16 units", L"日本語の文\r\n字", 4, true}),
    [](const ::testing::TestParamInfo<LineCase>& info) {
      std::string name;
      for (const char* p = info.param.name; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
      return name;
    });

TEST(WrapsQuickly, StopsWrappingPastTheLongestWrappedLineAnywhereInTheText) {
  const std::wstring longest(kLongestWrappedLine, L'語');
  EXPECT_TRUE(WrapsQuickly(longest));
  EXPECT_TRUE(WrapsQuickly(longest + L"\r\n" + longest));
  EXPECT_FALSE(WrapsQuickly(longest + L"語"));
  EXPECT_FALSE(WrapsQuickly(L"short\r\n" + longest + L"語\r\nshort"));
  // 100,000 characters in 2,000 short lines still wrap.
  std::wstring manyLines;
  for (int i = 0; i < 2000; ++i) manyLines += std::wstring(48, L'語') + L"\r\n";
  EXPECT_TRUE(WrapsQuickly(manyLines));
}

struct BreakCase {
  const char* name;
  std::wstring line;
  std::wstring breaksBefore;  // a '|' under each place where the line may break, '.' elsewhere
};

class CanBreakBeforeCases : public ::testing::TestWithParam<BreakCase> {};

TEST_P(CanBreakBeforeCases, BreaksWhereALineOfThatScriptMay) {
  const BreakCase& c = GetParam();
  ASSERT_EQ(c.line.size(), c.breaksBefore.size()) << c.name;
  std::wstring found;
  for (std::size_t i = 0; i < c.line.size(); ++i) found += CanBreakBefore(c.line, i) ? L'|' : L'.';
  EXPECT_EQ(found, c.breaksBefore) << c.name;
  EXPECT_TRUE(CanBreakBefore(c.line, c.line.size())) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CanBreakBeforeCases,
    ::testing::Values(
        BreakCase{"words break after their spaces", L"ab  cd e", L"|...|..|"},
        BreakCase{"ideographs and kana break anywhere", L"日本語のメモ", L"||||||"},
        BreakCase{"not before closing punctuation or small kana", L"です。「ちょっと」", L"||.|...|."},
        BreakCase{"not after an opening bracket", L"（注）と", L"|..|"},
        BreakCase{"Latin among ideographs keeps its words", L"日本abc語", L"|||..|"},
        BreakCase{"a surrogate pair stays whole", L"\xD83D\xDE00\xD83D\xDE00", L"|..."},
        BreakCase{"an ideographic space breaks after it", L"あ\u3000い", L"|.|"}));

}  // namespace
}  // namespace varnel
