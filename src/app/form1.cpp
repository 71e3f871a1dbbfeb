#include "app/form1.h"

#include <limits>

#include "note/form2.h"
#include "platform/app_folder.h"
#include "platform/clock.h"
#include "platform/dpi.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/twips.h"
#include "resources/resource_ids.h"
#include "storage/note_record.h"
#include "storage/record_name.h"

namespace varnel {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kExStyle = 0;

// Design of the main window, in twips.
constexpr double kClientWidth = 3255;
constexpr double kClientHeight = 1335;
constexpr COLORREF kBackground = 0x00E0E0E0;
constexpr COLORREF kShapeColor = 0x00C0C0C0;
constexpr RECT kShape1{120, 120, 120 + 3015, 120 + 1095};
constexpr RECT kLabel1{360, 480, 360 + 2535, 480 + 375};
constexpr wchar_t kDropHint[] = L"ここにﾃｷｽﾄﾌｧｲﾙをﾄﾞﾛｯﾌﾟすると 新しい付箋紙を作成します";
constexpr wchar_t kLabelFontName[] = L"ＭＳ Ｐゴシック";
constexpr double kLabelFontPoints = 9;

// Posted by a drop whose record could not be written (wParam: the Win32 error), so the message
// box opens after the drag has ended and not inside it.
constexpr UINT kNoteNotCreatedMessage = WM_APP + 0x40;
constexpr wchar_t kNoteNotCreatedText[] = L"付箋紙を作成できませんでした。\r\n";

RECT ToPixels(const RECT& twips, int dpi) {
  return RECT{TwipsToPixels(twips.left, dpi), TwipsToPixels(twips.top, dpi), TwipsToPixels(twips.right, dpi),
              TwipsToPixels(twips.bottom, dpi)};
}

HICON LoadProgramIcon(int size) {
  return static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_VARNEL), IMAGE_ICON, size,
                                         size, LR_DEFAULTCOLOR));
}

}  // namespace

std::unique_ptr<Form1> Form1::Create() {
  auto form = std::make_unique<Form1>();
  form->folder_ = ApplicationFolder();
  form->codePage_ = MakeSystemCodePage();
  if (!form->codePage_) return nullptr;
  form->unsavedText_ = std::make_unique<UnsavedText>(std::vector<std::wstring>{form->folder_, LocalRecoveryFolder()});
  form->icon_.reset(LoadProgramIcon(32));
  form->smallIcon_.reset(LoadProgramIcon(16));
  form->background_.reset(::CreateSolidBrush(kBackground));
  if (!RegisterWindowClass(kClassName, 0, form->icon_.get(), form->smallIcon_.get())) return nullptr;
  if (!form->WindowBase::Create(kClassName, kCaption, kStyle, kExStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, nullptr)) {
    return nullptr;
  }
  form->ApplyDesignSize(DpiForWindow(form->hwnd()), nullptr);
  // Without OLE drag and drop the program still runs; it just takes no drops.
  form->dropTarget_.Register(form->hwnd());
  return form;
}

Form1::~Form1() = default;

void Form1::Load(int showCommand) {
  // The shell's answer is kept, not acted on: without a tray the program still runs.
  nid = std::make_unique<TrayIcon>(hwnd(), kTrayCallbackMessage, icon_.get(), kCaption);
  nid->Add();
  OpenAllNotes();
  // The main window comes after the notes, in front of them.
  ::ShowWindow(hwnd(), showCommand == SW_SHOWMINIMIZED || showCommand == SW_MINIMIZE ? SW_SHOWNORMAL : showCommand);
  ::UpdateWindow(hwnd());
  TellAboutEarlierUnsavedText();
}

// Edits that an earlier run could not write to their files: told once, with where they are.
void Form1::TellAboutEarlierUnsavedText() noexcept {
  try {
    const std::vector<UnsavedEntry> entries = unsavedText_->TakeEarlierEntries();
    if (!entries.empty()) ShowMessageBox(hwnd(), UnsavedNotice(entries), MB_OK | MB_ICONWARNING);
  } catch (...) {
    // Out of memory for the notice: the recovery files themselves are on disk.
  }
}

void Form1::OpenAllNotes() {
  // Half-written files of a run that was killed while saving go first; the records they were
  // meant to replace are whole.
  DeleteLeftoverTemporaries(folder_, L"*");
  // The listing is taken once, before the first note opens.
  const std::vector<std::wstring> names = ListFileNames(folder_, L"*.dat");
  for (const std::wstring& name : names) OpenNote(folder_ + L"\\" + name);
}

void Form1::OpenNote(const std::wstring& path) {
  // Past the last slot no note opens in this run; the record stays for a later run.
  if (noteCount >= 0 && noteCount < kNoteSlots) {
    auto& note = notes[static_cast<size_t>(noteCount)];
    note = std::make_unique<Form2>(*codePage_, CommonDialog1, *unsavedText_);
    note->idfile = path;
    note->Show();
  }
  if (noteCount < std::numeric_limits<std::int16_t>::max()) ++noteCount;
}

void Form1::CloseAllNotes() noexcept {
  for (auto& note : notes) {
    if (note) note->Close();
  }
}

