#pragma once
// Where a note's edits go when its linked text file cannot be written at close: a recovery file in
// the first folder that takes it, listed there so that the next start tells the user once.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "storage/code_page.h"
#include "storage/unsaved_list.h"

namespace varnel {

class UnsavedText {
 public:
  static constexpr wchar_t kListName[] = L"未保存.lst";
  // Versions another program wrote to a linked file, kept before a note overwrote them.
  static constexpr wchar_t kOverwrittenListName[] = L"上書き前.lst";
  // Linked files left damaged by a rewrite that failed part way, and where their earlier content is.
  static constexpr wchar_t kDamagedListName[] = L"破損.lst";
  // Edits of an earlier run's journal that no note could take back.
  static constexpr wchar_t kJournalListName[] = L"編集記録.lst";

  // folders: where recovery files may go, tried in order; a missing folder is created.
  explicit UnsavedText(std::vector<std::wstring> folders);

  // Keeps text that could not be written to textPath. False when no folder took it; the text file
  // is then also counted in Lost().
  bool Keep(const std::wstring& textPath, std::wstring_view text, const CodePage& systemCodePage) noexcept;

  // Lists a linked file that a write failed part way through and could not put back, with the copy
  // of its earlier content, so that the next start says the file is damaged and where that is.
  void MentionDamaged(const std::wstring& textPath, const std::wstring& earlierContent) noexcept;

  // Where a linked file's content is copied before it is rewritten in place, in order of choice.
  const std::vector<std::wstring>& SafetyCopyFolders() const noexcept { return folders_; }

  // Keeps a copy of a linked file's bytes, as they are on disk, beside the recovery files, without
  // listing it: the caller tells the user where it is. The copy's path, or nothing when no folder
  // took it.
  std::optional<std::wstring> KeepFileCopy(const std::wstring& textPath, std::string_view bytes) noexcept;

  // Keeps what another program wrote to textPath before a note overwrites it, listed so that the
  // next start names it. False when no folder took it.
  bool KeepOtherVersion(const std::wstring& textPath, std::string_view bytes) noexcept;

  // Keeps the text of a journal that no note can take back (its record or its linked file is gone)
  // in a recovery file, listed so that a notice names it, this start's or, after a kill, the next
  // one's. False when no folder took it.
  bool KeepJournalText(const std::wstring& textPath, std::wstring_view text, const CodePage& systemCodePage) noexcept;

  // Linked files whose edits could be kept nowhere in this run.
  const std::vector<std::wstring>& Lost() const noexcept { return lost_; }

  // What earlier runs kept, from every folder's list. The lists are removed, so each entry is
  // told once.
  std::vector<UnsavedEntry> TakeEarlierEntries();
  // The same for the versions of other programs kept before an overwrite.
  std::vector<UnsavedEntry> TakeEarlierOverwritten();
  // The same for the files left damaged.
  std::vector<UnsavedEntry> TakeEarlierDamaged();
  // The same for the texts of journals that no note could take back.
  std::vector<UnsavedEntry> TakeEarlierJournalTexts();

 private:
  bool KeepIn(const std::wstring& folder, const std::wstring& textPath, const std::string& bytes);
  bool AppendToList(const std::wstring& folder, const std::string& line, const wchar_t* listName = kListName);
  // A recovery file of bytes in the first folder that takes it, listed in listName there.
  bool KeepListed(const std::wstring& textPath, std::string_view bytes, const wchar_t* listName);
  std::vector<UnsavedEntry> TakeLists(const wchar_t* listName);
  // A recovery file of textPath's holding bytes in folder, made when missing; its path, or nothing.
  static std::wstring WriteRecoveryFile(const std::wstring& folder, const std::wstring& textPath,
                                        std::string_view bytes);

  std::vector<std::wstring> folders_;
  std::vector<std::wstring> lost_;
};

// The user's own fallback folder for recovery files: "%LOCALAPPDATA%\Varnel", or nothing.
std::wstring LocalRecoveryFolder();

}  // namespace varnel
