#pragma once
// Files and folders the program makes for a new note, and taking them back: a new file never
// replaces one that is there, and only an empty file is ever taken back.

#include <windows.h>

#include <string>

namespace varnel {

// Makes the folder at path unless a folder is there already. ERROR_SUCCESS when it is there now;
// made tells whether this call made it.
DWORD MakeFolderIfMissing(const std::wstring& path, bool& made);

// Makes a new, empty file at path; ERROR_FILE_EXISTS when anything is there already, which is
// left as it is.
DWORD MakeEmptyFile(const std::wstring& path);

// Deletes the file at path if it holds no byte, checked while nobody else can write to it; true
// when it was deleted. A file with content, one that another program holds, or a folder stays.
bool DeleteFileIfEmpty(const std::wstring& path);

// Removes the folder at path if it is empty; true when it was removed.
bool RemoveFolderIfEmpty(const std::wstring& path);

}  // namespace varnel
