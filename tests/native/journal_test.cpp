#include "storage/journal.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace varnel {
namespace {

// U+1F600 as the program holds it: a surrogate pair where wchar_t has 16 bits.
std::wstring Emoji() {
  if constexpr (sizeof(wchar_t) == 2) return {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
  return {static_cast<wchar_t>(0x1F600)};
}

std::string Integer(std::uint64_t value) {
  std::string bytes;
  for (int k = 0; k < 8; ++k) bytes.push_back(static_cast<char>((value >> (8 * k)) & 0xFF));
  return bytes;
}

// A journal of the given version around any content, with a matching length and check value.
std::string Framed(const std::string& content, char version = '2') {
  std::string bytes = std::string("Varnel journal ") + version + "\r\n" + Integer(content.size()) + content;
  return bytes + Integer(Fnv1a64(bytes));
}

const Journal kSmall{
    L"C:\\メモ\\a.txt", {5, 0x01D9'0000'0000'0001, 0x1234}, {TextEncoding::kUtf8, LineEnd::kLf}, L"あ\r\nb"};

TEST(Fnv1a64, MatchesTheKnownValues) {
  EXPECT_EQ(Fnv1a64(""), 0xCBF29CE484222325u);
  EXPECT_EQ(Fnv1a64("a"), 0xAF63DC4C8601EC8Cu);
  EXPECT_EQ(Fnv1a64("foobar"), 0x85944171F73967E8u);
}

TEST(Journal, HasTheDocumentedLayout) {
  const std::string path = Integer(15) + "C:\\\xE3\x83\xA1\xE3\x83\xA2\\a.txt";
  const std::string text = Integer(6) + "\xE3\x81\x82\r\nb";
  const std::string base = Integer(5) + Integer(0x01D9'0000'0000'0001) + Integer(0x1234);
  EXPECT_EQ(FormatJournal(kSmall), Framed(base + Integer(1) + Integer(1) + path + text));
  // A journal of the first version, written before the format was kept, reads with the format of
  // a new file, so that what it holds can still be written to the file's place.
  Journal older = kSmall;
  older.format = {};
  EXPECT_EQ(ParseJournal(Framed(base + path + text, '1')), older);
}

TEST(Journal, KeepsAnyTextExactly) {
  const std::wstring megabyte = [] {
    std::wstring text;
    while (text.size() < 1'000'000) text += L"行" + Emoji() + L"line\r\n";
    return text;
  }();
  const std::vector<Journal> journals = {
      kSmall,
      {L"D:\\日本語\\メモ帳.txt", {}, {TextEncoding::kUtf16BeBom, LineEnd::kCr}, L"日本語のテキスト\r\n二行目"},
      {L"C:\\" + Emoji() + L".txt", {1, 2, 3}, {TextEncoding::kUtf8Bom, LineEnd::kCrLf}, Emoji() + L"\r\n" + Emoji() + Emoji()},
      {L"C:\\a.txt", {}, {TextEncoding::kUtf16LeBom, LineEnd::kLf}, L"a\rb\nc\r\n\r\rd\n\n\r\n"},
      {L"C:\\a.txt", {}, {}, L""},
      {L"", {}, {}, L"no linked file yet"},
      {L"C:\\a.txt", {}, {}, std::wstring(L"a\0b\0", 4)},
      {L"C:\\a.txt", {UINT64_MAX, UINT64_MAX, UINT64_MAX}, {}, megabyte},
  };
  for (const Journal& journal : journals) {
    const std::optional<std::string> bytes = FormatJournal(journal);
    ASSERT_TRUE(bytes) << journal.textPath;
    EXPECT_EQ(ParseJournal(*bytes), journal) << journal.textPath;
  }
}

TEST(Journal, ReplacesAnUnpairedSurrogateInTheTextAndRefusesOneInThePath) {
  const std::wstring lone(1, static_cast<wchar_t>(0xD800));
  const std::optional<std::string> bytes = FormatJournal({L"C:\\a.txt", {}, {}, L"a" + lone + L"b"});
  ASSERT_TRUE(bytes);
  EXPECT_EQ(ParseJournal(*bytes)->text, L"a\uFFFDb");
  EXPECT_FALSE(FormatJournal({L"C:\\" + lone + L".txt", {}, {}, L"a"}));
}

TEST(Journal, RefusesEveryDamagedForm) {
  const std::string good = *FormatJournal(kSmall);
  std::vector<std::string> damaged;
  for (size_t size = 0; size < good.size(); ++size) damaged.push_back(good.substr(0, size));
  for (size_t i = 0; i < good.size(); ++i) {
    for (const unsigned char mask : {0x01, 0x80, 0xFF}) {
      std::string flipped = good;
      flipped[i] = static_cast<char>(flipped[i] ^ mask);
      damaged.push_back(flipped);
    }
  }
  for (const std::string& tail : {std::string(1, '\0'), std::string("\r\n"), good}) damaged.push_back(good + tail);
  damaged.push_back("Varnel journal 3\r\n" + good.substr(18));
  damaged.push_back("\xEF\xBB\xBF" + good);

  // Damage the check value alone cannot catch: the content itself is wrong.
  const std::string fields = Integer(5) + Integer(6) + Integer(7) + Integer(0) + Integer(0);
  const std::string rest = Integer(1) + "a" + Integer(0);
  damaged.push_back(Framed(Integer(5) + Integer(6) + Integer(7) + Integer(5) + Integer(0) + rest));  // no encoding
  damaged.push_back(Framed(Integer(5) + Integer(6) + Integer(7) + Integer(0) + Integer(3) + rest));  // no line end
  damaged.push_back(Framed(Integer(5) + Integer(6) + Integer(7) + rest));  // version 2 without the format
  damaged.push_back(Framed(fields + Integer(1) + "a" + Integer(2) + "\xC3"));       // text is not UTF-8
  damaged.push_back(Framed(fields + Integer(1) + "\xED\xA0\x80" + Integer(0)));   // encoded surrogate
  damaged.push_back(Framed(fields + Integer(1) + "a" + Integer(2) + "bc" + "x"));  // bytes after the text
  damaged.push_back(Framed(fields + Integer(1) + "a" + Integer(3) + "bc"));        // text runs past the end
  damaged.push_back(Framed(fields + Integer(UINT64_MAX) + "a" + Integer(0)));       // path runs past the end
  damaged.push_back(Framed(fields + Integer(1) + "a"));                            // no text length
  damaged.push_back(Framed(fields));
  damaged.push_back(Framed(""));

  for (size_t i = 0; i < damaged.size(); ++i) EXPECT_FALSE(ParseJournal(damaged[i])) << "case " << i;
  EXPECT_TRUE(ParseJournal(Framed(fields + Integer(1) + "a" + Integer(2) + "bc")));
}

// What a "*.dat" listing matches on Windows: the long name, or the short 8.3 name, whose extension
// is the first three characters of the long name's last extension.
bool TakenForRecord(const std::wstring& name) {
  std::wstring upper;
  for (const wchar_t c : name) upper += (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
  const size_t dot = upper.rfind(L'.');
  return dot != std::wstring::npos && upper.compare(dot + 1, 3, L"DAT") == 0;
}

TEST(JournalFileNames, TieToTheRecordAndAreNeverTakenForOne) {
  for (const std::wstring record : {L"787104000.5.dat", L"787104000.dat", L"OLD.DAT", L"C:\\Varnel\\1.5.Dat"}) {
    ASSERT_TRUE(TakenForRecord(record));
    const std::wstring journal = JournalFileName(record);
    EXPECT_EQ(RecordFileNameOfJournal(journal), record);
    const std::wstring damaged = DamagedJournalFileName(journal, 1);
    for (const std::wstring& name : {journal, damaged, DamagedJournalFileName(journal, 2),
                                     journal + L".1234.varnel-tmp", damaged + L".1234.varnel-tmp"}) {
      EXPECT_FALSE(TakenForRecord(name)) << name;
    }
    EXPECT_FALSE(RecordFileNameOfJournal(damaged)) << damaged;
    EXPECT_FALSE(RecordFileNameOfJournal(journal + L".1234.varnel-tmp"));
  }
  EXPECT_EQ(JournalFileName(L"787104000.5.dat"), L"787104000.5.dat.varnel-journal");
  EXPECT_EQ(DamagedJournalFileName(L"1.dat.varnel-journal", 1), L"1.dat.varnel-journal.damaged");
  EXPECT_EQ(DamagedJournalFileName(L"1.dat.varnel-journal", 3), L"1.dat.varnel-journal.damaged-3");
  EXPECT_EQ(RecordFileNameOfJournal(L"1.DAT.VARNEL-JOURNAL"), L"1.DAT");
  for (const wchar_t* notJournal : {L"1.dat", L"1.varnel-journal", L".dat.varnel-journal", L"1.txt.varnel-journal",
                                    L"1.dat.varnel-journa", L""}) {
    EXPECT_FALSE(RecordFileNameOfJournal(notJournal)) << notJournal;
  }
}

TEST(JournalFileNames, InTheFallbackFolderTellApartTheSameRecordNameOfTwoFolders) {
  const std::wstring here = FallbackJournalFileName(L"C:\\Varnel\\787104000.5.dat");
  const std::wstring there = FallbackJournalFileName(L"D:\\付箋\\787104000.5.dat");
  EXPECT_NE(here, there);
  // The same record, however its path's letters are cased, keeps one name.
  EXPECT_EQ(here, FallbackJournalFileName(L"c:\\VARNEL\\787104000.5.dat"));
  for (const std::wstring& name : {here, there}) {
    EXPECT_FALSE(TakenForRecord(name)) << name;
    ASSERT_TRUE(RecordFileNameOfJournal(name)) << name;
    EXPECT_EQ(name.size(), 16 + 1 + std::wstring(L"787104000.5.dat.varnel-journal").size()) << name;
    EXPECT_EQ(name.substr(17), L"787104000.5.dat.varnel-journal");
    EXPECT_EQ(name.find_first_not_of(L"0123456789abcdef"), 16u) << name;
  }
}

}  // namespace
}  // namespace varnel
