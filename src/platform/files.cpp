#include "platform/files.h"

#include <algorithm>
#include <iterator>
#include <limits>

#include "platform/texts.h"
#include "platform/unique_handle.h"

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

}  // namespace

std::vector<std::wstring> ListFileNames(const std::wstring& folder, const wchar_t* pattern) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data{};
  std::wstring query = folder + L"\\" + pattern;
  UniqueFind find(::FindFirstFileExW(query.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
  if (!find) return names;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(data.cFileName);
  } while (::FindNextFileW(find.get(), &data));
  std::sort(names.begin(), names.end());
  return names;
}

ReadResult ReadWholeFile(const std::wstring& path) {
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {std::nullopt, ::GetLastError()};
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size)) return {std::nullopt, ::GetLastError()};
  if (static_cast<unsigned long long>(size.QuadPart) > std::numeric_limits<DWORD>::max())
    return {std::nullopt, ERROR_FILE_TOO_LARGE};
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  size_t filled = 0;
  while (filled < bytes.size()) {
    DWORD got = 0;
    DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - filled, 1u << 20));
    if (!::ReadFile(file.get(), bytes.data() + filled, want, &got, nullptr)) return {std::nullopt, ::GetLastError()};
    if (got == 0) break;
    filled += got;
  }
  bytes.resize(filled);
  return {std::move(bytes), ERROR_SUCCESS};
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD WriteFileAtomically(const std::wstring& path, std::string_view bytes) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ERROR_DIRECTORY;
    // Renaming over a file ignores its read-only mark under Wine; refuse as Windows would.
    if (attributes & FILE_ATTRIBUTE_READONLY) return ERROR_ACCESS_DENIED;
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
  return error;
}

void DeleteLeftoverTemporaries(const std::wstring& folder, const std::wstring& namePattern) {
  const std::wstring ours = std::to_wstring(::GetCurrentProcessId());
  for (const std::wstring& name : ListFileNames(folder, (namePattern + L".*" + kTemporarySuffix).c_str())) {
    const std::optional<std::wstring> writer = WriterOf(name);
    if (writer && *writer != ours) ::DeleteFileW((folder + L"\\" + name).c_str());
  }
}

bool DeleteFileIfPresent(const std::wstring& path) {
  if (::DeleteFileW(path.c_str())) return true;
  DWORD error = ::GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
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
