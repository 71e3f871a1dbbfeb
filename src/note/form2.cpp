#include "note/form2.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "note/layout.h"
#include "platform/colours.h"
#include "platform/dpi.h"
#include "platform/files.h"
#include "platform/twips.h"
#include "platform/web_strip_url.h"
#include "platform/web_view.h"
#include "storage/note_record.h"

namespace varnel {
namespace {

constexpr DWORD kStyle = WS_POPUP | WS_THICKFRAME | WS_CLIPCHILDREN;
// A tool window has no taskbar button.
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
constexpr DWORD kTextStyle = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL;
constexpr int kText1Id = 1;

// Design values of a note before its record is applied.
constexpr double kDesignWidth = kDesignTextWidth + 600;
constexpr double kDesignHeight = kDesignTextHeight + 600;
constexpr std::int32_t kDesignColour = 0x00C0C0C0;
constexpr std::int32_t kDesignTextColour = 0x00000000;
constexpr wchar_t kDesignFontName[] = L"ＭＳ Ｐゴシック";
constexpr float kDesignFontSize = 9;
// Font sizes the text box takes, in points.
constexpr float kLargestFontSize = 2048;

constexpr wchar_t kTooltipBefore[] = L"内容はﾃｷｽﾄﾌｧｲﾙ[ ";
constexpr wchar_t kTooltipAfter[] = L" ]とﾘﾝｸされています";

bool IsFontSize(float points) { return std::isfinite(points) && points > 0 && points <= kLargestFontSize; }

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

Form2::Form2(const CodePage& systemCodePage, CommonDialog& commonDialog1, UnsavedText& unsavedText)
    : codePage_(systemCodePage),
      commonDialog1_(commonDialog1),
      unsavedText_(unsavedText),
      width_(kDesignWidth),
      height_(kDesignHeight),
      fontName_(kDesignFontName),
      fontSize_(kDesignFontSize),
      textForeColour_(kDesignTextColour),
      textBackColour_(kDesignColour),
      windowBackColour_(kDesignColour) {}

Form2::~Form2() {
  // The strip's control closes while its parent window still exists.
  if (webBrowser1_) webBrowser1_->Close();
  Destroy();
}

void Form2::Show() {
  if (!CreateWindows()) return;
  Load();
  if (IsOpen()) ::ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
}

bool Form2::CreateWindows() {
  if (!RegisterWindowClass(kClassName, CS_DBLCLKS, nullptr, nullptr)) return false;
  const int systemDpi = static_cast<int>(::GetDpiForSystem());
  if (!Create(kClassName, L"", kStyle, kExStyle, 0, 0, TwipsToPixels(width_, systemDpi),
              TwipsToPixels(height_, systemDpi), nullptr)) {
    return false;
  }
  dpi_ = DpiForWindow(hwnd());
  text1_ = ::CreateWindowExW(0, L"EDIT", L"", kTextStyle, 0, 0, 0, 0, hwnd(),
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kText1Id)), ::GetModuleHandleW(nullptr),
                             nullptr);
  // Without a limit of its own a text box stops at 32,767 characters and would cut long files.
  ::SendMessageW(text1_, EM_SETLIMITTEXT, 0, 0);
  webBrowser1_ = std::make_unique<WebView>(hwnd());
  textBrush_.reset(::CreateSolidBrush(*ResolveColour(textBackColour_)));
  windowBrush_.reset(::CreateSolidBrush(*ResolveColour(windowBackColour_)));
  // The font and the layout follow in Load, once the record's values are in.
  SetUpMenu();
  return text1_ != nullptr;
}

// Restores the note from its record; each value stands alone, an unset or unusable one keeps
// the design value.
void Form2::Load() {
  const ReadResult read = ReadWholeFile(idfile);
  const NoteRecord record = ParseRecord(read.bytes.value_or(std::string()), codePage_);
  textfile = record.textfile.value_or(std::wstring());

  ApplyGeometry(record);
  if (record.backColor && ResolveColour(*record.backColor)) {
    textBackColour_ = *record.backColor;
    windowBackColour_ = *record.backColor;
    textBrush_.reset(::CreateSolidBrush(*ResolveColour(textBackColour_)));
    windowBrush_.reset(::CreateSolidBrush(*ResolveColour(windowBackColour_)));
  }
  if (record.fontName && !record.fontName->empty()) fontName_ = *record.fontName;
  if (record.fontSize && IsFontSize(*record.fontSize)) fontSize_ = *record.fontSize;
  if (record.foreColor && ResolveColour(*record.foreColor)) textForeColour_ = *record.foreColor;
  if (record.bold) bold_ = *record.bold;
  if (record.italic) italic_ = *record.italic;
  ApplyTextFont();
  if (record.webVisible) webBrowser1_->SetVisible(*record.webVisible);
  Layout();
  ::InvalidateRect(hwnd(), nullptr, TRUE);

  if (!LoadLinkedText()) return;
  SetTooltip();
  webBrowser1_->Navigate(kWebStripUrl);
}

