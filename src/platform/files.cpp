#include "platform/files.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <vector>

#include "platform/texts.h"
#include "platform/unique_handle.h"
#include "storage/linked_text.h"
#include "storage/paths.h"
#include "storage/record_name.h"

namespace varnel {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr wchar_t kTemporarySuffix[] = L".varnel-tmp";

std::wstring TemporaryNameFor(const std::wstring& path) {
  // Never ends in ".dat", so the start-up listing cannot take it for a record.
  return path + L"." + std::to_wstring(::GetCurrentProcessId()) + kTemporarySuffix;
}

// The process id in "<name>.<pid>.varnel-tmp", or nothing for a name of another form.
std::optional<std::wstring> WriterOf(const std::wstring& temporaryName) {
  const size_t suffixLength = std::size(kTemporarySuffix) - 1;
  if (temporaryName.size() <= suffixLength) return std::nullopt;
  const std::wstring stem = temporaryName.substr(0, temporaryName.size() - suffixLength);
  const size_t dot = stem.find_last_of(L'.');
  if (dot == std::wstring::npos || dot + 1 == stem.size()) return std::nullopt;
  std::wstring pid = stem.substr(dot + 1);
  if (!std::all_of(pid.begin(), pid.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; })) return std::nullopt;
  return pid;
}

DWORD WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 20));
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr)) return ::GetLastError();
    if (written == 0) return ERROR_WRITE_FAULT;
    bytes.remove_prefix(written);
  }
  return ERROR_SUCCESS;
}

DWORD WriteAndFlush(const std::wstring& path, std::string_view bytes) {
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
  if (!file) return ::GetLastError();
  if (DWORD error = WriteAll(file.get(), bytes); error != ERROR_SUCCESS) return error;
  if (!::FlushFileBuffers(file.get())) return ::GetLastError();
  return ERROR_SUCCESS;
}

// Reads into bytes from filled on, until it holds upTo bytes or the file ends.
DWORD ReadInto(HANDLE file, std::string& bytes, size_t& filled, size_t upTo) {
  while (filled < upTo) {
    DWORD got = 0;
    DWORD want = static_cast<DWORD>(std::min<size_t>(upTo - filled, 1u << 20));
    if (!::ReadFile(file, bytes.data() + filled, want, &got, nullptr)) return ::GetLastError();
    if (got == 0) break;
    filled += got;
  }
  return ERROR_SUCCESS;
}

// With linkedText, the file must be one a note can take (ReadLinkedFile): the first bytes are read
// and judged before the size is, and before the memory for the rest is taken.
ReadResult ReadAll(HANDLE file, bool linkedText = false) {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file, &size)) return {std::nullopt, ::GetLastError()};
  const unsigned long long whole = static_cast<unsigned long long>(size.QuadPart);
  std::string bytes;
  size_t filled = 0;
  if (linkedText) {
    bytes.resize(static_cast<size_t>(std::min<unsigned long long>(whole, kFirstBytesJudged)));
    if (DWORD error = ReadInto(file, bytes, filled, bytes.size()); error != ERROR_SUCCESS) return {std::nullopt, error};
    if (FirstBytesShowNoText(std::string_view(bytes).substr(0, filled))) return {std::nullopt, ERROR_SUCCESS, true};
    // A file that ended early (it shrank meanwhile) is read.
    if (filled < bytes.size()) {
      bytes.resize(filled);
      return {std::move(bytes), ERROR_SUCCESS};
    }
  }
  const unsigned long long largest = linkedText ? kLargestLinkedFile : std::numeric_limits<DWORD>::max();
  if (whole > largest) return {std::nullopt, ERROR_FILE_TOO_LARGE};
  bytes.resize(static_cast<size_t>(whole));
  if (DWORD error = ReadInto(file, bytes, filled, bytes.size()); error != ERROR_SUCCESS) return {std::nullopt, error};
  bytes.resize(filled);
  return {std::move(bytes), ERROR_SUCCESS};
}

ReadResult ReadFileAt(const std::wstring& path, std::optional<FileState>* state, bool linkedText) {
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {std::nullopt, ::GetLastError()};
  ReadResult result = ReadAll(file.get(), linkedText);
  if (state && result.bytes) *state = FileStateOf(file.get());
  return result;
}

// The file a path leads to once links and junctions on the way are followed.
struct LinkTarget {
  std::wstring path;
  BY_HANDLE_FILE_INFORMATION info{};
  DWORD error = ERROR_SUCCESS;
};

