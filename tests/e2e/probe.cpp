// A small Windows-side driver for the end-to-end tests: reads what the window system holds about
// Varnel's windows (captions, rectangles, texts, dialogs) and sends them messages, printing JSON.
//   varnel_probe dump [CLASS]             every top-level window of interest (or of that class only),
//                                         with children; a note is first asked for its accessible
//                                         object, as an assistive tool does, which makes its text box
//   varnel_probe glance [CLASS]           the same without asking: a note whose text is still drawn
//                                         has no text box
//   varnel_probe close HWND               posts WM_CLOSE
//   varnel_probe endsession HWND          sends WM_QUERYENDSESSION then WM_ENDSESSION(TRUE)
//   varnel_probe click HWND ID            BM_CLICK on the dialog button with that control id
//   varnel_probe post HWND MSG WPARAM LPARAM
//   varnel_probe send HWND MSG WPARAM LPARAM   prints the answer
//   varnel_probe move HWND X Y            moves a window to a screen position, keeping its size
//   varnel_probe settext HWND HEX         WM_SETTEXT with a text given as the hex digits of its UTF-8
//   varnel_probe append CLASS HEX         types that text (hex of UTF-8) at the end of the first text box
//                                         of every visible top-level window of CLASS; prints how many
//   varnel_probe answers SECONDS          while a note's text box is still read-only (its text loading),
//                                         at most SECONDS: WM_NULL to the main window and every note
//                                         every 50 ms; prints the longest wait for an answer and the
//                                         time until every text box took input, in ms
//   varnel_probe typing COUNT             in every note's text box, COUNT times at its start and at its
//                                         end, a character typed and erased again; prints the longest
//                                         time the text box took for one key, in ms
//   varnel_probe typeslowly HWND HEX MS   types that text (hex of UTF-8) one WM_CHAR at a time at the end of
//                                         the first text box of the window HWND, a character every MS
//                                         milliseconds, until it is typed or the window is gone; prints
//                                         how many characters went in
//   varnel_probe errortext CODE           the system's wording of a Win32 error, as UTF-8
//   varnel_probe shortcut PATH            a shell link read through IShellLinkW: {"target": ..., "folder": ...}
//                                         (the path it leads to and its working folder); exit code 1
//                                         when it cannot be read
//   varnel_probe hold PATH RELEASE        another program's hold on a file: opens it without sharing,
//                                         prints "held", keeps it open until RELEASE exists (at most
//                                         five minutes), then prints "released"

#include <windows.h>
#include <objbase.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

std::string Json(const std::wstring& text) {
  std::string out = "\"";
  for (char c : Utf8(text)) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
      out += buffer;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[256]{};
  ::GetClassNameW(hwnd, name, 256);
  return name;
}

std::wstring TextOf(HWND hwnd) {
  const std::wstring cls = ClassOf(hwnd);
  if (cls != L"Edit" && cls != L"tooltips_class32") {
    // Captions and static texts are held by the window system: no message, so a busy program
    // cannot stall the probe.
    wchar_t text[1024]{};
    int length = ::InternalGetWindowText(hwnd, text, 1024);
    return std::wstring(text, static_cast<size_t>(length));
  }
  // An edit control and a tooltip keep their texts themselves: ask, but never wait long for a busy program.
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 500, &length)) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  DWORD_PTR got = 0;
  if (!::SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             500, &got)) {
    return {};
  }
  text.resize(std::min<size_t>(static_cast<size_t>(got), text.size()));
  return text;
}

std::string RectJson(const RECT& r) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "[%ld,%ld,%ld,%ld]", r.left, r.top, r.right - r.left, r.bottom - r.top);
  return buffer;
}

