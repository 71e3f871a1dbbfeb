// Watching a file for other programs' changes: what each kind of change reports, what must stay
// quiet, a folder that goes away, and destruction with a read under way. The test writes the
// files itself and pumps messages alertably, as the program's message loop does.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_watch.h"
#include "platform/files.h"
#include "temp_folder.h"

namespace varnel {
namespace {

constexpr UINT kChanged = WM_APP + 7;
constexpr DWORD kPromptMs = 2000;

void Write(const std::wstring& path, const std::string& bytes, DWORD disposition = CREATE_ALWAYS,
           DWORD access = GENERIC_WRITE) {
  HANDLE file = ::CreateFileW(path.c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << ::GetLastError();
  DWORD written = 0;
  EXPECT_TRUE(::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  ::CloseHandle(file);
}

// A hidden window that only receives: the pump takes the watch's messages out of the queue.
class Receiver {
 public:
  Receiver()
      : hwnd_(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {}
  ~Receiver() { ::DestroyWindow(hwnd_); }
  Receiver(const Receiver&) = delete;
  Receiver& operator=(const Receiver&) = delete;
  HWND hwnd() const { return hwnd_; }

  // Pumps messages alertably for up to ms and returns the cookies of the watch messages that came;
  // with untilFirst it returns at the first one.
  std::vector<WPARAM> Pump(DWORD ms, bool untilFirst = false) const {
    std::vector<WPARAM> cookies;
    const ULONGLONG until = ::GetTickCount64() + ms;
    for (ULONGLONG now = ::GetTickCount64(); now < until; now = ::GetTickCount64()) {
      MSG msg{};
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == kChanged && msg.hwnd == hwnd_) {
          cookies.push_back(msg.wParam);
          if (untilFirst) return cookies;
        } else {
          ::DispatchMessageW(&msg);
        }
      }
      ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(until - now), QS_ALLINPUT,
                                    MWMO_ALERTABLE | MWMO_INPUTAVAILABLE);
    }
    return cookies;
  }

 private:
  HWND hwnd_;
};

struct Change {
  const char* what;
  const wchar_t* watchedAs;                                 // the name the watch is given
  std::function<void(const TempFolder&)> before;            // done before watching starts
  std::function<void(const TempFolder&)> change;            // another writer's change
};

TEST(FileWatch, EveryKindOfChangeToTheFileIsToldWithinTwoSeconds) {
  const auto note = [](const TempFolder& f) { return f.Path(L"note.txt"); };
  const auto present = [&](const TempFolder& f) { Write(note(f), "first text\r\n"); };
  const Change changes[] = {
      {"rewritten in place, same size", L"note.txt", present,
       [&](const TempFolder& f) { Write(note(f), "other text\r\n", OPEN_EXISTING); }},
      {"appended to", L"note.txt", present,
       [&](const TempFolder& f) { Write(note(f), "more\r\n", OPEN_EXISTING, FILE_APPEND_DATA); }},
      {"emptied", L"note.txt", present, [&](const TempFolder& f) { Write(note(f), ""); }},
      {"replaced by a rename", L"note.txt", present,
       [&](const TempFolder& f) {
         Write(f.Path(L"note.txt.tmp"), "new text\r\n");
         ASSERT_TRUE(::MoveFileExW(f.Path(L"note.txt.tmp").c_str(), note(f).c_str(), MOVEFILE_REPLACE_EXISTING));
       }},
      {"deleted", L"note.txt", present, [&](const TempFolder& f) { ASSERT_TRUE(::DeleteFileW(note(f).c_str())); }},
      {"brought back after a delete", L"note.txt", [](const TempFolder&) {},
       [&](const TempFolder& f) { Write(note(f), "back\r\n"); }},
      {"renamed away", L"note.txt", present,
       [&](const TempFolder& f) { ASSERT_TRUE(::MoveFileW(note(f).c_str(), f.Path(L"moved.txt").c_str())); }},
      {"another file renamed to its name", L"note.txt",
       [](const TempFolder& f) { Write(f.Path(L"draft.txt"), "draft\r\n"); },
       [&](const TempFolder& f) { ASSERT_TRUE(::MoveFileW(f.Path(L"draft.txt").c_str(), note(f).c_str())); }},
      {"watched under another spelling of its name", L"NOTE.Txt", present,
       [&](const TempFolder& f) { Write(note(f), "more\r\n", OPEN_EXISTING, FILE_APPEND_DATA); }},
      {"made under another spelling of its name", L"Note.txt", [](const TempFolder&) {},
       [](const TempFolder& f) { Write(f.Path(L"NOTE.TXT"), "made"); }},
      {"too many other changes at once to list", L"note.txt", present,
       [](const TempFolder& f) {
         for (int i = 0; i < 500; ++i) Write(f.Path(L"other file number " + std::to_wstring(i) + L".txt"), "x");
       }},
      {"a Japanese name", L"メモ.txt", [](const TempFolder& f) { Write(f.Path(L"メモ.txt"), "a"); },
       [](const TempFolder& f) { Write(f.Path(L"メモ.txt"), "b", OPEN_EXISTING); }},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.what);
    TempFolder folder;
    change.before(folder);
    Receiver receiver;
    FileWatch watch(folder.Path(change.watchedAs), receiver.hwnd(), kChanged, 42);
    ASSERT_TRUE(watch.Watching());
    change.change(folder);
    EXPECT_EQ(receiver.Pump(kPromptMs, true), std::vector<WPARAM>{42});
    EXPECT_TRUE(watch.Watching());
  }
}

// A path in its 8.3 form (as some programs hand paths on) still names the file the folder reports
// by its long name.
TEST(FileWatch, APathGivenInItsShortFormIsWatchedUnderItsLongName) {
  TempFolder folder;
  const std::wstring file = folder.Path(L"a long file name.txt");
  Write(file, "text");
  wchar_t shortPath[MAX_PATH + 1]{};
  ASSERT_NE(::GetShortPathNameW(file.c_str(), shortPath, MAX_PATH), 0u);
  ASSERT_NE(std::wstring(shortPath), file) << "the file system made no alias";
  Receiver receiver;
  FileWatch watch(shortPath, receiver.hwnd(), kChanged, 3);
  Write(file, "more", OPEN_EXISTING, FILE_APPEND_DATA);
  EXPECT_EQ(receiver.Pump(kPromptMs, true), std::vector<WPARAM>{3}) << testing::PrintToString(std::wstring(shortPath));
}

TEST(FileWatch, OtherFilesInTheFolderAndAnIdleFileStayQuiet) {
  const Change changes[] = {
      {"nothing happens", L"note.txt", [](const TempFolder&) {}, [](const TempFolder&) {}},
      {"another file is made, written, renamed and deleted", L"note.txt", [](const TempFolder&) {},
       [](const TempFolder& f) {
         Write(f.Path(L"other.txt"), "x");
         Write(f.Path(L"other.txt"), "y", OPEN_EXISTING, FILE_APPEND_DATA);
         ::MoveFileW(f.Path(L"other.txt").c_str(), f.Path(L"other2.txt").c_str());
         ::DeleteFileW(f.Path(L"other2.txt").c_str());
       }},
      {"files whose names hold the file's name", L"note.txt", [](const TempFolder&) {},
       [](const TempFolder& f) {
         Write(f.Path(L"note.txt.bak"), "x");
         Write(f.Path(L"xnote.txt"), "x");
         Write(f.Path(L"note.tx"), "x");
       }},
      {"a file of the same name in a subfolder", L"note.txt",
       [](const TempFolder& f) { ::CreateDirectoryW(f.Path(L"sub").c_str(), nullptr); },
       [](const TempFolder& f) {
         Write(f.Path(L"sub\\note.txt"), "x");
         Write(f.Path(L"sub\\note.txt"), "y", OPEN_EXISTING, FILE_APPEND_DATA);
       }},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.what);
    TempFolder folder;
    Write(folder.Path(L"note.txt"), "text");
    change.before(folder);
    Receiver receiver;
    FileWatch watch(folder.Path(change.watchedAs), receiver.hwnd(), kChanged, 1);
    ASSERT_TRUE(watch.Watching());
    change.change(folder);
    EXPECT_TRUE(receiver.Pump(1000).empty());
    EXPECT_TRUE(watch.Watching());
  }
}

