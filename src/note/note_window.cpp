#include "note/note_window.h"

#include <windowsx.h>

#include <algorithm>
#include <vector>

#include "note/change_wait.h"
#include "note/layout.h"
#include "note/note_settings.h"
#include "note/text_slices.h"
#include "platform/dpi.h"
#include "platform/files.h"
#include "platform/texts.h"
#include "platform/twips.h"
#include "platform/web_strip_url.h"
#include "platform/web_view.h"
#include "storage/note_record.h"
#include "storage/paths.h"

namespace varnel {
namespace {

constexpr DWORD kStyle = WS_POPUP | WS_THICKFRAME | WS_CLIPCHILDREN;
// A tool window has no taskbar button.
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;

// Writers often save in several steps: the note looks once the file has been quiet this long...
constexpr ULONGLONG kSettleMs = 300;
// ...or this long after the first change it has not looked at, when the file is never quiet so
// long (a log written to several times a second). Each look reads the file whole: there is at most
// one every 0.3 s, however often the file is written.
constexpr ULONGLONG kLongestWaitMs = 2000;
// A folder that could not be watched (a drive that went away) is asked again this often, and only
// then: a watched file costs nothing while nobody writes.
constexpr UINT kWatchRetryMs = 5000;
// The mark of a note whose file another program changed while it was being edited.
constexpr COLORREF kChangedMarkColour = RGB(220, 40, 40);
constexpr int kChangedMarkPixels = 3;

// Adds a monitor's work area to the vector at areas. A named CALLBACK function, not a lambda: on
// 32-bit Windows the callback convention differs from a lambda's.
BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, RECT*, LPARAM areas) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (::GetMonitorInfoW(monitor, &info)) {
    const RECT& work = info.rcWork;
    reinterpret_cast<std::vector<PixelRect>*>(areas)->push_back({work.left, work.top, work.right, work.bottom});
  }
  return TRUE;
}

}  // namespace

std::unique_ptr<NoteWindow> NoteWindow::Open(const std::wstring& recordPath, const Services& services) {
  auto note = std::make_unique<NoteWindow>(Key{}, recordPath, services);
  const std::optional<NoteSettings> settings = note->ReadRecord();
  if (!settings || !note->CreateWindows(*settings)) {
    note->CloseWithoutSaving();
    return note;
  }
  note->Load(*settings);
  if (note->IsOpen()) ::ShowWindow(note->hwnd(), SW_SHOWNOACTIVATE);
  return note;
}

NoteWindow::NoteWindow(Key, const std::wstring& recordPath, const Services& services)
    : recordPath_(recordPath),
      codePage_(services.codePage),
      chooser_(services.chooser),
      unsavedText_(services.unsavedText),
      unreadable_(services.unreadable),
      width_(kDesignNoteWidth),
      height_(kDesignNoteHeight),
      link_(services.codePage),
      journal_(recordPath, services.journals, services.unsavedText) {}

// A note still open here is destroyed without saving: only Close saves.
NoteWindow::~NoteWindow() { Destroy(); }

// The window is made at its recorded place and size: moving it afterwards cost as much as making
// it. Apply moves it only when the monitor it lands on has another DPI.
bool NoteWindow::CreateWindows(const NoteSettings& settings) {
  if (!RegisterWindowClass(kClassName, CS_DBLCLKS, nullptr, nullptr)) return false;
  const int systemDpi = static_cast<int>(::GetDpiForSystem());
  if (!Create(kClassName, L"", kStyle, kExStyle, TwipsToPixels(settings.left, systemDpi),
              TwipsToPixels(settings.top, systemDpi), TwipsToPixels(settings.width, systemDpi),
              TwipsToPixels(settings.height, systemDpi), nullptr)) {
    return false;
  }
  dpi_ = DpiForWindow(hwnd());
  webStrip_ = std::make_unique<WebView>(hwnd());
  SetUpMenu();
  // The font and the layout follow in Load, once the record's values are in.
  return textBox_.Create(hwnd(), kNoteTextColour, kNoteBackColour, [this] { ShowMenuAtTextBox(); });
}

