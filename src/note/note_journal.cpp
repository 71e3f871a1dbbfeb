#include "note/note_journal.h"

#include "note/change_wait.h"
#include "platform/files.h"
#include "storage/paths.h"

namespace varnel {
namespace {

constexpr wchar_t kJournalPattern[] = L"*.varnel-journal";
// Enough for every damaged journal one record could ever leave.
constexpr int kMaxSetAsideAttempts = 1000;

std::uint64_t HashOfText(const std::wstring& text) {
  return Fnv1a64(std::string_view(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t)));
}

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// Renames a damaged journal aside, never over an earlier one; the new name, or empty.
std::wstring SetAside(const std::wstring& path) {
  const std::wstring folder = FolderOf(path);
  const std::wstring name = FileNameOf(path);
  for (int attempt = 1; attempt <= kMaxSetAsideAttempts; ++attempt) {
    std::wstring aside = JoinPath(folder, DamagedJournalFileName(name, attempt));
    if (::MoveFileExW(path.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH)) return aside;
    const DWORD error = ::GetLastError();
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return {};
  }
  return {};
}

// An earlier run's journal at path that no note can take back: nothing when there is none. A
// damaged one is renamed aside and named in the findings; one that cannot even be renamed is named
// where it is, and stays is set.
std::optional<Journal> ReadLeftJournal(const std::wstring& path, JournalFindings& findings, bool& stays) {
  const ReadResult read = ReadWholeFile(path);
  if (!read.bytes && IsMissing(read.error)) return std::nullopt;
  std::optional<Journal> journal = read.bytes ? ParseJournal(*read.bytes) : std::nullopt;
  if (journal) return journal;
  std::wstring aside = SetAside(path);
  stays = aside.empty();
  findings.setAside.push_back(stays ? path : std::move(aside));
  return std::nullopt;
}

// Writes a journal's text where its linked file was, in the file's format, as an exit would write
// it; false when anything is there now, or the folder is not, or the write fails.
bool WriteInPlaceOfLostFile(const Journal& journal, const CodePage& codePage) {
  if (journal.textPath.empty() || PathExists(journal.textPath)) return false;
  const std::optional<EncodedText> encoded = EncodeLinkedText(journal.text, journal.format, codePage);
  return encoded && WriteFileAtomically(journal.textPath, encoded->bytes);
}

}  // namespace

void NoteJournals::KeepLeftovers(const std::wstring& recordFolder, UnsavedText& unsavedText,
                                 const CodePage& codePage) noexcept {
  try {
    for (const std::wstring& name : ListFileNames(recordFolder, kJournalPattern)) {
      const std::optional<std::wstring> record = RecordFileNameOfJournal(name);
      if (!record || PathExists(JoinPath(recordFolder, *record))) continue;
      const std::wstring path = JoinPath(recordFolder, name);
      bool stays = false;
      const std::optional<Journal> journal = ReadLeftJournal(path, findings_, stays);
      // One that cannot be kept anywhere else stays for the next start.
      if (journal && unsavedText.KeepJournalText(journal->textPath, journal->text, codePage)) DeleteFileIfPresent(path);
    }
    if (!fallbackFolder_.empty()) DeleteLeftoverTemporaries(fallbackFolder_, kJournalPattern);
  } catch (...) {
    // Out of memory for the listing: the leftovers wait for the next start.
  }
}

NoteJournal::NoteJournal(const std::wstring& recordPath, NoteJournals& journals, UnsavedText& unsavedText)
    : primaryPath_(JournalFileName(recordPath)),
      fallbackPath_(journals.FallbackFolder().empty()
                        ? std::wstring()
                        : JoinPath(journals.FallbackFolder(), FallbackJournalFileName(recordPath))),
      journals_(journals),
      unsavedText_(unsavedText) {}

void NoteJournal::InStep() noexcept {
  changed_ = false;
  if (writtenHash_) Remove();
}

