// A long linked text goes into its note's text box in slices: meanwhile the note is read-only and
// never writes the text, closing it writes only its record, and in the end the box holds exactly
// the file's text (or the text its journal put back), editable.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "note_fixture.h"
#include "storage/journal.h"

namespace varnel {
namespace {

// About 300,000 characters: many slices. One line may be too long to wrap.
std::string LongFile(std::size_t longLine) {
  std::string file;
  for (int i = 0; i < 3000; ++i) {
    file += std::string(static_cast<std::size_t>(1 + i % 190), static_cast<char>('a' + i % 26)) + "\r\n";
    if (i == 1500) file += std::string(longLine, 'L') + "\r\n";
  }
  return file;
}

// The note's text of a file: its final line end is the file's, not the text's.
std::wstring TextOfFile(const std::string& file) {
  return std::wstring(file.begin(), file.end() - 2);
}

struct LargeTextCase {
  const char* name;
  std::size_t longLine;
  bool wraps;
};

class LargeText : public NoteFixture, public ::testing::WithParamInterface<LargeTextCase> {};

TEST_P(LargeText, IsReadOnlyWhileItLoadsThenExactEditableAndShownFromItsStart) {
  const std::string file = LongFile(GetParam().longLine);
  Write(textPath_, file);
  WriteNewRecord(textPath_);
  auto note = Open();
  ASSERT_TRUE(note->IsOpen());
  const std::wstring first = TextOf(*note);
  EXPECT_TRUE(ReadOnly(*note));
  EXPECT_LT(first.size(), TextOfFile(file).size());
  EXPECT_EQ(TextOfFile(file).compare(0, first.size(), first), 0);
  // Keys do not reach a text still loading.
  ::SendMessageW(TextBoxOf(*note), WM_CHAR, L'z', 0);
  EXPECT_EQ(TextOf(*note), first);

  WaitUntilLoaded(*note);
  ASSERT_TRUE(note->IsOpen());
  EXPECT_FALSE(ReadOnly(*note));
  EXPECT_EQ(TextOf(*note), TextOfFile(file));
  EXPECT_EQ((::GetWindowLongW(TextBoxOf(*note), GWL_STYLE) & ES_AUTOHSCROLL) == 0, GetParam().wraps);
  DWORD start = 1, end = 1;
  ::SendMessageW(TextBoxOf(*note), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 0u);
  EXPECT_EQ(::SendMessageW(TextBoxOf(*note), EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  EXPECT_FALSE(::SendMessageW(TextBoxOf(*note), EM_CANUNDO, 0, 0));

  // An unedited note leaves its file alone; an edit is saved whole.
  ::SendMessageW(TextBoxOf(*note), WM_CHAR, L'z', 0);
  note->Close();
  EXPECT_EQ(Read(textPath_), "z" + file);
}

INSTANTIATE_TEST_SUITE_P(Texts, LargeText,
                         ::testing::Values(LargeTextCase{"short lines", 100, true},
                                           LargeTextCase{"a line too long to wrap", 100000, false}),
                         [](const ::testing::TestParamInfo<LargeTextCase>& info) {
                           return std::string(info.param.wraps ? "Wrapped" : "Unwrapped");
                         });

class LargeTextClosedEarly : public NoteFixture, public ::testing::WithParamInterface<bool> {};

// The program ending (or the note closed) while the text is still going in.
TEST_P(LargeTextClosedEarly, WritesTheRecordButNeitherTheFileNorTheJournal) {
  const bool journaled = GetParam();
  const std::string file = LongFile(100);
  Write(textPath_, file);
  WriteNewRecord(textPath_);
  const std::string newRecord = Read(record_);
  const std::wstring journalPath = JournalFileName(record_);
  const std::wstring edited = L"edited\r\n" + TextOfFile(file);
  if (journaled) {
    Write(journalPath, *FormatJournal({textPath_, {file.size(), 0, Fnv1a64(file)}, edited}));
  }
  const std::string journalBytes = Read(journalPath);

  auto note = Open();
  ASSERT_TRUE(note->IsOpen());
  ASSERT_TRUE(ReadOnly(*note));
  note->Close();
  EXPECT_EQ(Read(textPath_), file);
  EXPECT_NE(Read(record_), newRecord);
  EXPECT_EQ(Read(journalPath), journalBytes);

  // The next start shows the same text again, the journal's when there is one.
  auto again = Open();
  WaitUntilLoaded(*again);
  ASSERT_TRUE(again->IsOpen());
  EXPECT_EQ(TextOf(*again), journaled ? edited : TextOfFile(file));
  again->Close();
  EXPECT_EQ(Read(textPath_), journaled ? "edited\r\n" + file : file);
  EXPECT_FALSE(PathExists(journalPath));
}

INSTANTIATE_TEST_SUITE_P(Journal, LargeTextClosedEarly, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "JournalPutBack" : "NoJournal");
                         });

}  // namespace
}  // namespace varnel
