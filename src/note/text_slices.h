#pragma once
// A long text goes into the note's text box in slices, one between the program's messages, so
// that the program keeps answering while it loads. Under Wine the text box takes about 3
// microseconds per character of Japanese text, and every change costs it about 17 nanoseconds per
// character it already holds: one 16,384-character slice took 0.05 s near the start of a 10 MB
// text and 0.1-0.15 s near its end, while the whole 10 MB text at once took 12-13 s.

#include <cstddef>
#include <string_view>

namespace varnel {

// In UTF-16 units. A text up to this long goes into the text box at once.
inline constexpr std::size_t kTextSliceLength = 16384;

inline bool ShownInSlices(std::wstring_view text) noexcept { return text.size() > kTextSliceLength; }

// Where the slice of text that begins at start ends: just past the first line end (CR LF) that
// ends at or after start + length, or at the text's end. A slice always ends a line, so the text
// box never sees a line end or a character split in two; a line longer than a slice goes in whole.
std::size_t SliceEnd(std::wstring_view text, std::size_t start, std::size_t length) noexcept;

}  // namespace varnel