void Form2::ApplyGeometry(const NoteRecord& record) {
  auto usable = [](const std::optional<float>& value) { return value && IsWindowTwips(*value); };
  if (usable(record.left)) left_ = *record.left;
  if (usable(record.top)) top_ = *record.top;
  // A note is never smaller than its margins, so the text box never gets a negative size.
  if (usable(record.width)) width_ = std::max<double>(*record.width, kMinNoteWidth);
  if (usable(record.height)) height_ = std::max<double>(*record.height, kMinNoteHeight);
  const double left = left_, top = top_, width = width_, height = height_;
  ::SetWindowPos(hwnd(), nullptr, TwipsToPixels(left, dpi_), TwipsToPixels(top, dpi_), TwipsToPixels(width, dpi_),
                 TwipsToPixels(height, dpi_), SWP_NOZORDER | SWP_NOACTIVATE);
  // The pixels only approximate the twips: keep the recorded values exact.
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  KeepOnScreen();
}

// A note recorded entirely outside every work area (a monitor was removed, the resolution
// changed) opens on the nearest one instead; its record then holds the new place.
void Form2::KeepOnScreen() noexcept {
  std::vector<PixelRect> workAreas;
  ::EnumDisplayMonitors(nullptr, nullptr, AddWorkArea, reinterpret_cast<LPARAM>(&workAreas));
  RECT window{};
  ::GetWindowRect(hwnd(), &window);
  const std::optional<PixelPoint> place =
      PlaceOnScreen({window.left, window.top, window.right, window.bottom}, workAreas);
  if (!place) return;
  ::SetWindowPos(hwnd(), nullptr, place->x, place->y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form2::ApplyTextFont() noexcept {
  UniqueFont font(::CreateFontW(FontHeightForPoints(fontSize_, dpi_), 0, 0, 0, bold_ ? FW_BOLD : FW_NORMAL, italic_,
                                FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, fontName_.c_str()));
  if (!font) return;
  ::SendMessageW(text1_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  font_ = std::move(font);
}

// Replaces the text box's content by the linked text file's. When the file cannot be read as
// text, the note removes its record and closes; the text file itself is never touched.
bool Form2::LoadLinkedText() {
  ::SetWindowTextW(text1_, L"");
  const ReadResult read = textfile.empty() ? ReadResult{} : ReadWholeFile(textfile);
  std::optional<DecodedText> decoded;
  if (read.bytes) decoded = DecodeLinkedText(*read.bytes, codePage_);
  // The text box must hold the whole text, or a partial text could later be saved over the file.
  if (decoded && ::SetWindowTextW(text1_, decoded->text.c_str()) && Text() == decoded->text) {
    textFormat_ = decoded->format;
    savedText_ = std::move(decoded->text);
    ::SendMessageW(text1_, EM_SETMODIFY, FALSE, 0);
    // A save of this file that was cut short by a kill may have left its temporary file beside it.
    if (const size_t slash = textfile.find_last_of(L"\\/"); slash != std::wstring::npos) {
      DeleteLeftoverTemporaries(textfile.substr(0, slash), textfile.substr(slash + 1));
    }
    return true;
  }
  DeleteFileIfPresent(idfile);
  Close();
  return false;
}

DWORD Form2::SaveLinkedText() {
  std::wstring text = Text();
  std::optional<EncodedText> encoded = EncodeLinkedText(text, textFormat_, codePage_);
  if (!encoded) return ERROR_NO_UNICODE_TRANSLATION;
  DWORD error = WriteFileAtomically(textfile, encoded->bytes);
  if (error != ERROR_SUCCESS) return error;
  textFormat_ = encoded->format;
  savedText_ = std::move(text);
  return ERROR_SUCCESS;
}

void Form2::Close() noexcept {
  if (!IsOpen()) return;
  Unload();
  webBrowser1_->Close();
  Destroy();
}

// Saves the note only while its record file exists: a discarded note, or one whose text could not
// be read, must not bring its record back. A record that another program holds open still exists.
void Form2::Unload() noexcept {
  if (!FileExists(idfile)) return;
  NoteValues values;
  values.textfile = textfile;
  values.left = static_cast<float>(left_);
  values.top = static_cast<float>(top_);
  values.width = static_cast<float>(width_);
  values.height = static_cast<float>(height_);
  values.backColor = textBackColour_;
  values.fontName = fontName_;
  values.fontSize = fontSize_;
  values.foreColor = textForeColour_;
  values.bold = bold_;
  values.italic = italic_;
  values.webVisible = webBrowser1_->Visible();
  // Each save stands alone: a record that cannot be written does not cost the user the text.
  if (std::optional<std::string> line = FormatClosedRecord(values, codePage_)) WriteFileAtomically(idfile, *line);
  // Text that was not edited is not written, so another program's changes to the file survive.
  // Edits that cannot be written are kept elsewhere, and the next start says where.
  if (Text() != savedText_ && SaveLinkedText() != ERROR_SUCCESS) unsavedText_.Keep(textfile, Text(), codePage_);
}

std::wstring Form2::Text() const {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(text1_)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(text1_, text.data(), static_cast<int>(text.size()))));
  return text;
}

// The tooltip control itself waits for the mouse (MakeTooltip): one control per note costs the
// start-up of 101 notes about a quarter of a second under Wine, for tips most notes never show.
void Form2::SetTooltip() { tooltipText_ = kTooltipBefore + textfile + kTooltipAfter; }

void Form2::MakeTooltip(const MSG& firstMove) noexcept {
  if (tooltip_ || tooltipText_.empty()) return;
  tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
  if (!tooltip_) return;
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = hwnd();
  tool.uId = reinterpret_cast<UINT_PTR>(text1_);
  tool.lpszText = tooltipText_.data();
  ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, TwipsToPixels(6000, dpi_));
  ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  // The control watches the text box from the next message on; this move counts already.
  ::SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&firstMove));
}

