#pragma once
// Answers the popups a test opens on its own thread: a timer that the popup's own message loop
// dispatches finds the open dialog (#32770) or menu (#32768) and hands it to the next queued
// action, which reads it and answers it the way a user would.

#include <gtest/gtest.h>
#include <windows.h>
#include <dlgs.h>

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace varnel {

// Runs queued actions, one per popup (dialog or menu) this thread opens. A popup left open by its
// action, or opened with none queued, is closed after a while and counted, so no test hangs.
class PopupDriver {
 public:
  using Action = std::function<void(HWND popup)>;

  PopupDriver() {
    instance_ = this;
    timer_ = ::SetTimer(nullptr, 0, 30, Tick);
  }
  ~PopupDriver() {
    ::KillTimer(nullptr, timer_);
    instance_ = nullptr;
  }
  PopupDriver(const PopupDriver&) = delete;
  PopupDriver& operator=(const PopupDriver&) = delete;

  void Then(Action action) { actions_.push_back(std::move(action)); }
  int seen = 0;   // popups found open, each counted once
  int stuck = 0;  // popups that had to be closed by the driver

 private:
  static HWND OpenPopup() {
    HWND found = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hwnd, LPARAM out) -> BOOL {
          wchar_t name[16]{};
          ::GetClassNameW(hwnd, name, 16);
          const std::wstring cls = name;
          if ((cls == L"#32770" || cls == L"#32768") && ::IsWindowVisible(hwnd)) {
            *reinterpret_cast<HWND*>(out) = hwnd;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
  }

  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) noexcept {
    PopupDriver* self = instance_;
    if (!self) return;
    try {
      HWND popup = OpenPopup();
      if (!popup) {
        self->current_ = nullptr;
        return;
      }
      if (popup != self->current_) {
        self->current_ = popup;
        self->ticks_ = 0;
        ++self->seen;
        if (!self->actions_.empty()) {
          Action action = std::move(self->actions_.front());
          self->actions_.pop_front();
          action(popup);
          return;
        }
      }
      if (++self->ticks_ > 100) {
        ++self->stuck;
        // Closes an open menu, or cancels a dialog; each does nothing to the other kind.
        ::EndMenu();
        ::SendMessageW(::GetDlgItem(popup, IDCANCEL), BM_CLICK, 0, 0);
      }
    } catch (...) {
      ADD_FAILURE() << "a popup action threw";
    }
  }

  static inline PopupDriver* instance_ = nullptr;
  UINT_PTR timer_ = 0;
  std::deque<Action> actions_;
  HWND current_ = nullptr;
  int ticks_ = 0;
};

// The open menu's entries, "-" for a separator.
inline std::vector<std::wstring> MenuItems(HWND menuWindow) {
  std::vector<std::wstring> items;
  auto menu = reinterpret_cast<HMENU>(::SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    wchar_t caption[128]{};
    const bool separator = ::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR;
    ::GetMenuStringW(menu, static_cast<UINT>(i), caption, 128, MF_BYPOSITION);
    items.push_back(separator ? L"-" : caption);
  }
  return items;
}

// Picks a menu entry by its caption with the arrow keys and Return, as from the keyboard.
inline PopupDriver::Action Choose(const std::wstring& caption) {
  return [caption](HWND menu) {
    wchar_t name[16]{};
    ::GetClassNameW(menu, name, 16);
    ASSERT_EQ(std::wstring(name), L"#32768");
    int steps = 0;
    for (const std::wstring& item : MenuItems(menu)) {
      if (item == L"-") continue;
      ++steps;
      if (item == caption) break;
    }
    for (int i = 0; i < steps; ++i) ::PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
  };
}

// Clicks a dialog's button.
inline void Press(HWND dialog, int id) { ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Selects a list entry as a user would: the selection, then the notification the dialog acts on.
inline void Select(HWND dialog, int comboId, int index) {
  HWND combo = ::GetDlgItem(dialog, comboId);
  ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

inline int FindExact(HWND dialog, int comboId, const std::wstring& text) {
  return static_cast<int>(::SendDlgItemMessageW(dialog, comboId, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                reinterpret_cast<LPARAM>(text.c_str())));
}

// The font dialog's style entry whose weight and slant match (the dialog keeps
// MAKELONG(weight, italic) per entry).
inline int FindStyle(HWND dialog, bool bold, bool italic) {
  const int count = static_cast<int>(::SendDlgItemMessageW(dialog, cmb2, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    const auto data = static_cast<DWORD>(::SendDlgItemMessageW(dialog, cmb2, CB_GETITEMDATA, i, 0));
    if ((LOWORD(data) > FW_MEDIUM) == bold && (HIWORD(data) != 0) == italic) return i;
  }
  return -1;
}

}  // namespace varnel
