// Code page 932 through the native conversion. Cases that depend on the conversion table itself
// (WAVE DASH, the NEC and IBM duplicates) run against Windows in tests/windows.
#include "storage/code_page.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

class Cp932 : public testing::Test {
 protected:
  std::unique_ptr<CodePage> cp_ = MakeCodePage(932);
};

TEST_F(Cp932, ConvertsJapaneseText) {
  ASSERT_NE(cp_, nullptr);
  const std::string bytes = "C:\\\x83\x81\x83\x82\\\x82\xA0\xB1.txt";  // C:\メモ\あｱ.txt
  const std::wstring text = L"C:\\\u30E1\u30E2\\\u3042\uFF71.txt";
  EXPECT_EQ(cp_->Decode(bytes), text);
  EXPECT_EQ(cp_->Encode(text), bytes);
  EXPECT_EQ(cp_->Decode(""), L"");
  EXPECT_EQ(cp_->Encode(L""), "");
}

TEST_F(Cp932, RefusesIncompleteAndInvalidSequences) {
  for (const char* bad : {"\x82", "abc\x82", "\x82\x20", "\x82\x0D"}) {
    EXPECT_EQ(cp_->Decode(bad), std::nullopt) << testing::PrintToString(std::string(bad));
  }
}

TEST_F(Cp932, RefusesCharactersWithoutAnExactForm) {
  for (const wchar_t* text : {L"\uD55C\uAE00",  // Korean
                              L"\u00A5",        // YEN SIGN: only a look-alike (0x5C)
                              L"\u2016",        // DOUBLE VERTICAL LINE: iconv maps it one way only
                              L"a\u00E9"}) {
    EXPECT_EQ(cp_->Encode(text), std::nullopt);
  }
  const std::wstring emoji = sizeof(wchar_t) == 2
                                 ? std::wstring{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)}
                                 : std::wstring{static_cast<wchar_t>(0x1F600)};
  EXPECT_EQ(cp_->Encode(emoji), std::nullopt);
  EXPECT_EQ(cp_->Encode(L"\u2225"), "\x81\x61");  // PARALLEL TO, the character 0x8161 reads as
  EXPECT_EQ(cp_->Encode(std::wstring(1, static_cast<wchar_t>(0xD800))), std::nullopt);
}

TEST(CodePage, WesternCodePageHasNoJapanese) {
  const std::unique_ptr<CodePage> cp = MakeCodePage(1252);
  ASSERT_NE(cp, nullptr);
  EXPECT_EQ(cp->Encode(L"caf\u00E9"), "caf\xE9");
  EXPECT_EQ(cp->Encode(L"\u3042"), std::nullopt);
}

TEST(CodePage, Utf8IsTheSameEverywhere) {
  const std::unique_ptr<CodePage> cp = MakeCodePage(kCodePageUtf8);
  ASSERT_NE(cp, nullptr);
  EXPECT_EQ(cp->Encode(L"\uD55C"), "\xED\x95\x9C");
  EXPECT_EQ(cp->Decode("\xED\x95\x9C"), L"\uD55C");
  EXPECT_EQ(cp->Decode("\xED\xA0\x80"), std::nullopt);
}

TEST(CodePage, UnknownNumberGivesNothing) { EXPECT_EQ(MakeCodePage(4242), nullptr); }

TEST(CodePage, SystemCodePageStandsInForJapaneseWindows) {
  const std::unique_ptr<CodePage> cp = MakeSystemCodePage();
  ASSERT_NE(cp, nullptr);
  EXPECT_EQ(cp->Encode(L"\u3042"), "\x82\xA0");
}

}  // namespace
}  // namespace varnel
