#include "note/note_window.h"

#include <windowsx.h>

#include <vector>

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
  recordedTextPath_ = settings.textPath;
  textPath_ = ResolveAgainstFolder(FolderOf(recordPath_), settings.textPath);
  Apply(settings);
  DWORD error = ERROR_SUCCESS;
  switch (LoadLinkedText(error)) {
    case TextLoad::Loaded:
      break;
    case TextLoad::NotNow:
      unreadable_.push_back({textPath_, error});
      CloseWithoutSaving();
      return;
    case TextLoad::Lost:
      // Edits an earlier run could not save do not go with the file: written in its place, they
      // open as the note's file; kept nowhere, they keep the note's record too.
      switch (journal_.RescueFromLostFile(textPath_, codePage_)) {
        case NoteJournal::Rescue::kWrittenBack:
          if (LoadLinkedText(error) == TextLoad::Loaded) break;
          [[fallthrough]];
        case NoteJournal::Rescue::kNone:
          DeleteFileIfPresent(recordPath_);
          CloseWithoutSaving();
          return;
        case NoteJournal::Rescue::kStays:
          // A file that is there but not text was read without an error.
          unreadable_.push_back({textPath_, error == ERROR_SUCCESS ? ERROR_INVALID_DATA : error});
          CloseWithoutSaving();
          return;
      }
      break;
  }
  loaded_ = true;
  WatchLinkedFile();
  // Edits an earlier run could not save (it crashed or was killed) come back, still unsaved.
  if (std::optional<std::wstring> unsaved = journal_.TakeBack(textPath_, savedText_, textFormat_, hwnd())) {
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
  return NoteSettings{recordedTextPath_,   left_,     top_,        width_,      height_,
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
// be read now (NotNow, error says why; a file too large for a note is one); a file that is gone for
// good or is not text is Lost, and then the text box may hold anything: the caller closes the note
// without saving. The linked file itself is never written here. A long text goes into the text box
// in slices after this returns, shown from its start.
NoteWindow::TextLoad NoteWindow::LoadLinkedText(DWORD& error) {
  std::optional<FileState> state;
  const ReadResult read =
      textPath_.empty() ? ReadResult{std::nullopt, ERROR_FILE_NOT_FOUND} : ReadLinkedFile(textPath_, &state);
  if (read.noText) return TextLoad::Lost;
  if (!read.bytes) {
    error = read.error;
    // A folder where the file should be is no text file either, now or later.
    const bool folder = PathExists(textPath_) && !FileExists(textPath_);
    return textPath_.empty() || folder || IsGoneForGood(textPath_, read.error) ? TextLoad::Lost : TextLoad::NotNow;
  }
  std::optional<DecodedText> decoded = DecodeLinkedText(*read.bytes, codePage_);
  // The text box must hold the whole text, or a partial text could later be saved over the file.
  if (!decoded || !ShowText(decoded->text, TextBoxView{})) return TextLoad::Lost;
  textFormat_ = decoded->format;
  savedText_ = std::move(decoded->text);
  RememberLinkedFile(*read.bytes, state);
  // A save of this file that was cut short by a kill may have left its temporary file beside it.
  // The records' folder had its leftovers removed before the first note opened.
  if (const std::wstring folder = FolderOf(textPath_); !folder.empty() && !SameFolder(folder, FolderOf(recordPath_))) {
    DeleteLeftoverTemporaries(folder, FileNameOf(textPath_));
  }
  return TextLoad::Loaded;
}

// Under Wine a text box takes a 10 MB text in 12-13 s and answers nothing meanwhile; in slices the
// program answers between them, and the other notes and the main window do not wait.
bool NoteWindow::ShowText(std::wstring text, const TextBoxView& view, std::size_t kept) {
  if (!ShownInSlices(text)) {
    // A short text put back from the journal ends a long one's load at once.
    ::KillTimer(hwnd(), kTextSliceTimer);
    if (!textBox_.SetText(text)) return false;
    textBox_.SetView(view);
    return true;
  }
  // A long text replaces one still going in, and goes on at the same timer.
  if (!textBox_.BeginSlices(std::move(text), view, kept)) return false;
  // A timer's message comes after the user's input and the windows' painting.
  if (::SetTimer(hwnd(), kTextSliceTimer, USER_TIMER_MINIMUM, nullptr)) return true;
  NoteTextBox::SliceProgress progress = NoteTextBox::SliceProgress::More;
  while (progress == NoteTextBox::SliceProgress::More) progress = textBox_.AppendSlice();
  return progress == NoteTextBox::SliceProgress::Whole;
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
  // Changes to the linked file while its text went in were not followed: it is looked at now.
  OnLinkedFileNotice();
}

// Overwrites the linked file with the text box's text, in the file's own encoding and line ends,
// keeping the file what it was: a link stays a link, every hard link sees the new text.
OverwriteResult NoteWindow::SaveLinkedText() {
  std::wstring text = textBox_.Text();
  std::optional<EncodedText> encoded = EncodeLinkedText(text, textFormat_, codePage_);
  if (!encoded) return {ERROR_NO_UNICODE_TRANSLATION, {}};
  OverwriteResult result = OverwriteLinkedFile(textPath_, encoded->bytes, unsavedText_.SafetyCopyFolders());
  if (result.error != ERROR_SUCCESS) {
    // A rewrite in place that failed part way and could not be undone damaged the file; its
    // earlier content is in a copy, which the next start names.
    if (!result.damagedFileCopy.empty()) unsavedText_.MentionDamaged(textPath_, result.damagedFileCopy);
    return result;
  }
  textFormat_ = encoded->format;
  savedText_ = std::move(text);
  RememberLinkedFile(encoded->bytes);
  return result;
}

void NoteWindow::Close() noexcept {
  if (!IsOpen()) return;
  SaveOnClose();
  Destroy();
}

void NoteWindow::CloseWithoutSaving() noexcept {
  loaded_ = false;
  Destroy();
}

// For a text box that does not hold a whole text of the note: its place and looks are kept, its
// journal too.
void NoteWindow::CloseWritingRecordOnly() noexcept {
  SaveRecord();
  CloseWithoutSaving();
}

void NoteWindow::SaveOnClose() noexcept {
  if (!SaveRecord()) return;
  // A text still going into the text box is not the note's whole text: the file keeps its own, and
  // a journal put back stays for the next start.
  if (textBox_.Loading()) return;
  // Text that was not edited is not written, so another program's changes to the file survive.
  // Edits that cannot be written are kept elsewhere, and the next start says where.
  const std::wstring text = textBox_.Text();
  // Typed back to the file's text before the journal caught up: nothing unsaved, no journal.
  if (text == savedText_) journal_.Remove();
  if (text == savedText_) return;
  // Another program wrote the file meanwhile, and nobody can be asked now: its version is kept
  // first, and named at the next start. When it cannot be kept, the note's text is kept instead and
  // the file stays as the other program left it.
  bool written = false;
  if (const std::optional<std::string> other = OtherVersionOnDisk();
      !other || unsavedText_.KeepOtherVersion(textPath_, *other)) {
    written = SaveLinkedText().error == ERROR_SUCCESS;
  }
  if (written) return;
  // Kept nowhere, the edit keeps its journal, brought up to date: the last copy of it.
  if (unsavedText_.Keep(textPath_, text, codePage_)) {
    journal_.Remove();
  } else {
    UpdateJournal();
  }
}

// Writes the record only once the note has loaded, and only while its record file exists: a
// note whose record was deleted by hand must not bring it back. A record that another program holds
// open still exists. False when the note is not to be saved at all.
bool NoteWindow::SaveRecord() noexcept {
  if (!loaded_) return false;
  if (!FileExists(recordPath_)) {
    // Unsaved edits stay in the journal, brought up to date: the next start keeps them in a
    // recovery file and names it (or puts them back, if the record has come back by then). A text
    // still going into the text box is not the note's text, and leaves the journal as it is.
    if (!textBox_.Loading()) UpdateJournal();
    return false;
  }
  // Each save stands alone: a record that cannot be written does not cost the user the text.
  std::optional<std::string> line;
  try {
    line = FormatClosedRecord(ValuesToWrite(CurrentSettings()), codePage_);
  } catch (...) {
    // Out of memory for the line: the text may still be saved.
  }
  if (line) {
    WriteFileAtomically(recordPath_, *line);
  }
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
      if (wParam == NoteJournal::kTimerId) {
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
  if (textBox_.Loading()) return;
  if (code == EN_CHANGE) {
    journal_.TextChanged();
  } else if (code == EN_KILLFOCUS && journal_.ChangePending()) {
    UpdateJournal();
  }
}

void NoteWindow::UpdateJournal() noexcept {
  try {
    journal_.Update(textBox_.Text(), savedText_, textFormat_);
  } catch (...) {
    // Out of memory for a copy of the text: the next change tries again.
  }
}

// The strip's control closes while its window, a child of this one, still exists.
void NoteWindow::OnDestroy() noexcept {
  if (webStrip_) webStrip_->Close();
}

}  // namespace varnel
