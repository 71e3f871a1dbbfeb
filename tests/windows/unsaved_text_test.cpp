// Edits that cannot be written to the linked file when a note closes: kept in a recovery file,
// listed for the next start, and told once.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "note_fixture.h"
#include "platform/unique_handle.h"

namespace varnel {
namespace {

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

class UnsavedTextTest : public NoteFixture {
 protected:
  // Opens the note on "before", types "after" into it and closes it, while another program holds
  // lockedPath (if any) open without sharing it.
  void EditAndClose(UnsavedText& unsaved, const std::wstring& after, const std::wstring& lockedPath = {}) {
    auto note = Open(unsaved);
    ASSERT_TRUE(note->IsOpen());
    SetText(*note, after);
    UniqueFile lock;
    if (!lockedPath.empty()) {
      lock.reset(::CreateFileW(lockedPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
      ASSERT_TRUE(lock);
    }
    note->Close();
  }

  void PrepareNote() {
    Write(textPath_, "before\r\n");
    WriteNewRecord(textPath_);
  }

  // The one entry the next start would tell, after checking the recovery file it names.
  UnsavedEntry OnlyEntry(UnsavedText& unsaved, const std::string& expectedText) {
    const std::vector<UnsavedEntry> entries = unsaved.TakeEarlierEntries();
    EXPECT_EQ(entries.size(), 1u);
    if (entries.size() != 1) return {};
    EXPECT_EQ(entries[0].textPath, textPath_);
    EXPECT_EQ(Read(entries[0].recoveryFile), kUtf8Mark + expectedText);
    return entries[0];
  }

  std::wstring recovery_ = folder_.Path(L"recovery");
};

TEST_F(UnsavedTextTest, ReadOnlyLinkedFileKeepsTheEditsInARecoveryFileToldOnce) {
  PrepareNote();
  ::SetFileAttributesW(textPath_.c_str(), FILE_ATTRIBUTE_READONLY);
  EditAndClose(unsaved_, L"after 😀\r\nline");
  ::SetFileAttributesW(textPath_.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(Read(textPath_), "before\r\n");
  // The record is still saved, and nothing in the recovery folder looks like a record.
  EXPECT_NE(Read(record_).find(",False,False,False\r\n"), std::string::npos);
  EXPECT_EQ(ListFileNames(recovery_, L"*.dat"), std::vector<std::wstring>{});

  const UnsavedEntry entry = OnlyEntry(unsaved_, "after 😀\r\nline\r\n");
  EXPECT_EQ(entry.recoveryFile.rfind(recovery_ + L"\\未保存_", 0), 0u);
  EXPECT_TRUE(unsaved_.Lost().empty());
  // Told once: the list is gone, the recovery file stays.
  EXPECT_TRUE(unsaved_.TakeEarlierEntries().empty());
  EXPECT_TRUE(FileExists(entry.recoveryFile));
}

TEST_F(UnsavedTextTest, LinkedFileLockedByAnotherProgramKeepsTheEdits) {
  PrepareNote();
  EditAndClose(unsaved_, L"after", textPath_);
  EXPECT_EQ(Read(textPath_), "before\r\n");
  OnlyEntry(unsaved_, "after\r\n");
}

TEST_F(UnsavedTextTest, TwoNotesClosingTogetherGetTwoRecoveryFiles) {
  PrepareNote();
  ::SetFileAttributesW(textPath_.c_str(), FILE_ATTRIBUTE_READONLY);
  EditAndClose(unsaved_, L"first");
  EditAndClose(unsaved_, L"second");
  ::SetFileAttributesW(textPath_.c_str(), FILE_ATTRIBUTE_NORMAL);
  const std::vector<UnsavedEntry> entries = unsaved_.TakeEarlierEntries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_NE(entries[0].recoveryFile, entries[1].recoveryFile);
  EXPECT_EQ(Read(entries[0].recoveryFile), std::string(kUtf8Mark) + "first\r\n");
  EXPECT_EQ(Read(entries[1].recoveryFile), std::string(kUtf8Mark) + "second\r\n");
}

TEST_F(UnsavedTextTest, AFolderThatCannotBeUsedFallsBackToTheNext) {
  PrepareNote();
  // A file where the first folder should be: nothing can be created in it.
  Write(folder_.Path(L"blocked"), "x");
  UnsavedText unsaved({folder_.Path(L"blocked"), recovery_});
  ::SetFileAttributesW(textPath_.c_str(), FILE_ATTRIBUTE_READONLY);
  EditAndClose(unsaved, L"after");
  ::SetFileAttributesW(textPath_.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(OnlyEntry(unsaved, "after\r\n").recoveryFile.rfind(recovery_ + L"\\", 0), 0u);
  EXPECT_EQ(Read(folder_.Path(L"blocked")), "x");
}

TEST_F(UnsavedTextTest, EditsKeptNowhereAreCountedAsLost) {
  PrepareNote();
  Write(folder_.Path(L"blocked"), "x");
  UnsavedText unsaved({folder_.Path(L"blocked"), L""});
  ::SetFileAttributesW(textPath_.c_str(), FILE_ATTRIBUTE_READONLY);
  EditAndClose(unsaved, L"after");
  ::SetFileAttributesW(textPath_.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(unsaved.Lost(), std::vector<std::wstring>{textPath_});
  EXPECT_TRUE(unsaved.TakeEarlierEntries().empty());
}

TEST_F(UnsavedTextTest, TextThatWasNotEditedNeedsNoRecoveryFile) {
  PrepareNote();
  ::SetFileAttributesW(textPath_.c_str(), FILE_ATTRIBUTE_READONLY);
  EditAndClose(unsaved_, L"before");
  ::SetFileAttributesW(textPath_.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(unsaved_.TakeEarlierEntries().empty());
  EXPECT_EQ(::GetFileAttributesW(recovery_.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(UnsavedTextTest, RecordHeldOpenByAnotherProgramStillSavesTheText) {
  PrepareNote();
  const std::string record = Read(record_);
  EditAndClose(unsaved_, L"after", record_);
  EXPECT_EQ(Read(textPath_), "after\r\n");
  EXPECT_EQ(Read(record_), record);
  EXPECT_TRUE(unsaved_.TakeEarlierEntries().empty());
}

}  // namespace
}  // namespace varnel
