#include "platform/startup_shortcut.h"

#include <knownfolders.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <utility>
#include <vector>

#include "platform/files.h"
#include "storage/new_note_name.h"
#include "storage/paths.h"

namespace varnel {
namespace {

using Microsoft::WRL::ComPtr;

constexpr wchar_t kShortcutExtension[] = L".lnk";

// The system's buffer for a known folder's path, freed with the task allocator.
class KnownFolderPath {
 public:
  KnownFolderPath() = default;
  KnownFolderPath(const KnownFolderPath&) = delete;
  KnownFolderPath& operator=(const KnownFolderPath&) = delete;
  ~KnownFolderPath() { ::CoTaskMemFree(path_); }
  PWSTR* out() noexcept { return &path_; }
  const wchar_t* get() const noexcept { return path_; }

 private:
  PWSTR path_ = nullptr;
};

// One file however its path is written (another letter case, a short name, a link on the way): a
// shortcut to this program that is not seen as one would be written a second time, and Windows
// would start the program twice at sign-in.
bool SameFile(const std::wstring& a, const std::wstring& b) {
  if (SameFolder(a, b)) return true;
  const std::optional<FileState> first = CurrentFileState(a);
  const std::optional<FileState> second = CurrentFileState(b);
  // A file system that numbers no files (index 0) cannot tell.
  return first && second && first->fileIndex != 0 && first->volumeSerial == second->volumeSerial &&
         first->fileIndex == second->fileIndex;
}

}  // namespace

std::optional<std::wstring> UserStartupFolder(bool make) {
  KnownFolderPath path;
  const DWORD flags = make ? static_cast<DWORD>(KF_FLAG_CREATE) : 0;
  if (FAILED(::SHGetKnownFolderPath(FOLDERID_Startup, flags, nullptr, path.out())) || path.get() == nullptr) {
    return std::nullopt;
  }
  return std::wstring(path.get());
}

std::optional<std::wstring> ShortcutTarget(const std::wstring& linkPath) {
  ComPtr<IShellLinkW> link;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)))) {
    return std::nullopt;
  }
  ComPtr<IPersistFile> file;
  if (FAILED(link.As(&file)) || FAILED(file->Load(linkPath.c_str(), STGM_READ))) return std::nullopt;
  wchar_t target[MAX_PATH + 1]{};
  // A shortcut to something that is no file (a shell folder) has no path: S_FALSE and nothing.
  if (link->GetPath(target, MAX_PATH, nullptr, 0) != S_OK || target[0] == L'\0') return std::nullopt;
  return std::wstring(target);
}

StartupShortcuts::StartupShortcuts(std::wstring folder, std::wstring program)
    : folder_(std::move(folder)), program_(std::move(program)) {}

std::vector<std::wstring> StartupShortcuts::LeadingToProgram() const {
  std::vector<std::wstring> paths;
  for (const std::wstring& name : ListFileNames(folder_, L"*.lnk")) {
    std::wstring path = JoinPath(folder_, name);
    const std::optional<std::wstring> target = ShortcutTarget(path);
    if (target && SameFile(*target, program_)) paths.push_back(std::move(path));
  }
  return paths;
}

bool StartupShortcuts::Present() const { return !LeadingToProgram().empty(); }

HRESULT StartupShortcuts::Add(const std::wstring& stem) const {
  const std::optional<std::wstring> name =
      FreeFileName(stem, kShortcutExtension, [this](const std::wstring& candidate) {
        return PathExists(JoinPath(folder_, candidate));
      });
  if (!name) return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
  ComPtr<IShellLinkW> link;
  HRESULT result = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link));
  if (FAILED(result)) return result;
  if (FAILED(result = link->SetPath(program_.c_str()))) return result;
  // Started in its own folder, as when it is opened from Explorer.
  if (FAILED(result = link->SetWorkingDirectory(FolderOf(program_).c_str()))) return result;
  ComPtr<IPersistFile> file;
  if (FAILED(result = link.As(&file))) return result;
  const std::wstring path = JoinPath(folder_, *name);
  result = file->Save(path.c_str(), TRUE);
  if (FAILED(result)) DeleteFileIfPresent(path);
  return result;
}

DWORD StartupShortcuts::Remove() const {
  DWORD firstError = ERROR_SUCCESS;
  for (const std::wstring& path : LeadingToProgram()) {
    if (const Status deleted = DeleteFileIfPresent(path); !deleted && firstError == ERROR_SUCCESS) {
      firstError = deleted.error();
    }
  }
  return firstError;
}

}  // namespace varnel
