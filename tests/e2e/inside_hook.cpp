// Loaded into the program under test by the window system as a hook of varnel_inside_probe: reads
// what only the owning process can read (an open popup menu's items, a window's font; their handles
// are of no use in another process under Wine) and leaves it in a file for the probe.

#include <windows.h>

#include <string>

namespace {

constexpr wchar_t kReadMessage[] = L"Varnel.Probe.ReadInside";
constexpr LPARAM kReadMenu = 1;
constexpr LPARAM kReadFont = 2;

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

// One line per item: "-" for a separator, else its caption; the state flags after a tab.
std::string MenuItems(HWND menuWindow) {
  auto menu = reinterpret_cast<HMENU>(::SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
  std::string out;
  const int count = menu ? ::GetMenuItemCount(menu) : 0;
  for (int i = 0; i < count; ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
    wchar_t caption[256]{};
    info.dwTypeData = caption;
    info.cch = 255;
    if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
    out += (info.fType & MFT_SEPARATOR) ? std::string("-") : Utf8(caption);
    out += '\t';
    out += std::to_string(info.fState);
    out += '\n';
  }
  return out;
}

// The window's font: face, height, weight and italic, tab-separated.
std::string FontOf(HWND window) {
  auto font = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
  LOGFONTW logFont{};
  if (!font || !::GetObjectW(font, sizeof logFont, &logFont)) return {};
  std::string out = Utf8(logFont.lfFaceName);
  out += '\t';
  out += std::to_string(logFont.lfHeight);
  out += '\t';
  out += std::to_string(logFont.lfWeight);
  out += '\t';
  out += std::to_string(logFont.lfItalic);
  out += '\n';
  return out;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeCallWndProc(int code, WPARAM wParam, LPARAM lParam) {
  static const UINT readInside = ::RegisterWindowMessageW(kReadMessage);
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call && call->message == readInside) {
    const std::string found = call->lParam == kReadMenu   ? MenuItems(call->hwnd)
                              : call->lParam == kReadFont ? FontOf(call->hwnd)
                                                          : std::string();
    wchar_t folder[MAX_PATH + 1]{};
    ::GetTempPathW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + L"varnel-inside-" + std::to_wstring(call->wParam) + L".txt";
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      ::WriteFile(file, found.data(), static_cast<DWORD>(found.size()), &written, nullptr);
      ::CloseHandle(file);
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
