#pragma once
// A note's design values: how a note looks before its record says otherwise, and what the record
// of a new note holds. One set for the note's settings, the writer of new records and the tests.

#include <cstdint>
#include <string_view>

namespace varnel {

// "ＭＳ Ｐゴシック"
inline constexpr std::wstring_view kNoteFontName = L"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF";
inline constexpr float kNoteFontSize = 9;                     // points
inline constexpr std::int32_t kNoteBackColour = 0x00C0C0C0;  // light grey
inline constexpr std::int32_t kNoteTextColour = 0x00000000;  // black

// The note window's outer size before its record applies (twips): the text box's design size
// plus the margins around it.
inline constexpr double kDesignNoteWidth = 3135;
inline constexpr double kDesignNoteHeight = 2655;

// Width and height written into the record of a new note (twips); the note opens at this size,
// not at the design size above.
inline constexpr float kNewNoteSize = 3000;

}  // namespace varnel