std::string WindowJson(HWND hwnd) {
  RECT window{};
  ::GetWindowRect(hwnd, &window);
  RECT client{};
  ::GetClientRect(hwnd, &client);
  POINT origin{0, 0};
  ::ClientToScreen(hwnd, &origin);
  ::OffsetRect(&client, origin.x, origin.y);
  char head[256];
  std::snprintf(head, sizeof head,
                "\"hwnd\":%llu,\"id\":%ld,\"visible\":%s,\"iconic\":%s,\"style\":%lu,\"exstyle\":%lu,\"dpi\":%u,",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(hwnd)),
                static_cast<long>(::GetDlgCtrlID(hwnd)), ::IsWindowVisible(hwnd) ? "true" : "false",
                ::IsIconic(hwnd) ? "true" : "false", static_cast<unsigned long>(::GetWindowLongW(hwnd, GWL_STYLE)),
                static_cast<unsigned long>(::GetWindowLongW(hwnd, GWL_EXSTYLE)), ::GetDpiForWindow(hwnd));
  std::string out = "{";
  out += head;
  out += "\"class\":" + Json(ClassOf(hwnd));
  out += ",\"text\":" + Json(TextOf(hwnd));
  out += ",\"rect\":" + RectJson(window);
  out += ",\"client\":" + RectJson(client);
  HWND owner = ::GetWindow(hwnd, GW_OWNER);
  char ownerText[64];
  std::snprintf(ownerText, sizeof ownerText, ",\"owner\":%llu",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(owner)));
  out += ownerText;
  if (ClassOf(hwnd) == L"Edit" || ClassOf(hwnd) == L"RICHEDIT50W") {
    LOGFONTW font{};
    DWORD_PTR fontHandle = 0;
    ::SendMessageTimeoutW(hwnd, WM_GETFONT, 0, 0, SMTO_ABORTIFHUNG, 500, &fontHandle);
    HFONT hfont = reinterpret_cast<HFONT>(fontHandle);
    if (hfont && ::GetObjectW(hfont, sizeof font, &font)) {
      char fontText[128];
      std::snprintf(fontText, sizeof fontText, ",\"font_height\":%ld,\"font_weight\":%ld,\"font_italic\":%d",
                    font.lfHeight, font.lfWeight, font.lfItalic);
      out += fontText + std::string(",\"font_face\":") + Json(font.lfFaceName);
    }
  }
  return out;
}

BOOL CALLBACK AddChild(HWND child, LPARAM param) {
  auto* out = reinterpret_cast<std::string*>(param);
  if (::GetParent(child) == nullptr) return TRUE;
  if (out->back() != '[') *out += ",";
  *out += WindowJson(child) + "}";
  return TRUE;
}

bool Interesting(HWND hwnd) {
  std::wstring cls = ClassOf(hwnd);
  return cls.rfind(L"Varnel", 0) == 0 || cls == L"#32770" || cls == L"#32768" || cls == L"tooltips_class32" ||
         cls == L"Shell_TrayWnd" || cls == L"__winex11_standalone_tray";
}

// What an assistive tool asks a window first; a note then shows its text in its text box.
void AskForAccessibleObject(HWND hwnd) {
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(hwnd, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT), SMTO_ABORTIFHUNG, 5000, &result);
}

struct Dump {
  std::wstring onlyClass;
  bool ask = true;
  std::string out = "[";
};

BOOL CALLBACK AddTopLevel(HWND hwnd, LPARAM param) {
  auto* dump = reinterpret_cast<Dump*>(param);
  // Windows of other classes are skipped before anything is asked of them: while a busy program
  // opens its notes, asking each note's edit control for its text would stall the probe.
  if (dump->onlyClass.empty() ? !Interesting(hwnd) : ClassOf(hwnd) != dump->onlyClass) return TRUE;
  if (dump->ask && ClassOf(hwnd) == L"VarnelNote") AskForAccessibleObject(hwnd);
  std::string* out = &dump->out;
  if (out->back() != '[') *out += ",";
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  *out += WindowJson(hwnd) + ",\"pid\":" + std::to_string(pid);
  *out += ::GetForegroundWindow() == hwnd ? ",\"foreground\":true" : ",\"foreground\":false";
  *out += ",\"children\":[";
  ::EnumChildWindows(hwnd, AddChild, reinterpret_cast<LPARAM>(out));
  *out += "]}";
  return TRUE;
}

HWND ParseHwnd(const char* text) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(text, nullptr, 10))); }

// A text given on the command line as the hex digits of its UTF-8.
std::wstring FromHex(const char* digits) {
  std::string utf8;
  for (const char* digit = digits; digit[0] && digit[1]; digit += 2) {
    utf8 += static_cast<char>(std::stoi(std::string(digit, 2), nullptr, 16));
  }
  std::wstring text(utf8.size() + 1, L'\0');
  text.resize(static_cast<size_t>(::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                        text.data(), static_cast<int>(text.size()))));
  return text;
}

struct Append {
  std::wstring onlyClass;
  std::wstring text;
  int edited = 0;
};

// As if typed at the end: the text box marks itself changed.
BOOL CALLBACK AppendToTextBox(HWND hwnd, LPARAM param) {
  auto* append = reinterpret_cast<Append*>(param);
  if (!::IsWindowVisible(hwnd) || ClassOf(hwnd) != append->onlyClass) return TRUE;
  AskForAccessibleObject(hwnd);
  HWND edit = ::FindWindowExW(hwnd, nullptr, L"Edit", nullptr);
  DWORD_PTR length = 0;
  DWORD_PTR result = 0;
  if (edit && ::SendMessageTimeoutW(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length) &&
      ::SendMessageTimeoutW(edit, EM_SETSEL, length, static_cast<LPARAM>(length), SMTO_ABORTIFHUNG, 5000, &result) &&
      ::SendMessageTimeoutW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(append->text.c_str()),
                            SMTO_ABORTIFHUNG, 60000, &result)) {
    ++append->edited;
  }
  return TRUE;
}

