#include "platform/app_folder.h"

#include <windows.h>

#include "platform/unique_handle.h"
#include "storage/paths.h"

namespace varnel {

std::wstring ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path;
}

std::wstring ApplicationFolder() {
  const std::wstring path = ProgramPath();
  return path.substr(0, path.find_last_of(L'\\'));
}

bool CanWriteInFolder(const std::wstring& folder) {
  // Named after the process, so two programs checking the same folder never meet.
  const std::wstring path =
      JoinPath(folder, L"~varnel-write-check-" + std::to_wstring(::GetCurrentProcessId()) + L".tmp");
  {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!file) return false;
  }
  // Records are replaced by moving a new file over the old one, which needs deletion too.
  return ::DeleteFileW(path.c_str()) != FALSE;
}

}  // namespace varnel