std::optional<std::wstring> NoteJournal::TakeBack(const LinkedFile& file) noexcept {
  following_ = true;
  try {
    const std::wstring& textPath = file.Path();
    for (const std::wstring& path : {primaryPath_, fallbackPath_}) {
      if (path.empty()) continue;
      const ReadResult read = ReadWholeFile(path);
      if (!read.bytes && IsMissing(read.error)) continue;
      std::optional<Journal> journal = read.bytes ? ParseJournal(*read.bytes) : std::nullopt;
      if (journal && journal->textPath == textPath && journal->text == file.Text()) {
        DeleteFileIfPresent(path);
        continue;
      }
      std::optional<std::wstring> copy;
      const LinkedFileState& base = file.Baseline();
      const bool fileChanged = journal && (journal->base.size != base.size || journal->base.hash != base.hash);
      if (journal && journal->textPath == textPath && fileChanged) {
        // The file changed after the journal began from it: its content on disk is kept before the
        // note's text can be saved over it.
        const ReadResult onDisk = ReadWholeFile(textPath);
        if (onDisk.bytes) copy = unsavedText_.KeepFileCopy(textPath, *onDisk.bytes);
      }
      if (!journal || journal->textPath != textPath || (fileChanged && !copy)) {
        // Damaged, another file's, or not to be put back safely: kept aside, never deleted. One that
        // cannot even be renamed stays where it is, and this note keeps no journal in this run
        // rather than write over it.
        std::wstring aside = SetAside(path);
        if (aside.empty()) {
          following_ = false;
          aside = path;
        }
        journals_.Findings().setAside.push_back(std::move(aside));
        return std::nullopt;
      }
      journals_.Findings().putBack.push_back(textPath);
      if (copy) journals_.Findings().changedFiles.push_back({textPath, std::move(*copy)});
      // From the file as it is now, so that a second crash does not copy it again, and with the
      // file's format, which a journal of the first version lacks.
      if (copy || journal->format != file.Format()) Write(journal->text, file);
      // Written anew or not, a journal on disk holds this text.
      writtenHash_ = HashOfText(journal->text);
      return std::move(journal->text);
    }
  } catch (...) {
    // Out of memory: the note shows its file; a journal still on disk is read at the next start.
    following_ = false;
  }
  return std::nullopt;
}

NoteJournal::Rescue NoteJournal::RescueFromLostFile(const std::wstring& textPath, const CodePage& codePage) noexcept {
  Rescue rescue = Rescue::kNone;
  try {
    for (const std::wstring& path : {primaryPath_, fallbackPath_}) {
      if (path.empty()) continue;
      bool stays = false;
      const std::optional<Journal> journal = ReadLeftJournal(path, journals_.Findings(), stays);
      if (!journal) {
        if (stays) rescue = Rescue::kStays;
        continue;
      }
      // Another file's text never goes to this one's place.
      if (rescue == Rescue::kNone && journal->textPath == textPath && WriteInPlaceOfLostFile(*journal, codePage)) {
        journals_.Findings().writtenBack.push_back(textPath);
        rescue = Rescue::kWrittenBack;
      } else if (!unsavedText_.KeepJournalText(journal->textPath, journal->text, codePage)) {
        rescue = Rescue::kStays;
        continue;
      }
      DeleteFileIfPresent(path);
    }
  } catch (...) {
    // Out of memory: whatever is still on disk waits for the next start.
    return Rescue::kStays;
  }
  return rescue;
}

std::optional<UINT> NoteJournal::TextChanged() noexcept {
  if (!following_) return std::nullopt;
  const ULONGLONG now = ::GetTickCount64();
  if (!changed_) firstChangeAt_ = now;
  changed_ = true;
  // Each change starts the pause again: the journal is written when typing stops, not per key; yet
  // no later than kLongestWaitMs after the first change it lacks, however long typing goes on.
  return static_cast<UINT>(WaitAfterChange(firstChangeAt_, now, kPauseMs, kLongestWaitMs));
}

void NoteJournal::Update(const std::wstring& text, const LinkedFile& file) noexcept {
  changed_ = false;
  if (!following_) return;
  if (text == file.Text()) {
    if (writtenHash_) Remove();
    return;
  }
  if (writtenHash_ == HashOfText(text)) return;
  try {
    Write(text, file);
  } catch (...) {
    // Out of memory for the journal's bytes: the next change tries again.
  }
}

void NoteJournal::Write(const std::wstring& text, const LinkedFile& file) {
  writtenHash_.reset();
  const std::optional<std::string> bytes = FormatJournal({file.Path(), file.Baseline(), file.Format(), text});
  if (!bytes) return;
  if (WriteFileAtomically(primaryPath_, *bytes)) {
    if (!fallbackPath_.empty()) DeleteFileIfPresent(fallbackPath_);
  } else {
    // The record's folder takes no writes: the user's own folder does.
    if (fallbackPath_.empty()) return;
    ::CreateDirectoryW(journals_.FallbackFolder().c_str(), nullptr);
    if (!WriteFileAtomically(fallbackPath_, *bytes)) return;
    // An older journal beside the record would be read first at the next start.
    DeleteFileIfPresent(primaryPath_);
  }
  writtenHash_ = HashOfText(text);
}

void NoteJournal::Remove() noexcept {
  changed_ = false;
  if (!following_) return;
  const bool primaryRemoved = DeleteFileIfPresent(primaryPath_).ok();
  const bool removed = (fallbackPath_.empty() || DeleteFileIfPresent(fallbackPath_)) && primaryRemoved;
  // One that could not be deleted is written again on the next change, or removed then.
  if (removed) writtenHash_.reset();
}

}  // namespace varnel
