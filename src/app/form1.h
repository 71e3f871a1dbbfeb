#pragma once
// The main window: the program's start-up object and the owner of every note.

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "app/drop_target.h"
#include "note/unsaved_text.h"
#include "platform/common_dialog.h"
#include "platform/tray_icon.h"
#include "platform/unique_handle.h"
#include "platform/window_base.h"
#include "storage/code_page.h"

namespace varnel {

class Form2;

class Form1 final : public WindowBase {
 public:
  static constexpr wchar_t kClassName[] = L"VarnelForm1";
  static constexpr wchar_t kCaption[] = L" Varnel ver2.0";

  Form1() = default;

  // Creates the main window, hidden; nullptr when the window system refuses.
  static std::unique_ptr<Form1> Create();

  ~Form1() override;

  // Start-up after the single-instance check: reopens every note, then shows the main window.
  void Load(int showCommand);

  // Opens one note per record file in the application folder, in name order.
  void OpenAllNotes();
  // Creates a note for the record file at path, registers it in the next slot and shows it.
  void OpenNote(const std::wstring& path);
  // Closes every registered note that is still open; each saves itself.
  void CloseAllNotes() noexcept;

  // A file dropped on the main window: writes a new record for it in the application folder and
  // opens its note. When the record cannot be written the user is told why, once the drop is over.
  void Form_OLEDragDrop(const std::wstring& droppedPath) noexcept;

  // CommonDialog1: the font and colour choosers every note borrows; declared before the registry so
  // that it outlives the notes.
  CommonDialog CommonDialog1;

  // The registry of notes opened in this run, in opening order; slots are never reused.
  static constexpr int kNoteSlots = 101;
  std::array<std::unique_ptr<Form2>, kNoteSlots> notes;
  std::int16_t noteCount = 0;

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override;

 private:
  void ApplyDesignSize(int dpi, const RECT* suggested) noexcept;
  void OnPaint() noexcept;
  void OnEraseBackground(HDC dc) noexcept;
  void OnDpiChanged(int dpi, const RECT& suggested) noexcept;
  void OnSize(WPARAM sizeType) noexcept;
  void OnTrayCallback(LPARAM mouseMessage) noexcept;
  void OnTaskbarCreated() noexcept;
  void OnClose() noexcept;
  LRESULT OnEndSession(bool ending) noexcept;
  void Unload() noexcept;
  DWORD WriteNewRecord(const std::wstring& droppedPath, std::wstring& recordPath) const;
  void OnNoteNotCreated(DWORD error) noexcept;
  void TellAboutEarlierUnsavedText() noexcept;

  std::wstring folder_;
  std::unique_ptr<CodePage> codePage_;
  // Recovery files go beside the records, or to the user's own folder when that one is full.
  std::unique_ptr<UnsavedText> unsavedText_;
  int dpi_ = 96;
  bool unloaded_ = false;
  UINT taskbarCreated_ = TrayIcon::TaskbarCreatedMessage();
  std::unique_ptr<TrayIcon> nid;
  UniqueIcon icon_;
  UniqueIcon smallIcon_;
  UniqueBrush background_;
  UniqueFont labelFont_;
  // Members go before the base class destroys the window, so the target is revoked first.
  DropTarget dropTarget_{[this](const std::wstring& path) { Form_OLEDragDrop(path); }};
};

}  // namespace varnel
