#include "app/main_window.h"

#include <limits>

#include "note/note_window.h"
#include "platform/app_folder.h"
#include "platform/clock.h"
#include "platform/dpi.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/texts.h"
#include "platform/twips.h"
#include "platform/window_messages.h"
#include "storage/note_record.h"
#include "storage/paths.h"
#include "storage/text_template.h"
#include "storage/record_name.h"

namespace varnel {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kExStyle = 0;

// Design of the main window, in twips.
constexpr double kClientWidth = 3255;
constexpr double kClientHeight = 1335;
constexpr COLORREF kBackground = 0x00E0E0E0;
constexpr COLORREF kFrameColour = 0x00C0C0C0;
constexpr RECT kFrame{120, 120, 120 + 3015, 120 + 1095};
constexpr RECT kDropHintArea{360, 480, 360 + 2535, 480 + 375};
constexpr wchar_t kDropHintFontName[] = L"ＭＳ Ｐゴシック";
constexpr double kDropHintFontPoints = 9;

RECT ToPixels(const RECT& twips, int dpi) {
  return RECT{TwipsToPixels(twips.left, dpi), TwipsToPixels(twips.top, dpi), TwipsToPixels(twips.right, dpi),
              TwipsToPixels(twips.bottom, dpi)};
}

HICON LoadProgramIcon(int size) {
  return static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_VARNEL), IMAGE_ICON, size,
                                         size, LR_DEFAULTCOLOR));
}

}  // namespace

std::unique_ptr<MainWindow> MainWindow::Create() {
  auto window = std::make_unique<MainWindow>();
  window->folder_ = ApplicationFolder();
  window->codePage_ = MakeSystemCodePage();
  if (!window->codePage_) return nullptr;
  const std::wstring localFolder = LocalRecoveryFolder();
  window->unsavedText_ = std::make_unique<UnsavedText>(std::vector<std::wstring>{window->folder_, localFolder});
  window->journals_ = std::make_unique<NoteJournals>(localFolder);
  window->icon_.reset(LoadProgramIcon(32));
  window->smallIcon_.reset(LoadProgramIcon(16));
  window->background_.reset(::CreateSolidBrush(kBackground));
  window->dropHint_ = LoadText(IDS_DROP_HINT);
  if (!RegisterWindowClass(kClassName, 0, window->icon_.get(), window->smallIcon_.get())) return nullptr;
  if (!window->WindowBase::Create(kClassName, LoadText(IDS_MAIN_CAPTION).c_str(), kStyle, kExStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, nullptr)) {
    return nullptr;
  }
  window->ApplyDesignSize(DpiForWindow(window->hwnd()), nullptr);
  // Without OLE drag and drop the program still runs; it just takes no drops.
  window->dropTarget_.Register(window->hwnd());
  window->SetUpCommands();
  return window;
}

MainWindow::~MainWindow() = default;

void MainWindow::Start(int showCommand) {
  started_ = true;
  // The shell's answer is kept, not acted on: without a tray the program still runs.
  trayIcon_ = std::make_unique<TrayIcon>(hwnd(), kTrayCallbackMessage, icon_.get(), LoadText(IDS_MAIN_CAPTION));
  trayIcon_->Add();
  OpenAllNotes();
  // The main window comes after the notes, in front of them.
  ::ShowWindow(hwnd(), showCommand == SW_SHOWMINIMIZED || showCommand == SW_MINIMIZE ? SW_SHOWNORMAL : showCommand);
  ::UpdateWindow(hwnd());
  TellAboutEarlierUnsavedText();
  TellAboutUnreadableFiles();
}