// Fits the text box and the web strip to the window's outer size.
void Form2::Layout() noexcept {
  const NoteLayout layout = LayoutNote(width_, height_, webBrowser1_ && webBrowser1_->Visible());
  RECT text{};
  ::GetWindowRect(text1_, &text);
  const int textWidth = layout.textWidth ? TwipsToPixels(*layout.textWidth, dpi_) : text.right - text.left;
  const int textHeight = layout.textHeight ? TwipsToPixels(*layout.textHeight, dpi_) : text.bottom - text.top;
  ::MoveWindow(text1_, TwipsToPixels(kTextLeft, dpi_), TwipsToPixels(kTextTop, dpi_), textWidth, textHeight, TRUE);
  if (!webBrowser1_) return;
  RECT web = webBrowser1_->Bounds();
  const int left = TwipsToPixels(kWebLeft, dpi_);
  const int top = TwipsToPixels(layout.webTop, dpi_);
  const int webWidth = layout.webWidth ? TwipsToPixels(*layout.webWidth, dpi_) : web.right - web.left;
  webBrowser1_->SetBounds(RECT{left, top, left + webWidth, top + TwipsToPixels(kWebHeight, dpi_)});
}

LRESULT Form2::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
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
    case WM_CTLCOLOREDIT:
      return OnTextColours(reinterpret_cast<HDC>(wParam));
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      OnButtonDown(msg, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
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
    case WM_CLOSE:
      Close();
      return 0;
    default:
      return DefaultProcedure(msg, wParam, lParam);
  }
}

void Form2::OnSize() noexcept { Layout(); }

void Form2::OnWindowPosChanged(const WINDOWPOS& pos) noexcept {
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

void Form2::OnGetMinMaxInfo(MINMAXINFO& info) const noexcept {
  info.ptMinTrackSize.x = TwipsToPixels(kMinNoteWidth, dpi_);
  info.ptMinTrackSize.y = TwipsToPixels(kMinNoteHeight, dpi_);
}

void Form2::OnDpiChanged(int dpi, const RECT& suggested) noexcept {
  // The size in twips stays; only its pixels change.
  const double width = width_, height = height_;
  dpi_ = dpi;
  ApplyTextFont();
  ::SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, TwipsToPixels(width, dpi_),
                 TwipsToPixels(height, dpi_), SWP_NOZORDER | SWP_NOACTIVATE);
  width_ = width;
  height_ = height;
  Layout();
}

void Form2::OnEraseBackground(HDC dc) const noexcept {
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  ::FillRect(dc, &client, windowBrush_.get());
}

LRESULT Form2::OnTextColours(HDC dc) const noexcept {
  ::SetTextColor(dc, ResolveColour(textForeColour_).value_or(0));
  ::SetBkColor(dc, ResolveColour(textBackColour_).value_or(0));
  return reinterpret_cast<LRESULT>(textBrush_.get());
}

void Form2::OnButtonDown(UINT button, POINT client) noexcept {
  if (button == WM_LBUTTONDOWN) {
    dragging = 1;
    // Keep the mouse while dragging, so a fast move off the window does not drop the note.
    ::SetCapture(hwnd());
  } else if (button == WM_RBUTTONDOWN) {
    // The menu opens under the mouse and runs its command before the press is recorded.
    POINT screen = client;
    ::ClientToScreen(hwnd(), &screen);
    ShowMenu(screen);
  }
  grabX = PixelsToTwips(client.x, dpi_);
  grabY = PixelsToTwips(client.y, dpi_);
}

void Form2::OnMouseMove(POINT client) noexcept {
  if (dragging == 0) return;
  const double x = PixelsToTwips(client.x, dpi_);
  const double y = PixelsToTwips(client.y, dpi_);
  const double left = left_ + x - grabX;
  const double top = top_ + y - grabY;
  ::SetWindowPos(hwnd(), nullptr, TwipsToPixels(left, dpi_), TwipsToPixels(top, dpi_), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form2::OnButtonUp() noexcept {
  if (dragging == 0) return;
  dragging = 0;
  if (::GetCapture() == hwnd()) ::ReleaseCapture();
}

}  // namespace varnel
