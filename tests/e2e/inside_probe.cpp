// Reads what only the program that owns a window can read, through a hook from
// varnel_inside_hook.dll that the window system loads into that program:
//   varnel_inside_probe menu HWND   an open popup menu (class #32768): one line per item, "-" for a
//                                   separator, else the caption, then tab-separated the state flags
//                                   and the item's screen rectangle (left, top, right, bottom)
//   varnel_inside_probe font HWND   the window's font: face, height, weight, italic (tab-separated)
// Prints UTF-8.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string what = argv[1];
  const LPARAM request = what == "menu" ? 1 : what == "font" ? 2 : 0;
  if (!request) return 2;
  HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(argv[2], nullptr, 10)));
  DWORD process = 0;
  const DWORD thread = ::GetWindowThreadProcessId(window, &process);
  if (!thread) return 1;

  wchar_t exe[MAX_PATH + 1]{};
  ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring dllPath(exe);
  dllPath = dllPath.substr(0, dllPath.find_last_of(L"\\/") + 1) + L"varnel_inside_hook.dll";
  HMODULE dll = ::LoadLibraryW(dllPath.c_str());
  if (!dll) return 3;
  auto proc = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(::GetProcAddress(dll, "ProbeCallWndProc")));
  HHOOK hook = proc ? ::SetWindowsHookExW(WH_CALLWNDPROC, proc, dll, thread) : nullptr;
  if (!hook) return 4;

  wchar_t folder[MAX_PATH + 1]{};
  ::GetTempPathW(MAX_PATH, folder);
  const DWORD self = ::GetCurrentProcessId();
  const std::wstring path = std::wstring(folder) + L"varnel-inside-" + std::to_wstring(self) + L".txt";
  ::DeleteFileW(path.c_str());
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(window, ::RegisterWindowMessageW(L"Varnel.Probe.ReadInside"), self, request,
                        SMTO_ABORTIFHUNG, 5000, &result);
  ::UnhookWindowsHookEx(hook);

  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 5;
  std::string found;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) found.append(buffer, got);
  ::CloseHandle(file);
  ::DeleteFileW(path.c_str());
  std::fwrite(found.data(), 1, found.size(), stdout);
  return 0;
}
