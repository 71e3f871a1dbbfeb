#pragma once
// A note's edit journal on disk: while the note's text differs from what was last read from or
// written to its linked file, a copy of the text is kept in a journal file beside the note's record
// (or, where that folder takes no writes, in the fallback folder), so that a crash, a kill or a
// power cut loses at most the last two seconds of typing. An earlier run's journal is never
// dropped unread: its text goes back into its note, to its linked file's place, or into a recovery
// file, and the start-up notice names where. The file's bytes and names are in storage/journal.h.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "note/unsaved_text.h"
#include "platform/files.h"
#include "storage/code_page.h"
#include "storage/journal.h"
#include "storage/linked_text.h"
#include "storage/unsaved_list.h"

namespace varnel {

// What every note's journal shares with the others: the fallback folder, and what the notes found
// in their journals when they opened, for the one start-up notice.
class NoteJournals {
 public:
  explicit NoteJournals(std::wstring fallbackFolder) : fallbackFolder_(std::move(fallbackFolder)) {}

  const std::wstring& FallbackFolder() const noexcept { return fallbackFolder_; }
  JournalFindings& Findings() noexcept { return findings_; }

  // Start-up, before any note opens: the text of a journal in recordFolder whose record is gone (its
  // record deleted or moved away by hand, or a kill during a discard) is kept in a recovery file
  // and the journal goes, so that it neither comes back nor piles up; a damaged one is renamed
  // aside. Either way the notice names it. Half-written journals that a kill left in the fallback
  // folder are deleted.
  void KeepLeftovers(const std::wstring& recordFolder, UnsavedText& unsavedText, const CodePage& codePage) noexcept;

 private:
  std::wstring fallbackFolder_;
  JournalFindings findings_;
};

class NoteJournal {
 public:
  // The note window's timer that writes the journal once typing pauses.
  static constexpr UINT_PTR kTimerId = 0x4A4E;
  static constexpr UINT kPauseMs = 1000;
  // Typing that never pauses is still journaled this long after the first change not yet in it.
  static constexpr UINT kLongestWaitMs = 2000;

  NoteJournal(const std::wstring& recordPath, NoteJournals& journals, UnsavedText& unsavedText);
  NoteJournal(const NoteJournal&) = delete;
  NoteJournal& operator=(const NoteJournal&) = delete;

  // The text box now holds exactly the linked file's content, as the note just read or wrote these
  // bytes: no journal is needed any more, and later ones start from these bytes. The file's state
  // is asked of the file when the read did not tell it.
  void FileInStep(const std::wstring& textPath, std::string_view bytes,
                  const std::optional<FileState>& state = std::nullopt) noexcept;
  // The hash of the bytes the note last read from or wrote to its linked file.
  std::uint64_t FileHash() const noexcept { return base_.hash; }

  // Once the note has shown its linked file's text (fileText) for the first time: the text of an
  // earlier run's journal to show instead, when there is one that differs from the file. A linked
  // file changed since the journal began is first copied beside the recovery files; a damaged
  // journal is renamed aside. Every finding goes to the shared findings. From here on the journal
  // follows the note.
  // format: the linked file's, which the journal keeps.
  std::optional<std::wstring> TakeBack(const std::wstring& textPath, const std::wstring& fileText,
                                       const TextFormat& format, HWND note) noexcept;

  // What became of an earlier run's journal whose linked file is lost (gone, or no longer text).
  enum class Rescue {
    kNone,         // there was none, or its text is in a recovery file now: the note may go
    kWrittenBack,  // the file was gone, and the text is written in its place: the note can open it
    kStays,        // the journal could be kept nowhere else and stays: so must the note's record
  };
  // Instead of TakeBack when the note cannot show its linked file at textPath: the text of an
  // intact journal is written in the file's place when nothing is there (in the file's format, as an
  // exit would), or else kept in a recovery file; a damaged journal is renamed aside. Every finding
  // goes to the shared findings, or, for a recovery file, to the recovery files' list.
  Rescue RescueFromLostFile(const std::wstring& textPath, const CodePage& codePage) noexcept;

  // The text box changed: the journal is written once typing has paused for kPauseMs, and at most
  // kLongestWaitMs after the first change it lacks while typing goes on.
  void TextChanged() noexcept;
  // True while a change is not yet in the journal.
  bool ChangePending() const noexcept { return changed_; }
  // Brings the journal up to date with the note's text (when the pause timer runs out, or the text
  // box loses the focus): written while the text differs from savedText, removed once it equals it.
  // format: the linked file's.
  void Update(const std::wstring& text, const std::wstring& savedText, const TextFormat& format) noexcept;

  // A clean end of the edit (kept in a recovery file, or the note discarded): no journal is left.
  void Remove() noexcept;

 private:
  void Write(const std::wstring& text, const TextFormat& format);
  void StopTimer() noexcept;

  const std::wstring primaryPath_;   // beside the record
  const std::wstring fallbackPath_;  // in the shared fallback folder; empty when there is none
  NoteJournals& journals_;
  UnsavedText& unsavedText_;

  HWND note_ = nullptr;  // set once the journal follows the note
  std::wstring textPath_;
  LinkedFileState base_;
  bool changed_ = false;       // a change not yet in the journal
  ULONGLONG firstChangeAt_ = 0;  // when the first change not yet in the journal was made (GetTickCount64)
  bool timerRunning_ = false;
  std::optional<std::uint64_t> writtenHash_;  // of the text in the journal on disk, while there is one
};

}  // namespace varnel
