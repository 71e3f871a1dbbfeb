// A note window in this process, on a temporary folder: how it restores itself from its record,
// shows its linked text, and saves both back when it closes.

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "note_fixture.h"

namespace varnel {
namespace {

class NoteTest : public NoteFixture {};

struct LinkedTextCase {
  const char* name;
  std::string file;          // bytes on disk
  std::wstring shown;        // what the text box shows
  std::string afterEditing;  // the file after " x" is typed at the end and the note closes
};

class LinkedTextFormats : public NoteTest, public ::testing::WithParamInterface<LinkedTextCase> {};

TEST_P(LinkedTextFormats, ShowTheLinesAndWriteEditsBackInTheFilesOwnForm) {
  const LinkedTextCase& c = GetParam();
  Write(textPath_, c.file);
  WriteNewRecord(textPath_);
  auto note = Open();
  ASSERT_TRUE(note->IsOpen());
  EXPECT_EQ(TextOf(*note), c.shown);
  SetText(*note, c.shown + L" x");
  note->Close();
  EXPECT_EQ(Read(textPath_), c.afterEditing);
}

INSTANTIATE_TEST_SUITE_P(
    Files, LinkedTextFormats,
    ::testing::Values(
        LinkedTextCase{"CrLf", "a\r\nb\r\n", L"a\r\nb", "a\r\nb x\r\n"},
        LinkedTextCase{"SingleLine", "a", L"a", "a x\r\n"},
        LinkedTextCase{"Empty", "", L"", " x\r\n"},
        LinkedTextCase{"LfOnly", "a\nb\n", L"a\r\nb", "a\nb x\n"},
        LinkedTextCase{"CrOnly", "a\rb\r", L"a\r\nb", "a\rb x\r"},
        LinkedTextCase{"CodePage932", "\x93\xfa\x96\x7b\r\n", L"日本", "\x93\xfa\x96\x7b x\r\n"},
        LinkedTextCase{"Utf8", "\xe6\x97\xa5\xe6\x9c\xac\n", L"日本", "\xe6\x97\xa5\xe6\x9c\xac x\n"},
        LinkedTextCase{"Utf8Bom", "\xef\xbb\xbf" "a\r\n", L"a", "\xef\xbb\xbf" "a x\r\n"},
        LinkedTextCase{"Utf16Le", std::string("\xff\xfe" "a\0\r\0\n\0", 8), L"a",
                       std::string("\xff\xfe" "a\0 \0x\0\r\0\n\0", 12)},
        LinkedTextCase{"Utf16Be", std::string("\xfe\xff\0a\0\r\0\n", 8), L"a",
                       std::string("\xfe\xff\0a\0 \0x\0\r\0\n", 12)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(NoteTest, UnchangedTextIsNotWrittenSoAnotherProgramsEditSurvives) {
  Write(textPath_, "a\r\nb\r\n");
  WriteNewRecord(textPath_);
  auto note = Open();
  Write(textPath_, "changed elsewhere");
  note->Close();
  EXPECT_EQ(Read(textPath_), "changed elsewhere");
}

TEST_F(NoteTest, LongFileIsNeitherCutOnScreenNorWhenWrittenBack) {
  // 200,000 characters in 2,000 lines, far past the text box's default limit of 32,767.
  std::string file;
  for (int i = 0; i < 2000; ++i) file += std::string(98, static_cast<char>('a' + i % 26)) + "\r\n";
  Write(textPath_, file);
  WriteNewRecord(textPath_);
  auto note = Open();
  WaitUntilLoaded(*note);
  ASSERT_TRUE(note->IsOpen());
  EXPECT_EQ(TextOf(*note).size(), file.size() - 2);
  SetText(*note, TextOf(*note) + L"yz");
  note->Close();
  EXPECT_EQ(Read(textPath_), file.substr(0, file.size() - 2) + "yz\r\n");
}

TEST_F(NoteTest, CharacterOutsideTheCodePageIsWrittenAsUtf8WithAMarkNotAsQuestionMark) {
  Write(textPath_, "a\r\n");
  WriteNewRecord(textPath_);
  auto note = Open();
  SetText(*note, L"a\U0001F600\uD55C");
  note->Close();
  EXPECT_EQ(Read(textPath_), "\xef\xbb\xbf" "a\xf0\x9f\x98\x80\xed\x95\x9c\r\n");
}

struct UnreadableCase {
  const char* name;
  bool makeFolder;
  std::string bytes;
};

class UnreadableText : public NoteTest, public ::testing::WithParamInterface<UnreadableCase> {};

TEST_P(UnreadableText, RemovesTheRecordClosesTheNoteAndLeavesTheFileAlone) {
  const UnreadableCase& c = GetParam();
  if (c.makeFolder) {
    ::CreateDirectoryW(textPath_.c_str(), nullptr);
  } else if (!c.bytes.empty()) {
    Write(textPath_, c.bytes);
  }
  WriteNewRecord(textPath_);
  auto note = Open();
  EXPECT_FALSE(note->IsOpen());
  EXPECT_FALSE(FileExists(record_));
  if (!c.makeFolder && !c.bytes.empty()) {
    EXPECT_EQ(Read(textPath_), c.bytes);
  }
}

INSTANTIATE_TEST_SUITE_P(Files, UnreadableText,
                         ::testing::Values(UnreadableCase{"Missing", false, ""},
                                           UnreadableCase{"Folder", true, ""},
                                           UnreadableCase{"Binary", false, std::string("MZ\x90\0\x03\0\0\0", 8)},
                                           UnreadableCase{"InvalidCodePage", false, "a\x81\r\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(NoteTest, FileThatCannotBeReadNowKeepsItsRecordIsToldAboutAndComesBackLater) {
  Write(textPath_, "a\r\n");
  WriteNewRecord(textPath_);
  const std::string record = Read(record_);
  {
    // Another program holds the file open without sharing it.
    UniqueFile held(::CreateFileW(textPath_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    auto note = Open();
    EXPECT_FALSE(note->IsOpen());
  }
  EXPECT_EQ(Read(record_), record);
  EXPECT_EQ(Read(textPath_), "a\r\n");
  ASSERT_EQ(unreadable_.size(), 1u);
  EXPECT_EQ(unreadable_[0].path, textPath_);
  EXPECT_EQ(unreadable_[0].error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  auto note = Open();
  ASSERT_TRUE(note->IsOpen());
  EXPECT_EQ(TextOf(*note), L"a");
}

// A text file larger than a note takes is not read, and is told about as a file that cannot be
// read now: the note keeps its record for a later start.
TEST_F(NoteTest, FileLargerThanANoteTakesKeepsItsRecordAndIsToldAbout) {
  Write(textPath_, std::string(kFirstBytesJudged, 'a'));
  {
    UniqueFile file(::CreateFileW(textPath_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    const LARGE_INTEGER size{.QuadPart = static_cast<LONGLONG>(kLargestLinkedFile) + 1};
    ASSERT_TRUE(::SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN) && ::SetEndOfFile(file.get()));
  }
  WriteNewRecord(textPath_);
  const std::string record = Read(record_);
  EXPECT_FALSE(Open()->IsOpen());
  EXPECT_EQ(Read(record_), record);
  ASSERT_EQ(unreadable_.size(), 1u);
  EXPECT_EQ(unreadable_[0].error, static_cast<DWORD>(ERROR_FILE_TOO_LARGE));
}

// A save cut short by a kill leaves its temporary file beside the linked file; the note removes it
// when it opens, also outside the records' folder, which only the start sweeps.
TEST_F(NoteTest, LeftoverTemporaryFileBesideTheLinkedFileElsewhereGoesWhenTheNoteOpens) {
  TempFolder elsewhere;
  const std::wstring text = elsewhere.Path(L"メモ.txt");
  Write(text, "a\r\n");
  Write(text + L"." + std::to_wstring(::GetCurrentProcessId() + 4) + L".varnel-tmp", "half a save");
  WriteNewRecord(text);
  auto note = Open();
  ASSERT_TRUE(note->IsOpen());
  EXPECT_EQ(elsewhere.Names(L"*"), std::vector<std::wstring>{L"メモ.txt"});
}

TEST_F(NoteTest, RelativePathIsReadBesideTheRecordNeverInTheCurrentFolder) {
  Write(textPath_, "beside the record\r\n");
  Write(record_, *FormatNewRecord(L"メモ.txt", 1500, 750, *codePage_));
  TempFolder elsewhere;
  Write(elsewhere.Path(L"メモ.txt"), "another file\r\n");
  wchar_t previous[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(::SetCurrentDirectoryW(elsewhere.Path(L"").c_str()));
  auto note = Open();
  ASSERT_TRUE(note->IsOpen());
  EXPECT_EQ(TextOf(*note), L"beside the record");
  SetText(*note, L"edited");
  note->Close();
  ::SetCurrentDirectoryW(previous);
  EXPECT_EQ(Read(textPath_), "edited\r\n");
  EXPECT_EQ(Read(elsewhere.Path(L"メモ.txt")), "another file\r\n");
  // The record keeps the path as it was written.
  EXPECT_EQ(codePage_->Decode(Read(record_)).value_or(L"").rfind(L"メモ.txt,", 0), 0u);
}

TEST_F(NoteTest, EmptyRecordFileDisappears) {
  Write(record_, "");
  auto note = Open();
  EXPECT_FALSE(note->IsOpen());
  EXPECT_FALSE(FileExists(record_));
}

TEST_F(NoteTest, RecordValuesComeBackAndAreWrittenInTheCloseTimeForm) {
  Write(textPath_, "a\r\n");
  const std::wstring line = textPath_ + L",1500,750,3000,4500,&H0080FFFF&,ＭＳ ゴシック,10.5,&H00000080&,True,True,False\r\n";
  Write(record_, *codePage_->Encode(line));
  auto note = Open();
  ASSERT_TRUE(note->IsOpen());
  RECT rect{};
  ::GetWindowRect(note->hwnd(), &rect);
  EXPECT_EQ(rect.left, 100);
  EXPECT_EQ(rect.top, 50);
  EXPECT_EQ(rect.right - rect.left, 200);
  EXPECT_EQ(rect.bottom - rect.top, 300);
  LOGFONTW font{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(TextBoxOf(*note), WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_STREQ(font.lfFaceName, L"ＭＳ ゴシック");
  EXPECT_EQ(font.lfHeight, -14);  // 10.5 points at 96 DPI
  EXPECT_EQ(font.lfWeight, FW_BOLD);
  EXPECT_TRUE(font.lfItalic);
  RECT text{};
  ::GetWindowRect(TextBoxOf(*note), &text);
  ::MapWindowPoints(HWND_DESKTOP, note->hwnd(), reinterpret_cast<POINT*>(&text), 2);
  EXPECT_EQ(text.left, 16);
  EXPECT_EQ(text.top, 16);
  EXPECT_EQ(text.right - text.left, 160);  // 3000 - 600 twips
  EXPECT_EQ(text.bottom - text.top, 260);  // 4500 - 600 twips
  note->Close();
  EXPECT_EQ(Read(record_),
            *codePage_->Encode(textPath_ + L",1500,750,3000,4500,8454143,ＭＳ ゴシック,10.5,128,True,True,False\r\n"));
  EXPECT_EQ(Read(textPath_), "a\r\n");
}

TEST_F(NoteTest, ValuesThatDoNotConvertKeepTheDesignValues) {
  Write(textPath_, "a\r\n");
  Write(record_, *codePage_->Encode(textPath_ + L",1500,750,wide,4500,grey,,-3,&HFF000000&,maybe,False,False\r\n"));
  auto note = Open();
  ASSERT_TRUE(note->IsOpen());
  note->Close();
  EXPECT_EQ(Read(record_), *codePage_->Encode(textPath_ + L",1500,750,3135,4500,12632256,ＭＳ Ｐゴシック,9,0,False,False,False\r\n"));
}

TEST_F(NoteTest, MovingToAMonitorWithAnotherDpiKeepsTheSizeInTwips) {
  Write(textPath_, "a\r\n");
  Write(record_, *codePage_->Encode(textPath_ + L",1500,750,3010,4500,0,ＭＳ Ｐゴシック,9,0,False,False,False\r\n"));
  auto note = Open();
  ASSERT_TRUE(note->IsOpen());
  RECT suggested{150, 75, 150 + 301, 75 + 450};
  ::SendMessageW(note->hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  RECT rect{};
  ::GetWindowRect(note->hwnd(), &rect);
  EXPECT_EQ(rect.right - rect.left, 301);  // 3010 twips at 144 DPI
  EXPECT_EQ(rect.bottom - rect.top, 450);
  RECT text{};
  ::GetWindowRect(TextBoxOf(*note), &text);
  EXPECT_EQ(text.right - text.left, 241);  // 3010 - 600 twips
  LOGFONTW font{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(TextBoxOf(*note), WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -18);  // 9 points at 144 DPI
  note->Close();
  EXPECT_EQ(Read(record_),
            *codePage_->Encode(textPath_ + L",1500,750,3010,4500,0,ＭＳ Ｐゴシック,9,0,False,False,False\r\n"));
}

TEST_F(NoteTest, ReadOnlyRecordStaysAsItWasButTheTextIsStillSaved) {
  Write(textPath_, "a\r\n");
  WriteNewRecord(textPath_);
  const std::string before = Read(record_);
  ::SetFileAttributesW(record_.c_str(), FILE_ATTRIBUTE_READONLY);
  auto note = Open();
  SetText(*note, L"edited");
  note->Close();
  ::SetFileAttributesW(record_.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(Read(record_), before);
  EXPECT_EQ(Read(textPath_), "edited\r\n");
}

TEST_F(NoteTest, RecordDeletedWhileOpenMeansNothingIsWrittenAtClose) {
  Write(textPath_, "a\r\n");
  WriteNewRecord(textPath_);
  auto note = Open();
  SetText(*note, L"edited");
  ::DeleteFileW(record_.c_str());
  note->Close();
  EXPECT_FALSE(FileExists(record_));
  EXPECT_EQ(Read(textPath_), "a\r\n");
}

TEST_F(NoteTest, ClosingByTheWindowSystemSavesToo) {
  Write(textPath_, "a\r\n");
  WriteNewRecord(textPath_);
  auto note = Open();
  SetText(*note, L"b");
  ::SendMessageW(note->hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(note->IsOpen());
  EXPECT_EQ(Read(textPath_), "b\r\n");
  note->Close();  // a second close does nothing
  EXPECT_EQ(Read(textPath_), "b\r\n");
}

// The tooltip controls of this thread's windows.
std::vector<HWND> Tooltips() {
  std::vector<HWND> found;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND hwnd, LPARAM list) {
        wchar_t cls[64]{};
        ::GetClassNameW(hwnd, cls, 64);
        if (std::wstring(cls) == L"tooltips_class32") reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// The tooltip control comes with the mouse's first visit to the text box, not with the note, and
// only once however often the mouse comes back.
TEST_F(NoteTest, ANoteDrawsItsTextUntilTheFocusComesAndThenItsTextBoxHasTheFocusAndTheText) {
  Write(textPath_, "one\r\ntwo\r\n");
  WriteNewRecord(textPath_);
  auto note = Open();
  ASSERT_TRUE(note->IsOpen());
  EXPECT_EQ(::GetDlgItem(note->hwnd(), NoteTextBox::kControlId), nullptr);
  ::SetFocus(note->hwnd());
  HWND textBox = ::GetDlgItem(note->hwnd(), NoteTextBox::kControlId);
  ASSERT_NE(textBox, nullptr);
  EXPECT_EQ(::GetFocus(), textBox);
  EXPECT_EQ(WindowText(textBox), L"one\r\ntwo");
  // Taking the text over is no edit: nothing is written at close.
  const auto written = CurrentFileState(textPath_)->lastWriteTime;
  ::Sleep(20);
  note->Close();
  EXPECT_EQ(CurrentFileState(textPath_)->lastWriteTime, written);
}

TEST_F(NoteTest, TooltipNamesTheLinkedFileOnceTheMouseComes) {
  Write(textPath_, "a\r\n");
  WriteNewRecord(textPath_);
  auto note = Open();
  EXPECT_TRUE(Tooltips().empty());
  ::SendMessageW(TextBoxOf(*note), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  ::SendMessageW(TextBoxOf(*note), WM_MOUSEMOVE, 0, MAKELPARAM(6, 5));
  const std::vector<HWND> tooltips = Tooltips();
  ASSERT_EQ(tooltips.size(), 1u);
  wchar_t text[512]{};
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = note->hwnd();
  tool.uId = reinterpret_cast<UINT_PTR>(TextBoxOf(*note));
  tool.lpszText = text;
  ::SendMessageW(tooltips[0], TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&tool));
  EXPECT_EQ(std::wstring(text), L"内容はﾃｷｽﾄﾌｧｲﾙ[ " + textPath_ + L" ]とﾘﾝｸされています");
}

// Once its tip has hidden, the tooltip goes (under Wine a hidden one keeps asking where the mouse
// is), after its own notice is over; other notices leave it. The mouse's next visit makes another.
TEST_F(NoteTest, TooltipGoesOnceItsTipHasHidden) {
  Write(textPath_, "a\r\n");
  WriteNewRecord(textPath_);
  auto note = Open();
  const struct {
    UINT code;
    bool goes;
  } cases[] = {{TTN_SHOW, false}, {TTN_POP, true}};
  for (const auto& c : cases) {
    ::SendMessageW(TextBoxOf(*note), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    const std::vector<HWND> tooltips = Tooltips();
    ASSERT_EQ(tooltips.size(), 1u) << c.code;
    NMHDR notice{tooltips[0], reinterpret_cast<UINT_PTR>(TextBoxOf(*note)), c.code};
    ::SendMessageW(note->hwnd(), WM_NOTIFY, notice.idFrom, reinterpret_cast<LPARAM>(&notice));
    EXPECT_TRUE(::IsWindow(tooltips[0])) << c.code;
    MSG msg{};
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    EXPECT_EQ(::IsWindow(tooltips[0]) == FALSE, c.goes) << c.code;
  }
  ::SendMessageW(TextBoxOf(*note), WM_MOUSEMOVE, 0, MAKELPARAM(6, 5));
  EXPECT_EQ(Tooltips().size(), 1u);
}

}  // namespace
}  // namespace varnel
