// The thin Win32 layer: twips at the common DPIs, the single-instance guard, window binding,
// whole-file replacement, the local clock.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/clock.h"
#include "platform/dpi.h"
#include "platform/files.h"
#include "platform/single_instance.h"
#include "platform/twips.h"
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
  int gone = 0;

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override {
    if (msg == WM_CREATE) ++created;
    if (msg == WM_SIZE) ++sized;
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
  EXPECT_EQ(window.gone, 1);
}

TEST(WindowBase, WindowDestroyedByTheSystemLeavesNoDanglingHandle) {
  ProbeWindow window;
  ASSERT_TRUE(window.Open());
  ::DestroyWindow(window.hwnd());
  EXPECT_FALSE(window.IsOpen());
  EXPECT_EQ(window.gone, 1);
}

TEST(Files, AtomicWriteReplacesContentAndLeavesNoTemporaryFile) {
  TempFolder folder;
  const std::wstring path = folder.Path(L"記録.dat");
  ASSERT_EQ(WriteFileAtomically(path, "first\r\n"), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_EQ(WriteFileAtomically(path, "second\r\n"), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(ReadWholeFile(path).bytes.value_or(""), "second\r\n");
  EXPECT_EQ(folder.Names(L"*"), std::vector<std::wstring>{L"記録.dat"});
}

TEST(Files, ReadOnlyTargetIsRefusedAndKept) {
  TempFolder folder;
  const std::wstring path = folder.Path(L"ro.txt");
  ASSERT_EQ(WriteFileAtomically(path, "keep"), static_cast<DWORD>(ERROR_SUCCESS));
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(WriteFileAtomically(path, "lost"), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(ReadWholeFile(path).bytes.value_or(""), "keep");
  EXPECT_EQ(folder.Names(L"*").size(), 1u);
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Files, HiddenAttributeSurvivesAReplace) {
  TempFolder folder;
  const std::wstring path = folder.Path(L"hidden.txt");
  ASSERT_EQ(WriteFileAtomically(path, "a"), static_cast<DWORD>(ERROR_SUCCESS));
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  ASSERT_EQ(WriteFileAtomically(path, "b"), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_TRUE(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

TEST(Files, ListingTakesOnlyMatchingFilesInNameOrder) {
  TempFolder folder;
  for (const wchar_t* name : {L"b.dat", L"a.dat", L"c.txt", L"a.dat.123.varnel-tmp"}) {
    WriteFileAtomically(folder.Path(name), "x");
  }
  ::CreateDirectoryW(folder.Path(L"d.dat").c_str(), nullptr);
  EXPECT_EQ(ListFileNames(folder.path(), L"*.dat"), (std::vector<std::wstring>{L"a.dat", L"b.dat"}));
}

TEST(Files, LeftoverTemporariesOfOtherProcessesGoOursAndOtherFilesStay) {
  TempFolder folder;
  const std::wstring ours = L"a.txt." + std::to_wstring(::GetCurrentProcessId()) + L".varnel-tmp";
  const std::vector<std::wstring> kept = {L"a.txt", L"a.txt.x1.varnel-tmp", L"b.txt", L"b.txt.123.varnel-tmp", ours,
                                          L"a.txt.123.varnel-tmp.txt"};
  for (const std::wstring& name : kept) WriteFileAtomically(folder.Path(name), "x");
  WriteFileAtomically(folder.Path(L"a.txt.123.varnel-tmp"), "x");
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

}  // namespace
}  // namespace varnel
