#include "note/unsaved_text.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/clock.h"
#include "platform/files.h"
#include "storage/paths.h"

namespace varnel {
namespace {

// Enough for every note closing within the same second.
constexpr int kMaxNameAttempts = 1000;


}  // namespace

UnsavedText::UnsavedText(std::vector<std::wstring> folders) : folders_(std::move(folders)) {}

bool UnsavedText::Keep(const std::wstring& textPath, std::wstring_view text, const CodePage& systemCodePage) noexcept {
  try {
    const std::string bytes = EncodeRecoveredText(text, systemCodePage);
    for (const std::wstring& folder : folders_) {
      if (!folder.empty() && KeepIn(folder, textPath, bytes)) return true;
    }
    lost_.push_back(textPath);
  } catch (...) {
    // Out of memory: nothing more can be done for this text.
  }
  return false;
}

std::optional<std::wstring> UnsavedText::KeepFileCopy(const std::wstring& textPath, std::string_view bytes) noexcept {
  try {
    for (const std::wstring& folder : folders_) {
      if (folder.empty()) continue;
      std::wstring copy = WriteRecoveryFile(folder, textPath, bytes);
      if (!copy.empty()) return copy;
    }
  } catch (...) {
    // Out of memory for a path: no copy.
  }
  return std::nullopt;
}

std::wstring UnsavedText::WriteRecoveryFile(const std::wstring& folder, const std::wstring& textPath,
                                            std::string_view bytes) {
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const LocalTime time = LocalTimeNow();
  for (int attempt = 1; attempt <= kMaxNameAttempts; ++attempt) {
    std::wstring candidate = JoinPath(folder, RecoveryFileName(textPath, time, attempt));
    if (PathExists(candidate)) continue;
    return WriteFileAtomically(candidate, bytes) ? candidate : std::wstring();
  }
  return {};
}

bool UnsavedText::KeepIn(const std::wstring& folder, const std::wstring& textPath, const std::string& bytes) {
  const std::wstring recoveryFile = WriteRecoveryFile(folder, textPath, bytes);
  if (recoveryFile.empty()) return false;
  const std::optional<std::string> line = FormatUnsavedEntry({textPath, recoveryFile});
  if (!line) return false;
  // The list is written after the text, so it never names a file that is not there. A text that
  // could not be listed stays where it is: a copy the user may still find.
  return AppendToList(folder, *line);
}

bool UnsavedText::AppendToList(const std::wstring& folder, const std::string& line, const wchar_t* listName) {
  const std::wstring list = JoinPath(folder, listName);
  const ReadResult earlier = ReadWholeFile(list);
  if (!earlier.bytes && earlier.error != ERROR_FILE_NOT_FOUND) return false;
  return WriteFileAtomically(list, earlier.bytes.value_or(std::string()) + line).ok();
}

void UnsavedText::MentionDamaged(const std::wstring& textPath, const std::wstring& earlierContent) noexcept {
  try {
    const std::optional<std::string> line = FormatUnsavedEntry({textPath, earlierContent});
    if (!line) return;
    for (const std::wstring& folder : folders_) {
      if (!folder.empty() && AppendToList(folder, *line, kDamagedListName)) return;
    }
  } catch (...) {
    // Out of memory: the copy itself is on disk.
  }
}

bool UnsavedText::KeepOtherVersion(const std::wstring& textPath, std::string_view bytes) noexcept {
  try {
    return KeepListed(textPath, bytes, kOverwrittenListName);
  } catch (...) {
    // Out of memory for a path: no copy.
  }
  return false;
}

bool UnsavedText::KeepJournalText(const std::wstring& textPath, std::wstring_view text,
                                  const CodePage& systemCodePage) noexcept {
  try {
    return KeepListed(textPath, EncodeRecoveredText(text, systemCodePage), kJournalListName);
  } catch (...) {
    // Out of memory: the journal stays where it is.
  }
  return false;
}

bool UnsavedText::KeepListed(const std::wstring& textPath, std::string_view bytes, const wchar_t* listName) {
  for (const std::wstring& folder : folders_) {
    if (folder.empty()) continue;
    const std::wstring copy = WriteRecoveryFile(folder, textPath, bytes);
    if (copy.empty()) continue;
    const std::optional<std::string> line = FormatUnsavedEntry({textPath, copy});
    return line && AppendToList(folder, *line, listName);
  }
  return false;
}

std::vector<UnsavedEntry> UnsavedText::TakeEarlierEntries() { return TakeLists(kListName); }

std::vector<UnsavedEntry> UnsavedText::TakeEarlierOverwritten() { return TakeLists(kOverwrittenListName); }

std::vector<UnsavedEntry> UnsavedText::TakeEarlierDamaged() { return TakeLists(kDamagedListName); }

std::vector<UnsavedEntry> UnsavedText::TakeEarlierJournalTexts() { return TakeLists(kJournalListName); }

std::vector<UnsavedEntry> UnsavedText::TakeLists(const wchar_t* listName) {
  std::vector<UnsavedEntry> entries;
  for (const std::wstring& folder : folders_) {
    if (folder.empty()) continue;
    const std::wstring list = JoinPath(folder, listName);
    const ReadResult read = ReadWholeFile(list);
    if (!read.bytes) continue;
    for (UnsavedEntry& entry : ParseUnsavedList(*read.bytes)) entries.push_back(std::move(entry));
    DeleteFileIfPresent(list);
  }
  return entries;
}

std::wstring LocalRecoveryFolder() {
  PWSTR path = nullptr;
  std::wstring folder;
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &path))) {
    folder = std::wstring(path) + L"\\Varnel";
  }
  ::CoTaskMemFree(path);
  return folder;
}

}  // namespace varnel
