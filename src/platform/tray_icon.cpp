#include "platform/tray_icon.h"

#include <cstring>

namespace varnel {

void FillTrayTip(std::wstring_view text, char (&tip)[kTrayTipBytes]) noexcept {
  std::memset(tip, 0, sizeof tip);
  // Character by character, so a double-byte character is never split at the 63-byte limit and
  // the last byte always stays 0.
  int used = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t units =
        (IS_HIGH_SURROGATE(text[i]) && i + 1 < text.size() && IS_LOW_SURROGATE(text[i + 1])) ? 2 : 1;
    char bytes[8];
    const int length = ::WideCharToMultiByte(CP_ACP, 0, text.data() + i, static_cast<int>(units), bytes,
                                             static_cast<int>(sizeof bytes), nullptr, nullptr);
    if (length <= 0 || used + length > kTrayTipBytes - 1) break;
    std::memcpy(tip + used, bytes, static_cast<std::size_t>(length));
    used += length;
    i += units;
  }
}

TrayIcon::TrayIcon(HWND owner, UINT callbackMessage, HICON icon, std::wstring_view tip) noexcept {
  record_.cbSize = kTrayRecordSize;
  record_.hWnd = owner;
  record_.uID = kTrayIconId;
  record_.uFlags = kTrayFlags;
  record_.uCallbackMessage = callbackMessage;
  record_.hIcon = icon;
  char bytes[kTrayTipBytes];
  FillTrayTip(tip, bytes);
  std::memcpy(record_.szTip, bytes, sizeof bytes);
}

TrayIcon::~TrayIcon() { Remove(); }

bool TrayIcon::Add() noexcept {
  lastAddResult_ = ::Shell_NotifyIconA(NIM_ADD, &record_) != FALSE;
  // After a taskbar restart the shell no longer holds the icon, and a fresh add succeeds; a failed
  // add while an earlier one still stands keeps that earlier icon ours to remove.
  added_ = added_ || lastAddResult_;
  return lastAddResult_;
}

void TrayIcon::Remove() noexcept {
  if (!added_) return;
  added_ = false;
  ::Shell_NotifyIconA(NIM_DELETE, &record_);
}

UINT TrayIcon::TaskbarCreatedMessage() noexcept { return ::RegisterWindowMessageW(L"TaskbarCreated"); }

}  // namespace varnel