struct Answers {
  ULONGLONG longestWait = 0;
  bool loading = false;
};

ULONGLONG Milliseconds() {
  LARGE_INTEGER frequency{}, now{};
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&now);
  return static_cast<ULONGLONG>(now.QuadPart * 1000 / frequency.QuadPart);
}

// One round: every note and the main window must answer a message; one whose thread is busy
// answers when the work at hand ends, so the wait is the stretch it could not answer.
BOOL CALLBACK AskToAnswer(HWND hwnd, LPARAM param) {
  auto* answers = reinterpret_cast<Answers*>(param);
  const std::wstring cls = ClassOf(hwnd);
  if (cls != L"VarnelNote" && cls != L"VarnelMainWindow") return TRUE;
  const ULONGLONG asked = Milliseconds();
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
  answers->longestWait = std::max(answers->longestWait, Milliseconds() - asked);
  HWND edit = ::FindWindowExW(hwnd, nullptr, L"Edit", nullptr);
  if (edit && (::GetWindowLongW(edit, GWL_STYLE) & ES_READONLY)) answers->loading = true;
  return TRUE;
}

struct Typing {
  int count = 0;
  ULONGLONG longest = 0;
};

// A key sent (not posted) returns once the text box and its note have handled it.
void TypeKey(HWND edit, wchar_t key, Typing& typing) {
  const ULONGLONG sent = Milliseconds();
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(edit, WM_CHAR, key, 1, SMTO_NORMAL, 60000, &result);
  typing.longest = std::max(typing.longest, Milliseconds() - sent);
}

BOOL CALLBACK TypeInTextBox(HWND hwnd, LPARAM param) {
  auto* typing = reinterpret_cast<Typing*>(param);
  if (!::IsWindowVisible(hwnd) || ClassOf(hwnd) != L"VarnelNote") return TRUE;
  AskForAccessibleObject(hwnd);
  HWND edit = ::FindWindowExW(hwnd, nullptr, L"Edit", nullptr);
  if (!edit) return TRUE;
  DWORD_PTR length = 0, result = 0;
  ::SendMessageTimeoutW(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 60000, &length);
  for (const DWORD_PTR at : {DWORD_PTR{0}, length}) {
    ::SendMessageTimeoutW(edit, EM_SETSEL, at, static_cast<LPARAM>(at), SMTO_NORMAL, 60000, &result);
    for (int i = 0; i < typing->count; ++i) {
      TypeKey(edit, L'x', *typing);
      TypeKey(edit, L'\b', *typing);
    }
  }
  return TRUE;
}

// Keys as a user types them, without a pause long enough for a note to take as the end of typing.
int TypeSlowly(HWND note, const std::wstring& text, DWORD interval) {
  AskForAccessibleObject(note);
  HWND edit = ::FindWindowExW(note, nullptr, L"Edit", nullptr);
  DWORD_PTR length = 0, result = 0;
  if (!edit || !::SendMessageTimeoutW(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length) ||
      !::SendMessageTimeoutW(edit, EM_SETSEL, length, static_cast<LPARAM>(length), SMTO_ABORTIFHUNG, 5000, &result)) {
    return 0;
  }
  int typed = 0;
  for (const wchar_t key : text) {
    if (typed > 0) ::Sleep(interval);
    if (!::SendMessageTimeoutW(edit, WM_CHAR, key, 1, SMTO_ABORTIFHUNG, 5000, &result)) break;
    ++typed;
  }
  return typed;
}