TEST(FileWatch, TwoWatchesInOneFolderAreEachToldOfTheirOwnFile) {
  TempFolder folder;
  Receiver receiver;
  FileWatch first(folder.Path(L"a.txt"), receiver.hwnd(), kChanged, 1);
  FileWatch second(folder.Path(L"b.txt"), receiver.hwnd(), kChanged, 2);
  Write(folder.Path(L"b.txt"), "b");
  EXPECT_EQ(receiver.Pump(kPromptMs, true), std::vector<WPARAM>{2});
  receiver.Pump(300);  // the rest of that write's changes
  Write(folder.Path(L"a.txt"), "a");
  const std::vector<WPARAM> told = receiver.Pump(1000);
  ASSERT_FALSE(told.empty());
  EXPECT_EQ(std::count(told.begin(), told.end(), 2), 0);
}

// A folder deleted with the file in it: the file's going is told, and the watch holds the folder
// no longer than it lives (Wine finishes a folder's deletion only when the last handle to it
// closes; Windows ends the read with an error, which stops the watch).
TEST(FileWatch, AFolderDeletedWithTheFileIsToldAndLetGo) {
  TempFolder parent;
  const std::wstring folder = parent.Path(L"notes");
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring file = folder + L"\\note.txt";
  Write(file, "text");
  Receiver receiver;
  auto watch = std::make_unique<FileWatch>(file, receiver.hwnd(), kChanged, 5);
  ASSERT_TRUE(watch->Watching());

  ASSERT_TRUE(::DeleteFileW(file.c_str()));
  ASSERT_TRUE(::RemoveDirectoryW(folder.c_str()));
  EXPECT_EQ(receiver.Pump(kPromptMs, true), std::vector<WPARAM>{5});
  receiver.Pump(300);
  watch.reset();
  EXPECT_FALSE(PathExists(folder));
  EXPECT_TRUE(receiver.Pump(300).empty());
}

