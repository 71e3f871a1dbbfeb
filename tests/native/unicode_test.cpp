#include "storage/unicode.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

// U+1F600 as the program holds it: a surrogate pair where wchar_t has 16 bits.
std::wstring Emoji() {
  std::wstring text;
  if constexpr (sizeof(wchar_t) == 2) {
    text = {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
  } else {
    text = {static_cast<wchar_t>(0x1F600)};
  }
  return text;
}

TEST(Utf8, DecodesAndEncodesEveryLength) {
  const std::wstring text = L"A\u00E9\u3042" + Emoji();
  const std::string bytes = "A\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80";
  EXPECT_EQ(DecodeUtf8(bytes), text);
  EXPECT_EQ(EncodeUtf8(text), bytes);
  EXPECT_EQ(DecodeUtf8(""), L"");
  EXPECT_EQ(DecodeUtf8(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
}

TEST(Utf8, RefusesIllFormedBytes) {
  for (const char* bad : {
           "\x80",              // continuation without a lead
           "\xC0\x80",          // overlong NUL
           "\xC1\xBF",          // overlong
           "\xE0\x80\x80",      // overlong
           "\xF0\x80\x80\x80",  // overlong
           "\xED\xA0\x80",      // encoded surrogate
           "\xF4\x90\x80\x80",  // above U+10FFFF
           "\xF8\x88\x80\x80\x80", "\xFF",
           "\xE3\x81",  // truncated
           "a\xE3\x81"
           "b",  // continuation missing
       }) {
    EXPECT_EQ(DecodeUtf8(bad), std::nullopt) << testing::PrintToString(std::string(bad));
  }
}

TEST(Utf8, RefusesUnpairedSurrogates) {
  EXPECT_EQ(EncodeUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), std::nullopt);
  EXPECT_EQ(EncodeUtf8(L"a" + std::wstring(1, static_cast<wchar_t>(0xDC00)) + L"b"), std::nullopt);
}

TEST(Utf8, ReplacingKeepsEverythingButUnpairedSurrogates) {
  const std::wstring high(1, static_cast<wchar_t>(0xD83D));
  const std::wstring low(1, static_cast<wchar_t>(0xDE00));
  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(EncodeUtf8Replacing(L"a\u3042" + Emoji()), "a\xE3\x81\x82\xF0\x9F\x98\x80");
  EXPECT_EQ(EncodeUtf8Replacing(low + L"a" + high), replacement + "a" + replacement);
  EXPECT_EQ(EncodeUtf8Replacing(high + Emoji()), replacement + "\xF0\x9F\x98\x80");
  EXPECT_EQ(EncodeUtf8Replacing(std::wstring(L"\0", 1)), std::string(1, '\0'));
}

TEST(Utf16, BothByteOrders) {
  const std::wstring text = L"a\u3042" + Emoji();
  const std::string little("a\0\x42\x30\x3D\xD8\x00\xDE", 8);
  const std::string big("\0a\x30\x42\xD8\x3D\xDE\x00", 8);
  EXPECT_EQ(DecodeUtf16(little, false), text);
  EXPECT_EQ(DecodeUtf16(big, true), text);
  EXPECT_EQ(EncodeUtf16(text, false), little);
  EXPECT_EQ(EncodeUtf16(text, true), big);
}

TEST(Utf16, RefusesOddLengthsAndUnpairedSurrogates) {
  EXPECT_EQ(DecodeUtf16(std::string("a\0b", 3), false), std::nullopt);
  EXPECT_EQ(DecodeUtf16(std::string("\x3D\xD8", 2), false), std::nullopt);  // high at the end
  EXPECT_EQ(DecodeUtf16(std::string("\x3D\xD8"
                                    "a\0",
                                    4),
                        false),
            std::nullopt);  // high, then no low
  EXPECT_EQ(DecodeUtf16(std::string("\x00\xDE"
                                    "a\0",
                                    4),
                        false),
            std::nullopt);  // low alone
  EXPECT_EQ(EncodeUtf16(std::wstring(1, static_cast<wchar_t>(0xDBFF)), false), std::nullopt);
}

TEST(Surrogates, RangesEndExactlyAtTheirBounds) {
  struct Case {
    char32_t c;
    bool high, low;
  };
  for (const Case& k : {Case{0xD7FF, false, false}, Case{0xD800, true, false}, Case{0xDBFF, true, false},
                        Case{0xDC00, false, true}, Case{0xDFFF, false, true}, Case{0xE000, false, false},
                        Case{0x1D800, false, false}}) {
    EXPECT_EQ(IsHighSurrogate(k.c), k.high) << std::hex << static_cast<unsigned long>(k.c);
    EXPECT_EQ(IsLowSurrogate(k.c), k.low) << std::hex << static_cast<unsigned long>(k.c);
    EXPECT_EQ(IsSurrogate(k.c), k.high || k.low) << std::hex << static_cast<unsigned long>(k.c);
  }
}

}  // namespace
}  // namespace varnel
