#pragma once
// A note window: one sticky note showing and editing its linked text file, restored from and
// saved to its record file.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "note/linked_file.h"
#include "note/note_journal.h"
#include "note/note_settings.h"
#include "note/note_text_box.h"
#include "note/unsaved_text.h"
#include "platform/files.h"
#include "platform/shared_chooser.h"
#include "platform/unique_handle.h"
#include "platform/window_base.h"
#include "platform/window_messages.h"
#include "storage/code_page.h"

namespace varnel {

class WebView;

// A linked file that could not be read for a reason that may pass (held by another program, a
// drive not connected, access denied): its note keeps its record and waits for a later start.
struct UnreadableFile {
  std::wstring path;
  DWORD error = ERROR_SUCCESS;
};

// The commands of a note's popup menu; each value is also the item's command identifier.
enum class NoteCommand : UINT {
  Font = 101,
  TextColour,
  BackColour,
  Reload,
  OverwriteSave,
  Discard,
  WebStrip,
};

class NoteWindow final : public WindowBase {
 public:
  static constexpr wchar_t kClassName[] = L"VarnelNote";

  // What every note borrows from the main window, which outlives the notes: the system code page,
  // the font and colour chooser, where edits go that cannot be written to the linked file, and
  // the list of linked files that could not be read for now, which the main window tells about,
  // and what the notes' edit journals share.
  struct Services {
    const CodePage& codePage;
    SharedChooser& chooser;
    UnsavedText& unsavedText;
    std::vector<UnreadableFile>& unreadable;
    NoteJournals& journals;
  };

  // Opens the note of the record file at recordPath: creates its window, restores it from the
  // record and shows it. A note that cannot show its text is closed again at once (IsOpen() is
  // false then), without writing anything: a linked file that is gone or not text takes its record
  // with it; one that cannot be read now keeps it and is added to services.unreadable.
  static std::unique_ptr<NoteWindow> Open(const std::wstring& recordPath, const Services& services);

  // Only Open makes notes; the key keeps the constructor out of other hands.
  class Key {
    friend class NoteWindow;
    Key() = default;
  };
  NoteWindow(Key, const std::wstring& recordPath, const Services& services);
  ~NoteWindow() override;

  // Closes the note, saving the record and the text first if the record file still exists.
  void Close() noexcept;

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override;

 private:
  std::optional<NoteSettings> ReadRecord();
  bool CreateWindows(const NoteSettings& settings);
  void Load(const NoteSettings& settings);
  void Apply(const NoteSettings& settings);
  NoteSettings CurrentSettings() const;
  void KeepOnScreen() noexcept;
  LinkedFile::Read LoadLinkedText();
  void Adopt(LinkedFile::Version version);
  // Shows text in the text box, a long one in slices between the program's messages, with the
  // user's selection and scroll put back as far as the text reaches. kept: how much of the text's
  // start the text box holds already (its whole text), which a long text then keeps.
  bool ShowText(std::wstring text, const TextBoxView& view, std::size_t kept = 0);
  void OnTextSlice() noexcept;
  void CloseWithoutSaving() noexcept;
  void CloseWritingRecordOnly() noexcept;
  OverwriteResult SaveLinkedText();
  void SaveOnClose() noexcept;
  void SaveTextOnClose() noexcept;
  bool SaveRecord() noexcept;
  void Layout() noexcept;

  void OnSize() noexcept;
  void OnWindowPosChanged(const WINDOWPOS& pos) noexcept;
  void OnGetMinMaxInfo(MINMAXINFO& info) const noexcept;
  void OnDpiChanged(int dpi, const RECT& suggested) noexcept;
  void OnEraseBackground(HDC dc) const noexcept;
  void OnPaint() noexcept;
  void OnSetFocus() noexcept;
  void OnButtonDown(UINT button, WPARAM keys, POINT client) noexcept;
  void OnMouseMove(WPARAM keys, POINT client) noexcept;
  void OnButtonUp() noexcept;
  bool OnContextMenu(LPARAM lParam) noexcept;
  void OnDestroy() noexcept;
  void OnTextBoxNotice(WORD code) noexcept;
  void UpdateJournal() noexcept;
  void RemoveJournal() noexcept;
  void StopJournalTimer() noexcept;

  // The popup menu and one handler per command (note_menu.cpp).
  void SetUpMenu();
  void ShowMenu(POINT screen) noexcept;
  void ShowMenuAtTextBox() noexcept;
  void RunCommand(NoteCommand command);
  void OnFont();
  void OnTextColour();
  void OnBackColour();
  void OnWebStrip();
  void OnReload();
  void OnOverwriteSave();
  void OnDiscard();
  bool ChooserBusy() const noexcept;
  bool TextStillLoading() const noexcept;
  bool Edited() const;
  bool DropsOtherVersion(UINT question);

  // Following the linked file while another program changes it.
  void WatchLinkedFile() noexcept;
  void OnLinkedFileNotice() noexcept;
  void OnLinkedFileSettled() noexcept;
  void OnWatchRetry() noexcept;
  void CheckLinkedFile();
  void FollowLinkedFile(LinkedFile::Version version);
  void UpdateFileMark();
  void DrawFileMark(HDC dc, const RECT& client) const noexcept;

  const std::wstring recordPath_;
  const CodePage& codePage_;
  SharedChooser& chooser_;
  UnsavedText& unsavedText_;
  std::vector<UnreadableFile>& unreadable_;
  int dpi_ = 96;
  // The note's life, which says what closing writes:
  //
  //   Opening ──(text shown whole)──▶ Ready ◀──(last slice in)── Loading
  //      │   ──(a long text begins)────────────────────────────▶   ▲ │
  //      │                              └──(a long text followed)──┘ │
  //      └──(no text to show)──▶ Closed ◀──(closed)── Ready, Loading ┘
  //
  // Opening: the record is read, no text shown yet; closing writes nothing. Loading: the text box
  // holds only part of a text (slices still going in, or a text that could not go in whole);
  // closing writes the record, never the text, and leaves the journal as it is. Ready: the text
  // box holds the note's whole text; closing writes the record and, if edited, the text. Closed:
  // nothing more is written.
  enum class NoteLife { Opening, Loading, Ready, Closed };
  NoteLife life_ = NoteLife::Opening;

  // The window's geometry in twips, kept exact while the pixels agree with it.
  double left_ = 0, top_ = 0, width_ = 0, height_ = 0;

  // The linked text file, the text the note is in step with and the link's state.
  LinkedFile link_;

  // Dragging by the margin: the press position in twips, relative to the window.
  bool dragging_ = false;
  double grabX_ = 0, grabY_ = 0;

  NoteTextBox textBox_;
  // A copy of unsaved edits on disk, against crashes and kills.
  NoteJournal journal_;

  // When the first change not yet looked at was told (GetTickCount64), while one waits.
  std::optional<ULONGLONG> firstUnseenChange_;
  std::unique_ptr<WebView> webStrip_;
  UniqueMenu menu_;  // never shown as a menu bar
};

}  // namespace varnel
