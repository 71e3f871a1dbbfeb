// Code page 932 as Windows converts it: the reference for what record files and linked text files
// may hold. Runs under a Japanese locale (ANSI code page 932).
#include "storage/code_page.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "storage/linked_text.h"
#include "storage/note_record.h"

namespace varnel {
namespace {

class WindowsCp932 : public testing::Test {
 protected:
  std::unique_ptr<CodePage> cp_ = MakeCodePage(932);
};

TEST_F(WindowsCp932, ConvertsJapaneseText) {
  ASSERT_NE(cp_, nullptr);
  EXPECT_EQ(cp_->Decode("C:\\\x83\x81\x83\x82\\\x82\xA0\xB1.txt"), L"C:\\\u30E1\u30E2\\\u3042\uFF71.txt");
  EXPECT_EQ(cp_->Encode(L"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF"),
            "\x82\x6C\x82\x72 \x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E");
}

// 0x8160 is FULLWIDTH TILDE on Windows; WAVE DASH has no form of its own.
TEST_F(WindowsCp932, WaveDashHasNoForm) {
  EXPECT_EQ(cp_->Decode("\x81\x60"), L"\uFF5E");
  EXPECT_EQ(cp_->Encode(L"\uFF5E"), "\x81\x60");
  EXPECT_EQ(cp_->Encode(L"\u301C"), std::nullopt);
}

struct DuplicateCase {
  const char* name;
  std::vector<std::string> forms;  // every byte form of the character, the one written first
  const wchar_t* text;
};

class Cp932Duplicates : public WindowsCp932, public testing::WithParamInterface<DuplicateCase> {};

// The NEC and IBM extensions give some characters two or three byte forms: all read as the one
// character, which is written in a single form.
TEST_P(Cp932Duplicates, ReadAsOneCharacterWrittenInOneForm) {
  for (const std::string& form : GetParam().forms) EXPECT_EQ(cp_->Decode(form), GetParam().text);
  EXPECT_EQ(cp_->Encode(GetParam().text), GetParam().forms.front());
}

INSTANTIATE_TEST_SUITE_P(Characters, Cp932Duplicates,
                         testing::Values(DuplicateCase{"ApproximatelyEqual", {"\x81\xE0", "\x87\x90"}, L"\u2252"},
                                         DuplicateCase{"RomanNumeralOne", {"\x87\x54", "\xFA\x4A"}, L"\u2160"},
                                         DuplicateCase{"NotSign", {"\x81\xCA", "\xEE\xF9", "\xFA\x54"}, L"\uFFE2"},
                                         DuplicateCase{"IbmKanji", {"\xFA\x5C", "\xED\x40"}, L"\u7E8A"}),
                         [](const testing::TestParamInfo<DuplicateCase>& info) { return info.param.name; });

TEST_F(WindowsCp932, NoBestFitAndNoDefaultCharacter) {
  for (const wchar_t* text : {L"\u00A5", L"\u00E9", L"\u2016", L"\uD55C\uAE00", L"\U0001F600"}) {
    EXPECT_EQ(cp_->Encode(text), std::nullopt);
  }
  EXPECT_EQ(cp_->Encode(std::wstring(1, static_cast<wchar_t>(0xD800))), std::nullopt);
}

TEST_F(WindowsCp932, RefusesIncompleteSequences) {
  EXPECT_EQ(cp_->Decode("\x82"), std::nullopt);
  EXPECT_EQ(cp_->Decode("abc\x82"), std::nullopt);
}

TEST(WindowsSystemCodePage, IsTheAnsiCodePage) {
  ASSERT_EQ(GetACP(), 932u);
  const std::unique_ptr<CodePage> cp = MakeSystemCodePage();
  ASSERT_NE(cp, nullptr);
  EXPECT_EQ(cp->Encode(L"\u3042"), "\x82\xA0");
}

TEST_F(WindowsCp932, WaveDashInAPathMakesAUtf8Record) {
  const std::wstring path = L"C:\\memo\\a\u301Cb.txt";
  const std::optional<std::string> line = FormatNewRecord(path, 0, 0, *cp_);
  ASSERT_TRUE(line.has_value());
  EXPECT_TRUE(
      line->starts_with("\xEF\xBB\xBF"
                        "C:\\memo\\a\xE3\x80\x9C"
                        "b.txt,"));
  EXPECT_EQ(ParseRecord(*line, *cp_).textPath, path);
}

TEST_F(WindowsCp932, WaveDashInALinkedTextFallsBackToUtf8) {
  const std::optional<EncodedText> encoded = EncodeLinkedText(L"a\u301C", {}, *cp_);
  ASSERT_TRUE(encoded.has_value());
  EXPECT_TRUE(encoded->fellBack);
  EXPECT_EQ(encoded->bytes,
            "\xEF\xBB\xBF"
            "a\xE3\x80\x9C\r\n");
}

}  // namespace
}  // namespace varnel
