#include "note/drawn_text.h"

#include <usp10.h>

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "note/note_text_box.h"
#include "platform/unique_handle.h"
#include "storage/unicode.h"

namespace varnel {
namespace {

HWND MakeLayoutBox(HWND host) noexcept {
  HWND box = ::CreateWindowExW(0, L"EDIT", L"", NoteTextBox::kWrappedStyle & ~WS_VISIBLE, 0, 0, 0, 0, host, nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
  if (box) ::SendMessageW(box, EM_SETLIMITTEXT, 0, 0);
  return box;
}

// The hidden text box that lays out every note's first screen, inside a message-only window that
// holds it. Made at the first note's first paint; it goes with the program.
HWND LayoutBox() noexcept {
  static const UniqueWindow host(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                                   ::GetModuleHandleW(nullptr), nullptr));
  static const HWND box = host ? MakeLayoutBox(host.get()) : nullptr;
  return box;
}

// The end of a first part of text at most length characters long and holding at most lines line
// ends, that splits no character and no line end.
std::size_t PartEnd(std::wstring_view text, std::size_t length, std::size_t lines) noexcept {
  for (std::size_t lineEnd = text.find(L"\r\n"); lineEnd != std::wstring_view::npos && lineEnd < length;
       lineEnd = text.find(L"\r\n", lineEnd + 2)) {
    if (--lines == 0) return lineEnd + 2;
  }
  if (length >= text.size()) return text.size();
  const wchar_t last = text[length - 1];
  return IsHighSurrogate(last) || last == L'\r' ? length + 1 : length;
}

// Where the text box puts the character at index, in its client area; nothing past the text's end.
std::optional<POINT> PositionOf(HWND box, std::size_t index) noexcept {
  const LRESULT position = ::SendMessageW(box, EM_POSFROMCHAR, index, 0);
  if (position == -1) return std::nullopt;
  return POINT{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
}

// Whether the font draws every character of text by itself, as it stands: no complex script to
// shape, no character to take from another font.
bool DrawsPlainly(HDC dc, const std::wstring& text) {
  if (text.empty()) return true;
  const int length = static_cast<int>(text.size());
  if (::ScriptIsComplex(text.data(), length, SIC_COMPLEX) == S_OK) return false;
  std::vector<WORD> glyphs(text.size());
  if (::GetGlyphIndicesW(dc, text.data(), length, glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR) {
    return false;
  }
  return std::find(glyphs.begin(), glyphs.end(), WORD{0xFFFF}) == glyphs.end();
}

}  // namespace

void DrawnText::SetText(std::wstring text) noexcept {
  text_ = std::move(text);
  laidOut_ = false;
}

std::wstring DrawnText::TakeText() noexcept {
  laidOut_ = false;
  runs_.clear();
  return std::exchange(text_, std::wstring());
}

bool DrawnText::Paint(HDC dc, const RECT& place, HFONT font, COLORREF colour) noexcept {
  const int width = place.right - place.left;
  const int height = place.bottom - place.top;
  if (!laidOut_ || laidOutSize_.cx != width || laidOutSize_.cy != height || laidOutFont_ != font) {
    LayOut(width, height, font);
  }
  if (!drawable_) return false;
  const int saved = ::SaveDC(dc);
  ::IntersectClipRect(dc, place.left, place.top, place.right, place.bottom);
  ::SelectObject(dc, font);
  ::SetTextColor(dc, colour);
  ::SetBkMode(dc, TRANSPARENT);
  for (const Run& run : runs_) {
    ::ExtTextOutW(dc, place.left + run.x, place.top + run.y, 0, nullptr, text_.data() + run.start,
                  static_cast<UINT>(run.length), nullptr);
  }
  ::RestoreDC(dc, saved);
  return true;
}

// The shared box takes a first part of the text that reaches two lines past the screen's end, so
// that the lines on the screen break as they do in the whole text. The part is guessed from the
// font's average character and the text's line ends, and doubled while it falls short: laying out
// the whole of a 2 KB text took as long as handing it to a note's own text box.
bool DrawnText::LayOut(int width, int height, HFONT font) noexcept {
  laidOut_ = true;
  drawable_ = false;
  laidOutSize_ = SIZE{width, height};
  laidOutFont_ = font;
  runs_.clear();
  HWND box = LayoutBox();
  if (!box || !font) return false;
  ::SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  ::SetWindowPos(box, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  const WindowDc dc(box);
  if (!dc.get()) return false;
  const ScopedSelection selection(dc.get(), font);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc.get(), &metrics);
  const std::size_t screenLines = static_cast<std::size_t>(height / std::max(1L, metrics.tmHeight)) + 1;
  const std::size_t lineLength = static_cast<std::size_t>(width / std::max(1L, metrics.tmAveCharWidth)) + 1;
  try {
    std::size_t length = (screenLines + 2) * lineLength;
    std::size_t lines = screenLines + 2;
    std::vector<std::size_t> lineStarts;
    for (;;) {
      const std::size_t end = PartEnd(text_, length, lines);
      if (!::SetWindowTextW(box, text_.substr(0, end).c_str())) return false;
      const int shownLines = static_cast<int>(::SendMessageW(box, EM_GETLINECOUNT, 0, 0));
      lineStarts.clear();
      for (int line = 0; line < shownLines; ++line) {
        const std::size_t start = static_cast<std::size_t>(::SendMessageW(box, EM_LINEINDEX, line, 0));
        // Only the last line can start at the text's end, and it is empty. The text box shows no
        // line that the screen cuts off at the bottom, unless it is the first.
        const std::optional<POINT> position = PositionOf(box, start);
        if (!position || (line > 0 && position->y + metrics.tmHeight > height)) break;
        lineStarts.push_back(start);
      }
      if (end == text_.size() || lineStarts.size() + 2 < static_cast<std::size_t>(shownLines)) break;
      length *= 2;
      lines *= 2;
    }
    std::wstring screen;
    for (const std::size_t lineStart : lineStarts) {
      const std::size_t lineEnd =
          lineStart + static_cast<std::size_t>(::SendMessageW(box, EM_LINELENGTH, lineStart, 0));
      for (std::size_t start = lineStart; start < lineEnd;) {
        const std::size_t tab = std::min(text_.find(L'\t', start), lineEnd);
        if (tab > start) {
          const std::optional<POINT> position = PositionOf(box, start);
          if (!position) return false;
          runs_.push_back(Run{position->x, position->y, start, tab - start});
          screen.append(text_, start, tab - start);
        }
        start = tab + 1;
      }
    }
    drawable_ = DrawsPlainly(dc.get(), screen);
  } catch (...) {
    // Out of memory for the first screen: the text box shows the text.
    runs_.clear();
  }
  // The shared box need not keep the note's text.
  ::SetWindowTextW(box, L"");
  return drawable_;
}

}  // namespace varnel
