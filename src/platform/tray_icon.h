#pragma once
// The main window's icon in the notification area: the tray record (NOTIFYICONDATAA) in its first ANSI form,
// added and deleted through Shell_NotifyIconA.

#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <string_view>

#include "platform/tray_click.h"
#include "platform/window_messages.h"

namespace varnel {

// Tray clicks arrive as kTrayCallbackMessage on the owner window, the mouse message in lParam.
inline constexpr UINT kTrayIconId = 1;
inline constexpr UINT kTrayFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;  // 7
// The first form of the record: six fields and a 64-byte tip (88 bytes on 32-bit Windows,
// 104 on 64-bit, where the handles are 8 bytes and aligned).
inline constexpr DWORD kTrayRecordSize = NOTIFYICONDATAA_V1_SIZE;
inline constexpr int kTrayTipBytes = 64;
// Checked in every build, the 32-bit one included, since the shell rejects a record of another size.
static_assert(kTrayRecordSize == offsetof(NOTIFYICONDATAA, szTip) + kTrayTipBytes,
              "the first form ends with the 64-byte tip");
static_assert(kTrayRecordSize == (sizeof(void*) == 4 ? 88 : 104), "88 bytes on 32-bit Windows, 104 on 64-bit");

// The tip text in the system ANSI code page: at most 63 bytes, cut only between characters,
// the rest zero. Fills all 64 bytes of `tip`.
void FillTrayTip(std::wstring_view text, char (&tip)[kTrayTipBytes]) noexcept;

class TrayIcon {
 public:
  TrayIcon(HWND owner, UINT callbackMessage, HICON icon, std::wstring_view tip) noexcept;
  ~TrayIcon();  // removes the icon if it is still shown
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // NIM_ADD with the record; returns (and keeps) the shell's answer. Called again when the
  // taskbar is re-created.
  bool Add() noexcept;
  // NIM_DELETE with the same record, once; does nothing when the icon was never added.
  void Remove() noexcept;
  // Whether an add succeeded and no remove followed.
  bool Added() const noexcept { return added_; }
  // The shell's answer to the last add.
  bool LastAddResult() const noexcept { return lastAddResult_; }
  const NOTIFYICONDATAA& Record() const noexcept { return record_; }

  // The message Explorer broadcasts when the taskbar is (re)created; the icon must then be added again.
  static UINT TaskbarCreatedMessage() noexcept;

 private:
  NOTIFYICONDATAA record_{};
  bool added_ = false;
  bool lastAddResult_ = false;
};

}  // namespace varnel