LinkTarget FollowLinks(const std::wstring& path) {
  LinkTarget target;
  // Without FILE_FLAG_OPEN_REPARSE_POINT the open goes through links to the file itself; backup
  // semantics let a folder open too, so that it is refused below rather than mistaken.
  UniqueFile file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file || !::GetFileInformationByHandle(file.get(), &target.info)) {
    target.error = ::GetLastError();
    return target;
  }
  std::wstring final(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetFinalPathNameByHandleW(file.get(), final.data(), static_cast<DWORD>(final.size()),
                                                     FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) {
      // Some redirectors cannot name the file; a path that is no link names it already.
      const DWORD error = ::GetLastError();
      const DWORD attributes = ::GetFileAttributesW(path.c_str());
      if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) target.error = error;
      target.path = path;
      return target;
    }
    if (length < final.size()) {
      final.resize(length);
      break;
    }
    final.resize(length);  // too small: length counts the terminating null
  }
  target.path = WithoutLongPathPrefix(final);
  return target;
}

// A new file holding bytes, flushed, named "<name>.<n>.bak" with the first free n in the first
// of folders that takes it: an earlier copy may hold the only good content left after a failed
// rewrite, so none is replaced.
struct KeptCopy {
  std::wstring path;
  DWORD error = ERROR_SUCCESS;
};

KeptCopy KeepCopyIn(const std::wstring& folder, const std::wstring& name, std::string_view bytes) {
  if (!::CreateDirectoryW(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
    return {{}, ::GetLastError()};
  }
  constexpr int kMaxCopies = 1000;
  for (int n = 1; n <= kMaxCopies; ++n) {
    KeptCopy copy{JoinPath(folder, name + L"." + std::to_wstring(n) + L".bak")};
    UniqueFile file(::CreateFileW(copy.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
      return {{}, error};
    }
    copy.error = WriteAll(file.get(), bytes);
    if (copy.error == ERROR_SUCCESS && !::FlushFileBuffers(file.get())) copy.error = ::GetLastError();
    if (copy.error != ERROR_SUCCESS) {
      file.reset();
      ::DeleteFileW(copy.path.c_str());
      return {{}, copy.error};
    }
    return copy;
  }
  return {{}, ERROR_FILE_EXISTS};
}

KeptCopy KeepCopy(const std::vector<std::wstring>& folders, const std::wstring& name, std::string_view bytes) {
  KeptCopy copy{{}, ERROR_PATH_NOT_FOUND};
  for (const std::wstring& folder : folders) {
    if (folder.empty()) continue;
    copy = KeepCopyIn(folder, name, bytes);
    if (copy.error == ERROR_SUCCESS) break;
  }
  return copy;
}

// Writes bytes from the file's start and cuts the file after them, flushed.
DWORD WriteFromStart(HANDLE file, std::string_view bytes) {
  if (!::SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN)) return ::GetLastError();
  if (DWORD error = WriteAll(file, bytes); error != ERROR_SUCCESS) return error;
  if (!::SetEndOfFile(file)) return ::GetLastError();
  if (!::FlushFileBuffers(file)) return ::GetLastError();
  return ERROR_SUCCESS;
}

// Whether the volume holding path has room for growth more bytes. A volume that does not say
// gets the write tried.
bool HasRoomFor(const std::wstring& path, std::uint64_t growth) {
  ULARGE_INTEGER available{};
  if (!::GetDiskFreeSpaceExW(FolderOf(path).c_str(), &available, nullptr, nullptr)) return true;
  return available.QuadPart >= growth;
}

// Puts the old content back after a rewrite failed part way. The file is first cut back to its
// old length, so that the old bytes go over blocks it holds already and need no new space.
DWORD PutBack(HANDLE file, std::string_view old) {
  LARGE_INTEGER length{};
  length.QuadPart = static_cast<LONGLONG>(old.size());
  if (!::SetFilePointerEx(file, length, nullptr, FILE_BEGIN) || !::SetEndOfFile(file)) return ::GetLastError();
  return WriteFromStart(file, old);
}

// Writes bytes over the file's own content, through one handle that readers may share and other
// writers may not, so that the file ends with its whole old content or its whole new one. The old
// content goes to a flushed copy first; the copy stays (and is named in the result) only when a
// rewrite that failed part way could not put the old content back.
OverwriteResult RewriteInPlace(const std::wstring& path, std::string_view bytes,
                               const std::vector<std::wstring>& backupFolders) {
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {Status::Failure(::GetLastError()), {}};
  const ReadResult old = ReadAll(file.get());
  if (!old.bytes) return {Status::Failure(old.error), {}};
  const KeptCopy copy = KeepCopy(backupFolders, FileNameOf(path), *old.bytes);
  if (copy.error != ERROR_SUCCESS) return {Status::Failure(copy.error), {}};
  // Checked after the copy, which may take space on the same volume.
  DWORD error = ERROR_SUCCESS;
  if (bytes.size() > old.bytes->size() && !HasRoomFor(path, bytes.size() - old.bytes->size())) {
    error = ERROR_DISK_FULL;
  } else {
    error = WriteFromStart(file.get(), bytes);
    if (error != ERROR_SUCCESS && PutBack(file.get(), *old.bytes) != ERROR_SUCCESS) return {Status::Failure(error), copy.path};
  }
  file.reset();
  ::DeleteFileW(copy.path.c_str());
  return {Status::Failure(error), {}};
}

// Gives the new file the old one's attributes and creation time before it takes the old one's
// place. Best effort: a property the file system cannot hold is no reason to lose the edit.
void TakeProperties(const std::wstring& path, const BY_HANDLE_FILE_INFORMATION& from) {
  {
    UniqueFile file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) ::SetFileTime(file.get(), &from.ftCreationTime, nullptr, nullptr);
  }
  constexpr DWORD kKept =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  if (from.dwFileAttributes & kKept) ::SetFileAttributesW(path.c_str(), from.dwFileAttributes & kKept);
}

