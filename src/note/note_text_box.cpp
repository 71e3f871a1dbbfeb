#include "note/note_text_box.h"

#include <commctrl.h>
#include <windowsx.h>

#include "note/line_wrap.h"
#include "note/text_slices.h"
#include "platform/colours.h"
#include "platform/dpi.h"
#include "platform/twips.h"

namespace varnel {
namespace {

constexpr DWORD kStyle = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL;
// A text box with these styles does not wrap; the scroll bar lets the mouse reach a line's far end.
constexpr DWORD kUnwrappedStyle = ES_AUTOHSCROLL | WS_HSCROLL;
constexpr UINT_PTR kSubclassId = 1;
// Long paths wrap in the tooltip instead of running off the screen.
constexpr double kTooltipWidthTwips = 6000;

}  // namespace

bool NoteTextBox::Create(HWND parent, std::int32_t textColour, std::int32_t backColour,
                         std::function<void()> onMenuKey) {
  textColour_ = textColour;
  backColour_ = backColour;
  backBrush_.reset(::CreateSolidBrush(ResolveColour(backColour_).value_or(0)));
  onMenuKey_ = std::move(onMenuKey);
  control_ = MakeControl(parent, true, RECT{});
  return control_ != nullptr;
}

HWND NoteTextBox::MakeControl(HWND parent, bool wrap, const RECT& place) noexcept {
  HWND control = ::CreateWindowExW(0, L"EDIT", L"", kStyle | (wrap ? 0 : kUnwrappedStyle), place.left, place.top,
                                   place.right - place.left, place.bottom - place.top, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(kControlId)),
                                   ::GetModuleHandleW(nullptr), nullptr);
  if (!control) return nullptr;
  // Without a limit of its own a text box stops at 32,767 characters and would cut long files.
  ::SendMessageW(control, EM_SETLIMITTEXT, 0, 0);
  if (fontHandle_) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fontHandle_.get()), FALSE);
  // The control opens its own editing menu on a right click; from the keyboard it must open the
  // note's. The mouse's first visit also makes the tooltip.
  ::SetWindowSubclass(control, &NoteTextBox::SubclassProcedure, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  return control;
}

bool NoteTextBox::Wraps() const noexcept { return (::GetWindowLongW(control_, GWL_STYLE) & ES_AUTOHSCROLL) == 0; }

// A text box wraps or not from its creation on, so another one takes the old one's place, with
// its font, its place among the note's controls and the focus. The tooltip named the old one: the
// mouse's next visit makes a new one. When no new box can be made the old one stays, slow but whole.
void NoteTextBox::Remake(bool wrap) noexcept {
  HWND parent = ::GetParent(control_);
  RECT place = ScreenRect();
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
  HWND made = MakeControl(parent, wrap, place);
  if (!made) return;
  ::SetWindowPos(made, control_, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  const bool focused = ::GetFocus() == control_;
  if (tooltip_) ::DestroyWindow(tooltip_);
  tooltip_ = nullptr;
  HWND old = control_;
  control_ = made;
  ::DestroyWindow(old);
  if (focused) ::SetFocus(control_);
}

std::wstring NoteTextBox::Text() const {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(control_)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(control_, text.data(), static_cast<int>(text.size()))));
  return text;
}

// A text with a line too long to wrap quickly is shown unwrapped (see note/line_wrap.h); the text
// itself is never changed.
bool NoteTextBox::SetText(const std::wstring& text) {
  if (loading_) EndSlices(true);
  const bool wrap = WrapsQuickly(text);
  if (wrap != Wraps()) Remake(wrap);
  if (!::SetWindowTextW(control_, text.c_str())) return false;
  ::SendMessageW(control_, EM_SETMODIFY, FALSE, 0);
  return Text() == text;
}

bool NoteTextBox::BeginSlices(std::wstring text, const TextBoxView& view) {
  // The control is made again, if at all, for the whole text's lines, not the first slice's.
  const bool wrap = WrapsQuickly(text);
  if (wrap != Wraps()) Remake(wrap);
  const std::size_t first = SliceEnd(text, 0, kTextSliceLength);
  sliced_ = std::move(text);
  handedOver_ = first;
  loading_ = true;
  ::SendMessageW(control_, EM_SETREADONLY, TRUE, 0);
  if (!::SetWindowTextW(control_, sliced_.substr(0, first).c_str())) {
    EndSlices(false);
    return false;
  }
  SetView(view);
  wantedView_ = view;
  shownView_ = View();
  return true;
}

