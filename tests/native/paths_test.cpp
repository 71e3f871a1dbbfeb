#include "storage/paths.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace varnel {
namespace {

struct PathCase {
  const wchar_t* folder;
  const wchar_t* path;
  const wchar_t* expected;
};

TEST(ResolveAgainstFolder, ReadsRelativePathsAgainstTheFolderAndKeepsAbsoluteOnes) {
  const PathCase cases[] = {
      // Absolute forms stay as written.
      {L"C:\\Varnel", L"D:\\notes\\a.txt", L"D:\\notes\\a.txt"},
      {L"C:\\Varnel", L"d:/notes/a.txt", L"d:/notes/a.txt"},
      {L"C:\\Varnel", L"\\\\server\\share\\a.txt", L"\\\\server\\share\\a.txt"},
      {L"C:\\Varnel", L"//server/share/a.txt", L"//server/share/a.txt"},
      {L"C:\\Varnel", L"\\\\?\\D:\\a.txt", L"\\\\?\\D:\\a.txt"},
      {L"C:\\Varnel", L"\\\\.\\pipe\\x", L"\\\\.\\pipe\\x"},
      {L"C:\\Varnel", L"", L""},
      // Names below the folder, whatever the current directory.
      {L"C:\\Varnel", L"a.txt", L"C:\\Varnel\\a.txt"},
      {L"C:\\Varnel", L"sub\\a.txt", L"C:\\Varnel\\sub\\a.txt"},
      {L"C:\\Varnel", L"..\\a.txt", L"C:\\Varnel\\..\\a.txt"},
      {L"C:\\Varnel\\", L"a.txt", L"C:\\Varnel\\a.txt"},
      {L"C:\\", L"a.txt", L"C:\\a.txt"},
      {L"\\\\server\\share\\Varnel", L"a.txt", L"\\\\server\\share\\Varnel\\a.txt"},
      // From the root of the current drive: the folder's root.
      {L"E:\\Tools\\Varnel", L"\\notes\\a.txt", L"E:\\notes\\a.txt"},
      {L"E:\\Tools\\Varnel", L"/notes/a.txt", L"E:/notes/a.txt"},
      {L"\\\\server\\share\\Varnel", L"\\a.txt", L"\\\\server\\share\\a.txt"},
      {L"\\\\server\\share", L"\\a.txt", L"\\\\server\\share\\a.txt"},
      {L"\\\\?\\E:\\Varnel", L"/notes/a.txt", L"\\\\?\\E:\\notes\\a.txt"},
      {L"\\\\?\\UNC\\server\\share\\Varnel", L"\\a.txt", L"\\\\?\\UNC\\server\\share\\a.txt"},
      {L"Varnel", L"\\a.txt", L"\\a.txt"},
      // Drive-relative: the folder on its own drive (either letter case), the root elsewhere.
      {L"C:\\Varnel", L"C:a.txt", L"C:\\Varnel\\a.txt"},
      {L"c:\\Varnel", L"C:sub\\a.txt", L"c:\\Varnel\\sub\\a.txt"},
      {L"C:\\Varnel", L"D:a.txt", L"D:\\a.txt"},
      {L"\\\\server\\share\\Varnel", L"D:a.txt", L"D:\\a.txt"},
      {L"C:\\Varnel", L"D:", L"D:\\"},
  };
  for (const PathCase& c : cases) {
    EXPECT_EQ(ResolveAgainstFolder(c.folder, c.path), c.expected)
        << testing::PrintToString(std::wstring(c.folder)) << " + " << testing::PrintToString(std::wstring(c.path));
  }
}

TEST(LooksLikeShortFileName, TakesOnlyTheShapeOfAnAlias) {
  const std::pair<const wchar_t*, bool> cases[] = {
      {L"NOTEFI~1.TXT", true},   {L"AB~12", true},          {L"A~1.T", true},          {L"ABCDEF~9.", true},
      {L"A_LO~PHD.TXT", true},   {L"メモ~1.TXT", true},     {L"note.txt", false},      {L"notefi~1.txt", false},
      {L"NOTE.TXT", false},      {L"~WRL0001.TMP", false},  {L"NOTE.TXT~", false},     {L"NOTE~.TXT", false},
      {L"A LO~1.TXT", false},    {L"ABCDEFG~1.TXT", false}, {L"NOTEFI~1.TEXT", false}, {L"", false},
  };
  for (const auto& [name, alias] : cases) {
    EXPECT_EQ(LooksLikeShortFileName(name), alias) << testing::PrintToString(std::wstring(name));
  }
}

TEST(JoinPath, AddsOneSeparator) {
  EXPECT_EQ(JoinPath(L"C:\\Varnel", L"1.dat"), L"C:\\Varnel\\1.dat");
  EXPECT_EQ(JoinPath(L"C:\\", L"1.dat"), L"C:\\1.dat");
  EXPECT_EQ(JoinPath(L"C:/notes/", L"1.dat"), L"C:/notes/1.dat");
  EXPECT_EQ(JoinPath(L"", L"1.dat"), L"1.dat");
}

TEST(FolderAndFileName, SplitAtTheLastSeparatorOfEitherKind) {
  EXPECT_EQ(FolderOf(L"C:\\メモ\\a.txt"), L"C:\\メモ");
  EXPECT_EQ(FileNameOf(L"C:\\メモ\\a.txt"), L"a.txt");
  EXPECT_EQ(FolderOf(L"C:/a/b.txt"), L"C:/a");
  EXPECT_EQ(FileNameOf(L"\\\\server\\share/b.txt"), L"b.txt");
  EXPECT_EQ(FolderOf(L"a.txt"), L"");
  EXPECT_EQ(FileNameOf(L"a.txt"), L"a.txt");
}

TEST(WithoutLongPathPrefix, GivesTheOrdinaryFormWhereThereIsOne) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"\\\\?\\C:\\notes\\a.txt", L"C:\\notes\\a.txt"},
      {L"\\\\?\\Z:\\", L"Z:\\"},
      {L"\\\\?\\UNC\\server\\share\\a.txt", L"\\\\server\\share\\a.txt"},
      {L"\\\\?\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\a.txt",
       L"\\\\?\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\a.txt"},
      {L"\\\\?\\C:", L"\\\\?\\C:"},
      {L"C:\\notes\\a.txt", L"C:\\notes\\a.txt"},
      {L"\\\\server\\share\\a.txt", L"\\\\server\\share\\a.txt"},
      {L"\\\\.\\C:\\a.txt", L"\\\\.\\C:\\a.txt"},
  };
  for (const auto& [path, expected] : cases) EXPECT_EQ(WithoutLongPathPrefix(path), expected);
}

}  // namespace
}  // namespace varnel