// Gives the new file the old one's owner, group and access list. Best effort, like the rest: an
// owner we may not set (it takes a privilege) still leaves the access list to try on its own.
void TakeSecurity(const std::wstring& path, const std::wstring& from) {
  constexpr SECURITY_INFORMATION kAttempts[] = {
      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, DACL_SECURITY_INFORMATION};
  for (const SECURITY_INFORMATION parts : kAttempts) {
    DWORD needed = 0;
    ::GetFileSecurityW(from.c_str(), parts, nullptr, 0, &needed);
    if (needed == 0) return;
    std::vector<unsigned char> descriptor(needed);
    if (!::GetFileSecurityW(from.c_str(), parts, descriptor.data(), needed, &needed)) return;
    if (::SetFileSecurityW(path.c_str(), parts, descriptor.data())) return;
  }
}

// Copies the old file's alternate data streams (what a browser notes about a download, for one)
// onto the new file; the main stream is the new content.
void TakeStreams(const std::wstring& path, const std::wstring& from) {
  WIN32_FIND_STREAM_DATA stream{};
  UniqueFind find(::FindFirstStreamW(from.c_str(), FindStreamInfoStandard, &stream, 0));
  if (!find) return;
  do {
    const std::wstring name = stream.cStreamName;  // ":name:$DATA"
    if (name == L"::$DATA") continue;
    const ReadResult content = ReadWholeFile(from + name);
    if (content.bytes) WriteAndFlush(path + name, *content.bytes);
  } while (::FindNextStreamW(find.get(), &stream));
}

// Replaces the file by a new one holding bytes, in one rename: whoever opens the path, and whatever
// stops the program, sees the whole old file or the whole new one, never a mixture or nothing.
// ReplaceFileW would merge the old file's properties by itself, but it is not one step everywhere
// (under Wine a kill between its two renames leaves no file at the path), so the new file takes
// the old one's streams, attributes, creation time and security first and then one MoveFileExW
// puts it in place.
DWORD ReplaceKeepingProperties(const std::wstring& path, std::string_view bytes,
                               const BY_HANDLE_FILE_INFORMATION& old) {
  const std::wstring temporary = TemporaryNameFor(path);
  DWORD error = WriteAndFlush(temporary, bytes);
  if (error == ERROR_SUCCESS) {
    TakeStreams(temporary, path);
    TakeProperties(temporary, old);
    TakeSecurity(temporary, path);
    if (!::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      error = ::GetLastError();
    }
  }
  if (error != ERROR_SUCCESS) ::DeleteFileW(temporary.c_str());
  return error;
}

}  // namespace

std::vector<std::wstring> ListFileNames(const std::wstring& folder, const wchar_t* pattern) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data{};
  const std::wstring query = JoinPath(folder, pattern);
  UniqueFind find(::FindFirstFileExW(query.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
  if (!find) return names;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(data.cFileName);
  } while (::FindNextFileW(find.get(), &data));
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::wstring> ListRecordFileNames(const std::wstring& folder) {
  std::vector<std::wstring> names = ListFileNames(folder, L"*.dat");
  std::erase_if(names, [](const std::wstring& name) { return !IsRecordFileName(name); });
  return names;
}

ReadResult ReadWholeFile(const std::wstring& path, std::optional<FileState>* state) {
  return ReadFileAt(path, state, false);
}

ReadResult ReadLinkedFile(const std::wstring& path, std::optional<FileState>* state) {
  return ReadFileAt(path, state, true);
}

std::optional<FileState> FileStateOf(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file, &info)) return std::nullopt;
  return FileState{std::uint64_t{info.nFileSizeHigh} << 32 | info.nFileSizeLow,
                   std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32 | info.ftLastWriteTime.dwLowDateTime,
                   info.dwVolumeSerialNumber, std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow};
}

