#include "storage/linked_text.h"

#include <gtest/gtest.h>

#include <ostream>

namespace varnel {
namespace {

class LinkedTextTest : public testing::Test {
 protected:
  std::unique_ptr<CodePage> cp932_ = MakeCodePage(932);
};

struct RoundTripCase {
  const char* name;
  std::string bytes;
  std::wstring text;
  TextFormat format;
};

// Test listings name a case by its name rather than by its bytes.
void PrintTo(const RoundTripCase& c, std::ostream* out) { *out << c.name; }

class LinkedTextRoundTrip : public LinkedTextTest, public testing::WithParamInterface<RoundTripCase> {};

// The text box shows the lines joined by CR LF; writing the text back gives the same bytes.
TEST_P(LinkedTextRoundTrip, ReadsLinesAndWritesTheSameBytes) {
  const std::optional<DecodedText> decoded = DecodeLinkedText(GetParam().bytes, *cp932_);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->text, GetParam().text);
  EXPECT_EQ(decoded->format, GetParam().format);
  const std::optional<EncodedText> encoded = EncodeLinkedText(decoded->text, decoded->format, *cp932_);
  ASSERT_TRUE(encoded.has_value());
  EXPECT_EQ(encoded->bytes, GetParam().bytes);
  EXPECT_EQ(encoded->format, GetParam().format);
  EXPECT_FALSE(encoded->fellBack);
}

using enum TextEncoding;
using enum LineEnd;

INSTANTIATE_TEST_SUITE_P(
    Files, LinkedTextRoundTrip,
    testing::Values(RoundTripCase{"TwoLines", "a\r\nb\r\n", L"a\r\nb", {kCodePage, kCrLf}},
                    RoundTripCase{"EmptyLastLine", "a\r\n\r\n", L"a\r\n", {kCodePage, kCrLf}},
                    RoundTripCase{"OnlyALineEnd", "\r\n", L"", {kCodePage, kCrLf}},
                    RoundTripCase{"LfOnly", "a\nb\n\n", L"a\r\nb\r\n", {kCodePage, kLf}},
                    RoundTripCase{"CrOnly", "a\rb\r", L"a\r\nb", {kCodePage, kCr}},
                    RoundTripCase{
                        "Cp932", "\x83\x81\x83\x82\r\n\x82\xA0\r\n", L"\u30E1\u30E2\r\n\u3042", {kCodePage, kCrLf}},
                    RoundTripCase{"Utf8", "\xE3\x81\x82\n\xED\x95\x9C\n", L"\u3042\r\n\uD55C", {kUtf8, kLf}},
                    RoundTripCase{"Utf8WithMark",
                                  "\xEF\xBB\xBF"
                                  "a\r\n",
                                  L"a",
                                  {kUtf8Bom, kCrLf}},
                    RoundTripCase{"Utf16Le",
                                  std::string("\xFF\xFE"
                                              "a\0\r\0\n\0\x42\x30\r\0\n\0",
                                              14),
                                  L"a\r\n\u3042",
                                  {kUtf16LeBom, kCrLf}},
                    RoundTripCase{"Utf16Be", std::string("\xFE\xFF\0a\0\n", 6), L"a", {kUtf16BeBom, kLf}}),
    [](const testing::TestParamInfo<RoundTripCase>& info) { return info.param.name; });

TEST_F(LinkedTextTest, FileWithoutAFinalLineEndGainsOne) {
  EXPECT_EQ(DecodeLinkedText("a", *cp932_)->text, L"a");
  EXPECT_EQ(EncodeLinkedText(L"a", {}, *cp932_)->bytes, "a\r\n");
  const std::optional<DecodedText> empty = DecodeLinkedText("", *cp932_);
  EXPECT_EQ(empty->text, L"");
  EXPECT_EQ(empty->format, TextFormat{});
  EXPECT_EQ(EncodeLinkedText(L"", empty->format, *cp932_)->bytes, "\r\n");
}

TEST_F(LinkedTextTest, FirstLineEndIsTheFilesOwn) {
  const std::optional<DecodedText> decoded = DecodeLinkedText("a\nb\r\nc\rd", *cp932_);
  EXPECT_EQ(decoded->text, L"a\r\nb\r\nc\r\nd");
  EXPECT_EQ(decoded->format.lineEnd, kLf);
  EXPECT_EQ(EncodeLinkedText(decoded->text, decoded->format, *cp932_)->bytes, "a\nb\nc\nd\n");
}

TEST_F(LinkedTextTest, EveryLineBreakOfTheTextTakesTheFilesLineEnd) {
  EXPECT_EQ(EncodeLinkedText(L"a\r\nb\nc\rd", {kCodePage, kCrLf}, *cp932_)->bytes, "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(EncodeLinkedText(L"a\r\nb\nc\rd", {kCodePage, kCr}, *cp932_)->bytes, "a\rb\rc\rd\r");
}

TEST_F(LinkedTextTest, NotText) {
  for (const std::string& bytes : {
           std::string("a\0b\r\n", 5),  // NUL byte
           std::string("\xEF\xBB\xBF"
                       "a\0",
                       5),  // NUL in UTF-8
           std::string("\xFF\xFE"
                       "a\0\0\0",
                       6),  // NUL character in UTF-16
           std::string("\xFF\xFE"
                       "a\0b",
                       5),                          // odd UTF-16
           std::string("\xFF\xFE\0\xDC", 4),        // unpaired surrogate
           std::string("\xEF\xBB\xBF\xC0\x80", 5),  // invalid UTF-8 behind the mark
           std::string("abc\x82"),                  // incomplete in code page 932
           std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16),
       }) {
    EXPECT_EQ(DecodeLinkedText(bytes, *cp932_), std::nullopt) << testing::PrintToString(bytes);
  }
}

// A file is judged from its first bytes only where the whole file, whatever follows, is no text.
TEST_F(LinkedTextTest, FirstBytesShowNoTextOnlyWhereNoFileStartingSoIsText) {
  const struct {
    std::string first;
    bool noText;
  } cases[] = {
      {std::string("a\r\n\0", 4), true},
      {std::string("MZ\x90\0\x03\0", 6), true},
      {std::string("\xFF\xFE" "a\0\0\0", 6), true},  // a NUL unit in UTF-16
      {std::string("\xFE\xFF\0a\0\0", 6), true},
      {"\x83\x81\x83\x82\r\n", false},
      {std::string("\xFF\xFE" "a\0\r\0\n\0", 8), false},  // zero bytes in UTF-16 text
      {std::string("\xFF\xFE" "a\0\0b\0", 7), false},      // zero bytes of two units, one cut off
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FirstBytesShowNoText(c.first), c.noText) << testing::PrintToString(c.first);
    if (c.noText) {
      EXPECT_EQ(DecodeLinkedText(c.first + "more text\r\n", *cp932_), std::nullopt);
    }
  }
}