// Edits that an earlier run could not write to their files, and those the notes put back from
// their journals: told once, in one notice, with where everything is.
void MainWindow::TellAboutEarlierUnsavedText() noexcept {
  try {
    const std::vector<UnsavedEntry> entries = unsavedText_->TakeEarlierEntries();
    std::wstring notice;
    if (!entries.empty()) notice = UnsavedNotice(entries, LoadText(IDS_UNSAVED_HEADING), LoadText(IDS_MORE_ENTRIES));
    // Files that a write failed part way through and could not put back, with their earlier content.
    if (const std::vector<UnsavedEntry> damaged = unsavedText_->TakeEarlierDamaged(); !damaged.empty()) {
      notice += (notice.empty() ? L"" : L"\r\n") +
                UnsavedNotice(damaged, LoadText(IDS_DAMAGED_HEADING), LoadText(IDS_MORE_ENTRIES));
    }
    // Versions of other programs kept before an exit overwrote them join the journal's own.
    JournalFindings findings = journals_->Findings();
    for (UnsavedEntry& entry : unsavedText_->TakeEarlierOverwritten()) findings.changedFiles.push_back(std::move(entry));
    for (UnsavedEntry& entry : unsavedText_->TakeEarlierJournalTexts()) findings.keptApart.push_back(std::move(entry));
    if (!findings.Empty()) {
      const std::wstring putBack = LoadText(IDS_JOURNAL_PUT_BACK_HEADING);
      const std::wstring writtenBack = LoadText(IDS_JOURNAL_WRITTEN_BACK_HEADING);
      const std::wstring keptApart = LoadText(IDS_JOURNAL_KEPT_APART_HEADING);
      const std::wstring changed = LoadText(IDS_JOURNAL_FILE_CHANGED_HEADING);
      const std::wstring setAside = LoadText(IDS_JOURNAL_SET_ASIDE_HEADING);
      const JournalNoticeHeadings headings{putBack, writtenBack, keptApart, changed, setAside};
      notice += (notice.empty() ? L"" : L"\r\n") + JournalNotice(findings, headings, LoadText(IDS_MORE_ENTRIES));
    }
    if (!notice.empty()) ShowMessageBox(hwnd(), notice, MB_OK | MB_ICONWARNING);
  } catch (...) {
    // Out of memory for the notice: the recovery files themselves are on disk.
  }
}

// Linked files that could not be read for now: their notes keep their records and come back at a
// later start. Told once, with the system's reason for each.
void MainWindow::TellAboutUnreadableFiles() noexcept {
  if (unreadable_.empty()) return;
  try {
    std::vector<std::wstring> items;
    for (const UnreadableFile& file : unreadable_) {
      items.push_back(LoadText(IDS_UNREADABLE_ENTRY, {file.path, SystemErrorText(file.error)}));
    }
    unreadable_.clear();
    ShowMessageBox(hwnd(), ListNotice(LoadText(IDS_UNREADABLE_HEADING), items, LoadText(IDS_MORE_ENTRIES)),
                   MB_OK | MB_ICONWARNING);
  } catch (...) {
    // Out of memory for the notice: the records are kept, the notes come back later.
  }
}

void MainWindow::OpenAllNotes() {
  // Half-written files of a run that was killed while saving go first; the records they were
  // meant to replace are whole.
  DeleteLeftoverTemporaries(folder_, L"*");
  journals_->KeepLeftovers(folder_, *unsavedText_, *codePage_);
  // The listing is taken once, before the first note opens.
  const std::vector<std::wstring> names = ListRecordFileNames(folder_);
  for (const std::wstring& name : names) OpenNote(JoinPath(folder_, name));
}

void MainWindow::OpenNote(const std::wstring& recordPath) {
  // Past the last slot no note opens in this run; the record stays for a later run.
  if (notesOpened_ >= 0 && notesOpened_ < kNoteSlots) {
    notes_[static_cast<size_t>(notesOpened_)] =
        NoteWindow::Open(recordPath, NoteWindow::Services{*codePage_, chooser_, *unsavedText_, unreadable_, *journals_});
  }
  if (notesOpened_ < std::numeric_limits<std::int16_t>::max()) ++notesOpened_;
}

void MainWindow::CloseAllNotes() noexcept {
  for (auto& note : notes_) {
    if (note) note->Close();
  }
}

