#pragma once
// The main window: the program's start-up object and the owner of every note.

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/drop_target.h"
#include "note/note_window.h"
#include "note/note_journal.h"
#include "note/unsaved_text.h"
#include "platform/hotkey.h"
#include "platform/shared_chooser.h"
#include "platform/tray_icon.h"
#include "platform/unique_handle.h"
#include "platform/window_base.h"
#include "storage/code_page.h"

namespace varnel {

// The commands of the main window's own menus (its system menu and its right-click menu); each
// value is also the item's identifier: a multiple of 16 below 0xF000, as the system menu needs.
enum class MainCommand : UINT {
  NewNote = 0x0010,
  HideOrShowNotes = 0x0020,
  NotesToFront = 0x0030,
  StartAtSignIn = 0x0040,
};

class MainWindow final : public WindowBase {
 public:
  static constexpr wchar_t kClassName[] = L"VarnelMainWindow";

  MainWindow() = default;

  // Creates the main window, hidden; nullptr when the window system refuses.
  static std::unique_ptr<MainWindow> Create();

  ~MainWindow() override;

  // Start-up after the single-instance check: reopens every note, then shows the main window.
  void Start(int showCommand);

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override;

 private:
  // Opens one note per record file in the application folder, in name order.
  void OpenAllNotes();
  // Opens the note of the record file at recordPath in the next slot.
  void OpenNote(const std::wstring& recordPath);
  // Closes every registered note that is still open; each saves itself.
  void CloseAllNotes() noexcept;
  // Shutdown, once: every note closed and saved, the tray icon removed.
  void Shutdown() noexcept;

  // A file dropped on the main window: writes a new record for it in the application folder and
  // opens its note. When the record cannot be written the user is told why, once the drop is over.
  void OnFileDropped(const std::wstring& droppedPath) noexcept;
  DWORD WriteNewRecord(const std::wstring& droppedPath, std::wstring& recordPath) const;

  void ApplyDesignSize(int dpi, const RECT* suggested) noexcept;
  void OnPaint() noexcept;
  void OnEraseBackground(HDC dc) noexcept;
  void OnDpiChanged(int dpi, const RECT& suggested) noexcept;
  void OnSize(WPARAM sizeType) noexcept;
  void OnTrayCallback(LPARAM mouseMessage) noexcept;
  void OnTaskbarCreated() noexcept;
  void OnClose() noexcept;
  LRESULT OnEndSession(bool ending) noexcept;
  void OnDestroy() noexcept;
  void OnNoteNotCreated(DWORD error) noexcept;
  // Edits of an earlier run that were kept in recovery files or put back from journals: one notice.
  void TellAboutEarlierUnsavedText() noexcept;
  void TellAboutUnreadableFiles() noexcept;

  std::wstring folder_;
  std::unique_ptr<CodePage> codePage_;
  // Recovery files go beside the records, or to the user's own folder when that one is full.
  std::unique_ptr<UnsavedText> unsavedText_;
  // Where the notes' edit journals go when the application folder is full, and what they held.
  std::unique_ptr<NoteJournals> journals_;
  // The font and colour chooser every note borrows; declared before the registry so that it
  // outlives the notes.
  SharedChooser chooser_;

  // The registry of notes opened in this run, in opening order. A slot is never reused, so a note
  // that closed itself (discarded from its own menu) keeps its object until the program ends.
  static constexpr int kNoteSlots = 101;
  std::array<std::unique_ptr<NoteWindow>, kNoteSlots> notes_;
  // Every note opened or attempted in this run, counted past the last slot too.
  std::int16_t notesOpened_ = 0;
  // Linked files the notes could not read for now, until the user has been told.
  std::vector<UnreadableFile> unreadable_;

  int dpi_ = 96;
  bool started_ = false;
  bool shutDown_ = false;
  UINT taskbarCreated_ = TrayIcon::TaskbarCreatedMessage();
  std::unique_ptr<TrayIcon> trayIcon_;
  UniqueIcon icon_;
  UniqueIcon smallIcon_;
  UniqueBrush background_;
  UniqueFont hintFont_;
  std::wstring dropHint_;

  // The main window's own commands: its menus, Ctrl+N and the system-wide keys (main_commands.cpp).
  void SetUpCommands() noexcept;
  void PutCommands(HMENU menu, bool append, bool startsWithWindows) const;
  void ShowCommandMenu(POINT screen) noexcept;
  bool OnContextMenu(LPARAM lParam) noexcept;
  void OnInitMenuPopup(HMENU menu, bool windowMenu) noexcept;
  bool OnSystemCommand(WPARAM command) noexcept;
  bool OnKeyDown(WPARAM key, LPARAM flags) noexcept;
  void OnHotkey(WPARAM id) noexcept;
  void RunCommand(MainCommand command) noexcept;
  void OnNewNote();
  DWORD MakeNewNoteFile(const std::wstring& notesFolder, std::wstring& textPath) const;
  void OnHideOrShowNotes() noexcept;
  void OnNotesToFront() noexcept;
  void OnStartAtSignIn();
  // Where a new note opens: the main window's place, or its last normal place while it is
  // minimized into the tray.
  bool NewNotePlace(POINT& place) const noexcept;

  // Set while the notes are hidden from the main window's menu or key; every start shows them.
  bool notesHidden_ = false;
  std::optional<Hotkey> newNoteKey_;
  std::optional<Hotkey> hideNotesKey_;
  DropTarget dropTarget_{[this](const std::wstring& path) { OnFileDropped(path); }};
};

}  // namespace varnel
