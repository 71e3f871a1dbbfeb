#include "storage/number_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <limits>
#include <random>

namespace varnel {
namespace {

struct FormatCase {
  float value;
  const char* text;
};

class FormatSingleTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatSingleTest, WritesTheInvariantForm) { EXPECT_EQ(FormatSingle(GetParam().value), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(
    Values, FormatSingleTest,
    testing::Values(FormatCase{0, "0"}, FormatCase{-0.0f, "0"}, FormatCase{1440, "1440"}, FormatCase{-3000, "-3000"},
                    FormatCase{10.5f, "10.5"}, FormatCase{0.5f, ".5"}, FormatCase{-0.5f, "-.5"},
                    FormatCase{100.25f, "100.25"}, FormatCase{1.0f / 3, ".3333333"}, FormatCase{1234567.25f, "1234567"},
                    FormatCase{9999999, "9999999"}, FormatCase{1e7f, "1E+07"}, FormatCase{12345678, "1.234568E+07"},
                    FormatCase{1e8f, "1E+08"}, FormatCase{1e-4f, ".0001"}, FormatCase{-1.25e-4f, "-.000125"},
                    FormatCase{1e-5f, "1E-05"}, FormatCase{1.5e-5f, "1.5E-05"}, FormatCase{FLT_MAX, "3.402823E+38"},
                    FormatCase{std::numeric_limits<float>::denorm_min(), "1E-45"},
                    FormatCase{std::numeric_limits<float>::infinity(), "0"},
                    FormatCase{std::numeric_limits<float>::quiet_NaN(), "0"}));

struct ParseCase {
  const char* text;
  std::optional<float> value;
};

class ParseSingleTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseSingleTest, ReadsDecimalAndHexadecimalForms) {
  EXPECT_EQ(ParseSingle(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Accepted, ParseSingleTest,
                         testing::Values(ParseCase{"1440", 1440.0f}, ParseCase{"10.5", 10.5f}, ParseCase{".5", 0.5f},
                                         ParseCase{"-.5", -0.5f}, ParseCase{"+3", 3.0f}, ParseCase{"5.", 5.0f},
                                         ParseCase{"1E+07", 1e7f}, ParseCase{"1.5e-05", 1.5e-5f},
                                         ParseCase{"1E-45", 1e-45f}, ParseCase{"3.402823E+38", 3.402823e38f},
                                         ParseCase{"&H00C0C0C0&", 12632256.0f}, ParseCase{"&HFFFFFFFF&", -1.0f},
                                         ParseCase{"&h10&", 16.0f}, ParseCase{"&H80000000&", -2147483648.0f}));

INSTANTIATE_TEST_SUITE_P(Refused, ParseSingleTest,
                         testing::Values(ParseCase{"", {}}, ParseCase{" ", {}}, ParseCase{" 5", {}},
                                         ParseCase{"1e999", {}}, ParseCase{"-1e39", {}}, ParseCase{"1e-50", {}},
                                         ParseCase{"NaN", {}}, ParseCase{"inf", {}}, ParseCase{"-Infinity", {}},
                                         ParseCase{"-", {}}, ParseCase{".", {}}, ParseCase{"--5", {}},
                                         ParseCase{"+-5", {}}, ParseCase{"1.2.3", {}}, ParseCase{"12abc", {}},
                                         ParseCase{"1e", {}}, ParseCase{"0x10", {}}, ParseCase{"&H", {}},
                                         ParseCase{"&HFF", {}}, ParseCase{"&HFFFFFFFFF&", {}}, ParseCase{"&HG&", {}},
                                         ParseCase{"&O17&", {}}, ParseCase{"\xEF\xBC\x91", {}}));

TEST(ParseColour, ReadsSigned32BitValues) {
  EXPECT_EQ(ParseColour("12632256"), 12632256);
  EXPECT_EQ(ParseColour("&H00C0C0C0&"), 12632256);
  EXPECT_EQ(ParseColour("&H00000000&"), 0);
  EXPECT_EQ(ParseColour("&HFFFFFFFF&"), -1);
  EXPECT_EQ(ParseColour("-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseColour("2147483647"), INT32_MAX);
  EXPECT_EQ(ParseColour("1E+03"), 1000);
  // Fractions round to the nearest whole number, halves to the even one.
  EXPECT_EQ(ParseColour("1.5"), 2);
  EXPECT_EQ(ParseColour("2.5"), 2);
  EXPECT_EQ(ParseColour("-2.5"), -2);
  EXPECT_EQ(ParseColour("2.51"), 3);
  for (const char* bad : {"2147483648", "-2147483649", "1e999", "NaN", "red", "&HFFFFFFFFF&", "&H", ""}) {
    EXPECT_EQ(ParseColour(bad), std::nullopt) << bad;
  }
}

TEST(ParseFlag, ReadsWordsAndNumbers) {
  for (const char* yes : {"True", "TRUE", "true", "1", "-1", "0.5", "&H1&", "&HFFFFFFFF&"}) {
    EXPECT_EQ(ParseFlag(yes), true) << yes;
  }
  for (const char* no : {"False", "FALSE", "false", "0", "-0", "0.0", "&H0&"}) EXPECT_EQ(ParseFlag(no), false) << no;
  for (const char* bad : {"", "Tru", "yes", "True!", "NaN", "1e999", "&H"})
    EXPECT_EQ(ParseFlag(bad), std::nullopt) << bad;
  EXPECT_EQ(FormatFlag(true), "True");
  EXPECT_EQ(FormatFlag(false), "False");
}

TEST(ColourText, BothFormsReadBackToTheSameValue) {
  EXPECT_EQ(FormatColourLiteral(0x00C0C0C0), "&H00C0C0C0&");
  EXPECT_EQ(FormatColourLiteral(0), "&H00000000&");
  EXPECT_EQ(FormatColourLiteral(-1), "&HFFFFFFFF&");
  std::mt19937 random(7);
  for (int i = 0; i < 2000; ++i) {
    const auto colour = static_cast<std::int32_t>(random());
    EXPECT_EQ(ParseColour(FormatColourLiteral(colour)), colour);
    EXPECT_EQ(ParseColour(std::to_string(colour)), colour);
  }
}

std::size_t SignificantDigits(const std::string& text) {
  std::string digits;
  for (const char c : text.substr(0, text.find('E'))) {
    if (c >= '0' && c <= '9') digits += c;
  }
  digits.erase(0, digits.find_first_not_of('0'));
  return digits.size();
}

// Any finite single: at most 7 digits, close to the value, and written again in the same text,
// so a note saved over and over does not drift.
TEST(SingleText, EveryFiniteValueReadsBackStably) {
  std::mt19937 random(11);
  for (int i = 0; i < 20000; ++i) {
    const float value = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
    if (!std::isfinite(value)) continue;
    const std::string text = FormatSingle(value);
    ASSERT_LE(SignificantDigits(text), 7u) << text;
    const std::optional<float> back = ParseSingle(text);
    ASSERT_TRUE(back.has_value()) << text;
    EXPECT_LE(std::fabs(*back - value), std::fabs(value) * 6e-7f + std::numeric_limits<float>::denorm_min()) << text;
    EXPECT_EQ(FormatSingle(*back), text);
  }
}

// A value that has a form in 7 digits comes back exactly: positions, sizes, font sizes.
TEST(SingleText, ValuesOfSevenDigitsReadBackExactly) {
  std::mt19937 random(13);
  std::uniform_int_distribution<int> mantissa(-9999999, 9999999);
  std::uniform_int_distribution<int> exponent(-12, 12);
  for (int i = 0; i < 20000; ++i) {
    const std::string decimal = std::to_string(mantissa(random)) + "e" + std::to_string(exponent(random));
    const float value = *ParseSingle(decimal);
    EXPECT_EQ(ParseSingle(FormatSingle(value)), value) << decimal;
  }
}

}  // namespace
}  // namespace varnel