void MainWindow::ApplyDesignSize(int dpi, const RECT* suggested) noexcept {
  dpi_ = dpi;
  hintFont_.reset(::CreateFontW(FontHeightForPoints(kDropHintFontPoints, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                 SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, kDropHintFontName));
  SIZE outer = OuterSizeForClientTwips(kClientWidth, kClientHeight, kStyle, kExStyle, dpi);
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (suggested ? 0 : SWP_NOMOVE);
  int x = suggested ? suggested->left : 0;
  int y = suggested ? suggested->top : 0;
  ::SetWindowPos(hwnd(), nullptr, x, y, outer.cx, outer.cy, flags);
  ::InvalidateRect(hwnd(), nullptr, TRUE);
}

LRESULT MainWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  if (msg == taskbarCreated_ && msg != 0) {
    OnTaskbarCreated();
    return 0;
  }
  switch (msg) {
    case kNoteNotCreatedMessage:
      OnNoteNotCreated(static_cast<DWORD>(wParam));
      return 0;
    case kUnreadableFilesMessage:
      TellAboutUnreadableFiles();
      return 0;
    case kTrayCallbackMessage:
      OnTrayCallback(lParam);
      return 0;
    case WM_SIZE:
      OnSize(wParam);
      return 0;
    case WM_ERASEBKGND:
      OnEraseBackground(reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      return OnEndSession(wParam != FALSE);
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_CONTEXTMENU:
      if (OnContextMenu(lParam)) return 0;
      return DefaultProcedure(msg, wParam, lParam);
    case WM_INITMENUPOPUP:
      OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), HIWORD(lParam) != 0);
      return DefaultProcedure(msg, wParam, lParam);
    case WM_SYSCOMMAND:
      if (OnSystemCommand(wParam)) return 0;
      return DefaultProcedure(msg, wParam, lParam);
    case WM_KEYDOWN:
      if (OnKeyDown(wParam, lParam)) return 0;
      return DefaultProcedure(msg, wParam, lParam);
    case WM_HOTKEY:
      OnHotkey(wParam);
      return 0;
    default:
      return DefaultProcedure(msg, wParam, lParam);
  }
}

void MainWindow::OnEraseBackground(HDC dc) noexcept {
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  ::FillRect(dc, &client, background_.get());
}

