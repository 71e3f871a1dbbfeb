#include "platform/new_file.h"

#include "platform/unique_handle.h"

namespace varnel {

DWORD MakeFolderIfMissing(const std::wstring& path, bool& made) {
  made = false;
  if (::CreateDirectoryW(path.c_str(), nullptr)) {
    made = true;
    return ERROR_SUCCESS;
  }
  const DWORD error = ::GetLastError();
  if (error != ERROR_ALREADY_EXISTS) return error;
  // A file of that name is no folder: the new file cannot go in it.
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return ::GetLastError();
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? ERROR_SUCCESS : ERROR_DIRECTORY;
}

DWORD MakeEmptyFile(const std::wstring& path) {
  const UniqueFile file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file ? ERROR_SUCCESS : ::GetLastError();
}

bool DeleteFileIfEmpty(const std::wstring& path) {
  // Opened without sharing writes: nobody can add a byte between the size check and the deletion.
  const UniqueFile file(::CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file.get(), &info)) return false;
  if (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) return false;
  if (info.nFileSizeHigh != 0 || info.nFileSizeLow != 0) return false;
  FILE_DISPOSITION_INFO disposition{TRUE};
  return ::SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

bool RemoveFolderIfEmpty(const std::wstring& path) { return ::RemoveDirectoryW(path.c_str()) != FALSE; }

}  // namespace varnel
