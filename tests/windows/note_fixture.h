#pragma once
// A note window in this process on a temporary folder: the note's record, its linked text file,
// and the shared chooser every note opens its font and colour dialogs with.

#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>

#include <memory>
#include <string>
#include <vector>

#include "note/note_window.h"
#include "note/unsaved_text.h"
#include "platform/shared_chooser.h"
#include "platform/files.h"
#include "platform/unique_handle.h"
#include "storage/code_page.h"
#include "storage/note_record.h"
#include "temp_folder.h"

namespace varnel {

inline std::wstring WindowText(HWND hwnd) {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

class NoteFixture : public ::testing::Test {
 protected:
  void SetUp() override { ::OleInitialize(nullptr); }
  void TearDown() override { ::OleUninitialize(); }

  std::string Read(const std::wstring& path) { return ReadWholeFile(path).bytes.value_or("<missing>"); }
  void Write(const std::wstring& path, const std::string& bytes) {
    ASSERT_EQ(WriteFileAtomically(path, bytes).error(), static_cast<DWORD>(ERROR_SUCCESS));
  }
  // A record as a new note gets it, linked to textPath, at the given place in twips.
  void WriteNewRecord(const std::wstring& textPath, float left = 1500, float top = 750) {
    Write(record_, *FormatNewRecord(textPath, left, top, *codePage_));
  }

  std::unique_ptr<NoteWindow> Open() { return Open(unsaved_); }
  std::unique_ptr<NoteWindow> Open(UnsavedText& unsaved, const std::wstring& record = {}) {
    return NoteWindow::Open(record.empty() ? record_ : record, {*codePage_, chooser_, unsaved, unreadable_, journals_});
  }
  // Asked as an assistive tool asks, a note whose text is still drawn makes its text box.
  static HWND TextBoxOf(const NoteWindow& note) {
    ::SendMessageW(note.hwnd(), WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT));
    return ::GetDlgItem(note.hwnd(), NoteTextBox::kControlId);
  }
  static std::wstring TextOf(const NoteWindow& note) { return WindowText(TextBoxOf(note)); }
  static void SetText(const NoteWindow& note, const std::wstring& text) { ::SetWindowTextW(TextBoxOf(note), text.c_str()); }
  static bool ReadOnly(const NoteWindow& note) { return (::GetWindowLongW(TextBoxOf(note), GWL_STYLE) & ES_READONLY) != 0; }
  // Runs this thread's messages until a long text has gone into the note's text box in slices.
  static void WaitUntilLoaded(const NoteWindow& note) {
    const ULONGLONG until = ::GetTickCount64() + 120000;
    while (note.IsOpen() && ReadOnly(note) && ::GetTickCount64() < until) {
      MSG msg{};
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
  }

  TempFolder folder_;
  SharedChooser chooser_;
  std::vector<UnreadableFile> unreadable_;
  UnsavedText unsaved_{{folder_.Path(L"recovery")}};
  NoteJournals journals_{folder_.Path(L"fallback")};
  std::unique_ptr<CodePage> codePage_ = MakeSystemCodePage();
  std::wstring record_ = folder_.Path(L"787104000.5.dat");
  std::wstring textPath_ = folder_.Path(L"メモ.txt");
};

}  // namespace varnel
