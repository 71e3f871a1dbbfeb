#pragma once
// A system-wide key combination registered for a window: WM_HOTKEY reaches the window with the
// id, whichever program has the focus. Unregistered when the object goes.

#include <windows.h>

namespace varnel {

class Hotkey {
 public:
  // Registers modifiers (MOD_CONTROL, MOD_ALT, ...) + key for window. When another program holds
  // the combination already, the object stays unregistered and the window simply gets no key.
  Hotkey(HWND window, int id, UINT modifiers, UINT key) noexcept;
  Hotkey(const Hotkey&) = delete;
  Hotkey& operator=(const Hotkey&) = delete;
  ~Hotkey();

  bool registered() const noexcept { return registered_; }

 private:
  HWND window_;
  int id_;
  bool registered_;
};

}  // namespace varnel
