// The note's popup menu and its commands: font, text colour, background colour, the web strip,
// reload, overwrite-save and discard. The font and colour choosers are the main window's, shared
// by every note.

#include "note/form2.h"

#include <commctrl.h>
#include <windowsx.h>

#include "platform/colours.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/web_view.h"

namespace varnel {
namespace {

// Command identifiers, numbered after the items they belong to.
constexpr UINT kMenu1 = 101;
constexpr UINT kMenu2 = 102;
constexpr UINT kMenu3 = 103;
constexpr UINT kMenu4 = 104;
constexpr UINT kMenu5 = 105;
constexpr UINT kMenu6 = 106;
constexpr UINT kMenu7 = 107;
constexpr UINT kSeparator = 0;

struct MenuEntry {
  UINT id;
  const wchar_t* caption;
};

// In display order; bar1 and bar2 are the separators.
constexpr MenuEntry kMenuEntries[] = {
    {kMenu1, L"フォント"},
    {kMenu2, L"文字色"},
    {kMenu3, L"背景色"},
    {kMenu7, L"WebツールバーON/OFF"},
    {kSeparator, nullptr},
    {kMenu4, L"テキストデータの再読込み"},
    {kMenu5, L"テキストデータの上書き保存"},
    {kSeparator, nullptr},
    {kMenu6, L"捨てる"},
};

constexpr UINT_PTR kText1SubclassId = 1;

std::wstring DiscardQuestion(const std::wstring& textfile) {
  return std::wstring(L"この付箋紙を削除します。編集中の内容は失われます。よろしいですか？\r\n") +
         L"( ﾃｷｽﾄﾌｧｲﾙ[ " + textfile + L" ]は削除されません。 )\r\n" + L"\r\n" +
         L"編集中の内容をﾃｷｽﾄﾌｧｲﾙに反映するには「ﾃｷｽﾄﾃﾞｰﾀの上書き保存」を実行してください。";
}

}  // namespace

void Form2::SetUpMenu() {
  menu.reset(::CreatePopupMenu());
  if (menu) {
    for (const MenuEntry& entry : kMenuEntries) {
      if (entry.id == kSeparator) {
        ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
      } else {
        ::AppendMenuW(menu.get(), MF_STRING, entry.id, entry.caption);
      }
    }
  }
  // The text box opens its own editing menu on a right click; from the keyboard it must open ours.
  // The mouse's first visit to it also makes the tooltip.
  if (text1_) ::SetWindowSubclass(text1_, &Form2::Text1Procedure, kText1SubclassId, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK Form2::Text1Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self) noexcept {
  switch (msg) {
    case WM_CONTEXTMENU:
      // Shift+F10 and the menu key come as a position of (-1, -1); a right click inside the text
      // keeps the text box's own menu.
      if (GET_X_LPARAM(lParam) == -1 && GET_Y_LPARAM(lParam) == -1) {
        reinterpret_cast<Form2*>(self)->ShowMenuAtText1();
        return 0;
      }
      break;
    case WM_MOUSEMOVE:
      reinterpret_cast<Form2*>(self)->MakeTooltip(MSG{hwnd, msg, wParam, lParam, 0, {}});
      break;
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(hwnd, &Form2::Text1Procedure, id);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

// The note window's own context-menu request: only the keyboard's is ours.
bool Form2::OnContextMenu(LPARAM lParam) noexcept {
  if (GET_X_LPARAM(lParam) != -1 || GET_Y_LPARAM(lParam) != -1) return false;
  ShowMenuAtText1();
  return true;
}

void Form2::ShowMenuAtText1() noexcept {
  RECT text{};
  ::GetWindowRect(text1_, &text);
  ShowMenu(POINT{text.left, text.top});
}

// Opens the menu at a screen position, waits until it closes, then runs the chosen command.
void Form2::ShowMenu(POINT screen) noexcept {
  if (!menu || !IsOpen()) return;
  const BOOL chosen = ::TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD,
                                       screen.x, screen.y, 0, hwnd(), nullptr);
  if (chosen <= 0) return;
  try {
    RunMenuCommand(static_cast<UINT>(chosen));
  } catch (...) {
    // Out of memory half-way through a command: the note keeps whatever it had reached.
  }
}

void Form2::RunMenuCommand(UINT id) {
  switch (id) {
    case kMenu1:
      menu1_Click();
      break;
    case kMenu2:
      menu2_Click();
      break;
    case kMenu3:
      menu3_Click();
      break;
    case kMenu4:
      menu4_Click();
      break;
    case kMenu5:
      menu5_Click();
      break;
    case kMenu6:
      menu6_Click();
      break;
    case kMenu7:
      menu7_Click();
      break;
    default:
      break;
  }
}

// Another note has the shared chooser open (it is modal to that note only): its properties are
// that note's until it closes, so this command only beeps.
bool Form2::ChooserBusy() const noexcept {
  if (!commonDialog1_.Showing()) return false;
  ::MessageBeep(MB_OK);
  return true;
}

// Font. A cancelled or failed chooser leaves its properties as copied in, so the font stays.
void Form2::menu1_Click() {
  CommonDialog& chooser = commonDialog1_;
  if (ChooserBusy()) return;
  chooser.Flags = 3;
  chooser.FontName = fontName_;
  chooser.FontSize = fontSize_;
  chooser.FontBold = bold_;
  chooser.FontItalic = italic_;
  chooser.ShowFont(hwnd());
  // The note may have been closed meanwhile (the program ending under the dialog).
  if (!IsOpen()) return;
  fontName_ = chooser.FontName;
  fontSize_ = chooser.FontSize;
  bold_ = chooser.FontBold;
  italic_ = chooser.FontItalic;
  ApplyTextFont();
}

// Text colour. The chooser keeps whatever Flags the last font command left.
void Form2::menu2_Click() {
  CommonDialog& chooser = commonDialog1_;
  if (ChooserBusy()) return;
  chooser.Color = textForeColour_;
  chooser.ShowColor(hwnd());
  if (!IsOpen() || !ResolveColour(chooser.Color)) return;
  textForeColour_ = chooser.Color;
  ::InvalidateRect(text1_, nullptr, TRUE);
}

// Background colour: the window's, then the text box's, with the same value.
void Form2::menu3_Click() {
  CommonDialog& chooser = commonDialog1_;
  if (ChooserBusy()) return;
  chooser.Color = windowBackColour_;
  chooser.ShowColor(hwnd());
  if (!IsOpen()) return;
  SetBackColour(chooser.Color);
}

void Form2::SetBackColour(std::int32_t value) noexcept {
  const std::optional<COLORREF> colour = ResolveColour(value);
  if (!colour) return;
  windowBackColour_ = value;
  windowBrush_.reset(::CreateSolidBrush(*colour));
  ::InvalidateRect(hwnd(), nullptr, TRUE);
  textBackColour_ = value;
  textBrush_.reset(::CreateSolidBrush(*colour));
  ::InvalidateRect(text1_, nullptr, TRUE);
}

// Reload: unsaved edits give way to the file; a file that can no longer be read discards the note.
void Form2::menu4_Click() { LoadLinkedText(); }

// Overwrite-save. A file that cannot be written is reported, and the text stays in the note.
void Form2::menu5_Click() {
  const DWORD error = SaveLinkedText();
  if (error == ERROR_SUCCESS) return;
  ShowMessageBox(hwnd(), L"ﾃｷｽﾄﾌｧｲﾙ[ " + textfile + L" ]に保存できませんでした。\r\n" + SystemErrorText(error),
                 MB_OK | MB_ICONWARNING);
}

// Discard: after OK the record file goes, and the closing note finds none to write.
void Form2::menu6_Click() {
  if (ShowMessageBox(hwnd(), DiscardQuestion(textfile), MB_OKCANCEL) != IDOK) return;
  if (!IsOpen()) return;
  if (!DeleteFileIfPresent(idfile)) {
    // A record that stays would bring the note back at the next start: say so and keep the note.
    const DWORD error = ::GetLastError();
    ShowMessageBox(hwnd(), L"付箋紙のﾃﾞｰﾀﾌｧｲﾙ[ " + idfile + L" ]を削除できませんでした。\r\n" + SystemErrorText(error),
                   MB_OK | MB_ICONWARNING);
    return;
  }
  Close();
}

// Web strip on/off, then the layout so the text box grows or shrinks.
void Form2::menu7_Click() {
  webBrowser1_->SetVisible(!webBrowser1_->Visible());
  Layout();
}

}  // namespace varnel
