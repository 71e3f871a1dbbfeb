#pragma once
// A fresh folder for one test, removed with everything in it afterwards.

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/files.h"

namespace varnel {

class TempFolder {
 public:
  // Always a folder made just now, never one that an earlier process left behind: every Wine
  // session (a new wineserver) numbers its processes from the same start (264, 272, ...), so a test
  // program gets the process id of one in an earlier session, and a program that was killed leaves
  // its folders in the prefix's temporary folder, files and read-only marks and all. A test that
  // took such a folder over started from another test's files (a read-only "メモ.txt" made its
  // first write fail with "access denied").
  TempFolder() {
    wchar_t base[MAX_PATH + 1]{};
    ::GetTempPathW(MAX_PATH, base);
    static int counter = 0;
    const std::wstring stem = std::wstring(base) + L"varnel-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                              std::to_wstring(::GetTickCount64()) + L"-";
    do {
      path_ = stem + std::to_wstring(++counter);
    } while (!::CreateDirectoryW(path_.c_str(), nullptr) && ::GetLastError() == ERROR_ALREADY_EXISTS);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() { RemoveTree(path_); }

  const std::wstring& path() const { return path_; }
  std::wstring Path(const std::wstring& name) const { return path_ + L"\\" + name; }

  // Names of the entries (files and folders) that match pattern, in name order.
  std::vector<std::wstring> Names(const wchar_t* pattern) const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data{};
    HANDLE find = ::FindFirstFileW(Path(pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      std::wstring name = data.cFileName;
      if (name != L"." && name != L"..") names.push_back(name);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  static void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data{};
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring child = folder + L"\\" + name;
        ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(child);
        } else {
          ::DeleteFileW(child.c_str());
        }
      } while (::FindNextFileW(find, &data));
      ::FindClose(find);
    }
    ::RemoveDirectoryW(folder.c_str());
  }

  std::wstring path_;
};

}  // namespace varnel
