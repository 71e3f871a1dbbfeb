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

#include "note/linked_file.h"
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
  static constexpr UINT kPauseMs = 1000;
  // Typing that never pauses is still journaled this long after the first change not yet in it.
  static constexpr UINT kLongestWaitMs = 2000;

  NoteJournal(const std::wstring& recordPath, NoteJournals& journals, UnsavedText& unsavedText);
  NoteJournal(const NoteJournal&) = delete;
  NoteJournal& operator=(const NoteJournal&) = delete;

  // Once the note has shown its linked file's text for the first time (file is in step with it):
  // the text of an earlier run's journal to show instead, when there is one that differs from the
  // file. A linked file changed since the journal began is first copied beside the recovery files;
  // a damaged journal is renamed aside. Every finding goes to the shared findings. From here on the
  // journal follows the note.
  std::optional<std::wstring> TakeBack(const LinkedFile& file) noexcept;

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

  // The text box changed: how long the note waits before it brings the journal up to date (a pause
  // of kPauseMs, and at most kLongestWaitMs after the first change the journal lacks while typing
  // goes on); nothing while the journal does not follow the note.
  std::optional<UINT> TextChanged() noexcept;
  // True while a change is not yet in the journal.
  bool ChangePending() const noexcept { return changed_; }
  // Brings the journal up to date with the note's text: written while the text differs from the
  // text the linked file is in step with, removed once it equals it.
  void Update(const std::wstring& text, const LinkedFile& file) noexcept;

  // The note's text is its linked file's again, as the note just read or wrote it: a change not yet
  // in the journal is dropped, and a journal this run wrote goes.
  void InStep() noexcept;
  // A clean end of the edit (kept in a recovery file, or the note discarded): no journal is left.
  void Remove() noexcept;

 private:
  void Write(const std::wstring& text, const LinkedFile& file);

  const std::wstring primaryPath_;   // beside the record
  const std::wstring fallbackPath_;  // in the shared fallback folder; empty when there is none
  NoteJournals& journals_;
  UnsavedText& unsavedText_;

  bool following_ = false;  // set once the journal follows the note
  bool changed_ = false;    // a change not yet in the journal
  ULONGLONG firstChangeAt_ = 0;  // when the first change not yet in the journal was made (GetTickCount64)
  std::optional<std::uint64_t> writtenHash_;  // of the text in the journal on disk, while there is one
};

}  // namespace varnel
