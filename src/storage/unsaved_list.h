#pragma once
// Text that a note could not write to its linked file at close is kept in a recovery file, and
// listed so that the next start tells the user once where it is. This file holds the portable
// parts: the recovery file's name and bytes, the list's format and the wording of the notices.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "storage/code_page.h"
#include "storage/local_time.h"

namespace varnel {

struct UnsavedEntry {
  std::wstring textPath;      // the linked file that could not be written
  std::wstring recoveryFile;  // where its text is kept instead

  bool operator==(const UnsavedEntry&) const = default;
};

// "未保存_20261207-161500_memo.txt": the linked file's name without its extension, after the time
// of the close. It always ends in ".txt", so the start-up listing of "*.dat" never takes it for a
// record. Attempts after the first add "_2", "_3", ... before the extension.
std::wstring RecoveryFileName(std::wstring_view textPath, const LocalTime& time, int attempt);

// The text as UTF-8 with a byte-order mark, lines ended by CR LF and one after the last, so that
// any character survives. What no text file can hold (a NUL, an unpaired surrogate) becomes
// U+FFFD; the rest of the text is kept.
std::string EncodeRecoveredText(std::wstring_view text, const CodePage& systemCodePage);

// One line of the list, in UTF-8: the linked file, a tab, the recovery file, CR LF. Nothing when a
// path cannot be stored that way (empty, holding a control character or an unpaired surrogate).
std::optional<std::string> FormatUnsavedEntry(const UnsavedEntry& entry);

// Every line that reads back as an entry; anything else in the list is skipped.
std::vector<UnsavedEntry> ParseUnsavedList(std::string_view bytes);

// What the next start tells the user about text kept in recovery files: the heading, then each
// entry up to a limit, then `more` with "%1" as the number of entries left out.
std::wstring UnsavedNotice(const std::vector<UnsavedEntry>& entries, std::wstring_view heading,
                           std::wstring_view more);


// What the notes found in their edit journals when they opened, for the start-up notice.
struct JournalFindings {
  std::vector<std::wstring> putBack;       // linked files whose unsaved edits were put back
  std::vector<std::wstring> writtenBack;   // linked files that were gone; the edits are written in their place
  std::vector<UnsavedEntry> keptApart;     // edits that no note could take back; where they are kept
  std::vector<UnsavedEntry> changedFiles;  // linked files changed since; where their content on disk is kept
  std::vector<std::wstring> setAside;      // damaged journals, under the names they are kept as now

  bool Empty() const noexcept {
    return putBack.empty() && writtenBack.empty() && keptApart.empty() && changedFiles.empty() && setAside.empty();
  }
};

struct JournalNoticeHeadings {
  std::wstring_view putBack;
  std::wstring_view writtenBack;
  std::wstring_view keptApart;
  std::wstring_view changedFiles;
  std::wstring_view setAside;
};

// One section per kind of finding that occurred, each a heading and its entries up to a limit
// (then `more` with "%1" as the number left out), the sections apart by an empty line.
std::wstring JournalNotice(const JournalFindings& findings, const JournalNoticeHeadings& headings,
                           std::wstring_view more);

}  // namespace varnel
