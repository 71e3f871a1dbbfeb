// A note follows its linked file while other programs change it: the file's folder tells of
// changes, and the note compares the file with what it last read or wrote itself, so its own writes
// are never taken for another program's. An unedited note shows the new text; an edited one is
// marked and asks before its text replaces the other version or the other version replaces its text.

#include "note/note_window.h"

#include <algorithm>

#include "note/text_slices.h"
#include "platform/texts.h"
#include "storage/journal.h"

namespace varnel {
namespace {

// Writers often save in several steps: the note looks once the file has been quiet this long...
constexpr ULONGLONG kSettleMs = 300;
// ...or this long after the first change it has not looked at, when the file is never quiet so
// long (a log written to several times a second). Each look reads the file whole: there is at most
// one every 0.3 s, however often the file is written.
constexpr ULONGLONG kLongestWaitMs = 2000;
// A folder that could not be watched (a drive that went away) is asked again this often, and only
// then: a watched file costs nothing while nobody writes.
constexpr UINT kWatchRetryMs = 5000;
// The mark of a note whose file another program changed while it was being edited.
constexpr COLORREF kChangedMarkColour = RGB(220, 40, 40);
constexpr int kChangedMarkPixels = 3;

}  // namespace

bool NoteWindow::Edited() const { return textBox_.Text() != savedText_; }

void NoteWindow::WatchLinkedFile() noexcept {
  try {
    watch_ = std::make_unique<FileWatch>(textPath_, hwnd(), kLinkedFileMessage, 0);
    if (!watch_->Watching()) ::SetTimer(hwnd(), kWatchRetryTimer, kWatchRetryMs, nullptr);
  } catch (...) {
    // Out of memory: the note goes on without following its file, as it did before.
  }
}

// The text box now holds what these bytes say: the journal starts from them, and later changes on
// disk are told apart from them.
void NoteWindow::RememberLinkedFile(std::string_view bytes, const std::optional<FileState>& state) {
  journal_.FileInStep(textPath_, bytes, state);
  if (fileMark_ != FileMark::None) {
    fileMark_ = FileMark::None;
    UpdateFileMark();
  }
}

// The file's bytes when another program made them differ from what the note last read or wrote;
// nothing when they are the same, or the file cannot be read. The bytes themselves are compared: a
// file's size, time and identity can all stay the same across a rewrite (the same length written
// within the time a file system counts in, a whole second or two on some).
std::optional<std::string> NoteWindow::OtherVersionOnDisk() const {
  ReadResult read = ReadWholeFile(textPath_);
  if (!read.bytes || Fnv1a64(*read.bytes) == journal_.FileHash()) return std::nullopt;
  return std::move(read.bytes);
}

// Every change starts the wait for quiet again, up to the longest wait.
void NoteWindow::OnLinkedFileNotice() noexcept {
  const ULONGLONG now = ::GetTickCount64();
  if (!firstUnseenChange_) firstUnseenChange_ = now;
  const ULONGLONG waited = now - *firstUnseenChange_;
  const ULONGLONG wait = waited < kLongestWaitMs ? std::min(kSettleMs, kLongestWaitMs - waited) : 0;
  ::SetTimer(hwnd(), kFileSettledTimer, static_cast<UINT>(std::max<ULONGLONG>(wait, USER_TIMER_MINIMUM)), nullptr);
}

void NoteWindow::OnLinkedFileSettled() noexcept {
  ::KillTimer(hwnd(), kFileSettledTimer);
  firstUnseenChange_.reset();
  try {
    CheckLinkedFile();
  } catch (...) {
    // Out of memory for the file's bytes: the next change tells again.
  }
  // A text it could not take may have closed the note.
  if (IsOpen() && watch_ && !watch_->Watching()) ::SetTimer(hwnd(), kWatchRetryTimer, kWatchRetryMs, nullptr);
}

void NoteWindow::OnWatchRetry() noexcept {
  if (watch_ && !watch_->Watching() && !watch_->Restart()) return;
  ::KillTimer(hwnd(), kWatchRetryTimer);
  // Whatever happened while nobody watched is looked at now.
  OnLinkedFileSettled();
}

// A text still going into the text box is looked at once it is in.
void NoteWindow::CheckLinkedFile() {
  if (!loaded_ || textBox_.Loading()) return;
  if (!CurrentFileState(textPath_)) {
    if (IsGoneForGood(textPath_, ::GetLastError()) && fileMark_ == FileMark::None) {
      fileMark_ = FileMark::Gone;
      UpdateFileMark();
    }
    return;
  }
  // The folder told of a change: the bytes are read even when size, time and identity look the
  // same, as they do for a rewrite of the same length within one tick of the file system's clock.
  const ReadResult read = ReadLinkedFile(textPath_);
  // No text, or more than a note takes: not what the note holds (it never holds that much unless
  // it wrote that much itself), and nothing an unedited note can show.
  const bool unusable = read.noText || read.error == ERROR_FILE_TOO_LARGE;
  // Held by the writer still: its next change tells again.
  if (!read.bytes && !unusable) return;
  if (read.bytes && Fnv1a64(*read.bytes) == journal_.FileHash()) {
    // Touched, written by the note itself, or put back as it was: nothing to follow.
    if (fileMark_ == FileMark::Gone) {
      fileMark_ = FileMark::None;
      UpdateFileMark();
    }
    return;
  }
  if (Edited()) {
    if (fileMark_ != FileMark::ChangedElsewhere) {
      fileMark_ = FileMark::ChangedElsewhere;
      UpdateFileMark();
    }
    return;
  }
  if (read.bytes) FollowLinkedFile(*read.bytes);
}

// Shows the file's new text in place of the old, keeping the caret and the scroll position where
// the text allows; a long text goes in slices, read-only and unsaved until it is all in, and when it
// only goes on from the text shown (a file written to at its end), only what was added goes in. A
// file that is no longer text leaves the note as it is. The text box holds savedText_.
void NoteWindow::FollowLinkedFile(const std::string& bytes) {
  std::optional<DecodedText> decoded = DecodeLinkedText(bytes, codePage_);
  if (!decoded) return;
  const std::size_t kept = decoded->text.starts_with(savedText_) ? savedText_.size() : 0;
  if (!ShowText(decoded->text, textBox_.View(), kept)) {
    // The box could not take the whole text, and nothing partial may ever be saved. A short text
    // goes back to the one it showed, still the file's as far as the note knows; setting a long one
    // back at once would freeze the program, so the note closes as a failed slice closes it.
    if (ShownInSlices(decoded->text)) {
      CloseWritingRecordOnly();
    } else {
      textBox_.SetText(savedText_);
    }
    return;
  }
  textFormat_ = decoded->format;
  savedText_ = std::move(decoded->text);
  RememberLinkedFile(bytes);
}

void NoteWindow::UpdateFileMark() {
  UINT tooltip = IDS_NOTE_TOOLTIP;
  if (fileMark_ == FileMark::ChangedElsewhere) tooltip = IDS_NOTE_TOOLTIP_CHANGED;
  if (fileMark_ == FileMark::Gone) tooltip = IDS_NOTE_TOOLTIP_GONE;
  textBox_.SetTooltip(LoadText(tooltip, {textPath_}));
  ::InvalidateRect(hwnd(), nullptr, TRUE);
}

void NoteWindow::DrawFileMark(HDC dc, const RECT& client) const noexcept {
  if (fileMark_ != FileMark::ChangedElsewhere) return;
  UniqueBrush mark(::CreateSolidBrush(kChangedMarkColour));
  RECT frame = client;
  for (int i = 0; i < kChangedMarkPixels && mark; ++i) {
    ::FrameRect(dc, &frame, mark.get());
    ::InflateRect(&frame, -1, -1);
  }
}

}  // namespace varnel
