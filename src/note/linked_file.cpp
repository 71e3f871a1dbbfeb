#include "note/linked_file.h"

#include "storage/paths.h"

namespace varnel {

void LinkedFile::Locate(const std::wstring& recordedPath, const std::wstring& recordFolder) {
  recordedPath_ = recordedPath;
  path_ = ResolveAgainstFolder(recordFolder, recordedPath);
}

LinkedFile::Read LinkedFile::ReadVersion() const {
  if (path_.empty()) return {Outcome::Lost, Status::Failure(ERROR_FILE_NOT_FOUND)};
  std::optional<FileState> state;
  ReadResult read = ReadLinkedFile(path_, &state);
  if (read.noText) return {Outcome::Lost, Status::Failure(ERROR_INVALID_DATA)};
  if (!read.bytes) {
    // A folder where the file should be is no text file either, now or later.
    const bool folder = PathExists(path_) && !FileExists(path_);
    return {folder || IsGoneForGood(path_, read.error) ? Outcome::Lost : Outcome::NotNow, Status::Failure(read.error)};
  }
  std::optional<DecodedText> decoded = DecodeLinkedText(*read.bytes, codePage_);
  if (!decoded) return {Outcome::Lost, Status::Failure(ERROR_INVALID_DATA)};
  return {Outcome::Loaded, Version{std::move(*read.bytes), state, decoded->format, std::move(decoded->text)}};
}

bool LinkedFile::Adopt(Version version) {
  // A version written by the note was not read: its state is asked of the file.
  const std::optional<FileState> state = version.state ? version.state : CurrentFileState(path_);
  baseline_ = {version.bytes.size(), state ? state->lastWriteTime : 0, Fnv1a64(version.bytes)};
  format_ = version.format;
  text_ = std::move(version.text);
  const bool wasMarked = MarkOf(state_) != LinkMark::None;
  state_ = LinkState::InStep;
  return wasMarked;
}

LinkedFile::Saved LinkedFile::Save(std::wstring text, const std::vector<std::wstring>& backupFolders) const {
  std::optional<EncodedText> encoded = EncodeLinkedText(text, format_, codePage_);
  if (!encoded) return {{Status::Failure(ERROR_NO_UNICODE_TRANSLATION), {}}, std::nullopt};
  OverwriteResult result = OverwriteLinkedFile(path_, encoded->bytes, backupFolders);
  if (!result.status) return {std::move(result), std::nullopt};
  return {std::move(result), Version{std::move(encoded->bytes), std::nullopt, encoded->format, std::move(text)}};
}

// The folder told of a change: the bytes are read even when size, time and identity look the same,
// as they do for a rewrite of the same length within one tick of the file system's clock.
LinkedFile::Look LinkedFile::Check(bool edited) {
  std::optional<FileState> state;
  ReadResult read = ReadLinkedFile(path_, &state);
  std::optional<Version> version;
  FileSeen seen = FileSeen::Unreadable;
  if (read.bytes) {
    if (Fnv1a64(*read.bytes) == baseline_.hash) {
      seen = FileSeen::Same;
    } else if (edited) {
      seen = FileSeen::Other;
    } else if (std::optional<DecodedText> decoded = DecodeLinkedText(*read.bytes, codePage_)) {
      seen = FileSeen::Other;
      version = Version{std::move(*read.bytes), state, decoded->format, std::move(decoded->text)};
    } else {
      seen = FileSeen::Unusable;
    }
  } else if (read.noText || read.error == ERROR_FILE_TOO_LARGE) {
    // Not what the note holds (it never holds that much unless it wrote that much itself).
    seen = FileSeen::Unusable;
  } else if (IsGoneForGood(path_, read.error)) {
    seen = FileSeen::Missing;
  }
  const LinkStep step = NextLinkStep(state_, seen, edited);
  state_ = step.next;
  if (step.action != LinkAction::Follow) version.reset();
  return {step.action, std::move(version)};
}

std::optional<std::string> LinkedFile::OtherVersionOnDisk() const {
  ReadResult read = ReadWholeFile(path_);
  if (!read.bytes || Fnv1a64(*read.bytes) == baseline_.hash) return std::nullopt;
  return std::move(read.bytes);
}

bool LinkedFile::Watch(HWND owner, UINT message) noexcept {
  try {
    watch_ = std::make_unique<FileWatch>(path_, owner, message, 0);
  } catch (...) {
    // Out of memory: the note goes on without following its file.
    return true;
  }
  return watch_->Watching();
}

bool LinkedFile::RestartWatch() noexcept {
  try {
    return !watch_ || watch_->Watching() || watch_->Restart();
  } catch (...) {
    return false;
  }
}

void LinkedFile::DeleteLeftoverTemporaries(const std::wstring& recordFolder) const {
  if (const std::wstring folder = FolderOf(path_); !folder.empty() && !SameFolder(folder, recordFolder)) {
    varnel::DeleteLeftoverTemporaries(folder, FileNameOf(path_));
  }
}

}  // namespace varnel
