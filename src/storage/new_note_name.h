#pragma once
// Names of the files that new notes made without a dropped file get: a folder beside the program,
// and in it one empty text file per note, named after the local date and time, such as
// "2026-12-09_19-58.txt", or "2026-12-09_19-58 (2).txt" when that name is taken.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "storage/local_time.h"

namespace varnel {

// The folder, beside the program, that holds the files of new notes.
inline constexpr std::wstring_view kNotesFolderName = L"付箋紙";

// Whether a name is taken in its folder (by a file or a folder of any letter case).
using NameTaken = std::function<bool(const std::wstring& name)>;

// stem + extension when that name is free, else the first free of "stem (2)" + extension,
// "stem (3)" + extension, ...; nothing when every number up to 9999 is taken.
std::optional<std::wstring> FreeFileName(std::wstring_view stem, std::wstring_view extension, const NameTaken& taken);

// The name of a new note's file at this clock ("YYYY-MM-DD_HH-MM.txt"), never one that is taken.
std::optional<std::wstring> NewNoteFileName(const LocalTime& clock, const NameTaken& taken);

}  // namespace varnel