// The control shows the end of what it was given and moves the caret there: the wanted view and
// selection are put back, as far as the text now reaches, without drawing the jump in between.
NoteTextBox::SliceProgress NoteTextBox::AppendSlice() {
  if (!loading_) return SliceProgress::Failed;
  if (handedOver_ < sliced_.size()) {
    const std::size_t end = SliceEnd(sliced_, handedOver_, kTextSliceLength);
    const std::wstring slice = sliced_.substr(handedOver_, end - handedOver_);
    // The user moved or scrolled meanwhile: from now on the box keeps their place.
    if (const TextBoxView now = View(); now != shownView_) wantedView_ = now;
    ::SendMessageW(control_, WM_SETREDRAW, FALSE, 0);
    const LRESULT length = ::SendMessageW(control_, WM_GETTEXTLENGTH, 0, 0);
    ::SendMessageW(control_, EM_SETSEL, static_cast<WPARAM>(length), length);
    ::SendMessageW(control_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(slice.c_str()));
    SetView(wantedView_);
    shownView_ = View();
    ::SendMessageW(control_, WM_SETREDRAW, TRUE, 0);
    // The scroll bar has changed; the text shown has not.
    ::RedrawWindow(control_, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
    handedOver_ = end;
    // The check of the whole text, a read of all of it, comes at a call of its own.
    return SliceProgress::More;
  }
  const bool whole = Text() == sliced_;
  EndSlices(whole);
  return whole ? SliceProgress::Whole : SliceProgress::Failed;
}

void NoteTextBox::EndSlices(bool editable) noexcept {
  loading_ = false;
  sliced_.clear();
  sliced_.shrink_to_fit();
  handedOver_ = 0;
  if (!editable) return;
  ::SendMessageW(control_, EM_EMPTYUNDOBUFFER, 0, 0);
  ::SendMessageW(control_, EM_SETMODIFY, FALSE, 0);
  ::SendMessageW(control_, EM_SETREADONLY, FALSE, 0);
}

void NoteTextBox::SetFont(const TextBoxFont& font, int dpi) noexcept {
  UniqueFont handle(::CreateFontW(FontHeightForPoints(font.points, dpi), 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL,
                                  font.italic, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.name.c_str()));
  if (!handle) return;
  try {
    font_ = font;
  } catch (...) {
    return;  // out of memory for the name: the old font stays, name and handle alike
  }
  dpi_ = dpi;
  ::SendMessageW(control_, WM_SETFONT, reinterpret_cast<WPARAM>(handle.get()), TRUE);
  fontHandle_ = std::move(handle);
}

void NoteTextBox::SetTextColour(std::int32_t value) noexcept {
  if (!ResolveColour(value)) return;
  textColour_ = value;
  ::InvalidateRect(control_, nullptr, TRUE);
}

void NoteTextBox::SetBackColour(std::int32_t value) noexcept {
  const std::optional<COLORREF> colour = ResolveColour(value);
  if (!colour) return;
  UniqueBrush brush(::CreateSolidBrush(*colour));
  if (!brush) return;
  backColour_ = value;
  backBrush_ = std::move(brush);
  ::InvalidateRect(control_, nullptr, TRUE);
}

LRESULT NoteTextBox::OnColours(HDC dc) const noexcept {
  ::SetTextColor(dc, ResolveColour(textColour_).value_or(0));
  ::SetBkColor(dc, ResolveColour(backColour_).value_or(0));
  return reinterpret_cast<LRESULT>(backBrush_.get());
}

// One tooltip control per note would cost the start-up of 101 notes about a quarter of a second
// under Wine, for tips most notes never show.
TextBoxView NoteTextBox::View() const noexcept {
  TextBoxView view;
  ::SendMessageW(control_, EM_GETSEL, reinterpret_cast<WPARAM>(&view.selectionStart),
                 reinterpret_cast<LPARAM>(&view.selectionEnd));
  view.firstLine = static_cast<int>(::SendMessageW(control_, EM_GETFIRSTVISIBLELINE, 0, 0));
  return view;
}

void NoteTextBox::SetView(const TextBoxView& view) noexcept {
  // The control takes positions past the end as the end.
  ::SendMessageW(control_, EM_SETSEL, view.selectionStart, view.selectionEnd);
  const int first = static_cast<int>(::SendMessageW(control_, EM_GETFIRSTVISIBLELINE, 0, 0));
  ::SendMessageW(control_, EM_LINESCROLL, 0, view.firstLine - first);
}

void NoteTextBox::SetTooltip(std::wstring text) {
  tooltipText_ = std::move(text);
  if (!tooltip_) return;
  // A tooltip already made shows the new text from its next appearance on.
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = ::GetParent(control_);
  tool.uId = reinterpret_cast<UINT_PTR>(control_);
  tool.lpszText = tooltipText_.data();
  ::SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void NoteTextBox::MakeTooltip(const MSG& firstMove) noexcept {
  if (tooltip_ || tooltipText_.empty()) return;
  HWND parent = ::GetParent(control_);
  tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
  if (!tooltip_) return;
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = parent;
  tool.uId = reinterpret_cast<UINT_PTR>(control_);
  tool.lpszText = tooltipText_.data();
  ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, TwipsToPixels(kTooltipWidthTwips, dpi_));
  ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  // The control watches the text box from the next message on; this move counts already.
  ::SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&firstMove));
}

void NoteTextBox::Move(const RECT& pixels) noexcept {
  ::MoveWindow(control_, pixels.left, pixels.top, pixels.right - pixels.left, pixels.bottom - pixels.top, TRUE);
}

RECT NoteTextBox::ScreenRect() const noexcept {
  RECT rect{};
  ::GetWindowRect(control_, &rect);
  return rect;
}

LRESULT CALLBACK NoteTextBox::SubclassProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                                DWORD_PTR self) noexcept {
  auto* textBox = reinterpret_cast<NoteTextBox*>(self);
  switch (msg) {
    case WM_CONTEXTMENU:
      // Shift+F10 and the menu key come as a position of (-1, -1); a right click inside the text
      // keeps the control's own menu.
      if (GET_X_LPARAM(lParam) == -1 && GET_Y_LPARAM(lParam) == -1 && textBox->onMenuKey_) {
        textBox->onMenuKey_();
        return 0;
      }
      break;
    case WM_MOUSEMOVE:
      textBox->MakeTooltip(MSG{hwnd, msg, wParam, lParam, 0, {}});
      break;
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(hwnd, &NoteTextBox::SubclassProcedure, id);
      // A box replaced by another one leaves the new one in place.
      if (textBox->control_ == hwnd) {
        textBox->control_ = nullptr;
        textBox->tooltip_ = nullptr;
      }
      break;
    default:
      break;
  }
  return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace varnel
