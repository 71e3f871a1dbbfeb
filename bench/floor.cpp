// The floor of the benchmark: the least a Win32 program does to show what Varnel shows at start.
// It reads every "*.txt" file of a folder (text in the system code page), shows each one in a
// window of its own with a text box holding that text in the notes' font, and exits when one of
// the windows is closed. With "drawn", each window draws its text itself and has no text box:
// the least any note program can do to show text.
//   varnel_floor FOLDER [drawn]
// Varnel's start-up and memory are compared with this program's, measured the same way.

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/unique_handle.h"

namespace {

using varnel::UniqueFile;
using varnel::UniqueFind;
using varnel::UniqueFont;

// A note's size and the benchmark's grid of notes, as the benchmark's records place them.
constexpr int kSize = 200;
constexpr int kColumns = 20;
constexpr int kStepX = 60;
constexpr int kStepY = 160;
constexpr int kMargin = 16;

std::wstring ReadText(const std::wstring& path) {
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7fffffff) return {};
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD got = 0;
  if (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) return {};
  const int length = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(got), nullptr, 0);
  std::wstring text(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(got), text.data(), length);
  return text;
}

std::vector<std::wstring> TextFiles(const std::wstring& folder) {
  std::vector<std::wstring> paths;
  WIN32_FIND_DATAW data{};
  UniqueFind find(::FindFirstFileExW((folder + L"\\*.txt").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                     nullptr, 0));
  if (!find) return paths;
  do {
    paths.push_back(folder + L"\\" + data.cFileName);
  } while (::FindNextFileW(find.get(), &data));
  return paths;
}

// A window that draws its text: the text and the font, set once the window exists.
struct DrawnText {
  std::wstring text;
  HFONT font = nullptr;
};

void PaintText(HWND window) {
  PAINTSTRUCT paint{};
  HDC dc = ::BeginPaint(window, &paint);
  const auto* drawn = reinterpret_cast<const DrawnText*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (dc && drawn) {
    const HGDIOBJ previous = ::SelectObject(dc, drawn->font);
    ::SetBkMode(dc, TRANSPARENT);
    RECT area{kMargin, kMargin, kSize - 2 * kMargin, kSize - 2 * kMargin};
    ::DrawTextW(dc, drawn->text.c_str(), static_cast<int>(drawn->text.size()), &area,
                DT_WORDBREAK | DT_EDITCONTROL | DT_EXPANDTABS | DT_NOPREFIX);
    ::SelectObject(dc, previous);
  }
  ::EndPaint(window, &paint);
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PaintText(window);
    return 0;
  }
  if (message == WM_DESTROY) ::PostQuitMessage(0);
  return ::DefWindowProcW(window, message, wParam, lParam);
}

std::vector<std::wstring> Arguments() {
  int count = 0;
  std::unique_ptr<LPWSTR, decltype(&::LocalFree)> args(::CommandLineToArgvW(::GetCommandLineW(), &count),
                                                       &::LocalFree);
  std::vector<std::wstring> arguments;
  for (int i = 1; args && i < count; ++i) arguments.emplace_back(args.get()[i]);
  return arguments;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Procedure;
  wc.hInstance = instance;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"VarnelFloor";
  if (!::RegisterClassExW(&wc)) return 1;
  const int dpi = static_cast<int>(::GetDpiForSystem());
  UniqueFont font(::CreateFontW(-::MulDiv(9, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                L"ＭＳ Ｐゴシック"));

  const std::vector<std::wstring> arguments = Arguments();
  const std::wstring folder = arguments.empty() ? std::wstring(L".") : arguments[0];
  const bool drawn = arguments.size() > 1 && arguments[1] == L"drawn";

  // The windows and their texts live until the process ends, which destroys the rest of them.
  const std::vector<std::wstring> paths = TextFiles(folder);
  std::vector<DrawnText> texts(drawn ? paths.size() : 0);
  int index = 0;
  for (const std::wstring& path : paths) {
    HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP | WS_THICKFRAME,
                                    (index % kColumns) * kStepX, (index / kColumns) * kStepY, kSize, kSize, nullptr,
                                    nullptr, instance, nullptr);
    if (drawn) {
      texts[static_cast<size_t>(index)] = {ReadText(path), font.get()};
      ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&texts[static_cast<size_t>(index)]));
      ::ShowWindow(window, SW_SHOWNOACTIVATE);
      ++index;
      continue;
    }
    HWND text = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL, kMargin,
                                  kMargin, kSize - 3 * kMargin, kSize - 3 * kMargin, window, nullptr, instance,
                                  nullptr);
    ::SendMessageW(text, EM_SETLIMITTEXT, 0, 0);
    ::SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    ::SetWindowTextW(text, ReadText(path).c_str());
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    ++index;
  }

  MSG msg{};
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
