#pragma once
// Whole-file reads and writes, listing and deletion. Every file is opened, used and closed
// within one call.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "storage/result.h"

namespace varnel {

// Names (not paths) of the files in folder that match pattern, in name order.
std::vector<std::wstring> ListFileNames(const std::wstring& folder, const wchar_t* pattern);

// Names of the record files in folder, in name order: files whose long name ends in ".dat". A
// "*.dat" search alone also returns files whose short name does, such as "x.data".
std::vector<std::wstring> ListRecordFileNames(const std::wstring& folder);

// What tells one version of a file from another without reading it: its size, its last-write time
// (100 ns units since 1601, as the file system keeps it) and which file it is (the volume's serial
// number and the file's index there; a file put in place of another by a rename is another file).
struct FileState {
  std::uint64_t size = 0;
  std::uint64_t lastWriteTime = 0;
  std::uint32_t volumeSerial = 0;
  std::uint64_t fileIndex = 0;
  bool operator==(const FileState&) const = default;
};

// The whole content of a file, or the Win32 error that stopped the read.
struct ReadResult {
  std::optional<std::string> bytes;
  DWORD error = ERROR_SUCCESS;
  // Set by ReadLinkedFile when the file's first bytes showed it is no text: it was read no further.
  bool noText = false;
};
// With state, also the file's state as it was read, when the system tells it: asked of the open
// file, which costs less than opening it again (0.6 ms a note at start under Wine).
ReadResult ReadWholeFile(const std::wstring& path, std::optional<FileState>* state = nullptr);

// The largest linked file a note reads. A Japanese text this long kept the main window away for
// 0.7 s, then took minutes to go into its note in slices, with the program holding 137-164 MiB
// (bench/README.md); ten times that would cost ten times as much.
inline constexpr std::uint64_t kLargestLinkedFile = 32 * 1024 * 1024;

// Reads a linked text file as ReadWholeFile does, unless it cannot be a note's text: one whose
// first bytes show it is no text (FirstBytesShowNoText) comes back without bytes, marked noText,
// and otherwise one larger than kLargestLinkedFile fails with ERROR_FILE_TOO_LARGE. Either way it
// is read no further than its first bytes, whatever its size.
ReadResult ReadLinkedFile(const std::wstring& path, std::optional<FileState>* state = nullptr);

// The state of the file a path leads to (links followed), or nothing when it cannot be asked:
// GetLastError() then says why (ERROR_FILE_NOT_FOUND for a missing file, for one).
std::optional<FileState> CurrentFileState(const std::wstring& path);

// The state of an open file, or nothing with GetLastError() set.
std::optional<FileState> FileStateOf(HANDLE file);

// Whether two folder paths name the same folder as written, ignoring case as the file system does.
bool SameFolder(const std::wstring& a, const std::wstring& b) noexcept;

// True when path names a file (not a folder), even one that another program holds open.
bool FileExists(const std::wstring& path);

// True when anything at all is at path: a file or a folder.
bool PathExists(const std::wstring& path);

// Replaces the file at path by bytes in one step: the bytes go to a temporary file in the same
// folder, are flushed, take the old file's attributes, and are then moved over the old file.
// On any failure the old file is left as it was and no temporary file remains.
// A read-only target is refused with ERROR_ACCESS_DENIED.
[[nodiscard]] Status WriteFileAtomically(const std::wstring& path, std::string_view bytes);

// What became of an overwrite of a linked file.
struct OverwriteResult {
  Status status;
  // Set only when a rewrite in place failed part way and the file's earlier content could not be
  // put back: the file is damaged, and its earlier content is in this copy.
  std::wstring damagedFileCopy;
};

// Writes bytes as the new content of a user's text file and keeps the file what it was:
// - a symbolic link (or a junction on the way) is followed, and the file it leads to is replaced;
// - a file with several hard links, or in a folder that takes no new files, is rewritten in place
//   so that every name sees the new content; its old content is first copied into the first of
//   backupFolders that takes the copy (made when missing); a file that would grow beyond the free
//   space is not touched, and a rewrite that fails part way puts the old content back; the copy
//   is removed once the file holds either whole content again;
// - any other file is replaced in one step, keeping its attributes, creation time, security and
//   streams where the file system has them;
// - a file that does not exist yet is written as by WriteFileAtomically.
// A read-only file is refused with ERROR_ACCESS_DENIED. No temporary file is left behind.
[[nodiscard]] OverwriteResult OverwriteLinkedFile(const std::wstring& path, std::string_view bytes,
                                    const std::vector<std::wstring>& backupFolders);

// True when a linked file that could not be read (readError) is really gone: it is missing from a
// folder that is there, or its path is no valid name at all. False when the failure may pass: the file is held open, access is denied,
// or the drive, share or folder holding it cannot be reached now.
bool IsGoneForGood(const std::wstring& path, DWORD readError);

// Deletes the temporary files that writes of the files matching namePattern in folder left behind
// when the writing process was killed before it could rename them. This process's own are kept.
void DeleteLeftoverTemporaries(const std::wstring& folder, const std::wstring& namePattern);

// Deletes a file; done when it is gone afterwards.
Status DeleteFileIfPresent(const std::wstring& path);

// The system's own wording of a Win32 error, without a trailing line end.
std::wstring SystemErrorText(DWORD error);

}  // namespace varnel
