// The main window's own commands, beside taking drops: a new note on a new file, all notes hidden,
// shown or brought to the front, and starting with Windows. They sit in the main window's system
// menu (after a separator) and in its right-click menu; Ctrl+N makes a note while the main window
// is active, and two system-wide keys make a note and hide or show the notes from anywhere.

#include <windowsx.h>

#include "app/main_window.h"
#include "platform/app_folder.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/new_file.h"
#include "platform/startup_shortcut.h"
#include "platform/texts.h"
#include "storage/new_note_name.h"
#include "storage/paths.h"

namespace varnel {
namespace {

constexpr int kNewNoteKeyId = 1;
constexpr int kHideNotesKeyId = 2;
// Ctrl+Alt+N and Ctrl+Alt+H: Windows keeps the combinations with the Windows key for itself.
constexpr UINT kKeyModifiers = MOD_CONTROL | MOD_ALT;
constexpr UINT kNewNoteKey = 'N';
constexpr UINT kHideNotesKey = 'H';
// The system menu's own commands keep the four low bits of theirs for the system.
constexpr WPARAM kSystemCommandMask = 0xFFF0;

constexpr UINT IdOf(MainCommand command) { return static_cast<UINT>(command); }

// A menu caption, with the system-wide key after a tab when the program holds it.
std::wstring Caption(UINT text, UINT key, const std::optional<Hotkey>& hotkey) {
  std::wstring caption = LoadText(text);
  if (hotkey && hotkey->registered()) caption += L"\t" + LoadText(key);
  return caption;
}

// HRESULTs that carry a Win32 error read best in that error's words.
DWORD ErrorOf(HRESULT result) {
  return HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : static_cast<DWORD>(result);
}

// Whether a shortcut in the user's Startup folder leads to this program: the truth each time a menu
// opens, whoever changed the folder meanwhile.
bool StartsWithWindows() {
  const std::optional<std::wstring> startup = UserStartupFolder(false);
  return startup && StartupShortcuts(*startup, ProgramPath()).Present();
}

}  // namespace

void MainWindow::SetUpCommands() noexcept {
  // Without a key the program runs as well: the menus and Ctrl+N remain.
  newNoteKey_.emplace(hwnd(), kNewNoteKeyId, kKeyModifiers, kNewNoteKey);
  hideNotesKey_.emplace(hwnd(), kHideNotesKeyId, kKeyModifiers, kHideNotesKey);
  try {
    HMENU systemMenu = ::GetSystemMenu(hwnd(), FALSE);
    if (!systemMenu) return;
    ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    // The check mark is read when the menu opens, not at every start.
    PutCommands(systemMenu, true, false);
  } catch (...) {
    // Out of memory for the captions: the right-click menu builds its own each time.
  }
}

// The commands, appended to menu or, when they are in it already, brought up to date: the caption
// of hide/show as it stands and the check mark of the start with Windows.
void MainWindow::PutCommands(HMENU menu, bool append, bool startsWithWindows) const {
  const struct {
    MainCommand command;
    std::wstring caption;
    bool checked;
  } items[] = {
      {MainCommand::NewNote, Caption(IDS_MENU_NEW_NOTE, IDS_KEY_NEW_NOTE, newNoteKey_), false},
      {MainCommand::HideOrShowNotes,
       Caption(notesHidden_ ? IDS_MENU_SHOW_NOTES : IDS_MENU_HIDE_NOTES, IDS_KEY_HIDE_NOTES, hideNotesKey_), false},
      {MainCommand::NotesToFront, LoadText(IDS_MENU_NOTES_TO_FRONT), false},
      {MainCommand::StartAtSignIn, LoadText(IDS_MENU_START_AT_SIGN_IN), startsWithWindows},
  };
  for (const auto& item : items) {
    if (append) {
      ::AppendMenuW(menu, MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED), IdOf(item.command),
                    item.caption.c_str());
      continue;
    }
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING | MIIM_STATE;
    info.fState = item.checked ? MFS_CHECKED : MFS_UNCHECKED;
    info.dwTypeData = const_cast<wchar_t*>(item.caption.c_str());
    ::SetMenuItemInfoW(menu, IdOf(item.command), FALSE, &info);
  }
}

