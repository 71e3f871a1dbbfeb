#pragma once
// Whole-file reads and writes, listing and deletion. Every file is opened, used and closed
// within one call.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnel {

// Names (not paths) of the files in folder that match pattern, in name order.
std::vector<std::wstring> ListFileNames(const std::wstring& folder, const wchar_t* pattern);

// The whole content of a file, or the Win32 error that stopped the read.
struct ReadResult {
  std::optional<std::string> bytes;
  DWORD error = ERROR_SUCCESS;
};
ReadResult ReadWholeFile(const std::wstring& path);

// True when path names a file (not a folder), even one that another program holds open.
bool FileExists(const std::wstring& path);

// Replaces the file at path by bytes in one step: the bytes go to a temporary file in the same
// folder, are flushed, take the old file's attributes, and are then moved over the old file.
// On any failure the old file is left as it was and no temporary file remains.
// Returns ERROR_SUCCESS or the Win32 error; a read-only target is refused with ERROR_ACCESS_DENIED.
DWORD WriteFileAtomically(const std::wstring& path, std::string_view bytes);

// Deletes the temporary files that writes of the files matching namePattern in folder left behind
// when the writing process was killed before it could rename them. This process's own are kept.
void DeleteLeftoverTemporaries(const std::wstring& folder, const std::wstring& namePattern);

// Deletes a file; true when it is gone afterwards.
bool DeleteFileIfPresent(const std::wstring& path);

// The system's own wording of a Win32 error, without a trailing line end.
std::wstring SystemErrorText(DWORD error);

}  // namespace varnel
