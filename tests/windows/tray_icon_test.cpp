// The tray record and its life in the notification area: the record's fields and tip bytes, the
// icon appearing in Wine's own tray window on add and leaving it on every way out, and which tray
// mouse messages count as a press.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "platform/tray_icon.h"

namespace varnel {
namespace {

// A hidden window that notes the tray callbacks it receives.
class OwnerWindow {
 public:
  OwnerWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VarnelTrayTestOwner";
    ::RegisterClassW(&windowClass);
    hwnd_ = ::CreateWindowExW(0, L"VarnelTrayTestOwner", L" Varnel ver2.0", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                              100, nullptr, nullptr, windowClass.hInstance, nullptr);
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~OwnerWindow() { ::DestroyWindow(hwnd_); }
  OwnerWindow(const OwnerWindow&) = delete;
  OwnerWindow& operator=(const OwnerWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  std::vector<LPARAM> callbacks;

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<OwnerWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && msg == kTrayCallbackMessage) {
      self->callbacks.push_back(lParam);
      return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  HWND hwnd_ = nullptr;
};

HICON ApplicationIcon() { return ::LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION)); }

std::string TipBytes(const NOTIFYICONDATAA& record) {
  return std::string(record.szTip, record.szTip + kTrayTipBytes);
}

std::string Padded(const std::string& bytes) { return bytes + std::string(kTrayTipBytes - bytes.size(), '\0'); }

// Wine shows tray icons in a window of its own when no desktop tray runs; it is shown while it
// holds an icon.
bool WineTrayShown() {
  HWND tray = ::FindWindowW(L"__winex11_standalone_tray", nullptr);
  return tray && ::IsWindowVisible(tray);
}

// Pumps messages until `condition` holds or about two seconds have passed.
template <typename Condition>
bool Eventually(Condition condition) {
  for (int i = 0; i < 100; ++i) {
    if (condition()) return true;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    ::Sleep(20);
  }
  return condition();
}

TEST(TrayRecord, HoldsTheFirstAnsiFormWithOurCallbackIconAndTip) {
  OwnerWindow owner;
  HICON icon = ApplicationIcon();
  TrayIcon tray(owner.hwnd(), kTrayCallbackMessage, icon, L" Varnel ver2.0");
  const NOTIFYICONDATAA& record = tray.Record();

  // Six fields and 64 tip bytes: 88 bytes with 32-bit handles, 104 with aligned 64-bit ones.
  EXPECT_EQ(record.cbSize, sizeof(void*) == 8 ? 104u : 88u);
  EXPECT_EQ(record.cbSize, offsetof(NOTIFYICONDATAA, szTip) + 64);
  EXPECT_EQ(record.hWnd, owner.hwnd());
  EXPECT_EQ(record.uID, 1u);
  EXPECT_EQ(record.uFlags, 7u);
  EXPECT_EQ(record.uCallbackMessage, static_cast<UINT>(WM_APP + 1));
  EXPECT_NE(record.uCallbackMessage, static_cast<UINT>(WM_MOUSEMOVE));
  EXPECT_EQ(record.hIcon, icon);
  EXPECT_EQ(TipBytes(record), Padded(" Varnel ver2.0"));
  EXPECT_FALSE(tray.Added());
}

TEST(TrayRecord, TipIsInTheSystemCodePageAndNeverSplitsACharacter) {
  ASSERT_EQ(::GetACP(), 932u) << "the tests run under the Japanese locale";
  char tip[kTrayTipBytes];

  FillTrayTip(L"付箋紙 Varnel", tip);
  EXPECT_EQ(std::string(tip, tip + kTrayTipBytes), Padded("\x95\x74\xe2\xb3\x8e\x86 Varnel"));

  // 40 double-byte characters are 80 bytes: 31 of them fit, the last byte stays 0.
  FillTrayTip(std::wstring(40, L'あ'), tip);
  std::string expected;
  for (int i = 0; i < 31; ++i) expected += "\x82\xa0";
  EXPECT_EQ(std::string(tip, tip + kTrayTipBytes), Padded(expected));

  // With one leading ASCII byte, the 63rd byte is the end of a whole character.
  FillTrayTip(L"a" + std::wstring(40, L'あ'), tip);
  EXPECT_EQ(std::string(tip, tip + kTrayTipBytes), Padded("a" + expected));

  // With two, a character would need bytes 62 and 63: it is left out instead of cut in half.
  FillTrayTip(L"ab" + std::wstring(40, L'あ'), tip);
  EXPECT_EQ(std::string(tip, tip + kTrayTipBytes), Padded("ab" + expected.substr(0, 60)));

  FillTrayTip(std::wstring(100, L'x'), tip);
  EXPECT_EQ(std::string(tip, tip + kTrayTipBytes), Padded(std::string(63, 'x')));
}

TEST(TrayIconInWine, AddShowsTheIconAndRemoveTakesItAway) {
  OwnerWindow owner;
  TrayIcon tray(owner.hwnd(), kTrayCallbackMessage, ApplicationIcon(), L" Varnel ver2.0");
  ASSERT_FALSE(WineTrayShown()) << "an icon from an earlier test was left behind";

  ASSERT_TRUE(tray.Add());
  EXPECT_TRUE(tray.Added());
  EXPECT_TRUE(tray.LastAddResult());
  EXPECT_TRUE(Eventually(WineTrayShown));

  tray.Remove();
  EXPECT_FALSE(tray.Added());
  EXPECT_TRUE(Eventually([] { return !WineTrayShown(); }));

  tray.Remove();  // a second remove sends nothing and changes nothing
  EXPECT_FALSE(tray.Added());
}

TEST(TrayIconInWine, LeavingScopeRemovesTheIcon) {
  OwnerWindow owner;
  {
    TrayIcon tray(owner.hwnd(), kTrayCallbackMessage, ApplicationIcon(), L" Varnel ver2.0");
    ASSERT_TRUE(tray.Add());
    ASSERT_TRUE(Eventually(WineTrayShown));
  }
  EXPECT_TRUE(Eventually([] { return !WineTrayShown(); }));
}

TEST(TrayIconInWine, RepeatedAddKeepsTheStandingIconOursToRemove) {
  // A "TaskbarCreated" broadcast while the shell still holds the icon: the new add fails, and the
  // icon must still go away at shutdown.
  OwnerWindow owner;
  TrayIcon tray(owner.hwnd(), kTrayCallbackMessage, ApplicationIcon(), L" Varnel ver2.0");
  ASSERT_TRUE(tray.Add());
  ASSERT_TRUE(Eventually(WineTrayShown));
  EXPECT_FALSE(tray.Add());
  EXPECT_FALSE(tray.LastAddResult());
  EXPECT_TRUE(tray.Added());
  tray.Remove();
  EXPECT_TRUE(Eventually([] { return !WineTrayShown(); }));
}

TEST(TrayIconInWine, NeverAddedIconIsNotRemovedFromUnderAnotherOwner) {
  // Two records for the same window and id: only the one that added may delete.
  OwnerWindow owner;
  TrayIcon shown(owner.hwnd(), kTrayCallbackMessage, ApplicationIcon(), L" Varnel ver2.0");
  ASSERT_TRUE(shown.Add());
  ASSERT_TRUE(Eventually(WineTrayShown));
  {
    TrayIcon neverAdded(owner.hwnd(), kTrayCallbackMessage, ApplicationIcon(), L" Varnel ver2.0");
    neverAdded.Remove();
  }
  EXPECT_TRUE(WineTrayShown());
  shown.Remove();
  EXPECT_TRUE(Eventually([] { return !WineTrayShown(); }));
}

TEST(TrayIconInWine, ClickOnTheIconReachesTheOwnerAsOurMessage) {
  OwnerWindow owner;
  TrayIcon tray(owner.hwnd(), kTrayCallbackMessage, ApplicationIcon(), L" Varnel ver2.0");
  ASSERT_TRUE(tray.Add());
  ASSERT_TRUE(Eventually(WineTrayShown));
  RECT trayRect{};
  ::GetWindowRect(::FindWindowW(L"__winex11_standalone_tray", nullptr), &trayRect);
  RECT trayClient{};
  ::GetClientRect(::FindWindowW(L"__winex11_standalone_tray", nullptr), &trayClient);
  POINT iconCentre{trayClient.left + 12, trayClient.top + 12};  // the first icon's middle
  ::ClientToScreen(::FindWindowW(L"__winex11_standalone_tray", nullptr), &iconCentre);
  ::SetCursorPos(iconCentre.x, iconCentre.y);
  INPUT clicks[2]{};
  clicks[0].type = clicks[1].type = INPUT_MOUSE;
  clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ::SendInput(2, clicks, sizeof(INPUT));
  EXPECT_TRUE(Eventually([&] { return owner.callbacks.size() >= 2; }))
      << "tray at " << trayRect.left << "," << trayRect.top << " click at " << iconCentre.x << ","
      << iconCentre.y << ", callbacks " << owner.callbacks.size();
  std::vector<LPARAM> presses;
  for (LPARAM lParam : owner.callbacks) {
    if (lParam != WM_MOUSEMOVE) presses.push_back(lParam);
  }
  EXPECT_EQ(presses, (std::vector<LPARAM>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
}

TEST(TrayClick, OnlyALeftOrRightButtonPressCounts) {
  struct Case {
    LPARAM lParam;
    bool press;
  };
  const Case cases[] = {
      {WM_LBUTTONDOWN, true},   {WM_RBUTTONDOWN, true},    {WM_LBUTTONUP, false},
      {WM_RBUTTONUP, false},    {WM_LBUTTONDBLCLK, false}, {WM_RBUTTONDBLCLK, false},
      {WM_MOUSEMOVE, false},    {WM_MBUTTONDOWN, false},   {WM_MBUTTONUP, false},
      {WM_CONTEXTMENU, false},  {NIN_SELECT, false},       {NIN_KEYSELECT, false},
      {0, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsTrayButtonPress(c.lParam), c.press) << "lParam 0x" << std::hex << c.lParam;
  }
}

}  // namespace
}  // namespace varnel
