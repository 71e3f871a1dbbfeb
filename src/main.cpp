// Varnel: sticky notes on the Windows desktop, each one linked to a text file.

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <memory>
#include <string>

#include "app/main_window.h"
#include "platform/app_folder.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/single_instance.h"
#include "platform/texts.h"

namespace {

constexpr wchar_t kInstanceName[] = L"Local\\Varnel.SingleInstance";
constexpr int kCreateAttempts = 3;
constexpr DWORD kCreateRetryMs = 500;

class OleSession {
 public:
  OleSession() : ok_(SUCCEEDED(::OleInitialize(nullptr))) {}
  OleSession(const OleSession&) = delete;
  OleSession& operator=(const OleSession&) = delete;
  ~OleSession() {
    if (ok_) ::OleUninitialize();
  }

 private:
  bool ok_;
};

// Records live beside the program. Where they cannot be written the user hears it once, now,
// instead of losing every note's changes silently at exit; the program then runs as usual.
void WarnWhenFolderIsNotWritable() {
  const std::wstring folder = varnel::ApplicationFolder();
  if (varnel::CanWriteInFolder(folder)) return;
  varnel::ShowMessageBox(nullptr, varnel::LoadText(IDS_FOLDER_NOT_WRITABLE, {folder}), MB_OK | MB_ICONWARNING);
}

// Waits alertably, so that the notes' file watches (completion routines queued to this thread)
// run here as well as the window messages; the program sleeps while neither comes.
int RunMessageLoop() {
  for (;;) {
    MSG msg{};
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_ALERTABLE | MWMO_INPUTAVAILABLE);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  varnel::SingleInstance instance(kInstanceName);
  if (instance.AnotherIsRunning()) {
    varnel::ShowMessageBox(nullptr, varnel::LoadText(IDS_ALREADY_RUNNING), MB_OK | MB_ICONINFORMATION);
    return 0;
  }

  OleSession ole;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  WarnWhenFolderIsNotWritable();

  // Right after an earlier run was killed, or while a session is still starting, the window system
  // may refuse a window for a moment: a few tries before the program gives up and says why.
  std::unique_ptr<varnel::MainWindow> mainWindow;
  DWORD error = ERROR_SUCCESS;
  for (int attempt = 0; attempt < kCreateAttempts && !mainWindow; ++attempt) {
    if (attempt > 0) ::Sleep(kCreateRetryMs);
    mainWindow = varnel::MainWindow::Create();
    if (!mainWindow) error = ::GetLastError();
  }
  if (!mainWindow) {
    varnel::ShowMessageBox(nullptr, varnel::LoadText(IDS_NOT_STARTED, {varnel::SystemErrorText(error)}),
                           MB_OK | MB_ICONERROR);
    return 1;
  }
  mainWindow->Start(showCommand);
  return RunMessageLoop();
}
