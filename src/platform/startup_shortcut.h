#pragma once
// Shortcuts to the program in a Startup folder: Windows opens what the user's Startup folder
// holds at sign-in. The shortcuts are shell links (.lnk) made and read through IShellLinkW; the
// thread must have COM initialised.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace varnel {

// The user's Startup folder (FOLDERID_Startup), made when missing if make is set; nothing when the
// system cannot name it.
std::optional<std::wstring> UserStartupFolder(bool make);

// Where the shortcut at linkPath leads; nothing when it is no shortcut that can be read.
std::optional<std::wstring> ShortcutTarget(const std::wstring& linkPath);

class StartupShortcuts {
 public:
  // The shortcuts in folder that lead to program.
  StartupShortcuts(std::wstring folder, std::wstring program);

  // True when a shortcut in the folder leads to the program.
  bool Present() const;
  // Writes a shortcut named stem + ".lnk" (or "stem (2).lnk" and on, when another shortcut holds
  // the name) that starts the program in the program's folder; S_OK or why it failed. A half-written
  // shortcut is removed again.
  HRESULT Add(const std::wstring& stem) const;
  // Deletes every shortcut in the folder that leads to the program; the first failure's error, or
  // ERROR_SUCCESS. Shortcuts to other programs stay.
  DWORD Remove() const;

 private:
  // The paths of the shortcuts in the folder that lead to the program.
  std::vector<std::wstring> LeadingToProgram() const;

  const std::wstring folder_;
  const std::wstring program_;
};

}  // namespace varnel
