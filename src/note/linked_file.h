#pragma once
// A note's linked text file: where it is (as the record names it and as the program reads it), how
// its text is written (encoding, line ends), the bytes and text the note is in step with, the watch
// that tells of other programs' changes, and the link's state (link_state.h). No window: the note
// shows what it reads here, and owns the timers that decide when to look.

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "note/link_state.h"
#include "platform/file_watch.h"
#include "platform/files.h"
#include "storage/code_page.h"
#include "storage/journal.h"
#include "storage/linked_text.h"
#include "storage/result.h"

namespace varnel {

class LinkedFile {
 public:
  explicit LinkedFile(const CodePage& codePage) : codePage_(codePage) {}
  LinkedFile(const LinkedFile&) = delete;
  LinkedFile& operator=(const LinkedFile&) = delete;

  // The file as the record names it (written back as it was), read against the record's folder
  // when relative, never against the current directory.
  void Locate(const std::wstring& recordedPath, const std::wstring& recordFolder);
  const std::wstring& RecordedPath() const noexcept { return recordedPath_; }
  const std::wstring& Path() const noexcept { return path_; }

  // One version of the file: its bytes, the file's state as they were read (when known), and
  // their text.
  struct Version {
    std::string bytes;
    std::optional<FileState> state;
    TextFormat format;
    std::wstring text;
  };

  // What became of reading the file: Loaded with its version; NotNow when it cannot be read now (a
  // file too large for a note is one), and may be later; Lost when it is gone for good or is no
  // text (ERROR_INVALID_DATA). Either failure carries the system error that says why.
  enum class Outcome { Loaded, NotNow, Lost };
  struct Read {
    Outcome outcome;
    Result<Version> version;
  };
  Read ReadVersion() const;

  // The note now shows version's text, exactly: from here on the file is compared with these bytes.
  // True when this clears a mark the note showed.
  bool Adopt(Version version);

  // Writes text over the file in its own encoding and line ends, keeping the file what it was (a
  // link stays a link, every hard link sees the new text). On success, the version written, which
  // the note then adopts; otherwise why not, and a copy of the earlier content if the file was
  // damaged.
  struct Saved {
    OverwriteResult result;
    std::optional<Version> version;
  };
  Saved Save(std::wstring text, const std::vector<std::wstring>& backupFolders) const;

  // One look at the file after a change was told: read once, compared with the bytes in step, and
  // taken through the link's states. With LinkAction::Follow, the version to show.
  struct Look {
    LinkAction action = LinkAction::None;
    std::optional<Version> version;
  };
  Look Check(bool edited);

  // The file's bytes when another program made them differ from the bytes in step; nothing when
  // they are the same, or the file cannot be read. The bytes themselves are compared: a file's
  // size, time and identity can all stay the same across a rewrite (the same length written within
  // the time a file system counts in, a whole second or two on some).
  std::optional<std::string> OtherVersionOnDisk() const;

  // The text the note is in step with, how it is written, and what the file held then.
  const std::wstring& Text() const noexcept { return text_; }
  const TextFormat& Format() const noexcept { return format_; }
  const LinkedFileState& Baseline() const noexcept { return baseline_; }
  LinkState State() const noexcept { return state_; }

  // Starts telling owner (message) of changes to the file; false while its folder cannot be
  // watched (WatchStopped() then), and RestartWatch() tries again: true once it watches.
  bool Watch(HWND owner, UINT message) noexcept;
  bool WatchStopped() const noexcept { return watch_ && !watch_->Watching(); }
  bool RestartWatch() noexcept;

  // A save of this file that was cut short by a kill may have left its temporary file beside it;
  // the records' folder (recordFolder) had its leftovers removed before the first note opened.
  void DeleteLeftoverTemporaries(const std::wstring& recordFolder) const;

 private:
  const CodePage& codePage_;
  std::wstring recordedPath_;
  std::wstring path_;
  TextFormat format_;
  std::wstring text_;
  LinkedFileState baseline_;
  LinkState state_ = LinkState::InStep;
  std::unique_ptr<FileWatch> watch_;
};

}  // namespace varnel