void Form1::ApplyDesignSize(int dpi, const RECT* suggested) noexcept {
  dpi_ = dpi;
  labelFont_.reset(::CreateFontW(FontHeightForPoints(kLabelFontPoints, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                 SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, kLabelFontName));
  SIZE outer = OuterSizeForClientTwips(kClientWidth, kClientHeight, kStyle, kExStyle, dpi);
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (suggested ? 0 : SWP_NOMOVE);
  int x = suggested ? suggested->left : 0;
  int y = suggested ? suggested->top : 0;
  ::SetWindowPos(hwnd(), nullptr, x, y, outer.cx, outer.cy, flags);
  ::InvalidateRect(hwnd(), nullptr, TRUE);
}

LRESULT Form1::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  if (msg == taskbarCreated_ && msg != 0) {
    OnTaskbarCreated();
    return 0;
  }
  switch (msg) {
    case kNoteNotCreatedMessage:
      OnNoteNotCreated(static_cast<DWORD>(wParam));
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
      dropTarget_.Revoke();
      ::PostQuitMessage(0);
      return 0;
    default:
      return DefaultProcedure(msg, wParam, lParam);
  }
}

void Form1::OnEraseBackground(HDC dc) noexcept {
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  ::FillRect(dc, &client, background_.get());
}

void Form1::OnPaint() noexcept {
  PAINTSTRUCT ps{};
  HDC dc = ::BeginPaint(hwnd(), &ps);

  // Shape1: a one-pixel silver rectangle frame.
  UniquePen pen(::CreatePen(PS_SOLID, 1, kShapeColor));
  HGDIOBJ oldPen = ::SelectObject(dc, pen.get());
  HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
  RECT shape = ToPixels(kShape1, dpi_);
  ::Rectangle(dc, shape.left, shape.top, shape.right, shape.bottom);
  ::SelectObject(dc, oldBrush);
  ::SelectObject(dc, oldPen);

  // Label1: the centred drop hint.
  HGDIOBJ oldFont = ::SelectObject(dc, labelFont_.get());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
  RECT label = ToPixels(kLabel1, dpi_);
  ::DrawTextW(dc, kDropHint, -1, &label, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
  ::SelectObject(dc, oldFont);

  ::EndPaint(hwnd(), &ps);
}

void Form1::OnSize(WPARAM sizeType) noexcept {
  // Minimized, the main window leaves the taskbar; the tray icon is the way back.
  if (sizeType == SIZE_MINIMIZED) ::ShowWindow(hwnd(), SW_HIDE);
}

void Form1::OnTrayCallback(LPARAM mouseMessage) noexcept {
  if (!IsTrayButtonPress(mouseMessage)) return;
  ::ShowWindow(hwnd(), SW_SHOWNORMAL);
  ::SetForegroundWindow(hwnd());
}

void Form1::OnTaskbarCreated() noexcept {
  // A restarted Explorer forgets every icon: show ours again so the hidden window stays reachable.
  if (nid) nid->Add();
}

void Form1::OnDpiChanged(int dpi, const RECT& suggested) noexcept { ApplyDesignSize(dpi, &suggested); }

void Form1::OnClose() noexcept {
  Unload();
  // Only an ordinary exit may wait for the user; the end of a session never does.
  if (!unsavedText_->Lost().empty()) {
    try {
      ShowMessageBox(hwnd(), LostNotice(unsavedText_->Lost()), MB_OK | MB_ICONERROR);
    } catch (...) {
      // Out of memory for the notice.
    }
  }
  Destroy();
  ::PostQuitMessage(0);
}

LRESULT Form1::OnEndSession(bool ending) noexcept {
  // The session may end the process as soon as this returns: save everything now, once.
  if (ending) Unload();
  return 0;
}

// Shutdown runs once, whether the main window closes or the Windows session ends.
void Form1::Unload() noexcept {
  if (unloaded_) return;
  unloaded_ = true;
  // No new notes once the notes are being closed.
  dropTarget_.Revoke();
  CloseAllNotes();
  if (nid) nid->Remove();
}

void Form1::Form_OLEDragDrop(const std::wstring& droppedPath) noexcept {
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
  } catch (...) {
    // The record is on disk: the note comes back at the next start.
  }
}

// The record of a new note for droppedPath, at the main window's position, written in one step
// under a name made from the local clock; nothing is left behind when it fails.
DWORD Form1::WriteNewRecord(const std::wstring& droppedPath, std::wstring& recordPath) const {
  // Any entry of that name counts as taken, a folder too.
  std::optional<std::wstring> name = NewRecordFileName(LocalTimeNow(), [this](const std::wstring& candidate) {
    return ::GetFileAttributesW((folder_ + L"\\" + candidate).c_str()) != INVALID_FILE_ATTRIBUTES;
  });
  if (!name) return ERROR_FILE_EXISTS;

  RECT outer{};
  if (!::GetWindowRect(hwnd(), &outer)) return ::GetLastError();
  auto left = static_cast<float>(PixelsToTwips(outer.left, dpi_));
  auto top = static_cast<float>(PixelsToTwips(outer.top, dpi_));
  std::optional<std::string> line = FormatNewRecord(droppedPath, left, top, *codePage_);
  if (!line) return ERROR_NO_UNICODE_TRANSLATION;

  recordPath = folder_ + L"\\" + *name;
  return WriteFileAtomically(recordPath, *line);
}

void Form1::OnNoteNotCreated(DWORD error) noexcept {
  try {
    ShowMessageBox(hwnd(), kNoteNotCreatedText + SystemErrorText(error), MB_OK | MB_ICONWARNING);
  } catch (...) {
    // Out of memory for the text itself: nothing more to say.
  }
}

}  // namespace varnel
