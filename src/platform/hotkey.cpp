#include "platform/hotkey.h"

namespace varnel {

// A held key repeats: MOD_NOREPEAT turns one press into one message.
Hotkey::Hotkey(HWND window, int id, UINT modifiers, UINT key) noexcept
    : window_(window), id_(id), registered_(::RegisterHotKey(window, id, modifiers | MOD_NOREPEAT, key) != FALSE) {}

Hotkey::~Hotkey() {
  if (registered_) ::UnregisterHotKey(window_, id_);
}

}  // namespace varnel