// What the record holds; nothing when it is there but cannot be read now, and then it is kept as
// it is for a later start.
std::optional<NoteSettings> NoteWindow::ReadRecord() {
  const ReadResult read = ReadWholeFile(recordPath_);
  if (!read.bytes && read.error != ERROR_FILE_NOT_FOUND && read.error != ERROR_PATH_NOT_FOUND) {
    unreadable_.push_back({recordPath_, read.error});
    return std::nullopt;
  }
  return SettingsFromRecord(ParseRecord(read.bytes.value_or(std::string()), codePage_));
}

// Restores the note from its record, then shows its linked text.
void NoteWindow::Load(const NoteSettings& settings) {
  link_.Locate(settings.textPath, FolderOf(recordPath_));
  Apply(settings);
  const std::wstring& textPath = link_.Path();
  LinkedFile::Read read = LoadLinkedText();
  switch (read.outcome) {
    case LinkedFile::Outcome::Loaded:
      break;
    case LinkedFile::Outcome::NotNow:
      unreadable_.push_back({textPath, read.version.error()});
      CloseWithoutSaving();
      return;
    case LinkedFile::Outcome::Lost:
      // Edits an earlier run could not save do not go with the file: written in its place, they
      // open as the note's file; kept nowhere, they keep the note's record too.
      switch (journal_.RescueFromLostFile(textPath, codePage_)) {
        case NoteJournal::Rescue::kWrittenBack:
          if (LoadLinkedText().outcome == LinkedFile::Outcome::Loaded) break;
          [[fallthrough]];
        case NoteJournal::Rescue::kNone:
          DeleteFileIfPresent(recordPath_);
          CloseWithoutSaving();
          return;
        case NoteJournal::Rescue::kStays:
          unreadable_.push_back({textPath, read.version.error()});
          CloseWithoutSaving();
          return;
      }
      break;
  }
  WatchLinkedFile();
  // Edits an earlier run could not save (it crashed or was killed) come back, still unsaved.
  if (std::optional<std::wstring> unsaved = journal_.TakeBack(link_)) {
    // A text box that holds the text put back only in part must never save it over the file: the
    // note closes unsaved, and its record and journal wait for the next start.
    if (!ShowText(std::move(*unsaved), TextBoxView{})) {
      CloseWithoutSaving();
      return;
    }
  }
  UpdateFileMark();
  webStrip_->Navigate(kWebStripUrl);
}

