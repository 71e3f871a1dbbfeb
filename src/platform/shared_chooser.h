#pragma once
// chooser: the font and colour choosers of the main window, borrowed by every note. Its
// properties persist between uses and across notes for the life of its owner.

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

namespace varnel {

enum class ChooserOutcome {
  Chosen,     // OK: the properties now hold the choice
  Cancelled,  // the user cancelled: every property is as it was
  Failed,     // the chooser could not be shown: every property is as it was
};

class SharedChooser {
 public:
  // 3 asks for screen and printer fonts in the font chooser; the same value makes the colour
  // chooser open fully expanded with the current colour selected (CC_RGBINIT | CC_FULLOPEN).
  int flags = 0;
  std::wstring fontName;
  float fontSize = 0.0f;  // points; fractional sizes such as 10.5 are kept
  bool bold = false;
  bool italic = false;
  std::int32_t colour = 0;  // 0x00BBGGRR; after a chosen colour always a plain RGB value

  SharedChooser();

  // The system font dialog, modal to `owner`, opened on fontName, fontSize, bold and italic.
  // A part of the font the user left as it was keeps its exact value (so 10.5 stays 10.5 even
  // where the dialog lists whole sizes only).
  ChooserOutcome ShowFont(HWND owner);

  // The system colour dialog, modal to `owner`, with `flags` as its flags and `colour` as its colour.
  ChooserOutcome ShowColour(HWND owner);

  // True while one of the two choosers is open. Notes share the properties, so a second note must
  // not start a chooser then; a second Show call meanwhile fails and changes nothing.
  bool Showing() const noexcept { return showing_; }

  // The sixteen custom colours of the colour dialog, kept for the run.
  const std::array<COLORREF, 16>& CustomColors() const noexcept { return customColors_; }

 private:
  std::array<COLORREF, 16> customColors_;
  bool showing_ = false;
};

}  // namespace varnel
