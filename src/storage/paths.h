#pragma once
// Windows path text: joining, resolving relative paths against a folder, and the long-path
// prefix. Pure string work; nothing here touches the file system.

#include <string>
#include <string_view>

namespace varnel {

// folder, a backslash and name; no second backslash when folder already ends in one (a drive's
// root such as "C:\"). An empty folder gives name alone.
std::wstring JoinPath(std::wstring_view folder, std::wstring_view name);

// The two halves of a path at its last separator ("\" or "/"): the folder, without the separator
// (empty for a bare name), and the name (the whole path when there is no separator).
std::wstring FolderOf(std::wstring_view path);
std::wstring FileNameOf(std::wstring_view path);

// The path a record names, read against the program's folder rather than the process's current
// directory, which depends on how the program was started:
// - absolute paths ("C:\x", "C:/x", "\\server\share\x", "//server/share/x", "\\?\..." and
//   "\\.\...") come back unchanged, and so does an empty path;
// - a path from the root of the current drive ("\x" or "/x") takes the folder's root: its drive
//   ("C:"), its share ("\\server\share") or its long-path form of either;
// - a drive-relative path ("D:x") on the folder's own drive is read against the folder, since the
//   folder stands in for the current directory there; on another drive it is read from that
//   drive's root ("D:\x"), as Windows does in a process that has no current directory on it;
// - anything else is a name below the folder.
// A folder with no root of its own leaves paths that need one unchanged.
std::wstring ResolveAgainstFolder(std::wstring_view folder, std::wstring_view path);

// A path the system returned with the long-path prefix, in its ordinary form: "\\?\C:\x" becomes
// "C:\x" and "\\?\UNC\server\share\x" becomes "\\server\share\x". Other paths, including volume
// GUID paths that have no ordinary form, come back unchanged.
std::wstring WithoutLongPathPrefix(std::wstring_view path);

// True for a name shaped like the 8.3 alias a file system makes for a longer name: at most eight
// characters before an optional dot and three after, a "~" between others before the dot, no
// lower-case letter and no space ("NOTEFI~1.TXT" on Windows, "A_LO~PHD.TXT" under Wine).
bool LooksLikeShortFileName(std::wstring_view name);

}  // namespace varnel
