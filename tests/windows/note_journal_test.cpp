// A note's edit journal in this process, on a temporary folder: written once typing pauses, gone
// when the text equals the file again or the edit ends cleanly, and put back at the next open.

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>

#include "note/note_journal.h"
#include "note_fixture.h"
#include "storage/journal.h"

namespace varnel {
namespace {

constexpr char kFile[] = "a\r\nb\r\n";

class NoteJournalTest : public NoteFixture {
 protected:
  void SetUp() override {
    NoteFixture::SetUp();
    Write(textPath_, kFile);
    WriteNewRecord(textPath_);
  }

  // As typed at the end of the text: the text box tells the note as for keystrokes.
  static void Type(const NoteWindow& note, const std::wstring& text) {
    const LRESULT end = ::SendMessageW(TextBoxOf(note), WM_GETTEXTLENGTH, 0, 0);
    ::SendMessageW(TextBoxOf(note), EM_SETSEL, end, end);
    ::SendMessageW(TextBoxOf(note), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
  }
  static void EraseLast(const NoteWindow& note, int count) {
    const LRESULT end = ::SendMessageW(TextBoxOf(note), WM_GETTEXTLENGTH, 0, 0);
    ::SendMessageW(TextBoxOf(note), EM_SETSEL, end - count, end);
    ::SendMessageW(TextBoxOf(note), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L""));
  }
  // Runs this thread's messages (the journal's timer among them) for a while.
  static void Pump(ULONGLONG milliseconds) {
    const ULONGLONG until = ::GetTickCount64() + milliseconds;
    while (::GetTickCount64() < until) {
      MSG msg{};
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
  }
  static constexpr ULONGLONG kPastThePause = NoteJournal::kPauseMs + 500;

  std::optional<Journal> JournalAt(const std::wstring& path) {
    const ReadResult read = ReadWholeFile(path);
    return read.bytes ? ParseJournal(*read.bytes) : std::nullopt;
  }
  void WriteJournal(const std::wstring& text, const std::string& baseBytes, const std::wstring& path = {},
                    const std::wstring& linked = {}) {
    const LinkedFileState base{baseBytes.size(), 0, Fnv1a64(baseBytes)};
    Write(path.empty() ? journal_ : path, *FormatJournal({linked.empty() ? textPath_ : linked, base, {}, text}));
  }

  const std::wstring journal_ = JournalFileName(record_);
  const std::wstring fallbackJournal_ = folder_.Path(L"fallback\\" + FallbackJournalFileName(record_));
};

TEST_F(NoteJournalTest, TypingIsJournaledOnceThePauseEndsAndTypingBackToTheFileRemovesIt) {
  auto note = Open();
  ASSERT_TRUE(note->IsOpen());
  Type(*note, L" x");
  // Not per keystroke: nothing is written before the pause.
  EXPECT_FALSE(PathExists(journal_));
  Pump(kPastThePause);
  const std::optional<Journal> journal = JournalAt(journal_);
  ASSERT_TRUE(journal);
  EXPECT_EQ(journal->text, L"a\r\nb x");
  EXPECT_EQ(journal->textPath, textPath_);
  EXPECT_EQ(journal->base.size, std::size(kFile) - 1);
  EXPECT_EQ(journal->base.hash, Fnv1a64(kFile));
  EXPECT_EQ(journal->base.lastWriteTime, CurrentFileState(textPath_)->lastWriteTime);
  EXPECT_EQ(Read(textPath_), kFile);

  EraseLast(*note, 2);
  Pump(kPastThePause);
  EXPECT_FALSE(PathExists(journal_));
  note->Close();
  EXPECT_EQ(Read(textPath_), kFile);
  EXPECT_FALSE(PathExists(journal_));
}

TEST_F(NoteJournalTest, TypingBackToTheFileJustBeforeTheExitLeavesNoJournalToBringTheOldEditBack) {
  auto note = Open();
  Type(*note, L" x");
  Pump(kPastThePause);
  ASSERT_TRUE(PathExists(journal_));
  EraseLast(*note, 2);
  note->Close();
  EXPECT_FALSE(PathExists(journal_));
  EXPECT_EQ(Read(textPath_), kFile);
}

TEST_F(NoteJournalTest, LosingTheFocusWritesAtOnceAndAnIdleNoteWritesNothing) {
  auto note = Open();
  Pump(kPastThePause);
  EXPECT_FALSE(PathExists(journal_));
  // The focus leaving without a change writes nothing either.
  ::SendMessageW(TextBoxOf(*note), WM_KILLFOCUS, 0, 0);
  EXPECT_FALSE(PathExists(journal_));
  Type(*note, L"日本語");
  ::SendMessageW(TextBoxOf(*note), WM_KILLFOCUS, 0, 0);
  ASSERT_TRUE(JournalAt(journal_));
  EXPECT_EQ(JournalAt(journal_)->text, L"a\r\nb日本語");
}

TEST_F(NoteJournalTest, EveryCleanEndAtCloseLeavesNoJournalButAnEditKeptNowhereOrWithoutItsRecordKeepsItWhole) {
  struct Case {
    const char* name;
    bool readOnlyFile;   // the exit save fails
    bool noRecovery;     // and no recovery folder takes the text either
    bool recordDeleted;  // the record was deleted by hand meanwhile
    bool journalLeft;
  };
  for (const Case& c : {Case{"saved", false, false, false, false}, Case{"kept in a recovery file", true, false, false, false},
                        Case{"kept nowhere", true, true, false, true}, Case{"record deleted by hand", false, false, true, true}}) {
    SCOPED_TRACE(c.name);
    Write(textPath_, kFile);
    WriteNewRecord(textPath_);
    UnsavedText nowhere{{}};
    auto note = Open(c.noRecovery ? nowhere : unsaved_);
    Type(*note, L" x");
    Pump(kPastThePause);
    ASSERT_TRUE(PathExists(journal_));
    // Typed just before the exit, within the pause.
    Type(*note, L"!");
    if (c.readOnlyFile) ::SetFileAttributesW(textPath_.c_str(), FILE_ATTRIBUTE_READONLY);
    if (c.recordDeleted) ::DeleteFileW(record_.c_str());
    note->Close();
    ::SetFileAttributesW(textPath_.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(PathExists(journal_), c.journalLeft);
    if (c.journalLeft) {
      EXPECT_EQ(JournalAt(journal_)->text, L"a\r\nb x!");
    }
    ::DeleteFileW(journal_.c_str());
  }
}

TEST_F(NoteJournalTest, AJournalAtOpenPutsItsTextBackAsAnEditThatTheExitSaves) {
  WriteJournal(L"a\r\nb\r\n付箋 typed", kFile);
  auto note = Open();
  ASSERT_TRUE(note->IsOpen());
  // The note draws the text put back; its text box is made only when needed, and the exit saves
  // the text all the same.
  EXPECT_EQ(::GetDlgItem(note->hwnd(), NoteTextBox::kControlId), nullptr);
  EXPECT_EQ(journals_.Findings().putBack, std::vector<std::wstring>{textPath_});
  EXPECT_TRUE(journals_.Findings().changedFiles.empty());
  EXPECT_TRUE(journals_.Findings().setAside.empty());
  // Still unsaved: the file is untouched, and a second crash would find the journal again.
  EXPECT_EQ(Read(textPath_), kFile);
  EXPECT_TRUE(PathExists(journal_));
  note->Close();
  EXPECT_EQ(codePage_->Decode(Read(textPath_)), L"a\r\nb\r\n付箋 typed\r\n");
  EXPECT_FALSE(PathExists(journal_));
}

TEST_F(NoteJournalTest, AJournalFromBeforeAnOutsideChangeKeepsTheFilesContentBeforeItCanBeOverwritten) {
  WriteJournal(L"mine", kFile);
  Write(textPath_, "theirs\r\n");
  auto note = Open();
  EXPECT_EQ(TextOf(*note), L"mine");
  ASSERT_EQ(journals_.Findings().changedFiles.size(), 1u);
  EXPECT_EQ(journals_.Findings().changedFiles[0].textPath, textPath_);
  EXPECT_EQ(Read(journals_.Findings().changedFiles[0].recoveryFile), "theirs\r\n");
  EXPECT_EQ(journals_.Findings().putBack, std::vector<std::wstring>{textPath_});
  // The journal now starts from the file as it is, so that another crash copies nothing again.
  ASSERT_TRUE(JournalAt(journal_));
  EXPECT_EQ(JournalAt(journal_)->base.hash, Fnv1a64("theirs\r\n"));
  note->Close();
  EXPECT_EQ(Read(textPath_), "mine\r\n");
}

TEST_F(NoteJournalTest, AJournalThatCannotBePutBackIsRenamedAsideAndTheNoteOpensFromItsFile) {
  const std::string whole = *FormatJournal({textPath_, {6, 0, Fnv1a64(kFile)}, {}, L"typed"});
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"cut short", whole.substr(0, whole.size() - 1)},
      {"one byte changed", [&] { std::string b = whole; b[40] ^= 1; return b; }()},
      {"another file's", *FormatJournal({folder_.Path(L"other.txt"), {6, 0, Fnv1a64(kFile)}, {}, L"typed"})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    journals_.Findings() = {};
    Write(textPath_, kFile);
    Write(journal_, c.bytes);
    auto note = Open();
    ASSERT_TRUE(note->IsOpen());
    EXPECT_EQ(TextOf(*note), L"a\r\nb");
    const std::wstring aside = journal_ + L".damaged";
    EXPECT_EQ(journals_.Findings().setAside, std::vector<std::wstring>{aside});
    EXPECT_TRUE(journals_.Findings().putBack.empty());
    EXPECT_EQ(Read(aside), c.bytes);
    EXPECT_FALSE(PathExists(journal_));
    // The note keeps a journal of its own from here on.
    Type(*note, L"!");
    ::SendMessageW(TextBoxOf(*note), WM_KILLFOCUS, 0, 0);
    EXPECT_TRUE(JournalAt(journal_));
    note->Close();
    ::DeleteFileW(aside.c_str());
  }
}

TEST_F(NoteJournalTest, AJournalEqualToTheFileIsSimplyRemoved) {
  WriteJournal(L"a\r\nb", kFile);
  auto note = Open();
  EXPECT_EQ(TextOf(*note), L"a\r\nb");
  EXPECT_TRUE(journals_.Findings().Empty());
  EXPECT_FALSE(PathExists(journal_));
}

TEST_F(NoteJournalTest, WhereTheRecordsFolderTakesNoJournalTheFallbackFolderDoesBothWays) {
  auto note = Open();
  // A folder in the journal's place refuses the write as a full or read-only folder would.
  ASSERT_TRUE(::CreateDirectoryW(journal_.c_str(), nullptr));
  Type(*note, L" x");
  Pump(kPastThePause);
  ASSERT_TRUE(JournalAt(fallbackJournal_));
  EXPECT_EQ(JournalAt(fallbackJournal_)->text, L"a\r\nb x");
  note.reset();  // as a kill would: no save
  ASSERT_TRUE(::RemoveDirectoryW(journal_.c_str()));

  note = Open();
  EXPECT_EQ(TextOf(*note), L"a\r\nb x");
  note->Close();
  EXPECT_FALSE(PathExists(fallbackJournal_));
  EXPECT_EQ(Read(textPath_), "a\r\nb x\r\n");
}

// The pause counts from the last key, not the first; yet typing that never pauses long enough is
// journaled all the same, at the latest kLongestWaitMs after the first key the journal lacks.
TEST_F(NoteJournalTest, TypingIsJournaledAPauseAfterTheLastKeyOrTwoSecondsIntoTypingThatGoesOn) {
  auto note = Open();
  Type(*note, L"1");
  Pump(NoteJournal::kPauseMs * 6 / 10);
  Type(*note, L"2");
  const ULONGLONG secondKey = ::GetTickCount64();
  Pump(NoteJournal::kPauseMs * 6 / 10);
  // A pause past the first key, not yet past the second (unless this thread itself was held up).
  if (::GetTickCount64() - secondKey < NoteJournal::kPauseMs) {
    EXPECT_FALSE(PathExists(journal_));
  }

  std::wstring typed = L"12";
  const ULONGLONG giveUp = ::GetTickCount64() + 2 * NoteJournal::kLongestWaitMs;
  while (!PathExists(journal_) && ::GetTickCount64() < giveUp) {
    Type(*note, L"3");
    typed += L"3";
    Pump(NoteJournal::kPauseMs * 3 / 10);
  }
  const std::optional<Journal> journal = JournalAt(journal_);
  ASSERT_TRUE(journal) << "typing never paused";
  EXPECT_EQ(journal->text, L"a\r\nb" + typed);
}

TEST_F(NoteJournalTest, AJournalWhoseFileIsLostGoesToTheFilesPlaceOrIntoARecoveryFileAndIsNamed) {
  const std::wstring text = L"a\r\nb\r\n付箋 typed";
  const struct {
    const char* name;
    TextFormat format;
    bool folderInPlace;       // a folder where the file was
    const char* fileBytes;    // what is at the file's place, when a file is
    const char* writtenBack;  // what the file's place then holds, when the text goes there
  } cases[] = {
      {"gone, UTF-8 with LF", {TextEncoding::kUtf8, LineEnd::kLf}, false, nullptr,
       "a\nb\n\xE4\xBB\x98\xE7\xAE\x8B typed\n"},
      {"gone, the code page with CR LF", {}, false, nullptr, "a\r\nb\r\n\x95\x74\xE2\xB3 typed\r\n"},
      {"a folder in its place", {}, true, nullptr, nullptr},
      {"no longer text", {}, false, "\0\0", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    journals_.Findings() = {};
    WriteNewRecord(textPath_);
    ::DeleteFileW(textPath_.c_str());
    if (c.folderInPlace) {
      ASSERT_TRUE(::CreateDirectoryW(textPath_.c_str(), nullptr));
    }
    if (c.fileBytes) Write(textPath_, std::string(c.fileBytes, 2));
    Write(journal_, *FormatJournal({textPath_, {std::size(kFile) - 1, 0, Fnv1a64(kFile)}, c.format, text}));

    auto note = Open();
    EXPECT_FALSE(PathExists(journal_));
    if (c.writtenBack) {
      // The note opens on its file, which now holds the text.
      EXPECT_EQ(Read(textPath_), c.writtenBack);
      ASSERT_TRUE(note->IsOpen());
      EXPECT_EQ(TextOf(*note), text);
      EXPECT_EQ(journals_.Findings().writtenBack, std::vector<std::wstring>{textPath_});
      EXPECT_TRUE(PathExists(record_));
      note->Close();
    } else {
      EXPECT_FALSE(note->IsOpen());
      EXPECT_FALSE(PathExists(record_));
      EXPECT_TRUE(journals_.Findings().writtenBack.empty());
      const std::vector<UnsavedEntry> kept = unsaved_.TakeEarlierJournalTexts();
      ASSERT_EQ(kept.size(), 1u);
      EXPECT_EQ(kept[0].textPath, textPath_);
      EXPECT_EQ(Read(kept[0].recoveryFile), EncodeRecoveredText(text, *codePage_));
      ::DeleteFileW(kept[0].recoveryFile.c_str());
    }
    ::RemoveDirectoryW(textPath_.c_str());
  }
}

TEST_F(NoteJournalTest, StartUpKeepsTheTextOfJournalsWhoseRecordIsGoneAndRemovesOnlyHalfWrittenOnes) {
  const std::wstring fallback = folder_.Path(L"fallback");
  ::CreateDirectoryW(fallback.c_str(), nullptr);
  // A note's own journal, one set aside earlier, and a name no record has are left to others.
  const std::wstring untouched[] = {journal_, journal_ + L".damaged", folder_.Path(L"notes.txt.varnel-journal")};
  for (const std::wstring& path : untouched) Write(path, "j");
  const std::wstring recordGone = folder_.Path(L"787104001.dat.varnel-journal");
  WriteJournal(L"typed before the record went", kFile, recordGone);
  const std::wstring damagedRecordGone = folder_.Path(L"787104002.dat.varnel-journal");
  Write(damagedRecordGone, "j");
  const std::wstring halfWritten = fallback + L"\\0123456789abcdef-1.dat.varnel-journal.4000000.varnel-tmp";
  UniqueFile file(::CreateFileW(halfWritten.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  ASSERT_TRUE(file);
  file.reset();

  journals_.KeepLeftovers(folder_.Path(L""), unsaved_, *codePage_);
  for (const std::wstring& path : untouched) EXPECT_EQ(Read(path), "j") << path;
  EXPECT_FALSE(PathExists(halfWritten));
  EXPECT_FALSE(PathExists(recordGone));
  const std::vector<UnsavedEntry> kept = unsaved_.TakeEarlierJournalTexts();
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].textPath, textPath_);
  EXPECT_EQ(Read(kept[0].recoveryFile), EncodeRecoveredText(L"typed before the record went", *codePage_));
  EXPECT_EQ(journals_.Findings().setAside, std::vector<std::wstring>{damagedRecordGone + L".damaged"});
  EXPECT_EQ(Read(damagedRecordGone + L".damaged"), "j");
}

}  // namespace
}  // namespace varnel