// A folder that is not there (a drive or share that went away) is not watched, and never hangs
// or fails the owner; Restart takes it up once it is back.
TEST(FileWatch, AFolderThatIsNotThereIsWatchedOnceItIsBack) {
  TempFolder parent;
  const std::wstring folder = parent.Path(L"notes");
  const std::wstring file = folder + L"\\note.txt";
  Receiver receiver;
  FileWatch watch(file, receiver.hwnd(), kChanged, 6);
  EXPECT_FALSE(watch.Watching());
  EXPECT_FALSE(watch.Restart());
  EXPECT_TRUE(receiver.Pump(300).empty());

  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  EXPECT_TRUE(watch.Restart());
  EXPECT_TRUE(watch.Restart());
  Write(file, "here");
  EXPECT_EQ(receiver.Pump(kPromptMs, true), std::vector<WPARAM>{6});
}

// Destroyed with its read under way, and with a change already reported but not yet handed on:
// nothing is told afterwards and nothing is touched after it is freed (the crash guard fails the
// program on a fault).
TEST(FileWatch, DestroyingAWatchWithAReadUnderWayIsClean) {
  TempFolder folder;
  const std::wstring file = folder.Path(L"note.txt");
  Receiver receiver;
  for (int round = 0; round < 200; ++round) {
    auto watch = std::make_unique<FileWatch>(file, receiver.hwnd(), kChanged, 9);
    ASSERT_TRUE(watch->Watching());
    if (round % 2 == 1) {
      Write(file, std::to_string(round));
      ::Sleep(2);
    }
    watch.reset();
  }
  Write(file, "after");
  EXPECT_TRUE(receiver.Pump(500).empty());
}

TEST(FileState, TellsSizeTimeAndIdentityApart) {
  TempFolder folder;
  const std::wstring file = folder.Path(L"note.txt");
  Write(file, "1234");
  const std::optional<FileState> first = CurrentFileState(file);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->size, 4u);
  EXPECT_NE(first->lastWriteTime, 0u);

  ASSERT_TRUE(::CreateHardLinkW(folder.Path(L"link.txt").c_str(), file.c_str(), nullptr));
  EXPECT_EQ(CurrentFileState(folder.Path(L"link.txt")), first);

  HANDLE open = ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(open, INVALID_HANDLE_VALUE);
  EXPECT_EQ(FileStateOf(open), first);
  ::CloseHandle(open);

  Write(file, "56", OPEN_EXISTING, FILE_APPEND_DATA);
  const std::optional<FileState> appended = CurrentFileState(file);
  ASSERT_TRUE(appended);
  EXPECT_EQ(appended->size, 6u);
  EXPECT_EQ(appended->fileIndex, first->fileIndex);
  EXPECT_EQ(appended->volumeSerial, first->volumeSerial);

  Write(folder.Path(L"new.txt"), "123456");
  ASSERT_TRUE(::MoveFileExW(folder.Path(L"new.txt").c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING));
  const std::optional<FileState> replaced = CurrentFileState(file);
  ASSERT_TRUE(replaced);
  EXPECT_EQ(replaced->size, 6u);
  EXPECT_NE(replaced->fileIndex, first->fileIndex);
}

// A writer holding the file to itself does not keep its state from us, nor we the file from it.
TEST(FileState, AFileHeldExclusivelyStillTellsItsState) {
  TempFolder folder;
  const std::wstring file = folder.Path(L"note.txt");
  Write(file, "abc");
  HANDLE held = ::CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const std::optional<FileState> state = CurrentFileState(file);
  ::CloseHandle(held);
  ASSERT_TRUE(state);
  EXPECT_EQ(state->size, 3u);
}

TEST(FileState, AMissingFileOrFolderSaysWhy) {
  TempFolder folder;
  const struct {
    const wchar_t* name;
    DWORD error;
  } cases[] = {{L"missing.txt", ERROR_FILE_NOT_FOUND}, {L"missing\\note.txt", ERROR_PATH_NOT_FOUND}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.error);
    EXPECT_FALSE(CurrentFileState(folder.Path(c.name)));
    EXPECT_EQ(::GetLastError(), c.error);
  }
}

}  // namespace
}  // namespace varnel