void MainWindow::OnPaint() noexcept {
  PAINTSTRUCT ps{};
  HDC dc = ::BeginPaint(hwnd(), &ps);

  {
    // A one-pixel silver frame around the drop area.
    UniquePen pen(::CreatePen(PS_SOLID, 1, kFrameColour));
    const ScopedSelection penInUse(dc, pen.get());
    const ScopedSelection noFill(dc, ::GetStockObject(NULL_BRUSH));
    RECT frame = ToPixels(kFrame, dpi_);
    ::Rectangle(dc, frame.left, frame.top, frame.right, frame.bottom);
  }
  {
    // The centred drop hint.
    const ScopedSelection fontInUse(dc, hintFont_.get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    RECT hint = ToPixels(kDropHintArea, dpi_);
    ::DrawTextW(dc, dropHint_.c_str(), -1, &hint, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
  }
  ::EndPaint(hwnd(), &ps);
}

void MainWindow::OnSize(WPARAM sizeType) noexcept {
  // Minimized, the main window leaves the taskbar; the tray icon is the way back.
  if (sizeType == SIZE_MINIMIZED) ::ShowWindow(hwnd(), SW_HIDE);
}

void MainWindow::OnTrayCallback(LPARAM mouseMessage) noexcept {
  if (!IsTrayButtonPress(mouseMessage)) return;
  ::ShowWindow(hwnd(), SW_SHOWNORMAL);
  ::SetForegroundWindow(hwnd());
}

void MainWindow::OnTaskbarCreated() noexcept {
  // A restarted Explorer forgets every icon: show ours again so the hidden window stays reachable.
  if (trayIcon_) trayIcon_->Add();
}

void MainWindow::OnDpiChanged(int dpi, const RECT& suggested) noexcept { ApplyDesignSize(dpi, &suggested); }

void MainWindow::OnClose() noexcept {
  Shutdown();
  // Only an ordinary exit may wait for the user; the end of a session never does.
  if (!unsavedText_->Lost().empty()) {
    try {
      ShowMessageBox(hwnd(), ListNotice(LoadText(IDS_LOST_HEADING), unsavedText_->Lost(), LoadText(IDS_MORE_ENTRIES)), MB_OK | MB_ICONERROR);
    } catch (...) {
      // Out of memory for the notice.
    }
  }
  Destroy();
}

// The window's own clean-up, on every way it is destroyed; the message loop ends with it.
void MainWindow::OnDestroy() noexcept {
  dropTarget_.Revoke();
  newNoteKey_.reset();
  hideNotesKey_.reset();
  // A window the system destroys while it is still being created must not end a message loop
  // that has not begun: the quit would close the message box that says the program cannot start.
  if (started_) ::PostQuitMessage(0);
}

LRESULT MainWindow::OnEndSession(bool ending) noexcept {
  // The session may end the process as soon as this returns: save everything now, once.
  if (ending) Shutdown();
  return 0;
}

// Shutdown runs once, whether the main window closes or the Windows session ends.
void MainWindow::Shutdown() noexcept {
  if (shutDown_) return;
  shutDown_ = true;
  // No new notes once the notes are being closed.
  dropTarget_.Revoke();
  CloseAllNotes();
  if (trayIcon_) trayIcon_->Remove();
}

void MainWindow::OnFileDropped(const std::wstring& droppedPath) noexcept {
  std::wstring recordPath;
  DWORD error = ERROR_SUCCESS;
  try {
    error = WriteNewRecord(droppedPath, recordPath);
  } catch (...) {
    error = ERROR_NOT_ENOUGH_MEMORY;
  }
  if (error != ERROR_SUCCESS) {
    ::PostMessageW(hwnd(), kNoteNotCreatedMessage, error, 0);
    return;
  }
  try {
    // Past the last slot this only counts; the record is opened in a later run.
    OpenNote(recordPath);
    // Told once the drag is over, not inside it.
    if (!unreadable_.empty()) ::PostMessageW(hwnd(), kUnreadableFilesMessage, 0, 0);
  } catch (...) {
    // The record is on disk: the note comes back at the next start.
  }
}

// The record of a new note for droppedPath, at the main window's position, written in one step
// under a name made from the local clock; nothing is left behind when it fails.
DWORD MainWindow::WriteNewRecord(const std::wstring& droppedPath, std::wstring& recordPath) const {
  // Any entry of that name counts as taken, a folder too.
  std::optional<std::wstring> name = NewRecordFileName(LocalTimeNow(), [this](const std::wstring& candidate) {
    return PathExists(JoinPath(folder_, candidate));
  });
  if (!name) return ERROR_FILE_EXISTS;

  POINT place{};
  if (!NewNotePlace(place)) {
    // A failure that sets no error must not read as success.
    const DWORD error = ::GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_INVALID_WINDOW_HANDLE;
  }
  auto left = static_cast<float>(PixelsToTwips(place.x, dpi_));
  auto top = static_cast<float>(PixelsToTwips(place.y, dpi_));
  std::optional<std::string> line = FormatNewRecord(droppedPath, left, top, *codePage_);
  if (!line) return ERROR_NO_UNICODE_TRANSLATION;

  recordPath = JoinPath(folder_, *name);
  return WriteFileAtomically(recordPath, *line).error();
}

bool MainWindow::NewNotePlace(POINT& place) const noexcept {
  if (!::IsIconic(hwnd())) {
    RECT outer{};
    if (!::GetWindowRect(hwnd(), &outer)) return false;
    place = POINT{outer.left, outer.top};
    return true;
  }
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (!::GetWindowPlacement(hwnd(), &placement)) return false;
  // The normal place is in workspace coordinates: the work area's corner is their origin.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  HMONITOR onMonitor = ::MonitorFromRect(&placement.rcNormalPosition, MONITOR_DEFAULTTONEAREST);
  if (!::GetMonitorInfoW(onMonitor, &monitor)) return false;
  place = POINT{placement.rcNormalPosition.left + monitor.rcWork.left - monitor.rcMonitor.left,
                placement.rcNormalPosition.top + monitor.rcWork.top - monitor.rcMonitor.top};
  return true;
}

void MainWindow::OnNoteNotCreated(DWORD error) noexcept {
  try {
    ShowMessageBox(hwnd(), LoadText(IDS_NOTE_NOT_CREATED, {SystemErrorText(error)}), MB_OK | MB_ICONWARNING);
  } catch (...) {
    // Out of memory for the text itself: nothing more to say.
  }
}

}  // namespace varnel
