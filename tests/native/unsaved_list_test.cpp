#include "storage/unsaved_list.h"
#include "storage/text_template.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

constexpr LocalTime kClose{2026, 12, 7, 9, 5, 3};

TEST(RecoveryFileName, NamesTheLinkedFileAndTheTimeAndNeverEndsInDat) {
  EXPECT_EQ(RecoveryFileName(L"C:\\メモ\\買い物.txt", kClose, 1), L"未保存_20261207-090503_買い物.txt");
  EXPECT_EQ(RecoveryFileName(L"C:\\notes\\data.dat", kClose, 1), L"未保存_20261207-090503_data.txt");
  EXPECT_EQ(RecoveryFileName(L"C:\\notes\\data.dat", kClose, 3), L"未保存_20261207-090503_data_3.txt");
  // A name that is all extension, or none at all, still gives a name.
  EXPECT_EQ(RecoveryFileName(L"C:\\notes\\.profile", kClose, 1), L"未保存_20261207-090503_.profile.txt");
  EXPECT_EQ(RecoveryFileName(L"", kClose, 1), L"未保存_20261207-090503_付箋.txt");
  EXPECT_EQ(RecoveryFileName(L"C:\\" + std::wstring(300, L'a') + L".txt", kClose, 1).size(),
            std::wstring(L"未保存_20261207-090503_.txt").size() + 80);
}

TEST(RecoveredText, IsUtf8WithAMarkAndKeepsEverythingAFileCanHold) {
  auto cp932 = MakeCodePage(932);
  EXPECT_EQ(EncodeRecoveredText(L"一行目\r\n😀", *cp932), "\xEF\xBB\xBF一行目\r\n😀\r\n");
  EXPECT_EQ(EncodeRecoveredText(L"", *cp932), "\xEF\xBB\xBF\r\n");
  // A lone surrogate or a NUL cannot be stored; it alone is replaced and the rest survives.
  std::wstring broken = L"a";
  broken += static_cast<wchar_t>(0xD800);
  broken += L'\0';
  broken += L"b";
  EXPECT_EQ(EncodeRecoveredText(broken, *cp932), "\xEF\xBB\xBF" "a\xEF\xBF\xBD\xEF\xBF\xBD" "b\r\n");
}

TEST(UnsavedList, EntriesReadBackAndAnythingElseIsSkipped) {
  const UnsavedEntry first{L"C:\\メモ\\a.txt", L"C:\\Varnel\\未保存_20261207-090503_a.txt"};
  const UnsavedEntry second{L"\\\\server\\share\\b c.txt", L"C:\\Users\\u\\AppData\\Local\\Varnel\\x.txt"};
  std::string list = *FormatUnsavedEntry(first) + "no tab here\r\n\t\r\n\xFF\xFE\tbroken\r\n" +
                     *FormatUnsavedEntry(second) + "half\t";
  EXPECT_EQ(ParseUnsavedList(list), (std::vector<UnsavedEntry>{first, second}));
  EXPECT_EQ(ParseUnsavedList(""), std::vector<UnsavedEntry>{});
  // Line ends of either kind.
  EXPECT_EQ(ParseUnsavedList("a\tb\nc\td"), (std::vector<UnsavedEntry>{{L"a", L"b"}, {L"c", L"d"}}));
}

TEST(UnsavedList, PathsThatCannotBeListedAreRefused) {
  EXPECT_FALSE(FormatUnsavedEntry({L"a\tb", L"c"}));
  EXPECT_FALSE(FormatUnsavedEntry({L"a", L"c\r\nd"}));
  EXPECT_FALSE(FormatUnsavedEntry({L"", L"c"}));
  EXPECT_FALSE(FormatUnsavedEntry({std::wstring(1, static_cast<wchar_t>(0xDC00)), L"c"}));
}

