// The thin Win32 layer: twips at the common DPIs, the single-instance guard, window binding,
// whole-file replacement, record listing, overwriting linked files, the local clock.

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/dpi.h"
#include "platform/files.h"
#include "platform/single_instance.h"
#include "platform/twips.h"
#include "platform/unique_handle.h"
#include "platform/window_base.h"
#include "temp_folder.h"

namespace varnel {
namespace {

TEST(Twips, ConvertAtStandardAndLargeDpi) {
  EXPECT_EQ(TwipsToPixels(3255, 96), 217);
  EXPECT_EQ(TwipsToPixels(1335, 96), 89);
  EXPECT_EQ(TwipsToPixels(3255, 144), 326);  // 325.5 rounds up
  EXPECT_EQ(TwipsToPixels(3000, 144), 300);
  EXPECT_DOUBLE_EQ(PixelsToTwips(200, 96), 3000);
  EXPECT_DOUBLE_EQ(PixelsToTwips(300, 144), 3000);
}

// Each field in its place: the clock read between two readings of the system's own.
TEST(Clock, LocalTimeNowLiesBetweenTwoSystemReadings) {
  const auto milliseconds = [](int hour, int minute, int second, int millisecond) {
    return ((hour * 60 + minute) * 60 + second) * 1000 + millisecond;
  };
  SYSTEMTIME before{}, after{};
  ::GetLocalTime(&before);
  const LocalTime now = LocalTimeNow();
  ::GetLocalTime(&after);
  if (before.wDay != after.wDay) GTEST_SKIP() << "midnight passed during the test";
  EXPECT_EQ(now.year, before.wYear);
  EXPECT_EQ(now.month, before.wMonth);
  EXPECT_EQ(now.day, before.wDay);
  const int at = milliseconds(now.hour, now.minute, now.second, now.millisecond);
  EXPECT_LE(milliseconds(before.wHour, before.wMinute, before.wSecond, before.wMilliseconds), at);
  EXPECT_GE(milliseconds(after.wHour, after.wMinute, after.wSecond, after.wMilliseconds), at);
}

TEST(Dpi, OuterSizeHoldsTheClientArea) {
  constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  SIZE at96 = OuterSizeForClientTwips(3255, 1335, style, 0, 96);
  SIZE at144 = OuterSizeForClientTwips(3255, 1335, style, 0, 144);
  EXPECT_GT(at96.cx, 217);
  EXPECT_GT(at96.cy, 89);
  EXPECT_GT(at144.cx, at96.cx);
  EXPECT_EQ(FontHeightForPoints(9, 96), -12);
  EXPECT_EQ(FontHeightForPoints(10.5, 96), -14);
  EXPECT_EQ(FontHeightForPoints(9, 144), -18);
}

TEST(SingleInstance, SecondGuardOfTheSameNameSeesTheFirst) {
  const std::wstring name = L"Local\\VarnelTest." + std::to_wstring(::GetCurrentProcessId());
  {
    SingleInstance first(name.c_str());
    EXPECT_FALSE(first.AnotherIsRunning());
    SingleInstance second(name.c_str());
    EXPECT_TRUE(second.AnotherIsRunning());
  }
  SingleInstance afterBothEnded(name.c_str());
  EXPECT_FALSE(afterBothEnded.AnotherIsRunning());
}

class ProbeWindow : public WindowBase {
 public:
  bool Open() {
    RegisterWindowClass(L"VarnelTestProbe", 0, nullptr, nullptr);
    return Create(L"VarnelTestProbe", L"probe", WS_OVERLAPPEDWINDOW, 0, 0, 0, 100, 100, nullptr);
  }
  void Close() { Destroy(); }
  int created = 0;
  int sized = 0;
  int destroyed = 0;
  int gone = 0;

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override {
    if (msg == WM_CREATE) ++created;
    if (msg == WM_SIZE) ++sized;
    if (msg == WM_DESTROY) ++destroyed;
    return DefaultProcedure(msg, wParam, lParam);
  }
  void OnGone() noexcept override { ++gone; }
};

TEST(WindowBase, BindsAtCreationAndUnbindsWhenDestroyed) {
  ProbeWindow window;
  ASSERT_TRUE(window.Open());
  EXPECT_TRUE(window.IsOpen());
  EXPECT_EQ(window.created, 1);
  ::SetWindowPos(window.hwnd(), nullptr, 0, 0, 200, 150, SWP_NOZORDER | SWP_NOMOVE);
  EXPECT_GE(window.sized, 1);
  HWND hwnd = window.hwnd();
  window.Close();
  EXPECT_FALSE(window.IsOpen());
  EXPECT_FALSE(::IsWindow(hwnd));
  // The object's own close runs its WM_DESTROY clean-up, as a close by the system does.
  EXPECT_EQ(window.destroyed, 1);
  EXPECT_EQ(window.gone, 1);
}

TEST(WindowBase, WindowDestroyedByTheSystemLeavesNoDanglingHandle) {
  ProbeWindow window;
  ASSERT_TRUE(window.Open());
  ::DestroyWindow(window.hwnd());
  EXPECT_FALSE(window.IsOpen());
  EXPECT_EQ(window.destroyed, 1);
  EXPECT_EQ(window.gone, 1);
}

TEST(Files, AtomicWriteReplacesContentAndLeavesNoTemporaryFile) {
  TempFolder folder;
  const std::wstring path = folder.Path(L"記録.dat");
  ASSERT_EQ(WriteFileAtomically(path, "first\r\n").error(), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_EQ(WriteFileAtomically(path, "second\r\n").error(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(ReadWholeFile(path).bytes.value_or(""), "second\r\n");
  EXPECT_EQ(folder.Names(L"*"), std::vector<std::wstring>{L"記録.dat"});
}

TEST(Files, ReadOnlyTargetIsRefusedAndKept) {
  TempFolder folder;
  const std::wstring path = folder.Path(L"ro.txt");
  ASSERT_EQ(WriteFileAtomically(path, "keep").error(), static_cast<DWORD>(ERROR_SUCCESS));
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(WriteFileAtomically(path, "lost").error(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(ReadWholeFile(path).bytes.value_or(""), "keep");
  EXPECT_EQ(folder.Names(L"*").size(), 1u);
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Files, HiddenAttributeSurvivesAReplace) {
  TempFolder folder;
  const std::wstring path = folder.Path(L"hidden.txt");
  ASSERT_EQ(WriteFileAtomically(path, "a").error(), static_cast<DWORD>(ERROR_SUCCESS));
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  ASSERT_EQ(WriteFileAtomically(path, "b").error(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_TRUE(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

TEST(Files, ListingTakesOnlyMatchingFilesInNameOrder) {
  TempFolder folder;
  for (const wchar_t* name : {L"b.dat", L"a.dat", L"c.txt", L"a.dat.123.varnel-tmp"}) {
    ASSERT_TRUE(WriteFileAtomically(folder.Path(name), "x"));
  }
  ::CreateDirectoryW(folder.Path(L"d.dat").c_str(), nullptr);
  EXPECT_EQ(ListFileNames(folder.path(), L"*.dat"), (std::vector<std::wstring>{L"a.dat", L"b.dat"}));
}

TEST(Files, LeftoverTemporariesOfOtherProcessesGoOursAndOtherFilesStay) {
  TempFolder folder;
  const std::wstring ours = L"a.txt." + std::to_wstring(::GetCurrentProcessId()) + L".varnel-tmp";
  const std::vector<std::wstring> kept = {L"a.txt", L"a.txt.x1.varnel-tmp", L"b.txt", L"b.txt.123.varnel-tmp", ours,
                                          L"a.txt.123.varnel-tmp.txt"};
  for (const std::wstring& name : kept) ASSERT_TRUE(WriteFileAtomically(folder.Path(name), "x"));
  ASSERT_TRUE(WriteFileAtomically(folder.Path(L"a.txt.123.varnel-tmp"), "x"));
  DeleteLeftoverTemporaries(folder.path(), L"a.txt");
  std::vector<std::wstring> sorted = kept;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(folder.Names(L"*"), sorted);
  // The whole folder's, as at start.
  DeleteLeftoverTemporaries(folder.path(), L"*");
  sorted.erase(std::find(sorted.begin(), sorted.end(), L"b.txt.123.varnel-tmp"));
  EXPECT_EQ(folder.Names(L"*"), sorted);
}

TEST(Files, ReadingAFolderOrAMissingFileFails) {
  TempFolder folder;
  EXPECT_FALSE(ReadWholeFile(folder.Path(L"missing.txt")).bytes);
  EXPECT_FALSE(ReadWholeFile(folder.path()).bytes);
  EXPECT_FALSE(FileExists(folder.Path(L"missing.txt")));
  EXPECT_FALSE(FileExists(folder.path()));
  EXPECT_TRUE(DeleteFileIfPresent(folder.Path(L"missing.txt")));
}

TEST(Files, RecordListingTakesOnlyLongNamesEndingInDat) {
  TempFolder folder;
  // A "*.dat" search also matches these by their short names ("X~~~~AYJ.DAT" under Wine).
  for (const wchar_t* name : {L"A.DAT", L"b.Dat", L"c.dat", L"x.data", L"notes.dat.bak", L"longname.datx"}) {
    ASSERT_EQ(WriteFileAtomically(folder.Path(name), "x").error(), static_cast<DWORD>(ERROR_SUCCESS));
  }
  ::CreateDirectoryW(folder.Path(L"d.dat").c_str(), nullptr);
  EXPECT_EQ(ListRecordFileNames(folder.path()), (std::vector<std::wstring>{L"A.DAT", L"b.Dat", L"c.dat"}));
}

std::string Content(const std::wstring& path) { return ReadWholeFile(path).bytes.value_or("<unreadable>"); }

DWORD LinkCount(const std::wstring& path) {
  UniqueFile file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file || !::GetFileInformationByHandle(file.get(), &info)) return 0;
  return info.nNumberOfLinks;
}

bool WaitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 250; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}

// Starts a Unix tool through Wine, which runs Unix programs given by their Z: path. False on
// Windows, or when the tool is missing. Wine gives no handle to wait on: callers wait for the effect.
bool StartUnixTool(const std::wstring& program, std::wstring commandLine, const std::wstring& folder) {
  if (!FileExists(program)) return false;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &process)) {
    return false;
  }
  if (process.hThread) ::CloseHandle(process.hThread);
  if (process.hProcess) ::CloseHandle(process.hProcess);
  return true;
}

// A symbolic link named link in folder leading to target (a name in the same folder). Windows
// makes one with CreateSymbolicLinkW given developer mode or the privilege; Wine 8 answers that
// call with success but makes nothing, so there the Unix ln makes it.
bool MakeSymbolicLink(const TempFolder& folder, const std::wstring& link, const std::wstring& target) {
  const std::wstring path = folder.Path(link);
  ::CreateSymbolicLinkW(path.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if (!StartUnixTool(L"Z:\\bin\\ln", L"ln -s " + target + L" " + link, folder.path())) return false;
  return WaitFor([&] { return FileExists(path); });
}

// Wine's DeleteFileW goes through a Unix symbolic link and deletes its target, which leaves the
// link dangling and the folder impossible to remove: there rm takes the link itself.
void RemoveSymbolicLink(const TempFolder& folder, const std::wstring& link) {
  if (!StartUnixTool(L"Z:\\bin\\rm", L"rm -f " + link, folder.path())) {
    ::DeleteFileW(folder.Path(link).c_str());
    return;
  }
  WaitFor([&] { return folder.Names(link.c_str()).empty(); });
}

TEST(OverwriteLinkedFile, SymbolicLinkStaysALinkAndItsTargetIsReplaced) {
  TempFolder folder;
  const std::wstring target = folder.Path(L"target.txt");
  const std::wstring link = folder.Path(L"link.txt");
  ASSERT_EQ(WriteFileAtomically(target, "old").error(), static_cast<DWORD>(ERROR_SUCCESS));
  if (!MakeSymbolicLink(folder, L"link.txt", L"target.txt")) {
    GTEST_SKIP() << "no symbolic link can be made here (CreateSymbolicLinkW refused: no developer mode or privilege)";
  }
  ASSERT_EQ(Content(link), "old");
  const DWORD linkAttributes = ::GetFileAttributesW(link.c_str());

  const OverwriteResult result = OverwriteLinkedFile(link, "new", {folder.Path(L"copies")});
  EXPECT_EQ(result.status.error(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(Content(target), "new");
  EXPECT_EQ(Content(link), "new");
  EXPECT_EQ(::GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT,
            linkAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
  // Still a link, not a file of its own: a later change to the target shows through it.
  ASSERT_EQ(WriteFileAtomically(target, "changed").error(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(Content(link), "changed");
  EXPECT_EQ(folder.Names(L"*"), (std::vector<std::wstring>{L"link.txt", L"target.txt"}));
  RemoveSymbolicLink(folder, L"link.txt");
}

TEST(OverwriteLinkedFile, HardLinkedFileIsRewrittenInPlaceForEveryName) {
  TempFolder folder;
  const std::wstring first = folder.Path(L"a.txt");
  const std::wstring second = folder.Path(L"b.txt");
  ASSERT_EQ(WriteFileAtomically(first, "old content, longer than the new").error(), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_TRUE(::CreateHardLinkW(second.c_str(), first.c_str(), nullptr));
  ASSERT_EQ(LinkCount(first), 2u);

  const OverwriteResult result = OverwriteLinkedFile(first, "new", {folder.Path(L"copies")});
  EXPECT_EQ(result.status.error(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(result.damagedFileCopy, L"");
  EXPECT_EQ(Content(first), "new");
  EXPECT_EQ(Content(second), "new");
  EXPECT_EQ(LinkCount(second), 2u);
  EXPECT_EQ(folder.Names(L"*"), (std::vector<std::wstring>{L"a.txt", L"b.txt", L"copies"}));
  EXPECT_EQ(folder.Names(L"copies\\*"), std::vector<std::wstring>{});
}

TEST(OverwriteLinkedFile, InPlaceRewriteOfAFileAnotherProgramWritesChangesNothing) {
  TempFolder folder;
  const std::wstring first = folder.Path(L"a.txt");
  ASSERT_EQ(WriteFileAtomically(first, "old").error(), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_TRUE(::CreateHardLinkW(folder.Path(L"b.txt").c_str(), first.c_str(), nullptr));
  UniqueFile writer(::CreateFileW(first.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(writer);

  const OverwriteResult result = OverwriteLinkedFile(first, "new", {folder.Path(L"copies")});
  EXPECT_EQ(result.status.error(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(result.damagedFileCopy, L"");
  writer.reset();
  EXPECT_EQ(Content(first), "old");
  EXPECT_EQ(folder.Names(L"copies\\*"), std::vector<std::wstring>{});
}

TEST(OverwriteLinkedFile, ReplacementKeepsAttributesAndLeavesNoTemporaryFile) {
  TempFolder folder;
  const std::wstring path = folder.Path(L"メモ.txt");
  ASSERT_EQ(WriteFileAtomically(path, "old").error(), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));

  const OverwriteResult result = OverwriteLinkedFile(path, "new", {folder.Path(L"copies")});
  EXPECT_EQ(result.status.error(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(Content(path), "new");
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(folder.Names(L"*"), std::vector<std::wstring>{L"メモ.txt"});
}

TEST(OverwriteLinkedFile, ReplacementKeepsTheCreationTime) {
  TempFolder folder;
  const std::wstring path = folder.Path(L"a.txt");
  ASSERT_EQ(WriteFileAtomically(path, "old").error(), static_cast<DWORD>(ERROR_SUCCESS));
  const SYSTEMTIME longAgo{2001, 2, 0, 3, 4, 5, 6, 0};
  FILETIME created{};
  ASSERT_TRUE(::SystemTimeToFileTime(&longAgo, &created));
  const auto creationTime = [&] {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftCreationTime;
  };
  {
    UniqueFile file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file && ::SetFileTime(file.get(), &created, nullptr, nullptr));
  }
  FILETIME before = creationTime();
  if (::CompareFileTime(&before, &created) != 0) {
    GTEST_SKIP() << "this file system keeps no creation time of its own (Wine on a Unix file system)";
  }
  ASSERT_EQ(OverwriteLinkedFile(path, "new", {folder.Path(L"copies")}).status.error(), static_cast<DWORD>(ERROR_SUCCESS));
  FILETIME after = creationTime();
  EXPECT_EQ(::CompareFileTime(&after, &created), 0);
}

TEST(OverwriteLinkedFile, ReadOnlyFileIsRefusedAndKept) {
  TempFolder folder;
  const std::wstring path = folder.Path(L"ro.txt");
  ASSERT_EQ(WriteFileAtomically(path, "keep").error(), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(OverwriteLinkedFile(path, "lost", {folder.Path(L"copies")}).status.error(),
            static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Content(path), "keep");
  EXPECT_EQ(folder.Names(L"*"), std::vector<std::wstring>{L"ro.txt"});
}

TEST(OverwriteLinkedFile, MissingFileIsCreated) {
  TempFolder folder;
  const std::wstring path = folder.Path(L"new.txt");
  EXPECT_EQ(OverwriteLinkedFile(path, "new", {folder.Path(L"copies")}).status.error(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(Content(path), "new");
  EXPECT_EQ(folder.Names(L"*"), std::vector<std::wstring>{L"new.txt"});
}

// True once a new file can no longer be made in folder.
bool TakesNoNewFiles(const std::wstring& folder) {
  const std::wstring probe = folder + L"\\probe.tmp";
  UniqueFile file(::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  if (!file) return true;
  file.reset();
  ::DeleteFileW(probe.c_str());
  return false;
}

// Makes a sub-folder take no new files while its files stay writable, for the life of the
// object. Under Wine as root permission bits change nothing; the immutable mark of the Unix
// file system does, where the system lets the test set it.
class FolderTakingNoNewFiles {
 public:
  FolderTakingNoNewFiles(const TempFolder& parent, const std::wstring& name) : parent_(parent), name_(name) {
    const std::wstring probe = parent.Path(name + L"\\probe.tmp");
    for (int attempt = 0; attempt < 3 && !locked_; ++attempt) {
      if (!StartUnixTool(L"Z:\\usr\\bin\\chattr", L"chattr +i " + name, parent.path()) ||
          !WaitFor([&] { return TakesNoNewFiles(parent.Path(name)); })) {
        return;
      }
      // The mark may have come between the making and the deleting of a probe: start again.
      locked_ = !FileExists(probe);
      if (!locked_) {
        Unlock();
        ::DeleteFileW(probe.c_str());
      }
    }
  }
  ~FolderTakingNoNewFiles() { Unlock(); }
  FolderTakingNoNewFiles(const FolderTakingNoNewFiles&) = delete;
  FolderTakingNoNewFiles& operator=(const FolderTakingNoNewFiles&) = delete;
  bool locked() const { return locked_; }

 private:
  void Unlock() {
    StartUnixTool(L"Z:\\usr\\bin\\chattr", L"chattr -i " + name_, parent_.path());
    WaitFor([&] { return !TakesNoNewFiles(parent_.Path(name_)); });
  }

  const TempFolder& parent_;
  std::wstring name_;
  bool locked_ = false;
};

TEST(OverwriteLinkedFile, FileInAFolderThatTakesNoNewFilesIsRewrittenInPlace) {
  TempFolder folder;
  ASSERT_TRUE(::CreateDirectoryW(folder.Path(L"locked").c_str(), nullptr));
  const std::wstring path = folder.Path(L"locked\\a.txt");
  ASSERT_EQ(WriteFileAtomically(path, "old content").error(), static_cast<DWORD>(ERROR_SUCCESS));
  FolderTakingNoNewFiles lock(folder, L"locked");
  if (!lock.locked()) GTEST_SKIP() << "no folder that takes no new files can be made here (needs chattr +i)";

  // The safety copy cannot go into the locked folder either: it goes to the next folder.
  const OverwriteResult result = OverwriteLinkedFile(path, "new", {folder.Path(L"locked"), folder.Path(L"copies")});
  EXPECT_EQ(result.status.error(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(Content(path), "new");
  EXPECT_EQ(folder.Names(L"locked\\*"), std::vector<std::wstring>{L"a.txt"});
  EXPECT_EQ(folder.Names(L"copies\\*"), std::vector<std::wstring>{});
}

// A drive letter no volume uses, or 0.
wchar_t UnusedDriveLetter() {
  const DWORD used = ::GetLogicalDrives();
  for (wchar_t letter = L'Q'; letter <= L'Y'; ++letter) {
    if (!(used & (1u << (letter - L'A')))) return letter;
  }
  return 0;
}

TEST(IsGoneForGood, OnlyAFileMissingFromAFolderThatIsThereIsGone) {
  TempFolder folder;
  const std::wstring missing = folder.Path(L"missing.txt");
  EXPECT_TRUE(IsGoneForGood(missing, ReadWholeFile(missing).error));
  EXPECT_TRUE(IsGoneForGood(missing, ERROR_PATH_NOT_FOUND));

  const wchar_t drive = UnusedDriveLetter();
  ASSERT_NE(drive, 0);
  const std::wstring onMissingDrive = std::wstring(1, drive) + L":\\notes\\a.txt";
  EXPECT_FALSE(IsGoneForGood(onMissingDrive, ReadWholeFile(onMissingDrive).error));
  const std::wstring inMissingFolder = folder.Path(L"gone\\a.txt");
  EXPECT_FALSE(IsGoneForGood(inMissingFolder, ReadWholeFile(inMissingFolder).error));

  const std::wstring held = folder.Path(L"held.txt");
  ASSERT_EQ(WriteFileAtomically(held, "x").error(), static_cast<DWORD>(ERROR_SUCCESS));
  {
    UniqueFile holder(::CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    const ReadResult read = ReadWholeFile(held);
    EXPECT_EQ(read.error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(IsGoneForGood(held, read.error));
  }
  // Reported missing but there again by the time of asking.
  EXPECT_FALSE(IsGoneForGood(held, ERROR_FILE_NOT_FOUND));
  for (DWORD error : {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_NOT_READY, ERROR_BAD_NETPATH,
                      ERROR_BAD_NET_NAME, ERROR_NETNAME_DELETED, ERROR_DEV_NOT_EXIST}) {
    EXPECT_FALSE(IsGoneForGood(missing, error)) << error;
  }
  // A name no file system takes never comes back.
  const std::wstring invalid = folder.Path(L"say \"hi\".txt");
  EXPECT_TRUE(IsGoneForGood(invalid, ReadWholeFile(invalid).error));
}

}  // namespace
}  // namespace varnel
