#pragma once
// The folder that holds the running program: the home of every note record.

#include <string>

namespace varnel {

// Full path of the running program (its .exe).
std::wstring ProgramPath();

// Full path of the program's folder, without a trailing backslash.
std::wstring ApplicationFolder();

// Whether files can be created and deleted in folder, found out by doing it with a file of our
// own: access lists do not tell about read-only media, shares or protected folders. The file's
// name never matches "*.dat", so a start-up listing cannot take it for a record.
bool CanWriteInFolder(const std::wstring& folder);

}  // namespace varnel
