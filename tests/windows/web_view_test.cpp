// The web strip: created on first show without taking the focus or showing a dialog, shown, hidden
// and laid out where the note puts it, loading only the page asked for, releasing our site when
// closed, and harmless when the control cannot be created.
//
// Wine without its Gecko engine renders nothing (the navigation fails with 0x800c0010), so these
// tests look at the windows and at the navigations the control reports starting, not at the page.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/web_view.h"

namespace varnel {
namespace {

constexpr wchar_t kParentClass[] = L"VarnelWebViewTestParent";

void Pump() {
  MSG msg;
  for (int round = 0; round < 3; ++round) {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(5);
  }
}

// A note-like parent: a top-level window with a text box that holds the focus.
struct Parent {
  HWND window = nullptr;
  HWND text = nullptr;

  Parent() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kParentClass;
    ::RegisterClassExW(&wc);
    window = ::CreateWindowExW(0, kParentClass, L"note", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40, 320, 260,
                               nullptr, nullptr, wc.hInstance, nullptr);
    text = ::CreateWindowExW(0, L"EDIT", L"text", WS_CHILD | WS_VISIBLE | ES_MULTILINE, 16, 16, 160, 100, window,
                             nullptr, wc.hInstance, nullptr);
    ::ShowWindow(window, SW_SHOW);
    ::SetForegroundWindow(window);
    ::SetFocus(text);
    Pump();
  }
  ~Parent() {
    if (::IsWindow(window)) ::DestroyWindow(window);
  }
  Parent(const Parent&) = delete;
  Parent& operator=(const Parent&) = delete;
};

// Visible top-level windows of this process other than the given ones: a dialog would show here.
std::vector<HWND> OtherVisibleTopLevelWindows(const std::vector<HWND>& known) {
  struct Search {
    const std::vector<HWND>* known;
    std::vector<HWND> found;
  } search{&known, {}};
  ::EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        if (process != ::GetCurrentProcessId() || !::IsWindowVisible(window)) return TRUE;
        for (HWND k : *s->known) {
          if (k == window) return TRUE;
        }
        s->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The strip's rectangle in its parent's client coordinates.
RECT PlaceInParent(HWND strip) {
  RECT r{};
  ::GetWindowRect(strip, &r);
  ::MapWindowPoints(nullptr, ::GetParent(strip), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

::testing::AssertionResult SameRect(const RECT& a, const RECT& b) {
  if (::EqualRect(&a, &b)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << a.left << "," << a.top << ")-(" << a.right << "," << a.bottom
                                       << ") vs (" << b.left << "," << b.top << ")-(" << b.right << ","
                                       << b.bottom << ")";
}

// Nothing listens there: the control starts the navigation and it fails at once.
constexpr wchar_t kPage[] = L"http://127.0.0.1:9/005/gear.shtml";
constexpr wchar_t kOtherPage[] = L"http://127.0.0.1:9/005/other.shtml";

class WebViewTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr))); }
  static void TearDownTestSuite() { ::OleUninitialize(); }
  const std::wstring url_ = kPage;
};

TEST_F(WebViewTest, FirstShowCreatesTheControlWhereAskedWithoutFocusOrDialog) {
  Parent note;
  WebView strip(note.window);
  const RECT place{0, 160, 290, 223};
  strip.Navigate(url_);
  strip.SetBounds(place);
  strip.SetVisible(false);

  // Hidden: nothing is created, everything is remembered.
  EXPECT_FALSE(strip.Created());
  EXPECT_EQ(strip.Window(), nullptr);
  EXPECT_FALSE(strip.Visible());
  EXPECT_EQ(strip.Url(), url_);
  EXPECT_EQ(strip.SiteReferences(), 0u);

  const auto start = std::chrono::steady_clock::now();
  strip.SetVisible(true);
  std::printf("[ web strip ] first creation in this program: %.3f s\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  Pump();
  ASSERT_TRUE(strip.Created());
  HWND window = strip.Window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(::GetParent(window), note.window);
  EXPECT_TRUE(::IsWindowVisible(window));
  EXPECT_TRUE(SameRect(PlaceInParent(window), place));
  EXPECT_GT(strip.SiteReferences(), 0u);

  // The control's own window fills the strip.
  HWND control = ::GetWindow(window, GW_CHILD);
  ASSERT_NE(control, nullptr);
  RECT controlRect{};
  ::GetWindowRect(control, &controlRect);
  ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&controlRect), 2);
  EXPECT_TRUE(SameRect(controlRect, RECT{0, 0, 290, 63}));

  // The page asked for, and only that one, was started.
  ASSERT_EQ(strip.NavigationsStarted().size(), 1u);
  EXPECT_EQ(strip.NavigationsStarted()[0], url_);

  EXPECT_EQ(::GetFocus(), note.text) << "the strip took the keyboard focus";
  EXPECT_TRUE(OtherVisibleTopLevelWindows({note.window}).empty()) << "a window or dialog appeared";
  // The failed load leaves the control on the page asked for, not on an error page.
  EXPECT_EQ(strip.LocationUrl(), url_);
}

