#include "storage/paths.h"

#include <algorithm>

namespace varnel {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

wchar_t UpperDrive(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

// "X:" at the start of path.
bool HasDrive(std::wstring_view path) { return path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == L':'; }

bool StartsWithLongPathPrefix(std::wstring_view path) {
  return path.size() >= 4 && path[0] == L'\\' && path[1] == L'\\' && (path[2] == L'?' || path[2] == L'.') &&
         path[3] == L'\\';
}

// Length of the component starting at from, up to the next separator or the end.
size_t ComponentEnd(std::wstring_view path, size_t from) {
  size_t end = from;
  while (end < path.size() && !IsSeparator(path[end])) ++end;
  return end;
}

// The part of folder a path from the root continues: "C:", "\\server\share", "\\?\C:" or
// "\\?\UNC\server\share". Empty when folder has none.
std::wstring_view RootOf(std::wstring_view folder) {
  if (HasDrive(folder)) return folder.substr(0, 2);
  if (StartsWithLongPathPrefix(folder)) {
    const std::wstring_view rest = folder.substr(4);
    if (HasDrive(rest)) return folder.substr(0, 6);
    if (rest.size() >= 4 && rest.substr(0, 3) == L"UNC" && IsSeparator(rest[3])) {
      const size_t server = ComponentEnd(folder, 8);
      if (server == folder.size()) return folder;
      return folder.substr(0, ComponentEnd(folder, server + 1));
    }
    return {};
  }
  if (folder.size() >= 3 && IsSeparator(folder[0]) && IsSeparator(folder[1]) && !IsSeparator(folder[2])) {
    const size_t server = ComponentEnd(folder, 2);
    if (server == folder.size()) return folder;
    return folder.substr(0, ComponentEnd(folder, server + 1));
  }
  return {};
}

// The drive letter of folder, also behind the long-path prefix; 0 for a share or no root.
wchar_t DriveOf(std::wstring_view folder) {
  const std::wstring_view root = RootOf(folder);
  if (root.size() == 2) return UpperDrive(root[0]);
  if (root.size() == 6 && HasDrive(root.substr(4))) return UpperDrive(root[4]);
  return 0;
}

std::wstring Resolve(std::wstring_view folder, std::wstring_view path) {
  if (path.empty()) return std::wstring(path);
  if (IsSeparator(path[0])) {
    // "\\server..." and "\\?\..." are absolute; a single separator starts at the folder's root.
    if (path.size() >= 2 && IsSeparator(path[1])) return std::wstring(path);
    const std::wstring_view root = RootOf(folder);
    if (root.empty()) return std::wstring(path);
    return std::wstring(root) + std::wstring(path);
  }
  if (HasDrive(path)) {
    if (path.size() >= 3 && IsSeparator(path[2])) return std::wstring(path);
    const std::wstring_view rest = path.substr(2);
    if (UpperDrive(path[0]) == DriveOf(folder)) return JoinPath(folder, rest);
    return std::wstring(path.substr(0, 2)) + L"\\" + std::wstring(rest);
  }
  return JoinPath(folder, path);
}

}  // namespace

std::wstring JoinPath(std::wstring_view folder, std::wstring_view name) {
  std::wstring joined(folder);
  if (!joined.empty() && !IsSeparator(joined.back())) joined += L'\\';
  joined += name;
  return joined;
}

std::wstring FolderOf(std::wstring_view path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring_view::npos ? std::wstring() : std::wstring(path.substr(0, slash));
}

std::wstring FileNameOf(std::wstring_view path) {
  const size_t slash = path.find_last_of(L"\\/");
  return std::wstring(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
}

std::wstring ResolveAgainstFolder(std::wstring_view folder, std::wstring_view path) {
  std::wstring resolved = Resolve(folder, path);
  // Behind the long-path prefix the system takes a slash literally, not as a separator.
  if (StartsWithLongPathPrefix(folder) && !StartsWithLongPathPrefix(path)) {
    for (wchar_t& c : resolved) {
      if (c == L'/') c = L'\\';
    }
  }
  return resolved;
}

std::wstring WithoutLongPathPrefix(std::wstring_view path) {
  if (path.size() < 4 || path.substr(0, 4) != L"\\\\?\\") return std::wstring(path);
  const std::wstring_view rest = path.substr(4);
  if (rest.size() >= 3 && HasDrive(rest) && rest[2] == L'\\') return std::wstring(rest);
  if (rest.size() >= 4 && rest.substr(0, 4) == L"UNC\\") return L"\\" + std::wstring(rest.substr(3));
  return std::wstring(path);
}

bool LooksLikeShortFileName(std::wstring_view name) {
  const size_t dot = name.find(L'.');
  const std::wstring_view base = name.substr(0, dot);
  if (base.size() > 8 || (dot != std::wstring_view::npos && name.size() - dot - 1 > 3)) return false;
  const size_t tilde = base.find(L'~');
  if (tilde == 0 || tilde == std::wstring_view::npos || tilde + 1 == base.size()) return false;
  return std::none_of(name.begin(), name.end(), [](wchar_t c) { return (c >= L'a' && c <= L'z') || c == L' '; });
}

}  // namespace varnel