// Reads a shortcut the way the shell does when it starts it.
int PrintShortcut(const std::wstring& path) {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  Microsoft::WRL::ComPtr<IShellLinkW> link;
  Microsoft::WRL::ComPtr<IPersistFile> file;
  wchar_t target[MAX_PATH + 1]{};
  wchar_t folder[MAX_PATH + 1]{};
  const bool read = SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                                 IID_PPV_ARGS(&link))) &&
                    SUCCEEDED(link.As(&file)) && SUCCEEDED(file->Load(path.c_str(), STGM_READ)) &&
                    SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, 0)) &&
                    SUCCEEDED(link->GetWorkingDirectory(folder, MAX_PATH));
  if (read) std::printf("{\"target\":%s,\"folder\":%s}\n", Json(target).c_str(), Json(folder).c_str());
  file.Reset();
  link.Reset();
  ::CoUninitialize();
  return read ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string command = argv[1];
  if (command == "dump" || command == "glance") {
    Dump dump;
    dump.ask = command == "dump";
    if (argc > 2) {
      std::string name = argv[2];
      dump.onlyClass.assign(name.begin(), name.end());
    }
    ::EnumWindows(AddTopLevel, reinterpret_cast<LPARAM>(&dump));
    dump.out += "]\n";
    std::fwrite(dump.out.data(), 1, dump.out.size(), stdout);
    return 0;
  }
  if (command == "append" && argc >= 4) {
    std::string name = argv[2];
    Append append{std::wstring(name.begin(), name.end()), FromHex(argv[3])};
    ::EnumWindows(AppendToTextBox, reinterpret_cast<LPARAM>(&append));
    std::printf("%d\n", append.edited);
    return 0;
  }
  if (argc < 3) return 2;
  if (command == "answers") {
    const ULONGLONG started = Milliseconds();
    const ULONGLONG until = started + 1000 * std::strtoull(argv[2], nullptr, 10);
    Answers answers;
    do {
      answers.loading = false;
      ::EnumWindows(AskToAnswer, reinterpret_cast<LPARAM>(&answers));
      ::Sleep(50);
    } while (answers.loading && Milliseconds() < until);
    std::printf("%llu %llu\n", answers.longestWait, answers.loading ? 0ull : Milliseconds() - started);
    return 0;
  }
  if (command == "typing") {
    Typing typing{std::atoi(argv[2]), 0};
    ::EnumWindows(TypeInTextBox, reinterpret_cast<LPARAM>(&typing));
    std::printf("%llu\n", typing.longest);
    return 0;
  }
  if (command == "typeslowly" && argc >= 5) {
    std::printf("%d\n", TypeSlowly(ParseHwnd(argv[2]), FromHex(argv[3]), static_cast<DWORD>(std::strtoul(argv[4], nullptr, 10))));
    return 0;
  }
  if (command == "errortext") {
    wchar_t* buffer = nullptr;
    DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(std::strtoul(argv[2], nullptr, 0)), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text = length ? Utf8(std::wstring(buffer, length)) : std::string();
    if (buffer) ::LocalFree(buffer);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return length ? 0 : 1;
  }
  if (command == "shortcut" && argc >= 3) return PrintShortcut(FromHex(argv[2]));
  if (command == "hold" && argc >= 4) {
    HANDLE file = ::CreateFileA(argv[2], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    std::fputs("held\n", stdout);
    std::fflush(stdout);
    for (int waited = 0; waited < 3000 && ::GetFileAttributesA(argv[3]) == INVALID_FILE_ATTRIBUTES; ++waited) {
      ::Sleep(100);
    }
    ::CloseHandle(file);
    std::fputs("released\n", stdout);
    std::fflush(stdout);
    return 0;
  }
  HWND hwnd = ParseHwnd(argv[2]);
  if (command == "close") return ::PostMessageW(hwnd, WM_CLOSE, 0, 0) ? 0 : 1;
  if (command == "endsession") {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(hwnd, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, 10000, &result);
    ::SendMessageTimeoutW(hwnd, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_BLOCK, 10000, &result);
    return 0;
  }
  if (command == "click" && argc >= 4) {
    HWND button = ::GetDlgItem(hwnd, std::atoi(argv[3]));
    if (!button) return 1;
    ::PostMessageW(button, BM_CLICK, 0, 0);
    return 0;
  }
  if (command == "move" && argc >= 5) {
    return ::SetWindowPos(hwnd, nullptr, std::atoi(argv[3]), std::atoi(argv[4]), 0, 0,
                          SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE)
               ? 0
               : 1;
  }
  if (command == "settext" && argc >= 4) {
    std::wstring text = FromHex(argv[3]);
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000,
                                 &result) && result
               ? 0
               : 1;
  }
  if (command == "post" && argc >= 6) {
    return ::PostMessageW(hwnd, static_cast<UINT>(std::strtoul(argv[3], nullptr, 0)),
                          static_cast<WPARAM>(std::strtoull(argv[4], nullptr, 0)),
                          static_cast<LPARAM>(std::strtoll(argv[5], nullptr, 0)))
               ? 0
               : 1;
  }
  if (command == "send" && argc >= 6) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(hwnd, static_cast<UINT>(std::strtoul(argv[3], nullptr, 0)),
                               static_cast<WPARAM>(std::strtoull(argv[4], nullptr, 0)),
                               static_cast<LPARAM>(std::strtoll(argv[5], nullptr, 0)), SMTO_ABORTIFHUNG, 5000,
                               &result)) {
      return 1;
    }
    std::printf("%lld\n", static_cast<long long>(result));
    return 0;
  }
  return 2;
}