TEST_F(WebViewTest, ShowsHidesMovesAndNavigatesOnceCreated) {
  Parent note;
  WebView strip(note.window);
  strip.SetVisible(true);  // no page and no place yet
  Pump();
  ASSERT_TRUE(strip.Created());
  EXPECT_TRUE(strip.NavigationsStarted().empty()) << "the control went somewhere on its own";
  HWND window = strip.Window();
  HWND control = ::GetWindow(window, GW_CHILD);
  ASSERT_NE(control, nullptr);

  strip.SetVisible(false);
  EXPECT_FALSE(::IsWindowVisible(window));
  EXPECT_FALSE(strip.Visible());
  EXPECT_EQ(strip.Window(), window) << "hiding must keep the control";

  const RECT moved{0, 120, 250, 183};
  strip.SetBounds(moved);
  strip.SetVisible(true);
  EXPECT_TRUE(::IsWindowVisible(window));
  EXPECT_TRUE(SameRect(PlaceInParent(window), moved));
  RECT client{};
  ::GetClientRect(control, &client);
  EXPECT_EQ(client.right, 250);
  EXPECT_EQ(client.bottom, 63);

  // A window narrower than its margins gives a negative width: the strip shrinks to nothing.
  strip.SetBounds(RECT{0, 120, -30, 183});
  EXPECT_EQ(PlaceInParent(window).right - PlaceInParent(window).left, 0);

  strip.Navigate(url_);
  strip.Navigate(kOtherPage);
  Pump();
  EXPECT_EQ(strip.NavigationsStarted(), (std::vector<std::wstring>{url_, kOtherPage}));
  EXPECT_EQ(strip.Url(), kOtherPage);
  EXPECT_TRUE(OtherVisibleTopLevelWindows({note.window}).empty());
}

TEST_F(WebViewTest, CloseReleasesOurSiteAndTheStripStaysClosed) {
  Parent note;
  WebView strip(note.window);
  strip.Navigate(url_);
  strip.SetVisible(true);
  Pump();
  ASSERT_TRUE(strip.Created());
  HWND window = strip.Window();

  strip.Close();
  EXPECT_FALSE(strip.Created());
  EXPECT_EQ(strip.Window(), nullptr);
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(strip.SiteReferences(), 0u) << "the control still holds our site, which dies with the note";
  Pump();
  EXPECT_EQ(strip.SiteReferences(), 0u);

  // Later calls are harmless and create nothing again.
  strip.SetVisible(false);
  strip.SetVisible(true);
  strip.SetBounds(RECT{0, 0, 100, 60});
  strip.Navigate(url_);
  strip.Close();
  EXPECT_FALSE(strip.Created());
  EXPECT_TRUE(strip.Visible());
  EXPECT_EQ(::GetWindow(note.window, GW_CHILD), note.text) << "a strip window was left or made again";
}

TEST_F(WebViewTest, NoteWindowDestroyedBeforeTheStripIsSafe) {
  auto note = std::make_unique<Parent>();
  WebView strip(note->window);
  strip.Navigate(url_);
  strip.SetVisible(true);
  Pump();
  ASSERT_TRUE(strip.Created());
  note.reset();  // destroys the note window and with it the strip's windows
  Pump();
  strip.SetBounds(RECT{0, 0, 50, 50});
  strip.SetVisible(false);
  strip.Close();
  EXPECT_EQ(strip.SiteReferences(), 0u);
}

TEST_F(WebViewTest, ManyStripsComeAndGoWithoutLeaksOrDialogs) {
  Parent note;
  std::vector<std::unique_ptr<WebView>> strips;
  double first = 0, slowest = 0, total = 0;
  constexpr int kCount = 12;
  for (int i = 0; i < kCount; ++i) {
    auto strip = std::make_unique<WebView>(note.window);
    strip->Navigate(url_);
    strip->SetBounds(RECT{0, 150, 290, 213});
    const auto start = std::chrono::steady_clock::now();
    strip->SetVisible(true);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_TRUE(strip->Created());
    if (i == 0) first = seconds;
    else total += seconds;
    slowest = std::max(slowest, seconds);
    strips.push_back(std::move(strip));
  }
  Pump();
  std::printf("[ web strip ] creation: first %.3f s, then mean %.3f s, slowest %.3f s\n", first,
              total / (kCount - 1), slowest);
  // Creation must never wait on anything (a dialog, the network).
  EXPECT_LT(slowest, 5.0);
  EXPECT_TRUE(OtherVisibleTopLevelWindows({note.window}).empty());
  for (auto& strip : strips) {
    ASSERT_EQ(strip->NavigationsStarted().size(), 1u);
    strip->Close();
    EXPECT_EQ(strip->SiteReferences(), 0u);
  }
}

// No control to host (or no window to live in): the note goes on without a strip.
TEST_F(WebViewTest, WithoutAControlEveryCallIsSafeAndVisibilityIsKept) {
  {
    WebView orphan(nullptr);
    orphan.Navigate(url_);
    orphan.SetVisible(true);
    EXPECT_FALSE(orphan.Created());
    EXPECT_TRUE(orphan.Visible());
  }
  Parent note;
  // A class that no one registered.
  constexpr CLSID kNoSuchControl = {0x6b1d6f7e, 0x52a4, 0x4c1e, {0x9a, 0x35, 0x0e, 0x51, 0x7a, 0x11, 0xd2, 0x90}};
  WebView strip(note.window, kNoSuchControl);
  strip.Navigate(url_);
  strip.SetBounds(RECT{0, 100, 200, 163});
  strip.SetVisible(true);
  EXPECT_FALSE(strip.Created());
  EXPECT_TRUE(strip.Visible());
  EXPECT_EQ(strip.Window(), nullptr);
  EXPECT_EQ(::GetWindow(note.window, GW_CHILD), note.text) << "a failed strip left a window in the note";
  EXPECT_EQ(::GetWindow(note.text, GW_HWNDNEXT), nullptr) << "a failed strip left a window in the note";
  EXPECT_TRUE(strip.LocationUrl().empty());
  strip.SetBounds(RECT{0, 120, 200, 183});
  strip.Navigate(kOtherPage);
  strip.SetVisible(false);
  EXPECT_FALSE(strip.Visible());
  strip.SetVisible(true);
  EXPECT_FALSE(strip.Created());
  EXPECT_EQ(strip.SiteReferences(), 0u);
  strip.Close();
}

}  // namespace
}  // namespace varnel
