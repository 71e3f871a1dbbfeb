#pragma once
// Whether the note's text box wraps a text. The platform's multi-line text box lays a wrapped line
// out again for every screen line it breaks into, so the time to show a line grows with the square
// of its length: under Wine, one line of Japanese text in a default note took 0.1 s at 4,000
// characters, 0.4-0.6 s at 10,000, 2.8 s at 30,000 and more than 100 s at 100,000, and the program
// answered nothing meanwhile. Without wrapping the same box shows 100,000 characters in 0.08 s and
// 1,000,000 in 0.8 s. So a text holding a longer line than the limit is shown unwrapped (the user
// scrolls sideways); its text stays exactly as it is.

#include <cstddef>
#include <string_view>

namespace varnel {

// In UTF-16 units. A narrower note or a larger font breaks a line into more screen lines and pays
// more: at half the default width 4,000 characters took 0.15 s.
inline constexpr std::size_t kLongestWrappedLine = 4000;

// Whether text holds a line longer than length UTF-16 units. Lines end at CR LF only, as in the
// text box: a lone CR or LF does not break a line there.
bool HasLineLongerThan(std::wstring_view text, std::size_t length) noexcept;

inline bool WrapsQuickly(std::wstring_view text) noexcept { return !HasLineLongerThan(text, kLongestWrappedLine); }

// Where a long text's lines may break. The platform's text box under Wine finds break places by
// analysing the whole text again after every change to it: near the end of a 10 MB text that cost
// 0.08 s a key and 0.1-0.2 s a slice. A text long enough to go in in slices breaks its lines by
// this rule instead, which looks only at the two characters around index in line: after a space,
// and between Japanese or Chinese characters, except before closing punctuation and small kana or
// after opening brackets; never inside a word of other scripts or a surrogate pair.
bool CanBreakBefore(std::wstring_view line, std::size_t index) noexcept;

}  // namespace varnel
