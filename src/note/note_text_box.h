#pragma once
// The text box of a note: the multi-line EDIT control that holds the note's text, with its font,
// its colour pair and the one brush of its background (the note window paints its margin with the
// same), the tooltip that names the linked file, and the keyboard's way to the note's menu.
//
// The control is made only when it is needed (see note/drawn_text.h): until then the box holds the
// text itself and the note window draws it, through Paint. The mouse over the box, the focus and
// an assistive tool's question make it (MakeControl); so do a text too long to draw quickly, a
// line too long to wrap, and a first screen that only the control can draw.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "note/drawn_text.h"
#include "platform/unique_handle.h"

namespace varnel {

// Where the user is in the text: the selection (the caret at its end) and the first line shown.
struct TextBoxView {
  DWORD selectionStart = 0;
  DWORD selectionEnd = 0;
  int firstLine = 0;
  bool operator==(const TextBoxView&) const = default;
};

struct TextBoxFont {
  std::wstring name;
  float points = 0;
  bool bold = false;
  bool italic = false;
};

class NoteTextBox {
 public:
  // The control's id in its note window, by which tests and tools find it.
  static constexpr int kControlId = 1;
  // The control's styles when it wraps its lines.
  static constexpr DWORD kWrappedStyle =
      WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL;

  NoteTextBox() = default;
  NoteTextBox(const NoteTextBox&) = delete;
  NoteTextBox& operator=(const NoteTextBox&) = delete;
  // The control itself is a child window and goes with the note window.
  ~NoteTextBox() = default;

  // Sets the box up inside parent with the given colours (stored values, see platform/colours.h),
  // without its control; false when its background brush cannot be made. onMenuKey runs when
  // Shift+F10 or the menu key asks for a menu.
  bool Create(HWND parent, std::int32_t textColour, std::int32_t backColour, std::function<void()> onMenuKey);
  // The control; none while the text is drawn.
  HWND hwnd() const noexcept { return control_; }
  // Makes the control, holding the text drawn so far, unless it is made already; false when it
  // cannot be made, and then the text stays drawn.
  bool MakeControl() noexcept;
  // Draws the text into the parent's dc while there is no control; false when it cannot be drawn
  // as the control would show it, and then only the control can show it.
  bool Paint(HDC dc) noexcept;
  // A mouse message that the parent received at client, over the box: the control is made if it
  // is not yet and takes the message, so that a click puts the caret where it landed and the first
  // move makes the tooltip. False when client lies outside the box or no control can be made.
  bool TakeMouse(UINT msg, WPARAM wParam, POINT client) noexcept;

  std::wstring Text() const;
  // Replaces the whole text; true only when the control then holds exactly this text. A text with
  // a line longer than kLongestWrappedLine (note/line_wrap.h) is shown without wrapping, any other
  // text wrapped; the control is made again when that changes, and hwnd() then names the new one.
  bool SetText(const std::wstring& text);
  bool Wraps() const noexcept;

  // Replaces the whole text with a long one in slices (note/text_slices.h), so that the program
  // answers meanwhile: the first slice now, one more at each AppendSlice. Until the last one is in,
  // the box is read-only and shows view as far as the text then reaches, or wherever the user has
  // moved since. False when the control does not take the first slice. SetText ends a load that
  // is under way, and BeginSlices replaces it. When the box's whole text is the first kept
  // characters of text (a file written to at its end), only the rest goes in.
  bool BeginSlices(std::wstring text, const TextBoxView& view, std::size_t kept = 0);
  bool Loading() const noexcept { return loading_; }
  enum class SliceProgress { More, Whole, Failed };
  // Whole once the last slice is in and the control holds exactly the text, which it then takes
  // as unmodified, editable again; Failed when it does not hold it, and then it stays read-only.
  SliceProgress AppendSlice();

  const TextBoxFont& Font() const noexcept { return font_; }
  // Takes the font at the monitor's DPI; a font the system refuses leaves the current one.
  void SetFont(const TextBoxFont& font, int dpi) noexcept;

  std::int32_t TextColour() const noexcept { return textColour_; }
  std::int32_t BackColour() const noexcept { return backColour_; }
  // A value that is not a colour leaves the current one.
  void SetTextColour(std::int32_t value) noexcept;
  void SetBackColour(std::int32_t value) noexcept;
  HBRUSH BackBrush() const noexcept { return backBrush_.get(); }

  // The answer to WM_CTLCOLOREDIT, which the note window receives for the control, and to
  // WM_CTLCOLORSTATIC, which comes instead while the control is read-only.
  LRESULT OnColours(HDC dc) const noexcept;

  TextBoxView View() const noexcept;
  // Puts the selection and the scroll back, as far as the text now reaches.
  void SetView(const TextBoxView& view) noexcept;

  // The tooltip's text; the tooltip control itself is made on the mouse's first visit.
  void SetTooltip(std::wstring text);
  // The note window passes on the notices (WM_NOTIFY) it receives; true when one came from the
  // tooltip. Once its tip has hidden, the tooltip goes, and the mouse's next visit makes another.
  bool OnTooltipNotice(const NMHDR& notice) noexcept;

  void Move(const RECT& pixels) noexcept;
  RECT ScreenRect() const noexcept;

 private:
  static LRESULT CALLBACK SubclassProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                            DWORD_PTR self) noexcept;
  HWND NewControl(bool wrap) noexcept;
  // Makes sure an empty control that wraps or not is there, for a text about to be set.
  bool ControlFor(bool wrap) noexcept;
  // A text that goes in in slices breaks its lines by a rule of ours (note/line_wrap.h), one that
  // needs no analysis of the whole text after every change.
  void UseLongTextBreaks(bool use) noexcept;
  void Remake(bool wrap) noexcept;
  void Redraw() const noexcept;
  void MakeTooltip(const MSG& firstMove) noexcept;
  void DropTooltip() noexcept;
  void EndSlices(bool editable) noexcept;

  HWND parent_ = nullptr;
  // Where the box lies in the parent's client area.
  RECT place_{};
  // The text while there is no control.
  DrawnText drawn_;
  HWND control_ = nullptr;  // child of the note window: destroyed with it
  HWND tooltip_ = nullptr;  // owned popup of the note window: destroyed with it
  std::wstring tooltipText_;
  std::function<void()> onMenuKey_;
  TextBoxFont font_;
  int dpi_ = 96;
  UniqueFont fontHandle_;
  std::int32_t textColour_ = 0;
  std::int32_t backColour_ = 0;
  UniqueBrush backBrush_;

  // The text being handed over in slices, and how much of it the control holds.
  bool loading_ = false;
  std::wstring sliced_;
  std::size_t handedOver_ = 0;
  // Where the user is to be once the text is in, and where the box was left after the last slice.
  TextBoxView wantedView_;
  TextBoxView shownView_;
};

}  // namespace varnel
