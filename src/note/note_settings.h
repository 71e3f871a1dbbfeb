#pragma once
// The values a note applies, taken from its record file, and the values it writes back when it
// closes. Portable: the note window applies them, the native tests check the rules.

#include <cstdint>
#include <string>

#include "storage/note_defaults.h"
#include "storage/note_record.h"

namespace varnel {

// Font sizes the text box takes, in points: finite, above 0 and at most this.
inline constexpr float kLargestFontSize = 2048;

struct NoteSettings {
  std::wstring textPath;  // the linked text file
  double left = 0, top = 0, width = kDesignNoteWidth, height = kDesignNoteHeight;  // twips, outer window
  std::int32_t backColour = kNoteBackColour;  // the window's and the text box's, as stored
  std::wstring fontName{kNoteFontName};
  float fontSize = kNoteFontSize;
  std::int32_t textColour = kNoteTextColour;
  bool bold = false, italic = false, webStripVisible = false;

  bool operator==(const NoteSettings&) const = default;
};

// The settings a record gives. Each value stands alone: an unset or unusable one keeps the design
// value. A position or size must be one a window can take (IsWindowTwips); a width or height is
// raised to the smallest note (kMinNoteWidth, kMinNoteHeight); a font size must be in range; an
// empty font name and a colour that is not a usable colour value are ignored. An unset path is
// the empty path.
NoteSettings SettingsFromRecord(const NoteRecord& record);

// What a closing note writes into its record: positions, sizes and font size in single precision.
NoteValues ValuesToWrite(const NoteSettings& settings);

}  // namespace varnel
