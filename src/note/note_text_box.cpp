#include "note/note_text_box.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <string_view>

#include "note/line_wrap.h"
#include "note/text_slices.h"
#include "platform/colours.h"
#include "platform/dpi.h"
#include "platform/twips.h"
#include "platform/window_messages.h"

namespace varnel {
namespace {

// A text box with these styles does not wrap; the scroll bar lets the mouse reach a line's far end.
constexpr DWORD kUnwrappedStyle = ES_AUTOHSCROLL | WS_HSCROLL;
constexpr UINT_PTR kSubclassId = 1;
// Long paths wrap in the tooltip instead of running off the screen.
constexpr double kTooltipWidthTwips = 6000;

// Where a long text's lines may break (note/line_wrap.h), as the text box asks for it: the start
// of the word left or right of index, or whether the character at index is a space.
int CALLBACK LongTextWordBreak(LPWSTR text, int index, int count, int action) {
  const std::wstring_view line(text, static_cast<std::size_t>(std::max(count, 0)));
  switch (action) {
    case WB_LEFT: {
      int at = index - 1;
      while (at > 0 && !CanBreakBefore(line, static_cast<std::size_t>(at))) --at;
      return std::max(at, 0);
    }
    case WB_RIGHT: {
      int at = index + 1;
      while (at < count && !CanBreakBefore(line, static_cast<std::size_t>(at))) ++at;
      return std::min(at, count);
    }
    case WB_ISDELIMITER:
      return index >= 0 && index < count && (text[index] == L' ' || text[index] == L'\t' || text[index] == L'\u3000');
    default:
      return 0;
  }
}

}  // namespace

bool NoteTextBox::Create(HWND parent, std::int32_t textColour, std::int32_t backColour,
                         std::function<void()> onMenuKey) {
  parent_ = parent;
  textColour_ = textColour;
  backColour_ = backColour;
  backBrush_.reset(::CreateSolidBrush(ResolveColour(backColour_).value_or(0)));
  onMenuKey_ = std::move(onMenuKey);
  return static_cast<bool>(backBrush_);
}

HWND NoteTextBox::NewControl(bool wrap) noexcept {
  HWND control = ::CreateWindowExW(0, L"EDIT", L"", kWrappedStyle | (wrap ? 0 : kUnwrappedStyle), place_.left,
                                   place_.top, place_.right - place_.left, place_.bottom - place_.top, parent_,
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

// The control takes the drawn text whole, or the text stays drawn.
bool NoteTextBox::MakeControl() noexcept {
  if (control_) return true;
  HWND control = NewControl(true);
  if (!control) return false;
  bool whole = false;
  if (::SetWindowTextW(control, drawn_.Text().c_str())) {
    const int length = ::GetWindowTextLengthW(control);
    try {
      std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
      text.resize(static_cast<std::size_t>(::GetWindowTextW(control, text.data(), length + 1)));
      whole = text == drawn_.Text();
    } catch (...) {
      // Out of memory for the check: the control is not trusted with the text.
    }
  }
  if (!whole) {
    ::DestroyWindow(control);
    return false;
  }
  control_ = control;
  drawn_.TakeText();
  return true;
}

bool NoteTextBox::ControlFor(bool wrap) noexcept {
  if (!control_) {
    control_ = NewControl(wrap);
    if (control_) drawn_.TakeText();
  } else if (wrap != Wraps()) {
    Remake(wrap);
  }
  return control_ != nullptr;
}

void NoteTextBox::UseLongTextBreaks(bool use) noexcept {
  const auto proc = reinterpret_cast<EDITWORDBREAKPROCW>(::SendMessageW(control_, EM_GETWORDBREAKPROC, 0, 0));
  if ((proc == &LongTextWordBreak) == use) return;
  ::SendMessageW(control_, EM_SETWORDBREAKPROC, 0, use ? reinterpret_cast<LPARAM>(&LongTextWordBreak) : 0);
}

bool NoteTextBox::Paint(HDC dc) noexcept {
  if (control_) return true;
  return drawn_.Paint(dc, place_, fontHandle_.get(), ResolveColour(textColour_).value_or(0),
                      ResolveColour(backColour_).value_or(0));
}

bool NoteTextBox::TakeMouse(UINT msg, WPARAM wParam, POINT client) noexcept {
  if (!::PtInRect(&place_, client) || !MakeControl()) return false;
  ::SendMessageW(control_, msg, wParam, MAKELPARAM(client.x - place_.left, client.y - place_.top));
  return true;
}

bool NoteTextBox::Wraps() const noexcept {
  return !control_ || (::GetWindowLongW(control_, GWL_STYLE) & ES_AUTOHSCROLL) == 0;
}

// A text box wraps or not from its creation on, so another one takes the old one's place, with
// its font, its place among the note's controls and the focus. The tooltip named the old one: the
// mouse's next visit makes a new one. When no new box can be made the old one stays, slow but whole.
void NoteTextBox::Remake(bool wrap) noexcept {
  HWND made = NewControl(wrap);
  if (!made) return;
  ::SetWindowPos(made, control_, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  const bool focused = ::GetFocus() == control_;
  DropTooltip();
  HWND old = control_;
  control_ = made;
  ::DestroyWindow(old);
  if (focused) ::SetFocus(control_);
}

std::wstring NoteTextBox::Text() const {
  if (!control_) return drawn_.Text();
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(control_)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(control_, text.data(), static_cast<int>(text.size()))));
  return text;
}

// A text with a line too long to wrap quickly is shown unwrapped (see note/line_wrap.h); the text
// itself is never changed.
bool NoteTextBox::SetText(const std::wstring& text) {
  if (loading_) EndSlices(true);
  const bool wrap = WrapsQuickly(text);
  // A text that is drawn quickly waits for the control to be needed.
  if (!control_ && wrap && !ShownInSlices(text)) {
    drawn_.SetText(text);
    Redraw();
    return true;
  }
  // The box lays its lines out again when its way of breaking them changes: while it holds the
  // shorter text.
  const bool longText = ShownInSlices(text);
  if (!ControlFor(wrap)) return false;
  if (longText) UseLongTextBreaks(true);
  if (!::SetWindowTextW(control_, text.c_str())) return false;
  if (!longText) UseLongTextBreaks(false);
  ::SendMessageW(control_, EM_SETMODIFY, FALSE, 0);
  return Text() == text;
}

bool NoteTextBox::BeginSlices(std::wstring text, const TextBoxView& view, std::size_t kept) {
  const bool wrap = WrapsQuickly(text);
  // A box made again, or one still taking another text, holds none of it; the whole text is
  // checked once it is in.
  if (!control_ || loading_ || wrap != Wraps() || kept > text.size()) kept = 0;
  // The control is made again, if at all, for the whole text's lines, not the first slice's.
  if (!ControlFor(wrap)) return false;
  UseLongTextBreaks(true);
  const std::size_t first = kept ? kept : SliceEnd(text, 0, kTextSliceLength);
  sliced_ = std::move(text);
  handedOver_ = first;
  loading_ = true;
  ::SendMessageW(control_, EM_SETREADONLY, TRUE, 0);
  if (!kept && !::SetWindowTextW(control_, sliced_.substr(0, first).c_str())) {
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
  if (control_) ::SendMessageW(control_, WM_SETFONT, reinterpret_cast<WPARAM>(handle.get()), TRUE);
  fontHandle_ = std::move(handle);
  drawn_.ForgetLayout();
  if (!control_) Redraw();
}

void NoteTextBox::SetTextColour(std::int32_t value) noexcept {
  if (!ResolveColour(value)) return;
  textColour_ = value;
  Redraw();
}

void NoteTextBox::SetBackColour(std::int32_t value) noexcept {
  const std::optional<COLORREF> colour = ResolveColour(value);
  if (!colour) return;
  UniqueBrush brush(::CreateSolidBrush(*colour));
  if (!brush) return;
  backColour_ = value;
  backBrush_ = std::move(brush);
  Redraw();
}

void NoteTextBox::Redraw() const noexcept {
  if (control_) {
    ::InvalidateRect(control_, nullptr, TRUE);
  } else if (parent_) {
    ::InvalidateRect(parent_, &place_, TRUE);
  }
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
  // A drawn text shows its start.
  if (!control_) return view;
  ::SendMessageW(control_, EM_GETSEL, reinterpret_cast<WPARAM>(&view.selectionStart),
                 reinterpret_cast<LPARAM>(&view.selectionEnd));
  view.firstLine = static_cast<int>(::SendMessageW(control_, EM_GETFIRSTVISIBLELINE, 0, 0));
  return view;
}

void NoteTextBox::SetView(const TextBoxView& view) noexcept {
  if (!control_) return;
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
  tool.hwnd = parent_;
  tool.uId = reinterpret_cast<UINT_PTR>(control_);
  tool.lpszText = tooltipText_.data();
  ::SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void NoteTextBox::MakeTooltip(const MSG& firstMove) noexcept {
  if (tooltip_ || tooltipText_.empty()) return;
  tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent_, nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
  if (!tooltip_) return;
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = parent_;
  tool.uId = reinterpret_cast<UINT_PTR>(control_);
  tool.lpszText = tooltipText_.data();
  ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, TwipsToPixels(kTooltipWidthTwips, dpi_));
  ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  // The control watches the text box from the next message on; this move counts already.
  ::SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&firstMove));
}

// Under Wine a tooltip that has shown its tip asks where the mouse is ten times a second until the
// mouse leaves the text box, long after the tip has hidden itself: a mouse resting on a note kept
// the whole program awake (0.15 s of processor time a minute). The tip's end is told from inside
// the tooltip's own procedure, which goes on using it, so the tooltip goes a moment later.
bool NoteTextBox::OnTooltipNotice(const NMHDR& notice) noexcept {
  if (tooltip_ == nullptr || notice.hwndFrom != tooltip_) return false;
  if (notice.code == TTN_POP) ::PostMessageW(control_, kDropTooltipMessage, 0, 0);
  return true;
}

void NoteTextBox::DropTooltip() noexcept {
  if (tooltip_) ::DestroyWindow(tooltip_);
  tooltip_ = nullptr;
}

void NoteTextBox::Move(const RECT& pixels) noexcept {
  if (control_) {
    place_ = pixels;
    ::MoveWindow(control_, pixels.left, pixels.top, pixels.right - pixels.left, pixels.bottom - pixels.top, TRUE);
    return;
  }
  if (::EqualRect(&place_, &pixels)) return;
  Redraw();
  place_ = pixels;
  Redraw();
}

RECT NoteTextBox::ScreenRect() const noexcept {
  RECT rect = place_;
  ::MapWindowPoints(parent_, nullptr, reinterpret_cast<POINT*>(&rect), 2);
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
    case kDropTooltipMessage:
      // Unless the mouse brought the tip back meanwhile.
      if (textBox->tooltip_ && !::IsWindowVisible(textBox->tooltip_)) textBox->DropTooltip();
      return 0;
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
