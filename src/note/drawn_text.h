#pragma once
// A note's text drawn as its text box shows it, for a note whose text box is not made yet. Making
// a text box and handing it the whole text was most of what a note cost at start, and most notes
// are only looked at: the note draws its first screen of text instead, until the user's mouse or
// focus, or an assistive tool, needs the text box itself.
//
// The lines break where the text box breaks them because a text box of the same kind lays them
// out: one hidden box, shared by every note, takes only as much of each text as fills the first
// screen, and tells where each line starts and where the box writes. The note draws each line as
// the text box draws it, through the same script functions with the same font, colours and clip,
// so nothing moves when the text box takes over: not the lean of an italic face past the end of
// a run, not a tab, not the margins a font gives the box.

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace varnel {

class DrawnText {
 public:
  const std::wstring& Text() const noexcept { return text_; }
  void SetText(std::wstring text) noexcept;
  // Gives the text away, leaving none.
  std::wstring TakeText() noexcept;
  // The next Paint lays the first screen out again, for a font that changed.
  void ForgetLayout() noexcept { laidOut_ = false; }

  // Draws the first screen of the text into place on dc, in font and colour, over a background
  // already painted in back. False when it cannot be drawn as the text box would show it: the
  // shared box cannot be made, or the first screen holds characters that the text box shapes or
  // takes from other fonts (complex scripts, characters the font lacks). The text box must then
  // show it.
  bool Paint(HDC dc, const RECT& place, HFONT font, COLORREF colour, COLORREF back) noexcept;

 private:
  bool LayOut(int width, int height, HFONT font) noexcept;

  // The characters of one screen line, as the text box draws them: line ends left out.
  struct Line {
    std::size_t start = 0;
    std::size_t length = 0;
  };

  std::wstring text_;
  // The first screen's lines, from the top.
  std::vector<Line> lines_;
  // Where the text box writes in its client area, lines from its top one under another; it draws
  // nothing outside.
  RECT writing_{};
  int lineHeight_ = 1;
  bool laidOut_ = false;
  bool drawable_ = false;
  SIZE laidOutSize_{};
  HFONT laidOutFont_ = nullptr;
};

}  // namespace varnel