void MainWindow::OnInitMenuPopup(HMENU menu, bool windowMenu) noexcept {
  if (!windowMenu && menu != ::GetSystemMenu(hwnd(), FALSE)) return;
  try {
    PutCommands(menu, false, StartsWithWindows());
  } catch (...) {
    // Out of memory for the captions: the menu shows what it showed last time.
  }
}

// A right click on the client area, or Shift+F10 and the menu key; the caption's keeps the system menu.
bool MainWindow::OnContextMenu(LPARAM lParam) noexcept {
  POINT screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  if (screen.x == -1 && screen.y == -1) {
    screen = POINT{client.left, client.top};
    ::ClientToScreen(hwnd(), &screen);
  } else {
    POINT inClient = screen;
    ::ScreenToClient(hwnd(), &inClient);
    if (!::PtInRect(&client, inClient)) return false;
  }
  ShowCommandMenu(screen);
  return true;
}

void MainWindow::ShowCommandMenu(POINT screen) noexcept {
  UINT chosen = 0;
  try {
    const UniqueMenu menu(::CreatePopupMenu());
    if (!menu) return;
    PutCommands(menu.get(), true, StartsWithWindows());
    constexpr UINT kFlags = TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD;
    chosen = static_cast<UINT>(::TrackPopupMenu(menu.get(), kFlags, screen.x, screen.y, 0, hwnd(), nullptr));
  } catch (...) {
    return;  // out of memory for the captions: no menu
  }
  if (chosen != 0) RunCommand(static_cast<MainCommand>(chosen));
}

bool MainWindow::OnSystemCommand(WPARAM command) noexcept {
  switch (static_cast<MainCommand>(command & kSystemCommandMask)) {
    case MainCommand::NewNote:
    case MainCommand::HideOrShowNotes:
    case MainCommand::NotesToFront:
    case MainCommand::StartAtSignIn:
      RunCommand(static_cast<MainCommand>(command & kSystemCommandMask));
      return true;
  }
  return false;
}

// Ctrl+N, without Shift or Alt; a key held down makes one note, as the system-wide key does.
bool MainWindow::OnKeyDown(WPARAM key, LPARAM flags) noexcept {
  if (key != 'N' || ::GetKeyState(VK_CONTROL) >= 0 || ::GetKeyState(VK_SHIFT) < 0 || ::GetKeyState(VK_MENU) < 0) {
    return false;
  }
  constexpr LPARAM kRepeated = 1 << 30;  // the key was down before this message
  if (flags & kRepeated) return true;
  RunCommand(MainCommand::NewNote);
  return true;
}

void MainWindow::OnHotkey(WPARAM id) noexcept {
  if (id == kNewNoteKeyId) RunCommand(MainCommand::NewNote);
  if (id == kHideNotesKeyId) RunCommand(MainCommand::HideOrShowNotes);
}

void MainWindow::RunCommand(MainCommand command) noexcept {
  // Once the notes are being closed, nothing new starts.
  if (shutDown_) return;
  try {
    switch (command) {
      case MainCommand::NewNote:
        OnNewNote();
        break;
      case MainCommand::HideOrShowNotes:
        OnHideOrShowNotes();
        break;
      case MainCommand::NotesToFront:
        OnNotesToFront();
        break;
      case MainCommand::StartAtSignIn:
        OnStartAtSignIn();
        break;
    }
  } catch (...) {
    // Out of memory half-way: each command leaves nothing half-made behind before it throws.
  }
}