TEST(UnsavedNotices, NameEveryFileUpToALimit) {
  std::vector<UnsavedEntry> entries;
  for (int i = 0; i < 25; ++i) entries.push_back({L"t" + std::to_wstring(i), L"r" + std::to_wstring(i)});
  const std::wstring notice = UnsavedNotice(entries, L"heading\r\n", L"ほか %1 件\r\n");
  EXPECT_EQ(notice.rfind(L"heading\r\n", 0), 0u);
  EXPECT_NE(notice.find(L"\r\nt0\r\n  → r0\r\n"), std::wstring::npos);
  EXPECT_NE(notice.find(L"\r\nt19\r\n  → r19\r\n"), std::wstring::npos);
  EXPECT_EQ(notice.find(L"t20"), std::wstring::npos);
  EXPECT_NE(notice.find(L"ほか 5 件"), std::wstring::npos);

  const std::wstring lost = ListNotice(L"", {L"C:\\a.txt", L"C:\\b.txt"}, L"ほか %1 件\r\n");
  EXPECT_NE(lost.find(L"C:\\a.txt\r\nC:\\b.txt\r\n"), std::wstring::npos);
  EXPECT_EQ(lost.find(L"ほか"), std::wstring::npos);
}

TEST(JournalNotices, HaveOneSectionPerKindOfFindingInAFixedOrder) {
  const JournalNoticeHeadings headings{L"[back]\r\n", L"[written]\r\n", L"[kept]\r\n", L"[changed]\r\n",
                                       L"[aside]\r\n"};
  const struct {
    JournalFindings findings;
    std::wstring notice;
  } cases[] = {
      {{}, L""},
      {{{L"C:\\a.txt", L"C:\\メモ.txt"}, {}, {}, {}, {}}, L"[back]\r\nC:\\a.txt\r\nC:\\メモ.txt\r\n"},
      {{{L"C:\\a.txt"}, {}, {}, {{L"C:\\a.txt", L"R:\\未保存_a.txt"}}, {}},
       L"[back]\r\nC:\\a.txt\r\n\r\n[changed]\r\n\r\nC:\\a.txt\r\n  → R:\\未保存_a.txt\r\n"},
      {{{}, {}, {}, {}, {L"C:\\1.dat.varnel-journal.damaged"}}, L"[aside]\r\nC:\\1.dat.varnel-journal.damaged\r\n"},
      {{{L"b"}, {}, {}, {}, {L"d"}}, L"[back]\r\nb\r\n\r\n[aside]\r\nd\r\n"},
      {{{}, {L"C:\\gone.txt"}, {{L"D:\\x.txt", L"R:\\未保存_x.txt"}}, {}, {}},
       L"[written]\r\nC:\\gone.txt\r\n\r\n[kept]\r\n\r\nD:\\x.txt\r\n  → R:\\未保存_x.txt\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.findings.Empty(), c.notice.empty());
    EXPECT_EQ(JournalNotice(c.findings, headings, L"ほか %1 件\r\n"), c.notice);
  }
  JournalFindings many;
  for (int i = 0; i < 23; ++i) many.putBack.push_back(L"t" + std::to_wstring(i));
  const std::wstring notice = JournalNotice(many, headings, L"ほか %1 件\r\n");
  EXPECT_NE(notice.find(L"t19\r\n"), std::wstring::npos);
  EXPECT_EQ(notice.find(L"t20"), std::wstring::npos);
  EXPECT_NE(notice.find(L"ほか 3 件"), std::wstring::npos);
}

TEST(TextTemplates, FillEachPlaceOnceAndLeaveTheRestAsItIs) {
  EXPECT_EQ(FillIn(L"[ %1 ] %2", {L"a", L"b"}), L"[ a ] b");
  EXPECT_EQ(FillIn(L"%2%1%2", {L"x", L"y"}), L"yxy");
  // A value holding a place of its own (a path may) goes in as it is.
  EXPECT_EQ(FillIn(L"%1 %2", {L"C:\\%2\\%1", L"b"}), L"C:\\%2\\%1 b");
  // Places without a value, a lone "%" and "%" at the end stay.
  EXPECT_EQ(FillIn(L"%1 %3 100% %0 %", {L"a"}), L"a %3 100% %0 %");
  EXPECT_EQ(FillIn(L"", {L"a"}), L"");
}

}  // namespace
}  // namespace varnel
