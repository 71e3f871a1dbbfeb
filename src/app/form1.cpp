#include "app/form1.h"

#include <limits>

#include "note/form2.h"
#include "platform/app_folder.h"
#include "platform/dpi.h"
#include "platform/files.h"
#include "platform/twips.h"
#include "resources/resource_ids.h"

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
  form->icon_.reset(LoadProgramIcon(32));
  form->smallIcon_.reset(LoadProgramIcon(16));
  form->background_.reset(::CreateSolidBrush(kBackground));
  if (!RegisterWindowClass(kClassName, 0, form->icon_.get(), form->smallIcon_.get())) return nullptr;
  if (!form->WindowBase::Create(kClassName, kCaption, kStyle, kExStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, nullptr)) {
    return nullptr;
  }
  form->ApplyDesignSize(DpiForWindow(form->hwnd()), nullptr);
  return form;
}

Form1::~Form1() = default;

void Form1::Load(int showCommand) {
  OpenAllNotes();
  // The main window comes after the notes, in front of them.
  ::ShowWindow(hwnd(), showCommand == SW_SHOWMINIMIZED || showCommand == SW_MINIMIZE ? SW_SHOWNORMAL : showCommand);
  ::UpdateWindow(hwnd());
}

void Form1::OpenAllNotes() {
  // The listing is taken once, before the first note opens.
  const std::vector<std::wstring> names = ListFileNames(folder_, L"*.dat");
  for (const std::wstring& name : names) OpenNote(folder_ + L"\\" + name);
}

void Form1::OpenNote(const std::wstring& path) {
  // Past the last slot no note opens in this run; the record stays for a later run.
  if (noteCount >= 0 && noteCount < kNoteSlots) {
    auto& note = notes[static_cast<size_t>(noteCount)];
    note = std::make_unique<Form2>(*codePage_);
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
  switch (msg) {
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

void Form1::OnDpiChanged(int dpi, const RECT& suggested) noexcept { ApplyDesignSize(dpi, &suggested); }

void Form1::OnClose() noexcept {
  Unload();
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
  CloseAllNotes();
}

}  // namespace varnel