std::optional<FileState> CurrentFileState(const std::wstring& path) {
  // Attributes only: such an open takes no part in sharing, so a writer that wants the file to
  // itself at this moment still gets it.
  UniqueFile file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return std::nullopt;
  std::optional<FileState> state = FileStateOf(file.get());
  const DWORD error = state ? ERROR_SUCCESS : ::GetLastError();
  file.reset();
  ::SetLastError(error);
  return state;
}

bool SameFolder(const std::wstring& a, const std::wstring& b) noexcept {
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

bool PathExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool FileExists(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

Status WriteFileAtomically(const std::wstring& path, std::string_view bytes) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Status::Failure(ERROR_DIRECTORY);
    // Renaming over a file ignores its read-only mark under Wine; refuse as Windows would.
    if (attributes & FILE_ATTRIBUTE_READONLY) return Status::Failure(ERROR_ACCESS_DENIED);
  }
  const std::wstring temporary = TemporaryNameFor(path);
  DWORD error = WriteAndFlush(temporary, bytes);
  if (error == ERROR_SUCCESS && attributes != INVALID_FILE_ATTRIBUTES && attributes != FILE_ATTRIBUTE_NORMAL) {
    ::SetFileAttributesW(temporary.c_str(), attributes);
  }
  if (error == ERROR_SUCCESS &&
      !::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = ::GetLastError();
  }
  if (error != ERROR_SUCCESS) ::DeleteFileW(temporary.c_str());
  return Status::Failure(error);
}

OverwriteResult OverwriteLinkedFile(const std::wstring& path, std::string_view bytes,
                                    const std::vector<std::wstring>& backupFolders) {
  const LinkTarget target = FollowLinks(path);
  if (target.error == ERROR_FILE_NOT_FOUND) return {WriteFileAtomically(path, bytes), {}};
  if (target.error != ERROR_SUCCESS) return {Status::Failure(target.error), {}};
  if (target.info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return {Status::Failure(ERROR_DIRECTORY), {}};
  // Renaming over a file ignores its read-only mark under Wine; refuse as Windows would.
  if (target.info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) return {Status::Failure(ERROR_ACCESS_DENIED), {}};
  // A new file would leave the other names of a hard-linked file with the old content.
  if (target.info.nNumberOfLinks > 1) return RewriteInPlace(target.path, bytes, backupFolders);
  const DWORD error = ReplaceKeepingProperties(target.path, bytes, target.info);
  // The folder takes no new file (or no rename), but the file itself may still be writable.
  if (error == ERROR_ACCESS_DENIED) return RewriteInPlace(target.path, bytes, backupFolders);
  return {Status::Failure(error), {}};
}

bool IsGoneForGood(const std::wstring& path, DWORD readError) {
  // A path that is no valid name never names a file, now or later.
  if (readError == ERROR_INVALID_NAME || readError == ERROR_BAD_PATHNAME || readError == ERROR_FILENAME_EXCED_RANGE) {
    return true;
  }
  if (readError != ERROR_FILE_NOT_FOUND && readError != ERROR_PATH_NOT_FOUND) return false;
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return false;
  // With its separator, so that a drive's or share's root is asked as a folder ("C:\").
  const DWORD folder = ::GetFileAttributesW(path.substr(0, slash + 1).c_str());
  if (folder == INVALID_FILE_ATTRIBUTES || !(folder & FILE_ATTRIBUTE_DIRECTORY)) return false;
  // The folder answers now: the file must be missing now too, not only at the failed read.
  if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  return ::GetLastError() == ERROR_FILE_NOT_FOUND;
}

void DeleteLeftoverTemporaries(const std::wstring& folder, const std::wstring& namePattern) {
  const std::wstring ours = std::to_wstring(::GetCurrentProcessId());
  for (const std::wstring& name : ListFileNames(folder, (namePattern + L".*" + kTemporarySuffix).c_str())) {
    const std::optional<std::wstring> writer = WriterOf(name);
    if (writer && *writer != ours) ::DeleteFileW(JoinPath(folder, name).c_str());
  }
}

Status DeleteFileIfPresent(const std::wstring& path) {
  if (::DeleteFileW(path.c_str())) return {};
  const DWORD error = ::GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Status() : Status::Failure(error);
}

std::wstring SystemErrorText(DWORD error) {
  wchar_t* buffer = nullptr;
  DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
      reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length ? std::wstring(buffer, length) : LoadText(IDS_ERROR_NUMBER, {std::to_wstring(error)});
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
  return text;
}

}  // namespace varnel
