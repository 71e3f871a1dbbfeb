// A long linked text goes into its note's text box in slices, at the start, on reload and when the
// note follows its file: meanwhile the note is read-only and never writes the text, closing it
// writes only its record, and in the end the box holds exactly the file's text (or the text its
// journal put back), editable.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "note_fixture.h"
#include "popup_driver.h"
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
    Write(journalPath, *FormatJournal({textPath_, {file.size(), 0, Fnv1a64(file)}, {}, edited}));
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

// Runs this thread's messages one at a time, and the file watches' completions, until the
// condition holds or the time is up.
template <typename Condition>
bool PumpUntil(Condition condition, ULONGLONG milliseconds) {
  const ULONGLONG until = ::GetTickCount64() + milliseconds;
  while (!condition()) {
    if (::GetTickCount64() >= until) return false;
    MSG msg{};
    if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::DispatchMessageW(&msg);
    } else {
      ::MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_ALLINPUT, MWMO_ALERTABLE | MWMO_INPUTAVAILABLE);
    }
  }
  return true;
}

class LargeTextReloaded : public NoteFixture, public ::testing::WithParamInterface<bool> {
 protected:
  PopupDriver driver_;
};

// An edited note reloads its file, which another program has changed: the edit gives way.
TEST_P(LargeTextReloaded, GoesInInSlicesAndAnEarlyCloseWritesOnlyTheRecord) {
  const bool closedEarly = GetParam();
  Write(textPath_, LongFile(100));
  WriteNewRecord(textPath_);
  const std::string newRecord = Read(record_);
  auto note = Open();
  WaitUntilLoaded(*note);
  ::SendMessageW(TextBoxOf(*note), WM_CHAR, L'z', 0);
  const std::string changed = "changed\r\n" + LongFile(100000);
  Write(textPath_, changed);
  // A mouse resting where the menu opens would select an entry before the arrow keys do.
  ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
  PumpUntil([] { return false; }, 150);
  driver_.Then(Choose(L"テキストデータの再読込み"));
  driver_.Then([](HWND box) { Press(box, IDOK); });
  ::SendMessageW(note->hwnd(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
  ::SendMessageW(note->hwnd(), WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
  ASSERT_TRUE(note->IsOpen());
  ASSERT_EQ(driver_.seen, 2);
  const std::wstring first = TextOf(*note);
  EXPECT_TRUE(ReadOnly(*note));
  EXPECT_LT(first.size(), TextOfFile(changed).size());
  EXPECT_EQ(TextOfFile(changed).compare(0, first.size(), first), 0);

  if (closedEarly) {
    note->Close();
    EXPECT_EQ(Read(textPath_), changed);
    EXPECT_NE(Read(record_), newRecord);
    note = Open();
  }
  WaitUntilLoaded(*note);
  ASSERT_TRUE(note->IsOpen());
  EXPECT_FALSE(ReadOnly(*note));
  EXPECT_EQ(TextOf(*note), TextOfFile(changed));
  EXPECT_FALSE(::SendMessageW(TextBoxOf(*note), EM_CANUNDO, 0, 0));
  note->Close();
  EXPECT_EQ(Read(textPath_), changed);
  EXPECT_EQ(driver_.stuck, 0);
}

INSTANTIATE_TEST_SUITE_P(Close, LargeTextReloaded, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "WhileItGoesIn" : "OnceItIsIn");
                         });

using LargeTextFollowed = NoteFixture;

// Another program changes the file's start; the user's place is deep in the text.
TEST_F(LargeTextFollowed, GoesInInSlicesAndKeepsTheCaretAndTheFirstLineShown) {
  const std::string file = LongFile(100);
  Write(textPath_, file);
  WriteNewRecord(textPath_);
  auto note = Open();
  WaitUntilLoaded(*note);
  HWND box = TextBoxOf(*note);
  ::SendMessageW(box, EM_SETSEL, 200000, 200010);
  ::SendMessageW(box, EM_LINESCROLL, 0, 2000 - ::SendMessageW(box, EM_GETFIRSTVISIBLELINE, 0, 0));
  const LRESULT firstLine = ::SendMessageW(box, EM_GETFIRSTVISIBLELINE, 0, 0);
  ASSERT_GT(firstLine, 1000);

  std::string changed = file;
  changed[0] = 'Z';
  Write(textPath_, changed);
  ASSERT_TRUE(PumpUntil([&] { return ReadOnly(*note); }, 5000));
  EXPECT_TRUE(PumpUntil([&] { return !note->IsOpen() || !ReadOnly(*note); }, 120000));
  ASSERT_TRUE(note->IsOpen());
  box = TextBoxOf(*note);
  EXPECT_EQ(TextOf(*note), TextOfFile(changed));
  DWORD start = 0, end = 0;
  ::SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 200000u);
  EXPECT_EQ(end, 200010u);
  EXPECT_EQ(::SendMessageW(box, EM_GETFIRSTVISIBLELINE, 0, 0), firstLine);
  note->Close();
  EXPECT_EQ(Read(textPath_), changed);
}

}  // namespace
}  // namespace varnel
