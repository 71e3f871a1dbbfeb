#include "platform/file_watch.h"

#include <array>
#include <vector>

#include "platform/unique_handle.h"
#include "storage/paths.h"

namespace varnel {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Creation and deletion, renames, writes (the size changes at once; the last-write time may follow
// only when the writer closes the file) and a new creation time (a file put in its place).
constexpr DWORD kChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE |
                           FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_CREATION;
// Room for about a hundred changes between two reads; more in one go is reported as "maybe".
constexpr size_t kBufferWords = 2048;
// How long destruction waits for the cancelled read to finish before it leaves the clean-up to the
// completion routine.
constexpr DWORD kCancelWaitMs = 1000;

std::wstring FullPath(const std::wstring& path) {
  const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return path;
  full.resize(length);
  return full;
}

// The last part of the long form of path, or nothing when the file is not there.
std::wstring LongName(const std::wstring& path) {
  const DWORD needed = ::GetLongPathNameW(path.c_str(), nullptr, 0);
  if (needed == 0) return {};
  std::wstring converted(needed, L'\0');
  const DWORD length = ::GetLongPathNameW(path.c_str(), converted.data(), needed);
  if (length == 0 || length >= needed) return {};
  converted.resize(length);
  return FileNameOf(converted);
}

}  // namespace

// Lives on the heap so that the system can finish a read into it after the FileWatch is gone: a
// read that outlasts the destructor's wait frees the state itself.
struct FileWatch::State {
  // The folder names a file by its long name, or, when it likes, by its 8.3 alias: a change under
  // an alias is taken as maybe the file's (asking each file's alias at start would cost a folder
  // search per note). A path given in the 8.3 form is watched under its long name as well.
  void LearnNames() {
    names = {FileNameOf(path)};
    if (!LooksLikeShortFileName(names.front())) return;
    if (std::wstring name = LongName(path); !name.empty()) names.push_back(std::move(name));
  }

  bool Start() {
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return false;
    const std::wstring folderPath = path.substr(0, slash + 1);
    folder.reset(::CreateFileW(folderPath.c_str(), FILE_LIST_DIRECTORY, kShareAll, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
    if (!folder) return false;
    LearnNames();
    if (Arm()) return true;
    folder.reset();
    return false;
  }

  bool Arm() {
    overlapped = OVERLAPPED{};
    // Not used by the system when a completion routine is given: it carries the state there.
    overlapped.hEvent = reinterpret_cast<HANDLE>(this);
    if (!::ReadDirectoryChangesW(folder.get(), buffer.data(), static_cast<DWORD>(sizeof buffer), FALSE, kChanges,
                                 nullptr, &overlapped, &Completed)) {
      return false;
    }
    pending = true;
    return true;
  }

  bool NamesTheFile(const wchar_t* name, size_t length) const {
    for (const std::wstring& known : names) {
      if (::CompareStringOrdinal(name, static_cast<int>(length), known.c_str(), static_cast<int>(known.size()),
                                 TRUE) == CSTR_EQUAL) {
        return true;
      }
    }
    return false;
  }

  // True when any of the changes in the first `bytes` bytes of the buffer may name the file; a
  // rename reports both the old and the new name.
  bool ChangesNameTheFile(DWORD bytes) const {
    const auto* at = reinterpret_cast<const unsigned char*>(buffer.data());
    const auto* end = at + bytes;
    while (at + sizeof(FILE_NOTIFY_INFORMATION) <= end) {
      const auto* change = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
      const size_t length = change->FileNameLength / sizeof(wchar_t);
      if (NamesTheFile(change->FileName, length) || LooksLikeShortFileName({change->FileName, length})) return true;
      if (change->NextEntryOffset == 0) break;
      at += change->NextEntryOffset;
    }
    return false;
  }

  static void CALLBACK Completed(DWORD error, DWORD bytes, OVERLAPPED* overlapped) {
    State* state = reinterpret_cast<State*>(overlapped->hEvent);
    state->pending = false;
    if (state->abandoned) {
      std::unique_ptr<State> last(state);
      return;
    }
    if (state->cancelling) return;
    // More changes came than the buffer holds (success with nothing in it; an error of its own from
    // a network share): the file may be one of them.
    const bool overflow = error == ERROR_NOTIFY_ENUM_DIR || (error == ERROR_SUCCESS && bytes == 0);
    bool tell = overflow || (error == ERROR_SUCCESS && state->ChangesNameTheFile(bytes));
    if ((error != ERROR_SUCCESS && !overflow) || !state->Arm()) {
      state->folder.reset();
      tell = true;
    }
    if (tell) ::PostMessageW(state->owner, state->message, state->cookie, 0);
  }

  std::wstring path;
  HWND owner = nullptr;
  UINT message = 0;
  WPARAM cookie = 0;
  std::vector<std::wstring> names;
  UniqueFile folder;
  OVERLAPPED overlapped{};
  std::array<DWORD, kBufferWords> buffer{};  // FILE_NOTIFY_INFORMATION records are DWORD-aligned
  bool pending = false;     // a read is under way: the buffer and overlapped belong to the system
  bool cancelling = false;  // the owner is going: a finished read only ends
  bool abandoned = false;   // the owner is gone: the finished read frees the state
};

FileWatch::FileWatch(const std::wstring& path, HWND owner, UINT message, WPARAM cookie)
    : state_(std::make_unique<State>()) {
  state_->path = FullPath(path);
  state_->owner = owner;
  state_->message = message;
  state_->cookie = cookie;
  state_->Start();
}

FileWatch::~FileWatch() {
  if (!state_->pending) return;
  state_->cancelling = true;
  ::CancelIoEx(state_->folder.get(), &state_->overlapped);
  // The completion routine of the cancelled read runs in an alertable wait on this thread.
  const ULONGLONG until = ::GetTickCount64() + kCancelWaitMs;
  for (ULONGLONG now = ::GetTickCount64(); state_->pending && now < until; now = ::GetTickCount64()) {
    ::SleepEx(static_cast<DWORD>(until - now), TRUE);
  }
  if (state_->pending) {
    State* orphan = state_.release();  // freed by the completion routine when the read finally ends
    orphan->abandoned = true;
  }
}

bool FileWatch::Watching() const noexcept { return static_cast<bool>(state_->folder); }

bool FileWatch::Restart() {
  if (Watching()) return true;
  return state_->Start();
}

}  // namespace varnel
