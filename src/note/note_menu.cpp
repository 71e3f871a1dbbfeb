// The note's popup menu and its commands: font, text colour, background colour, the web strip,
// reload, overwrite-save and discard. The font and colour choosers are the main window's, shared
// by every note.

#include "note/note_window.h"

#include <windowsx.h>

#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/new_file.h"
#include "platform/texts.h"
#include "platform/web_view.h"
#include "storage/new_note_name.h"
#include "storage/paths.h"

namespace varnel {
namespace {

constexpr UINT kSeparator = 0;

struct MenuEntry {
  UINT id;
  UINT caption;  // string table entry
};

constexpr UINT IdOf(NoteCommand command) { return static_cast<UINT>(command); }

// In display order.
constexpr MenuEntry kMenuEntries[] = {
    {IdOf(NoteCommand::Font), IDS_MENU_FONT},
    {IdOf(NoteCommand::TextColour), IDS_MENU_TEXT_COLOUR},
    {IdOf(NoteCommand::BackColour), IDS_MENU_BACK_COLOUR},
    {IdOf(NoteCommand::WebStrip), IDS_MENU_WEB_STRIP},
    {kSeparator, 0},
    {IdOf(NoteCommand::Reload), IDS_MENU_RELOAD},
    {IdOf(NoteCommand::OverwriteSave), IDS_MENU_OVERWRITE_SAVE},
    {kSeparator, 0},
    {IdOf(NoteCommand::Discard), IDS_MENU_DISCARD},
};

}  // namespace

void NoteWindow::SetUpMenu() {
  menu_.reset(::CreatePopupMenu());
  if (!menu_) return;
  for (const MenuEntry& entry : kMenuEntries) {
    if (entry.id == kSeparator) {
      ::AppendMenuW(menu_.get(), MF_SEPARATOR, 0, nullptr);
    } else {
      ::AppendMenuW(menu_.get(), MF_STRING, entry.id, LoadText(entry.caption).c_str());
    }
  }
}

// The note window's own context-menu request: only the keyboard's is ours.
bool NoteWindow::OnContextMenu(LPARAM lParam) noexcept {
  if (GET_X_LPARAM(lParam) != -1 || GET_Y_LPARAM(lParam) != -1) return false;
  ShowMenuAtTextBox();
  return true;
}

void NoteWindow::ShowMenuAtTextBox() noexcept {
  const RECT text = textBox_.ScreenRect();
  ShowMenu(POINT{text.left, text.top});
}

// Opens the menu at a screen position, waits until it closes, then runs the chosen command.
void NoteWindow::ShowMenu(POINT screen) noexcept {
  if (!menu_ || !IsOpen()) return;
  const BOOL chosen = ::TrackPopupMenu(menu_.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD,
                                       screen.x, screen.y, 0, hwnd(), nullptr);
  if (chosen <= 0) return;
  try {
    RunCommand(static_cast<NoteCommand>(chosen));
  } catch (...) {
    // Out of memory half-way through a command: the note keeps whatever it had reached.
  }
}

void NoteWindow::RunCommand(NoteCommand command) {
  switch (command) {
    case NoteCommand::Font:
      OnFont();
      break;
    case NoteCommand::TextColour:
      OnTextColour();
      break;
    case NoteCommand::BackColour:
      OnBackColour();
      break;
    case NoteCommand::WebStrip:
      OnWebStrip();
      break;
    case NoteCommand::Reload:
      OnReload();
      break;
    case NoteCommand::OverwriteSave:
      OnOverwriteSave();
      break;
    case NoteCommand::Discard:
      OnDiscard();
      break;
  }
}

// Another note has the shared chooser open (it is modal to that note only): its properties are
// that note's until it closes, so this command only beeps.
bool NoteWindow::ChooserBusy() const noexcept {
  if (!chooser_.Showing()) return false;
  ::MessageBeep(MB_OK);
  return true;
}

// Edited, and changed by another program too: reloading would drop the edits, saving the other
// version, without a word. True when the user does not want that (or the note closed meanwhile).
bool NoteWindow::DropsOtherVersion(UINT question) {
  if (Edited() && link_.OtherVersionOnDisk() &&
      ShowMessageBox(hwnd(), LoadText(question, {link_.Path()}), MB_OKCANCEL | MB_ICONWARNING) != IDOK) {
    return true;
  }
  return !IsOpen();
}

// Reloading or saving a text that is still going into the text box would drop or cut it: the
// command only beeps until the text is in.
bool NoteWindow::TextStillLoading() const noexcept {
  if (life_ != NoteLife::Loading) return false;
  ::MessageBeep(MB_OK);
  return true;
}

// A cancelled or failed chooser changes nothing.
void NoteWindow::OnFont() {
  if (ChooserBusy()) return;
  const TextBoxFont& font = textBox_.Font();
  chooser_.flags = 3;
  chooser_.fontName = font.name;
  chooser_.fontSize = font.points;
  chooser_.bold = font.bold;
  chooser_.italic = font.italic;
  // The note may have been closed meanwhile (the program ending under the dialog).
  if (chooser_.ShowFont(hwnd()) != ChooserOutcome::Chosen || !IsOpen()) return;
  textBox_.SetFont(TextBoxFont{chooser_.fontName, chooser_.fontSize, chooser_.bold, chooser_.italic}, dpi_);
}

// The chooser keeps whatever flags the last font command left.
void NoteWindow::OnTextColour() {
  if (ChooserBusy()) return;
  chooser_.colour = textBox_.TextColour();
  if (chooser_.ShowColour(hwnd()) != ChooserOutcome::Chosen || !IsOpen()) return;
  textBox_.SetTextColour(chooser_.colour);
}

// The margin and the text box share one background colour.
void NoteWindow::OnBackColour() {
  if (ChooserBusy()) return;
  chooser_.colour = textBox_.BackColour();
  if (chooser_.ShowColour(hwnd()) != ChooserOutcome::Chosen || !IsOpen()) return;
  textBox_.SetBackColour(chooser_.colour);
  ::InvalidateRect(hwnd(), nullptr, TRUE);
}

// The text box grows or shrinks with the strip.
void NoteWindow::OnWebStrip() {
  webStrip_->SetVisible(!webStrip_->Visible());
  Layout();
}

// Unsaved edits give way to the file, a long text in slices like at the start. A file that cannot
// be read now is reported and the note keeps its text; one that is gone or no longer text discards
// the note, and nothing is written.
void NoteWindow::OnReload() {
  if (TextStillLoading() || DropsOtherVersion(IDS_RELOAD_DROPS_EDITS)) return;
  const LinkedFile::Read read = LoadLinkedText();
  switch (read.outcome) {
    case LinkedFile::Outcome::Loaded:
      break;
    case LinkedFile::Outcome::NotNow:
      ShowMessageBox(hwnd(), LoadText(IDS_TEXT_NOT_READ, {link_.Path(), SystemErrorText(read.version.error())}),
                     MB_OK | MB_ICONWARNING);
      break;
    case LinkedFile::Outcome::Lost:
      DeleteFileIfPresent(recordPath_);
      CloseWithoutSaving();
      break;
  }
}

// A file that cannot be written is reported, and the text stays in the note.
void NoteWindow::OnOverwriteSave() {
  if (TextStillLoading() || DropsOtherVersion(IDS_OVERWRITE_OTHER_VERSION)) return;
  const OverwriteResult result = SaveLinkedText();
  if (result.status) return;
  const std::wstring reason = SystemErrorText(result.status.error());
  ShowMessageBox(hwnd(),
                 result.damagedFileCopy.empty()
                     ? LoadText(IDS_TEXT_NOT_SAVED, {link_.Path(), reason})
                     : LoadText(IDS_TEXT_DAMAGED, {link_.Path(), result.damagedFileCopy, reason}),
                 MB_OK | MB_ICONWARNING);
}

// After OK the record file goes, and the edits with the journal: the user was told they are lost.
void NoteWindow::OnDiscard() {
  if (ShowMessageBox(hwnd(), LoadText(IDS_DISCARD_QUESTION, {link_.Path()}), MB_OKCANCEL) != IDOK) return;
  if (!IsOpen()) return;
  if (const Status deleted = DeleteFileIfPresent(recordPath_); !deleted) {
    // A record that stays would bring the note back at the next start: say so and keep the note.
    ShowMessageBox(hwnd(), LoadText(IDS_RECORD_NOT_DELETED, {recordPath_, SystemErrorText(deleted.error())}),
                   MB_OK | MB_ICONWARNING);
    return;
  }
  RemoveJournal();
  CloseWithoutSaving();
  // The empty file the program made for a new note goes with it; a file holding any byte stays.
  const std::wstring& textPath = link_.Path();
  if (SameFolder(FolderOf(textPath), JoinPath(FolderOf(recordPath_), kNotesFolderName))) DeleteFileIfEmpty(textPath);
}

}  // namespace varnel
