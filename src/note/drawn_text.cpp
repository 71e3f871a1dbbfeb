#include "note/drawn_text.h"

#include <usp10.h>

#include <algorithm>
#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

#include "note/note_text_box.h"
#include "platform/unique_handle.h"
#include "storage/unicode.h"

namespace varnel {
namespace {

// The hidden text box that lays out every note's first screen, and the margins it had when it
// was new.
struct LayoutBox {
  HWND box = nullptr;
  LRESULT newMargins = 0;
};

LayoutBox MakeLayoutBox(HWND host) noexcept {
  HWND box = ::CreateWindowExW(0, L"EDIT", L"", NoteTextBox::kWrappedStyle & ~WS_VISIBLE, 0, 0, 0, 0, host, nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
  if (!box) return {};
  ::SendMessageW(box, EM_SETLIMITTEXT, 0, 0);
  return {box, ::SendMessageW(box, EM_GETMARGINS, 0, 0)};
}

// Made at the first note's first paint, inside a message-only window that holds it; it goes with
// the program.
const LayoutBox& SharedLayoutBox() noexcept {
  static const UniqueWindow host(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                                   ::GetModuleHandleW(nullptr), nullptr));
  static const LayoutBox shared = host ? MakeLayoutBox(host.get()) : LayoutBox{};
  return shared;
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

// The width by which a text box spaces its tab stops: the font's average character, taken as half
// the width of the 52 Latin letters, rounded, as the window system measures dialog units.
int TabUnit(HDC dc) noexcept {
  static constexpr std::wstring_view kLetters = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  SIZE size{};
  if (!::GetTextExtentPoint32W(dc, kLetters.data(), static_cast<int>(kLetters.size()), &size)) return 0;
  return static_cast<int>((size.cx / 26 + 1) / 2);
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
  lines_.clear();
  return std::exchange(text_, std::wstring());
}

// Each line goes through the script functions as the text box draws it: one string analysis with
// the box's flags and tab stops, written from the left of the box's writing area and clipped to
// it, with the text's own background behind each run of one script. Drawn otherwise, an italic
// character's lean past its run stayed on the screen where the text box paints the next run's
// background over it.
bool DrawnText::Paint(HDC dc, const RECT& place, HFONT font, COLORREF colour, COLORREF back) noexcept {
  const int width = place.right - place.left;
  const int height = place.bottom - place.top;
  if (!laidOut_ || laidOutSize_.cx != width || laidOutSize_.cy != height || laidOutFont_ != font) {
    LayOut(width, height, font);
  }
  if (!drawable_) return false;
  RECT writing = writing_;
  ::OffsetRect(&writing, place.left, place.top);
  ::IntersectRect(&writing, &writing, &place);
  const int saved = ::SaveDC(dc);
  ::IntersectClipRect(dc, writing.left, writing.top, writing.right, writing.bottom);
  ::SelectObject(dc, font);
  ::SetTextColor(dc, colour);
  ::SetBkColor(dc, back);
  ::SetBkMode(dc, OPAQUE);
  SCRIPT_TABDEF tabs{0, TabUnit(dc), nullptr, 0};
  bool drawn = true;
  for (std::size_t line = 0; line < lines_.size() && drawn; ++line) {
    const int length = static_cast<int>(lines_[line].length);
    if (length == 0) continue;
    SCRIPT_STRING_ANALYSIS analysis = nullptr;
    drawn = SUCCEEDED(::ScriptStringAnalyse(dc, text_.data() + lines_[line].start, length, length * 3 / 2 + 16, -1,
                                            SSA_LINK | SSA_FALLBACK | SSA_GLYPHS | SSA_TAB, -1, nullptr, nullptr,
                                            nullptr, &tabs, nullptr, &analysis)) &&
            SUCCEEDED(::ScriptStringOut(analysis, place.left + writing_.left,
                                        place.top + writing_.top + static_cast<int>(line) * lineHeight_, 0, &writing,
                                        0, 0, FALSE));
    if (analysis) ::ScriptStringFree(&analysis);
  }
  ::RestoreDC(dc, saved);
  return drawn;
}

// The shared box takes a first part of the text that reaches two lines past the screen's end, so
// that the lines on the screen break as they do in the whole text. The part is guessed from the
// font's average character and the text's line ends, and doubled while it falls short: laying out
// the whole of a 2 KB text took as long as handing it to a note's own text box.
//
// A text box takes its margins from its font, but keeps the ones it had for a font of a Japanese
// character set whose characters stay within their cells: the shared box, which had other notes'
// fonts, starts each layout as the note's own text box will, new and at the note's size.
bool DrawnText::LayOut(int width, int height, HFONT font) noexcept {
  laidOut_ = true;
  drawable_ = false;
  laidOutSize_ = SIZE{width, height};
  laidOutFont_ = font;
  lines_.clear();
  const LayoutBox& layout = SharedLayoutBox();
  HWND box = layout.box;
  if (!box || !font) return false;
  ::SetWindowPos(box, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::SendMessageW(box, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, layout.newMargins);
  ::SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  ::SendMessageW(box, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&writing_));
  const WindowDc dc(box);
  if (!dc.get()) return false;
  const ScopedSelection selection(dc.get(), font);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc.get(), &metrics);
  lineHeight_ = std::max(1, static_cast<int>(metrics.tmHeight));
  // The text box draws every line that begins in its writing area, and the one after.
  const std::size_t screenLines =
      static_cast<std::size_t>(std::max(1L, (writing_.bottom - writing_.top) / lineHeight_)) + 1;
  const std::size_t lineLength = static_cast<std::size_t>(width / std::max(1L, metrics.tmAveCharWidth)) + 1;
  try {
    std::size_t length = (screenLines + 2) * lineLength;
    std::size_t lines = screenLines + 2;
    std::size_t shownLines = 0;
    for (;;) {
      const std::size_t end = PartEnd(text_, length, lines);
      if (!::SetWindowTextW(box, text_.substr(0, end).c_str())) return false;
      shownLines = static_cast<std::size_t>(::SendMessageW(box, EM_GETLINECOUNT, 0, 0));
      if (end == text_.size() || screenLines + 2 < shownLines) break;
      length *= 2;
      lines *= 2;
    }
    std::wstring screen;
    for (std::size_t line = 0; line < std::min(screenLines, shownLines); ++line) {
      const std::size_t start = static_cast<std::size_t>(::SendMessageW(box, EM_LINEINDEX, line, 0));
      const std::size_t count = static_cast<std::size_t>(::SendMessageW(box, EM_LINELENGTH, start, 0));
      lines_.push_back(Line{start, count});
      // Tabs are spaces to the text box, not characters of the font.
      std::copy_if(text_.begin() + static_cast<std::ptrdiff_t>(start),
                   text_.begin() + static_cast<std::ptrdiff_t>(start + count), std::back_inserter(screen),
                   [](wchar_t c) { return c != L'\t'; });
    }
    drawable_ = DrawsPlainly(dc.get(), screen);
  } catch (...) {
    // Out of memory for the first screen: the text box shows the text.
    lines_.clear();
  }
  // The shared box need not keep the note's text.
  ::SetWindowTextW(box, L"");
  return drawable_;
}

}  // namespace varnel