// A new, empty text file in the notes folder beside the program, named after the local time; its
// record is the one a drop of that file writes, and its note opens in front with the caret in its
// text. Whatever cannot be made is said, and nothing half-made stays: no record without its file,
// no file without its record, no folder made for a file that is not there.
void MainWindow::OnNewNote() {
  const std::wstring notesFolder = JoinPath(folder_, kNotesFolderName);
  bool folderMade = false;
  DWORD error = MakeFolderIfMissing(notesFolder, folderMade);
  std::wstring textPath;
  if (error == ERROR_SUCCESS) error = MakeNewNoteFile(notesFolder, textPath);
  if (error != ERROR_SUCCESS) {
    if (folderMade) RemoveFolderIfEmpty(notesFolder);
    const std::wstring& notMade = textPath.empty() ? notesFolder : textPath;
    ShowMessageBox(hwnd(), LoadText(IDS_NOTE_FILE_NOT_MADE, {notMade, SystemErrorText(error)}), MB_OK | MB_ICONWARNING);
    return;
  }
  std::wstring recordPath;
  try {
    error = WriteNewRecord(textPath, recordPath);
  } catch (...) {
    error = ERROR_NOT_ENOUGH_MEMORY;
  }
  if (error != ERROR_SUCCESS) {
    DeleteFileIfEmpty(textPath);
    if (folderMade) RemoveFolderIfEmpty(notesFolder);
    ShowMessageBox(hwnd(), LoadText(IDS_NOTE_NOT_CREATED, {SystemErrorText(error)}), MB_OK | MB_ICONWARNING);
    return;
  }
  const int slot = notesOpened_;
  // Past the last slot this only counts, as for a drop: the note opens at a later start.
  OpenNote(recordPath);
  const NoteWindow* note = slot >= 0 && slot < kNoteSlots ? notes_[static_cast<size_t>(slot)].get() : nullptr;
  // Activated, the note hands the focus to its text box: the user just types.
  if (note && note->IsOpen()) ::SetForegroundWindow(note->hwnd());
  TellAboutUnreadableFiles();
}

// The new file, under the first free name of the minute; a name that another program takes
// between the look and the making is looked for again.
DWORD MainWindow::MakeNewNoteFile(const std::wstring& notesFolder, std::wstring& textPath) const {
  constexpr int kAttempts = 3;
  DWORD error = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < kAttempts && error == ERROR_FILE_EXISTS; ++attempt) {
    const auto taken = [&notesFolder](const std::wstring& name) { return PathExists(JoinPath(notesFolder, name)); };
    const std::optional<std::wstring> name = NewNoteFileName(LocalTimeNow(), taken);
    if (!name) return ERROR_FILE_EXISTS;
    textPath = JoinPath(notesFolder, *name);
    error = MakeEmptyFile(textPath);
  }
  return error;
}

// Hidden notes stay open: they keep their journals, follow their files and are saved at exit.
void MainWindow::OnHideOrShowNotes() noexcept {
  notesHidden_ = !notesHidden_;
  for (const auto& note : notes_) {
    if (note && note->IsOpen()) ::ShowWindow(note->hwnd(), notesHidden_ ? SW_HIDE : SW_SHOWNOACTIVATE);
  }
}

// Every note shown and raised, in opening order; the window in use stays the active one.
void MainWindow::OnNotesToFront() noexcept {
  notesHidden_ = false;
  for (const auto& note : notes_) {
    if (note && note->IsOpen()) {
      ::SetWindowPos(note->hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
  }
}

// A shortcut to this program in the user's Startup folder, or none: the menu's check mark says
// which, read from the folder each time the menu opens.
void MainWindow::OnStartAtSignIn() {
  const std::optional<std::wstring> startup = UserStartupFolder(true);
  if (!startup) {
    ShowMessageBox(hwnd(), LoadText(IDS_STARTUP_NOT_CHANGED, {SystemErrorText(ERROR_PATH_NOT_FOUND)}),
                   MB_OK | MB_ICONWARNING);
    return;
  }
  const StartupShortcuts shortcuts(*startup, ProgramPath());
  DWORD error = ERROR_SUCCESS;
  if (shortcuts.Present()) {
    error = shortcuts.Remove();
  } else if (const HRESULT result = shortcuts.Add(LoadText(IDS_APPLICATION_TITLE)); FAILED(result)) {
    error = ErrorOf(result);
  }
  if (error != ERROR_SUCCESS) {
    ShowMessageBox(hwnd(), LoadText(IDS_STARTUP_NOT_CHANGED, {SystemErrorText(error)}), MB_OK | MB_ICONWARNING);
  }
}

}  // namespace varnel