void NoteWindow::Apply(const NoteSettings& settings) {
  const int left = TwipsToPixels(settings.left, dpi_);
  const int top = TwipsToPixels(settings.top, dpi_);
  const int width = TwipsToPixels(settings.width, dpi_);
  const int height = TwipsToPixels(settings.height, dpi_);
  RECT window{};
  ::GetWindowRect(hwnd(), &window);
  if (window.left != left || window.top != top || window.right - window.left != width ||
      window.bottom - window.top != height) {
    ::SetWindowPos(hwnd(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // The pixels only approximate the twips: keep the recorded values exact.
  left_ = settings.left;
  top_ = settings.top;
  width_ = settings.width;
  height_ = settings.height;
  KeepOnScreen();
  textBox_.SetBackColour(settings.backColour);
  textBox_.SetTextColour(settings.textColour);
  textBox_.SetFont({settings.fontName, settings.fontSize, settings.bold, settings.italic}, dpi_);
  webStrip_->SetVisible(settings.webStripVisible);
  Layout();
  ::InvalidateRect(hwnd(), nullptr, TRUE);
}

NoteSettings NoteWindow::CurrentSettings() const {
  const TextBoxFont& font = textBox_.Font();
  return NoteSettings{link_.RecordedPath(), left_,     top_,        width_,      height_,
                      textBox_.BackColour(), font.name, font.points, textBox_.TextColour(), font.bold,
                      font.italic, webStrip_->Visible()};
}

// A note recorded entirely outside every work area (a monitor was removed, the resolution
// changed) opens on the nearest one instead; its record then holds the new place.
void NoteWindow::KeepOnScreen() noexcept {
  std::vector<PixelRect> workAreas;
  ::EnumDisplayMonitors(nullptr, nullptr, AddWorkArea, reinterpret_cast<LPARAM>(&workAreas));
  RECT window{};
  ::GetWindowRect(hwnd(), &window);
  const std::optional<PixelPoint> place =
      PlaceOnScreen({window.left, window.top, window.right, window.bottom}, workAreas);
  if (!place) return;
  ::SetWindowPos(hwnd(), nullptr, place->x, place->y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Replaces the text box's content by the linked text file's. Nothing changes when the file cannot
// be read now (NotNow); a file that is gone for good or is not text is Lost, and then the text box
// may hold anything: the caller closes the note without saving. The linked file itself is never
// written here. A long text goes into the text box in slices after this returns, shown from its
// start. Once loaded, the version read is the note's (Adopt), not the result's.
LinkedFile::Read NoteWindow::LoadLinkedText() {
  LinkedFile::Read read = link_.ReadVersion();
  if (read.outcome != LinkedFile::Outcome::Loaded) return read;
  // The text box must hold the whole text, or a partial text could later be saved over the file.
  if (!ShowText(read.version->text, TextBoxView{})) {
    return {LinkedFile::Outcome::Lost, Status::Failure(ERROR_INVALID_DATA)};
  }
  Adopt(*std::move(read.version));
  link_.DeleteLeftoverTemporaries(FolderOf(recordPath_));
  return read;
}

// The text box now holds exactly this version of the linked file, as the note just read or wrote
// it: the journal is not needed any more, later changes on disk are told apart from these bytes,
// and a mark of the file's state goes.
void NoteWindow::Adopt(LinkedFile::Version version) {
  StopJournalTimer();
  const bool unmarked = link_.Adopt(std::move(version));
  journal_.InStep();
  if (unmarked) UpdateFileMark();
}

// Under Wine a text box takes a 10 MB text in 12-13 s and answers nothing meanwhile; in slices the
// program answers between them, and the other notes and the main window do not wait.
bool NoteWindow::ShowText(std::wstring text, const TextBoxView& view, std::size_t kept) {
  if (!ShownInSlices(text)) {
    // A short text put back from the journal ends a long one's load at once.
    ::KillTimer(hwnd(), kTextSliceTimer);
    if (!textBox_.SetText(text)) return false;
    textBox_.SetView(view);
    life_ = NoteLife::Ready;
    return true;
  }
  // A long text replaces one still going in, and goes on at the same timer.
  if (!textBox_.BeginSlices(std::move(text), view, kept)) return false;
  life_ = NoteLife::Loading;
  // A timer's message comes after the user's input and the windows' painting.
  if (::SetTimer(hwnd(), kTextSliceTimer, USER_TIMER_MINIMUM, nullptr)) return true;
  NoteTextBox::SliceProgress progress = NoteTextBox::SliceProgress::More;
  while (progress == NoteTextBox::SliceProgress::More) progress = textBox_.AppendSlice();
  if (progress != NoteTextBox::SliceProgress::Whole) return false;
  life_ = NoteLife::Ready;
  return true;
}

// A text box that cannot hold the whole text closes its note as a close during the load would:
// the record is written, the text and the linked file are not, and the note comes back at the
// next start.
void NoteWindow::OnTextSlice() noexcept {
  NoteTextBox::SliceProgress progress = NoteTextBox::SliceProgress::Failed;
  try {
    progress = textBox_.AppendSlice();
  } catch (...) {
    // Out of memory for a slice: the text cannot be shown whole.
  }
  if (progress == NoteTextBox::SliceProgress::More) return;
  ::KillTimer(hwnd(), kTextSliceTimer);
  if (progress == NoteTextBox::SliceProgress::Failed) {
    CloseWritingRecordOnly();
    return;
  }
  life_ = NoteLife::Ready;
  // Changes to the linked file while its text went in were not followed: it is looked at now.
  OnLinkedFileNotice();
}

// Overwrites the linked file with the text box's text (LinkedFile::Save).
OverwriteResult NoteWindow::SaveLinkedText() {
  LinkedFile::Saved saved = link_.Save(textBox_.Text(), unsavedText_.SafetyCopyFolders());
  if (saved.version) {
    Adopt(std::move(*saved.version));
  } else if (!saved.result.damagedFileCopy.empty()) {
    // A rewrite in place that failed part way and could not be undone damaged the file; its
    // earlier content is in a copy, which the next start names.
    unsavedText_.MentionDamaged(link_.Path(), saved.result.damagedFileCopy);
  }
  return saved.result;
}

void NoteWindow::Close() noexcept {
  if (!IsOpen()) return;
  SaveOnClose();
  CloseWithoutSaving();
}

void NoteWindow::CloseWithoutSaving() noexcept {
  life_ = NoteLife::Closed;
  Destroy();
}

// For a text box that does not hold a whole text of the note: its place and looks are kept, its
// journal too. As far as closing goes, a text that could not go in whole is one still going in.
void NoteWindow::CloseWritingRecordOnly() noexcept {
  life_ = NoteLife::Loading;
  SaveOnClose();
  CloseWithoutSaving();
}

// What closing writes follows from the note's life (NoteLife).
void NoteWindow::SaveOnClose() noexcept {
  switch (life_) {
    case NoteLife::Opening:
    case NoteLife::Closed:
      return;
    case NoteLife::Loading:
      // Not the note's whole text: the file keeps its own, and a journal put back stays for the
      // next start.
      SaveRecord();
      return;
    case NoteLife::Ready:
      if (SaveRecord()) SaveTextOnClose();
      return;
  }
}

void NoteWindow::SaveTextOnClose() noexcept {
  // Text that was not edited is not written, so another program's changes to the file survive.
  // Edits that cannot be written are kept elsewhere, and the next start says where.
  const std::wstring text = textBox_.Text();
  if (text == link_.Text()) {
    // Typed back to the file's text before the journal caught up: nothing unsaved, no journal.
    RemoveJournal();
    return;
  }
  // Another program wrote the file meanwhile, and nobody can be asked now: its version is kept
  // first, and named at the next start. When it cannot be kept, the note's text is kept instead and
  // the file stays as the other program left it.
  bool written = false;
  if (const std::optional<std::string> other = link_.OtherVersionOnDisk();
      !other || unsavedText_.KeepOtherVersion(link_.Path(), *other)) {
    written = SaveLinkedText().status.ok();
  }
  if (written) return;
  // Kept nowhere, the edit keeps its journal, brought up to date: the last copy of it.
  if (unsavedText_.Keep(link_.Path(), text, codePage_)) {
    RemoveJournal();
  } else {
    UpdateJournal();
  }
}

// Writes the record only while its record file exists: a note whose record was deleted by hand
// must not bring it back. A record that another program holds open still exists. False when the
// note is not to be saved at all.
bool NoteWindow::SaveRecord() noexcept {
  if (!FileExists(recordPath_)) {
    // Unsaved edits stay in the journal, brought up to date: the next start keeps them in a
    // recovery file and names it (or puts them back, if the record has come back by then). A text
    // that is not whole in the text box is not the note's text, and leaves the journal as it is.
    if (life_ == NoteLife::Ready) UpdateJournal();
    return false;
  }
  // Each save stands alone: a record that cannot be written does not cost the user the text.
  std::optional<std::string> line;
  try {
    line = FormatClosedRecord(ValuesToWrite(CurrentSettings()), codePage_);
  } catch (...) {
    // Out of memory for the line: the text may still be saved.
  }
  // At the end nobody can be told of a record that cannot be written: it keeps what it held, and
  // the note comes back as it was last saved.
  if (line) static_cast<void>(WriteFileAtomically(recordPath_, *line));
  return true;
}

// Fits the text box and the web strip to the window's outer size.
void NoteWindow::Layout() noexcept {
  const NoteLayout layout = LayoutNote(width_, height_, webStrip_ && webStrip_->Visible());
  const RECT text = textBox_.ScreenRect();
  const int textLeft = TwipsToPixels(kTextLeft, dpi_);
  const int textTop = TwipsToPixels(kTextTop, dpi_);
  const int textWidth = layout.textWidth ? TwipsToPixels(*layout.textWidth, dpi_) : text.right - text.left;
  const int textHeight = layout.textHeight ? TwipsToPixels(*layout.textHeight, dpi_) : text.bottom - text.top;
  textBox_.Move(RECT{textLeft, textTop, textLeft + textWidth, textTop + textHeight});
  if (!webStrip_) return;
  const RECT web = webStrip_->Bounds();
  const int left = TwipsToPixels(kWebLeft, dpi_);
  const int top = TwipsToPixels(layout.webTop, dpi_);
  const int webWidth = layout.webWidth ? TwipsToPixels(*layout.webWidth, dpi_) : web.right - web.left;
  webStrip_->SetBounds(RECT{left, top, left + webWidth, top + TwipsToPixels(kWebHeight, dpi_)});
}

LRESULT NoteWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  switch (msg) {
    case WM_SIZE:
      OnSize();
      return 0;
    case WM_WINDOWPOSCHANGED:
      OnWindowPosChanged(*reinterpret_cast<const WINDOWPOS*>(lParam));
      return DefaultProcedure(msg, wParam, lParam);
    case WM_GETMINMAXINFO:
      OnGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_ERASEBKGND:
      OnEraseBackground(reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_SETFOCUS:
      OnSetFocus();
      return 0;
    case WM_GETOBJECT:
      // An assistive tool reads the text from the text box's control.
      textBox_.MakeControl();
      return DefaultProcedure(msg, wParam, lParam);
    case kMakeTextBoxMessage:
      textBox_.MakeControl();
      return 0;
    case WM_CTLCOLOREDIT:
      return textBox_.OnColours(reinterpret_cast<HDC>(wParam));
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) != textBox_.hwnd()) return DefaultProcedure(msg, wParam, lParam);
      return textBox_.OnColours(reinterpret_cast<HDC>(wParam));
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      OnButtonDown(msg, wParam, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(wParam, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_CAPTURECHANGED:
      OnButtonUp();
      return 0;
    case WM_CONTEXTMENU:
      if (OnContextMenu(lParam)) return 0;
      return DefaultProcedure(msg, wParam, lParam);
    case WM_NOTIFY:
      if (textBox_.OnTooltipNotice(*reinterpret_cast<const NMHDR*>(lParam))) return 0;
      return DefaultProcedure(msg, wParam, lParam);
    case WM_COMMAND:
      if (LOWORD(wParam) != NoteTextBox::kControlId) return DefaultProcedure(msg, wParam, lParam);
      OnTextBoxNotice(HIWORD(wParam));
      return 0;
    case WM_TIMER:
      if (wParam == kJournalTimer) {
        UpdateJournal();
      } else if (wParam == kFileSettledTimer) {
        OnLinkedFileSettled();
      } else if (wParam == kWatchRetryTimer) {
        OnWatchRetry();
      } else if (wParam == kTextSliceTimer) {
        OnTextSlice();
      } else {
        return DefaultProcedure(msg, wParam, lParam);
      }
      return 0;
    case kLinkedFileMessage:
      OnLinkedFileNotice();
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    default:
      return DefaultProcedure(msg, wParam, lParam);
  }
}

void NoteWindow::OnSize() noexcept { Layout(); }

void NoteWindow::OnWindowPosChanged(const WINDOWPOS& pos) noexcept {
  // Adopt a new pixel value only where it no longer matches the twips we hold.
  auto follow = [this](double& twips, int pixels) {
    if (TwipsToPixels(twips, dpi_) != pixels) twips = PixelsToTwips(pixels, dpi_);
  };
  if (!(pos.flags & SWP_NOMOVE)) {
    follow(left_, pos.x);
    follow(top_, pos.y);
  }
  if (!(pos.flags & SWP_NOSIZE)) {
    follow(width_, pos.cx);
    follow(height_, pos.cy);
  }
}

void NoteWindow::OnGetMinMaxInfo(MINMAXINFO& info) const noexcept {
  info.ptMinTrackSize.x = TwipsToPixels(kMinNoteWidth, dpi_);
  info.ptMinTrackSize.y = TwipsToPixels(kMinNoteHeight, dpi_);
}

void NoteWindow::OnDpiChanged(int dpi, const RECT& suggested) noexcept {
  // The size in twips stays; only its pixels change.
  const double width = width_, height = height_;
  dpi_ = dpi;
  textBox_.SetFont(textBox_.Font(), dpi_);
  ::SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, TwipsToPixels(width, dpi_),
                 TwipsToPixels(height, dpi_), SWP_NOZORDER | SWP_NOACTIVATE);
  width_ = width;
  height_ = height;
  Layout();
}

void NoteWindow::OnEraseBackground(HDC dc) const noexcept {
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  // The margin and the text box share one background.
  ::FillRect(dc, &client, textBox_.BackBrush());
  DrawFileMark(dc, client);
}

void NoteWindow::OnPaint() noexcept {
  PAINTSTRUCT paint{};
  HDC dc = ::BeginPaint(hwnd(), &paint);
  if (!dc) return;
  if (!textBox_.Paint(dc)) ::PostMessageW(hwnd(), kMakeTextBoxMessage, 0, 0);
  ::EndPaint(hwnd(), &paint);
}

// Keys go to the text: a note that takes the focus hands it to its text box.
void NoteWindow::OnSetFocus() noexcept {
  if (textBox_.MakeControl()) ::SetFocus(textBox_.hwnd());
}

// Over a text that is still drawn, the press belongs to the text box.
void NoteWindow::OnButtonDown(UINT button, WPARAM keys, POINT client) noexcept {
  if (textBox_.TakeMouse(button, keys, client)) return;
  if (button == WM_LBUTTONDOWN) {
    dragging_ = true;
    // Keep the mouse while dragging, so a fast move off the window does not drop the note.
    ::SetCapture(hwnd());
  } else if (button == WM_RBUTTONDOWN) {
    // The menu opens under the mouse and runs its command before the press is recorded.
    POINT screen = client;
    ::ClientToScreen(hwnd(), &screen);
    ShowMenu(screen);
  }
  grabX_ = PixelsToTwips(client.x, dpi_);
  grabY_ = PixelsToTwips(client.y, dpi_);
}

void NoteWindow::OnMouseMove(WPARAM keys, POINT client) noexcept {
  if (!dragging_) {
    textBox_.TakeMouse(WM_MOUSEMOVE, keys, client);
    return;
  }
  const double x = PixelsToTwips(client.x, dpi_);
  const double y = PixelsToTwips(client.y, dpi_);
  const double left = left_ + x - grabX_;
  const double top = top_ + y - grabY_;
  ::SetWindowPos(hwnd(), nullptr, TwipsToPixels(left, dpi_), TwipsToPixels(top, dpi_), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void NoteWindow::OnButtonUp() noexcept {
  if (!dragging_) return;
  dragging_ = false;
  if (::GetCapture() == hwnd()) ::ReleaseCapture();
}

// The journal follows the text box: once typing pauses, and at once when the focus leaves it. The
// slices of a text going in are no edits.
void NoteWindow::OnTextBoxNotice(WORD code) noexcept {
  if (life_ == NoteLife::Loading) return;
  if (code == EN_CHANGE) {
    if (const std::optional<UINT> wait = journal_.TextChanged()) ::SetTimer(hwnd(), kJournalTimer, *wait, nullptr);
  } else if (code == EN_KILLFOCUS && journal_.ChangePending()) {
    UpdateJournal();
  }
}

void NoteWindow::UpdateJournal() noexcept {
  try {
    const std::wstring text = textBox_.Text();
    StopJournalTimer();
    journal_.Update(text, link_);
  } catch (...) {
    // Out of memory for a copy of the text: the next change tries again.
  }
}

void NoteWindow::RemoveJournal() noexcept {
  StopJournalTimer();
  journal_.Remove();
}

// The journal's timer runs while a change is not yet in the journal, and only then.
void NoteWindow::StopJournalTimer() noexcept {
  if (journal_.ChangePending()) ::KillTimer(hwnd(), kJournalTimer);
}

// The strip's control closes while its window, a child of this one, still exists.
void NoteWindow::OnDestroy() noexcept {
  if (webStrip_) webStrip_->Close();
}

// A note follows its linked file while other programs change it: the file's folder tells of
// changes, and after a quiet moment the note has the linked file look (LinkedFile::Check). An
// unedited note shows the new text; an edited one is marked and asks before its text replaces the
// other version or the other version replaces its text.

bool NoteWindow::Edited() const { return textBox_.Text() != link_.Text(); }

void NoteWindow::WatchLinkedFile() noexcept {
  if (!link_.Watch(hwnd(), kLinkedFileMessage)) ::SetTimer(hwnd(), kWatchRetryTimer, kWatchRetryMs, nullptr);
}

// Every change starts the wait for quiet again, up to the longest wait.
void NoteWindow::OnLinkedFileNotice() noexcept {
  const ULONGLONG now = ::GetTickCount64();
  if (!firstUnseenChange_) firstUnseenChange_ = now;
  const ULONGLONG wait = WaitAfterChange(*firstUnseenChange_, now, kSettleMs, kLongestWaitMs);
  ::SetTimer(hwnd(), kFileSettledTimer, static_cast<UINT>(std::max<ULONGLONG>(wait, USER_TIMER_MINIMUM)), nullptr);
}

void NoteWindow::OnLinkedFileSettled() noexcept {
  ::KillTimer(hwnd(), kFileSettledTimer);
  firstUnseenChange_.reset();
  try {
    CheckLinkedFile();
  } catch (...) {
    // Out of memory for the file's bytes: the next change tells again.
  }
  // A text it could not take may have closed the note.
  if (IsOpen() && link_.WatchStopped()) ::SetTimer(hwnd(), kWatchRetryTimer, kWatchRetryMs, nullptr);
}

void NoteWindow::OnWatchRetry() noexcept {
  if (!link_.RestartWatch()) return;
  ::KillTimer(hwnd(), kWatchRetryTimer);
  // Whatever happened while nobody watched is looked at now.
  OnLinkedFileSettled();
}

// A text still going into the text box is looked at once it is in.
void NoteWindow::CheckLinkedFile() {
  if (life_ != NoteLife::Ready) return;
  const LinkMark mark = MarkOf(link_.State());
  LinkedFile::Look look = link_.Check(Edited());
  if (look.action == LinkAction::Follow && look.version) {
    FollowLinkedFile(std::move(*look.version));
  } else if (MarkOf(link_.State()) != mark) {
    UpdateFileMark();
  }
}

// Shows the file's new text in place of the old, keeping the caret and the scroll position where
// the text allows; a long text goes in slices, read-only and unsaved until it is all in, and when it
// only goes on from the text shown (a file written to at its end), only what was added goes in. The
// text box holds the text the note is in step with.
void NoteWindow::FollowLinkedFile(LinkedFile::Version version) {
  const std::wstring& shown = link_.Text();
  const std::size_t kept = version.text.starts_with(shown) ? shown.size() : 0;
  if (!ShowText(version.text, textBox_.View(), kept)) {
    // The box could not take the whole text, and nothing partial may ever be saved. A short text
    // goes back to the one it showed, still the file's as far as the note knows; setting a long one
    // back at once would freeze the program, so the note closes as a failed slice closes it.
    if (ShownInSlices(version.text)) {
      CloseWritingRecordOnly();
    } else {
      textBox_.SetText(shown);
    }
    return;
  }
  Adopt(std::move(version));
}

void NoteWindow::UpdateFileMark() {
  UINT tooltip = IDS_NOTE_TOOLTIP;
  if (MarkOf(link_.State()) == LinkMark::Conflict) tooltip = IDS_NOTE_TOOLTIP_CHANGED;
  if (MarkOf(link_.State()) == LinkMark::Gone) tooltip = IDS_NOTE_TOOLTIP_GONE;
  textBox_.SetTooltip(LoadText(tooltip, {link_.Path()}));
  ::InvalidateRect(hwnd(), nullptr, TRUE);
}

void NoteWindow::DrawFileMark(HDC dc, const RECT& client) const noexcept {
  if (MarkOf(link_.State()) != LinkMark::Conflict) return;
  UniqueBrush mark(::CreateSolidBrush(kChangedMarkColour));
  RECT frame = client;
  for (int i = 0; i < kChangedMarkPixels && mark; ++i) {
    ::FrameRect(dc, &frame, mark.get());
    ::InflateRect(&frame, -1, -1);
  }
}

}  // namespace varnel