TEST_F(LinkedTextTest, TextWithoutAFormInTheCodePageFallsBackToUtf8WithAMark) {
  const std::optional<EncodedText> encoded = EncodeLinkedText(L"\u3042\r\n\uD55C", {kCodePage, kLf}, *cp932_);
  ASSERT_TRUE(encoded.has_value());
  EXPECT_TRUE(encoded->fellBack);
  EXPECT_EQ(encoded->format, (TextFormat{kUtf8Bom, kLf}));
  EXPECT_EQ(encoded->bytes, "\xEF\xBB\xBF\xE3\x81\x82\n\xED\x95\x9C\n");
  EXPECT_EQ(DecodeLinkedText(encoded->bytes, *cp932_)->text, L"\u3042\r\n\uD55C");
}

struct MisreadCase {
  unsigned codePage;
  const wchar_t* text;
  TextEncoding encoding;
};

class MisreadTest : public testing::TestWithParam<MisreadCase> {};

// Bytes that the next read would take for another encoding are not written in that form.
TEST_P(MisreadTest, FallsBackToUtf8WithAMark) {
  const std::unique_ptr<CodePage> cp = MakeCodePage(GetParam().codePage);
  const std::optional<EncodedText> encoded = EncodeLinkedText(GetParam().text, {GetParam().encoding, kCrLf}, *cp);
  ASSERT_TRUE(encoded.has_value());
  EXPECT_TRUE(encoded->fellBack);
  EXPECT_EQ(encoded->format.encoding, kUtf8Bom);
  EXPECT_EQ(DecodeLinkedText(encoded->bytes, *cp)->text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Texts, MisreadTest,
                         testing::Values(MisreadCase{932, L"\uFF8F\uFF6F", kCodePage},   // ﾏｯ is CF AF, also UTF-8
                                         MisreadCase{1252, L"\u00C3\u00A9", kCodePage},  // Ã© is C3 A9, also UTF-8
                                         MisreadCase{1252, L"\u00EF\u00BB\u00BFa", kCodePage},  // ï»¿ is the UTF-8 mark
                                         MisreadCase{932, L"\uFEFFa", kUtf8}));                 // a mark of its own

TEST_F(LinkedTextTest, TextThatNoFileHoldsCannotBeWritten) {
  const std::wstring surrogate = L"a" + std::wstring(1, static_cast<wchar_t>(0xDC00));
  const std::wstring nul(L"a\0b", 3);
  for (const TextEncoding encoding : {kCodePage, kUtf8, kUtf8Bom, kUtf16LeBom, kUtf16BeBom}) {
    EXPECT_EQ(EncodeLinkedText(surrogate, {encoding, kCrLf}, *cp932_), std::nullopt);
    EXPECT_EQ(EncodeLinkedText(nul, {encoding, kCrLf}, *cp932_), std::nullopt);
  }
}

TEST_F(LinkedTextTest, LongFileRoundTrips) {
  std::string bytes;
  while (bytes.size() < 400000) bytes += "\x82\xA0\x82\xA2\x82\xA4 line\r\n";  // あいう
  const std::optional<DecodedText> decoded = DecodeLinkedText(bytes, *cp932_);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_GT(decoded->text.size(), 200000u);
  EXPECT_EQ(EncodeLinkedText(decoded->text, decoded->format, *cp932_)->bytes, bytes);
}

}  // namespace
}  // namespace varnel
