// Loaded into the program under test by the window system as a hook of varnel_inside_probe: reads
// what only the owning process can read (an open popup menu's items, a window's font; their handles
// are of no use in another process under Wine) and leaves it in a file for the probe.
//
// Plain Win32 only, no C++ runtime: a runtime with threads of its own, unloaded from the program
// when the hook ends, now and then kept the program from ending.

#include <windows.h>

namespace {

constexpr wchar_t kReadMessage[] = L"Varnel.Probe.ReadInside";
constexpr LPARAM kReadMenu = 1;
constexpr LPARAM kReadFont = 2;

// What the hook found, as UTF-8 lines.
class Output {
 public:
  void Text(const wchar_t* text) {
    const int room = static_cast<int>(sizeof bytes_) - length_;
    if (room <= 0) return;
    length_ += ::WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes_ + length_, room, nullptr, nullptr);
    if (length_ > 0 && bytes_[length_ - 1] == '\0') --length_;  // the terminator is not ours
  }
  void Number(long value) {
    wchar_t digits[24];
    ::wsprintfW(digits, L"%ld", value);
    Text(digits);
  }
  const char* data() const { return bytes_; }
  DWORD size() const { return static_cast<DWORD>(length_); }

 private:
  char bytes_[16384];
  int length_ = 0;
};

// One line per item: "-" for a separator, else its caption; then, after tabs, the state flags and
// the item's screen rectangle (left, top, right, bottom).
void MenuItems(HWND menuWindow, Output& out) {
  auto menu = reinterpret_cast<HMENU>(::SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
  const int count = menu ? ::GetMenuItemCount(menu) : 0;
  for (int i = 0; i < count; ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
    wchar_t caption[256]{};
    info.dwTypeData = caption;
    info.cch = 255;
    if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
    out.Text((info.fType & MFT_SEPARATOR) ? L"-" : caption);
    out.Text(L"\t");
    out.Number(static_cast<long>(info.fState));
    RECT item{};
    ::GetMenuItemRect(nullptr, menu, static_cast<UINT>(i), &item);
    const LONG edges[] = {item.left, item.top, item.right, item.bottom};
    for (const LONG edge : edges) {
      out.Text(L"\t");
      out.Number(edge);
    }
    out.Text(L"\n");
  }
}

// The window's font: face, height, weight and italic, tab-separated.
void FontOf(HWND window, Output& out) {
  auto font = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
  LOGFONTW logFont{};
  if (!font || !::GetObjectW(font, sizeof logFont, &logFont)) return;
  out.Text(logFont.lfFaceName);
  out.Text(L"\t");
  out.Number(logFont.lfHeight);
  out.Text(L"\t");
  out.Number(logFont.lfWeight);
  out.Text(L"\t");
  out.Number(logFont.lfItalic);
  out.Text(L"\n");
}

void Answer(const CWPSTRUCT& call) {
  Output out;
  if (call.lParam == kReadMenu) MenuItems(call.hwnd, out);
  if (call.lParam == kReadFont) FontOf(call.hwnd, out);
  wchar_t folder[MAX_PATH + 1]{};
  ::GetTempPathW(MAX_PATH, folder);
  wchar_t path[MAX_PATH + 64];
  ::wsprintfW(path, L"%svarnel-inside-%lu.txt", folder, static_cast<unsigned long>(call.wParam));
  HANDLE file = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(file, out.data(), out.size(), &written, nullptr);
  ::CloseHandle(file);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeCallWndProc(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call && call->message == ::RegisterWindowMessageW(kReadMessage)) Answer(*call);
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
