// A note's popup menu in this process: a right press opens the real menu, and a timer that the
// menu's and the dialogs' own message loops dispatch reads them and answers them as a user would.

#include <gtest/gtest.h>
#include <windows.h>
#include <colordlg.h>
#include <dlgs.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "note/line_wrap.h"
#include "note_fixture.h"
#include "storage/journal.h"
#include "popup_driver.h"

namespace varnel {
namespace {

const std::vector<std::wstring> kItems = {L"フォント", L"文字色", L"背景色", L"WebツールバーON/OFF", L"-",
                                          L"テキストデータの再読込み", L"テキストデータの上書き保存", L"-",
                                          L"捨てる"};

// A message box: its title, its text, its buttons, whether it shows an icon.
struct MessageBoxSeen {
  std::wstring title;
  std::wstring text;
  std::vector<int> buttons;
  bool icon = false;
};

MessageBoxSeen ReadMessageBox(HWND box) {
  MessageBoxSeen seen;
  seen.title = WindowText(box);
  seen.text = WindowText(::GetDlgItem(box, 0xFFFF));
  for (int id : {IDOK, IDCANCEL, IDYES, IDNO, IDABORT, IDRETRY, IDIGNORE}) {
    HWND button = ::GetDlgItem(box, id);
    if (button && ::IsWindowVisible(button)) seen.buttons.push_back(id);
  }
  HWND icon = ::GetDlgItem(box, 0x440);
  seen.icon = icon && ::IsWindowVisible(icon) && ::SendMessageW(icon, STM_GETICON, 0, 0) != 0;
  return seen;
}

class NoteMenuTest : public NoteFixture {
 protected:
  void SetUp() override {
    NoteFixture::SetUp();
    // A mouse resting where the menu opens would select an entry before the arrow keys do.
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    Write(textPath_, "a\r\nb\r\n");
    WriteNewRecord(textPath_, 1500, 1500);
  }

  std::wstring RecordText() { return codePage_->Decode(Read(record_)).value_or(L"<undecodable>"); }

  // A right press on the note's margin; returns once the menu and its command are done.
  static void RightPress(const NoteWindow& note, POINT client = {5, 5}) {
    ::SendMessageW(note.hwnd(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(client.x, client.y));
    ::SendMessageW(note.hwnd(), WM_RBUTTONUP, 0, MAKELPARAM(client.x, client.y));
  }
  void RunCommand(const NoteWindow& note, const std::wstring& caption, PopupDriver::Action answer = nullptr) {
    Settle();
    driver_.Then(Choose(caption));
    if (answer) driver_.Then(std::move(answer));
    RightPress(note);
  }

  // Lets the window system finish what a closed dialog left behind (the owner's reactivation
  // arrives late under Wine and would cancel a menu opened at once).
  static void Settle() {
    const ULONGLONG until = ::GetTickCount64() + 150;
    while (::GetTickCount64() < until) {
      MSG msg{};
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
  }

  static LOGFONTW FontOf(const NoteWindow& note) {
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(TextBoxOf(note), WM_GETFONT, 0, 0)), sizeof font, &font);
    return font;
  }
  // The colours the note paints its text box and its margin with.
  static std::pair<COLORREF, COLORREF> TextColours(const NoteWindow& note) {
    HDC dc = ::GetDC(TextBoxOf(note));
    ::SendMessageW(note.hwnd(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(TextBoxOf(note)));
    std::pair<COLORREF, COLORREF> colours{::GetTextColor(dc), ::GetBkColor(dc)};
    ::ReleaseDC(TextBoxOf(note), dc);
    return colours;
  }
  static COLORREF MarginColour(const NoteWindow& note) {
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 400, 400);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    ::SendMessageW(note.hwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const COLORREF colour = ::GetPixel(dc, 2, 2);
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    return colour;
  }

  PopupDriver driver_;
};

TEST_F(NoteMenuTest, RightPressOpensTheNineEntriesAtTheMouseAndTheKeyboardOpensThemAtTheTextBox) {
  auto note = Open();
  ASSERT_TRUE(note->IsOpen());
  std::vector<std::wstring> items;
  RECT menuRect{};
  auto look = [&](HWND menu) {
    items = MenuItems(menu);
    ::GetWindowRect(menu, &menuRect);
    ::EndMenu();
  };
  driver_.Then(look);
  RightPress(*note, POINT{7, 9});
  EXPECT_EQ(items, kItems);
  POINT pressed{7, 9};
  ::ClientToScreen(note->hwnd(), &pressed);
  EXPECT_EQ(menuRect.left, pressed.x);
  EXPECT_EQ(menuRect.top, pressed.y);

  // Shift+F10 or the menu key in the text box: the note's menu at the text box's corner.
  items.clear();
  driver_.Then(look);
  ::SendMessageW(TextBoxOf(*note), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(TextBoxOf(*note)), -1);
  EXPECT_EQ(items, kItems);
  RECT text{};
  ::GetWindowRect(TextBoxOf(*note), &text);
  EXPECT_EQ(menuRect.left, text.left);
  EXPECT_EQ(menuRect.top, text.top);

  // A right click inside the text keeps the text box's own editing menu.
  items.clear();
  driver_.Then(look);
  ::SendMessageW(TextBoxOf(*note), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(TextBoxOf(*note)),
                 MAKELPARAM(text.left + 10, text.top + 10));
  EXPECT_FALSE(items.empty());
  EXPECT_NE(items, kItems);
  EXPECT_EQ(driver_.stuck, 0);
}

TEST_F(NoteMenuTest, RightPressDoesNotStartADrag) {
  auto note = Open();
  RECT before{};
  ::GetWindowRect(note->hwnd(), &before);
  driver_.Then([](HWND) { ::EndMenu(); });
  ::SendMessageW(note->hwnd(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
  ::SendMessageW(note->hwnd(), WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(40, 30));
  RECT after{};
  ::GetWindowRect(note->hwnd(), &after);
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
}

TEST_F(NoteMenuTest, FontCommandOpensOnTheNotesFontAndOkAppliesTheChoiceUpToTheRecord) {
  auto note = Open();
  std::wstring face, size;
  HWND owner = nullptr;
  RunCommand(*note, L"フォント", [&](HWND dialog) {
    wchar_t text[64]{};
    ::GetDlgItemTextW(dialog, cmb1, text, 64);
    face = text;
    ::GetDlgItemTextW(dialog, cmb3, text, 64);
    size = text;
    owner = ::GetWindow(dialog, GW_OWNER);
    Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(face, L"ＭＳ Ｐゴシック");
  EXPECT_EQ(size, L"9");
  EXPECT_EQ(owner, note->hwnd());
  EXPECT_EQ(chooser_.flags, 3);
  EXPECT_STREQ(FontOf(*note).lfFaceName, L"ＭＳ Ｐゴシック");

  RunCommand(*note, L"フォント", [](HWND dialog) {
    Select(dialog, cmb1, FindExact(dialog, cmb1, L"DejaVu Sans"));
    Select(dialog, cmb2, FindStyle(dialog, true, true));
    Select(dialog, cmb3, FindExact(dialog, cmb3, L"20"));
    Press(dialog, IDOK);
  });
  const LOGFONTW font = FontOf(*note);
  EXPECT_STREQ(font.lfFaceName, L"DejaVu Sans");
  EXPECT_EQ(font.lfHeight, -27);
  EXPECT_EQ(font.lfWeight, FW_BOLD);
  EXPECT_TRUE(font.lfItalic);
  note->Close();
  EXPECT_EQ(RecordText(), textPath_ + L",1500,1500,3000,3000,12632256,DejaVu Sans,20,0,True,True,False\r\n");
  EXPECT_EQ(driver_.stuck, 0);
}

TEST_F(NoteMenuTest, SecondNoteCannotTakeTheSharedChooserWhileTheFirstHasItOpen) {
  auto first = Open();
  const std::wstring otherText = folder_.Path(L"other.txt");
  Write(otherText, "x\r\n");
  const std::wstring otherRecord = folder_.Path(L"787104001.5.dat");
  Write(otherRecord, *codePage_->Encode(otherText + L",4500,1500,3000,3000,0,ＭＳ ゴシック,12,0,False,False,False\r\n"));
  auto second = Open(unsaved_, otherRecord);
  ASSERT_TRUE(second->IsOpen());

  int secondMenus = 0;
  RunCommand(*first, L"フォント", [&](HWND dialog) {
    // The first note's font chooser is open: the second note's font command comes and goes.
    driver_.Then([&](HWND menu) {
      ++secondMenus;
      Choose(L"フォント")(menu);
    });
    RightPress(*second);
    Press(dialog, IDOK);
  });
  EXPECT_EQ(secondMenus, 1);
  EXPECT_STREQ(FontOf(*first).lfFaceName, L"ＭＳ Ｐゴシック");
  EXPECT_EQ(FontOf(*first).lfHeight, -12);
  EXPECT_STREQ(FontOf(*second).lfFaceName, L"ＭＳ ゴシック");
  EXPECT_EQ(FontOf(*second).lfHeight, -16);
  EXPECT_EQ(driver_.stuck, 0);
}

TEST_F(NoteMenuTest, ColourCommandsSetTheTextAndBothBackgroundsAndCancelKeepsThem) {
  auto note = Open();
  int plainWidth = 0;
  RunCommand(*note, L"文字色", [&](HWND dialog) {
    RECT rect{};
    ::GetWindowRect(dialog, &rect);
    plainWidth = rect.right - rect.left;
    ::SetDlgItemTextW(dialog, COLOR_RED, L"200");
    Press(dialog, IDOK);
  });
  EXPECT_EQ(chooser_.flags, 0);  // no font command yet: the chooser opens folded
  EXPECT_EQ(TextColours(*note).first, RGB(200, 0, 0));

  RunCommand(*note, L"背景色", [](HWND dialog) {
    ::SetDlgItemTextW(dialog, COLOR_GREEN, L"10");
    Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(TextColours(*note).second, RGB(0xC0, 0xC0, 0xC0));
  EXPECT_EQ(MarginColour(*note), RGB(0xC0, 0xC0, 0xC0));

  // After a font command the colour chooser opens expanded on the current colour.
  RunCommand(*note, L"フォント", [](HWND dialog) { Press(dialog, IDCANCEL); });
  std::wstring red;
  int fullWidth = 0;
  RunCommand(*note, L"背景色", [&](HWND dialog) {
    RECT rect{};
    ::GetWindowRect(dialog, &rect);
    fullWidth = rect.right - rect.left;
    red = WindowText(::GetDlgItem(dialog, COLOR_RED));
    ::SetDlgItemTextW(dialog, COLOR_GREEN, L"10");
    Press(dialog, IDOK);
  });
  EXPECT_EQ(red, L"192");
  EXPECT_GT(fullWidth, plainWidth + 100);
  EXPECT_EQ(TextColours(*note).second, RGB(0xC0, 10, 0xC0));
  EXPECT_EQ(MarginColour(*note), RGB(0xC0, 10, 0xC0));
  note->Close();
  EXPECT_EQ(RecordText(), textPath_ + L",1500,1500,3000,3000," + std::to_wstring(RGB(0xC0, 10, 0xC0)) +
                              L",ＭＳ Ｐゴシック,9,200,False,False,False\r\n");
  EXPECT_EQ(driver_.stuck, 0);
}

TEST_F(NoteMenuTest, ReloadReplacesEditsAndAnUnreadableFileDiscardsTheNote) {
  auto note = Open();
  ::SetWindowTextW(TextBoxOf(*note), L"edited");
  Write(textPath_, "new\r\ntext\r\n");
  // Edits that another program's version would replace: asked first.
  RunCommand(*note, L"テキストデータの再読込み", [](HWND box) { Press(box, IDOK); });
  EXPECT_EQ(TextOf(*note), L"new\r\ntext");

  ::DeleteFileW(textPath_.c_str());
  RunCommand(*note, L"テキストデータの再読込み");
  EXPECT_FALSE(note->IsOpen());
  EXPECT_FALSE(FileExists(record_));
  EXPECT_EQ(driver_.stuck, 0);
}

TEST_F(NoteMenuTest, ReloadThatFailsNeverWritesTheLinkedFile) {
  // Held by another program: the reason is told, the note keeps its edits.
  auto note = Open();
  ::SetWindowTextW(TextBoxOf(*note), L"edited");
  MessageBoxSeen seen;
  {
    UniqueFile held(::CreateFileW(textPath_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    RunCommand(*note, L"テキストデータの再読込み", [&](HWND box) {
      seen = ReadMessageBox(box);
      Press(box, IDOK);
    });
  }
  EXPECT_EQ(seen.text, L"ﾃｷｽﾄﾌｧｲﾙ[ " + textPath_ + L" ]を今は読み込めません。付箋紙の内容はそのままです。\r\n" +
                           SystemErrorText(ERROR_SHARING_VIOLATION));
  ASSERT_TRUE(note->IsOpen());
  EXPECT_EQ(TextOf(*note), L"edited");

  // No longer text, and a record that cannot be deleted: the note goes and writes nothing, now or
  // when the program ends.
  const std::string binary("MZ\x90\0\x03", 5);
  Write(textPath_, binary);
  ::SetFileAttributesW(record_.c_str(), FILE_ATTRIBUTE_READONLY);
  RunCommand(*note, L"テキストデータの再読込み", [](HWND box) { Press(box, IDOK); });
  EXPECT_FALSE(note->IsOpen());
  note->Close();
  EXPECT_EQ(Read(textPath_), binary);
  EXPECT_TRUE(FileExists(record_));
  ::SetFileAttributesW(record_.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(driver_.stuck, 0);
}

// A line too long to wrap quickly turns wrapping off, and a reload without one turns it back on.
// Each time the text box is another control, which must take the old one's font, place, focus and
// menu key, and hold the text exactly.
TEST_F(NoteMenuTest, ReloadSwitchesWrappingAndTheNewTextBoxKeepsFontPlaceFocusAndMenuKey) {
  auto note = Open();
  ASSERT_TRUE(note->IsOpen());
  const auto wraps = [&] { return (::GetWindowLongW(TextBoxOf(*note), GWL_STYLE) & ES_AUTOHSCROLL) == 0; };
  EXPECT_TRUE(wraps());
  const LOGFONTW font = FontOf(*note);
  RECT place{};
  ::GetWindowRect(TextBoxOf(*note), &place);
  ::SetFocus(TextBoxOf(*note));

  const std::string longLine(kLongestWrappedLine + 1, 'x');
  for (const std::string& file : {"a\r\n" + longLine + "\r\nb\r\n", std::string(kLongestWrappedLine, 'y') + "\r\n"}) {
    Write(textPath_, file);
    RunCommand(*note, L"テキストデータの再読込み");
    SCOPED_TRACE(file.size());
    EXPECT_EQ(wraps(), file.find(longLine) == std::string::npos);
    EXPECT_EQ(TextOf(*note), std::wstring(file.begin(), file.end() - 2));
    EXPECT_EQ(std::wstring(FontOf(*note).lfFaceName), font.lfFaceName);
    EXPECT_EQ(FontOf(*note).lfHeight, font.lfHeight);
    RECT now{};
    ::GetWindowRect(TextBoxOf(*note), &now);
    EXPECT_TRUE(::EqualRect(&now, &place));
    EXPECT_EQ(::GetFocus(), TextBoxOf(*note));
    bool menuOpened = false;
    driver_.Then([&](HWND menu) {
      menuOpened = MenuItems(menu) == kItems;
      ::EndMenu();
    });
    ::SendMessageW(TextBoxOf(*note), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(TextBoxOf(*note)), -1);
    EXPECT_TRUE(menuOpened);
  }
  // Typing reaches the box that is there now, and the note saves it.
  ::SendMessageW(TextBoxOf(*note), EM_SETSEL, 0, 0);
  ::SendMessageW(TextBoxOf(*note), WM_CHAR, L'z', 1);
  note->Close();
  EXPECT_EQ(Read(textPath_), "z" + std::string(kLongestWrappedLine, 'y') + "\r\n");
  EXPECT_EQ(driver_.stuck, 0);
}

// Runs the thread's messages and the file watches' completions, as the program's loop does, until
// the condition holds or two seconds have passed.
template <typename Condition>
bool PumpUntil(Condition condition) {
  const ULONGLONG until = ::GetTickCount64() + 2000;
  while (!condition() && ::GetTickCount64() < until) {
    MSG msg{};
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    ::MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_ALLINPUT, MWMO_ALERTABLE | MWMO_INPUTAVAILABLE);
  }
  return condition();
}

TEST_F(NoteMenuTest, AnUneditedNoteFollowsItsFileAndAnEditedOneAsksBeforeEitherVersionIsLost) {
  auto note = Open();
  ::SendMessageW(TextBoxOf(*note), EM_SETSEL, 1, 1);
  // Another program replaces the file: the note shows it, the caret where it was.
  Write(textPath_, "a\r\nb, and more\r\n");
  ASSERT_TRUE(PumpUntil([&] { return TextOf(*note) == L"a\r\nb, and more"; }));
  DWORD caret = 0;
  ::SendMessageW(TextBoxOf(*note), EM_GETSEL, reinterpret_cast<WPARAM>(&caret), 0);
  EXPECT_EQ(caret, 1u);

  // Edited here and changed there: the edit stays, and overwriting asks first.
  ::SetWindowTextW(TextBoxOf(*note), L"mine");
  Write(textPath_, "theirs\r\n");
  EXPECT_FALSE(PumpUntil([&] { return TextOf(*note) != L"mine"; }));
  MessageBoxSeen question;
  RunCommand(*note, L"テキストデータの上書き保存", [&](HWND box) {
    question = ReadMessageBox(box);
    Press(box, IDCANCEL);
  });
  EXPECT_NE(question.text.find(L"ほかのプログラムによって変更されています"), std::wstring::npos);
  EXPECT_EQ(Read(textPath_), "theirs\r\n");
  RunCommand(*note, L"テキストデータの再読込み", [&](HWND box) { Press(box, IDCANCEL); });
  EXPECT_EQ(TextOf(*note), L"mine");

  // At the end nobody can be asked: the other version is kept first, then the note's is written.
  note->Close();
  EXPECT_EQ(Read(textPath_), "mine\r\n");
  const std::vector<UnsavedEntry> kept = unsaved_.TakeEarlierOverwritten();
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].textPath, textPath_);
  EXPECT_EQ(Read(kept[0].recoveryFile), "theirs\r\n");
  EXPECT_EQ(driver_.stuck, 0);
}

TEST_F(NoteMenuTest, TwoNotesOnOneFileEachKeepTheirEdit) {
  const std::wstring otherRecord = folder_.Path(L"787104001.5.dat");
  Write(otherRecord, Read(record_));
  auto first = Open();
  auto second = Open(unsaved_, otherRecord);
  ::SetWindowTextW(TextBoxOf(*first), L"XYZ");
  ::SetWindowTextW(TextBoxOf(*second), L"QRS");
  first->Close();
  second->Close();
  EXPECT_EQ(Read(textPath_), "QRS\r\n");
  const std::vector<UnsavedEntry> kept = unsaved_.TakeEarlierOverwritten();
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(Read(kept[0].recoveryFile), "XYZ\r\n");
}

TEST_F(NoteMenuTest, OverwriteSaveWritesEvenUnchangedTextAndAFailureIsToldAndLosesNothing) {
  auto note = Open();
  Write(textPath_, "changed elsewhere\r\n");
  RunCommand(*note, L"テキストデータの上書き保存");
  EXPECT_EQ(Read(textPath_), "a\r\nb\r\n");

  ::SetWindowTextW(TextBoxOf(*note), L"keep me");
  ::SetFileAttributesW(textPath_.c_str(), FILE_ATTRIBUTE_READONLY);
  MessageBoxSeen seen;
  RunCommand(*note, L"テキストデータの上書き保存", [&](HWND box) {
    seen = ReadMessageBox(box);
    Press(box, IDOK);
  });
  EXPECT_EQ(seen.title, L"Varnel");
  EXPECT_EQ(seen.text, L"ﾃｷｽﾄﾌｧｲﾙ[ " + textPath_ + L" ]に保存できませんでした。\r\n" +
                           SystemErrorText(ERROR_ACCESS_DENIED));
  EXPECT_EQ(seen.buttons, std::vector<int>{IDOK});
  EXPECT_TRUE(seen.icon);
  EXPECT_TRUE(note->IsOpen());
  EXPECT_EQ(TextOf(*note), L"keep me");
  EXPECT_EQ(Read(textPath_), "a\r\nb\r\n");
  ::SetFileAttributesW(textPath_.c_str(), FILE_ATTRIBUTE_NORMAL);
  RunCommand(*note, L"テキストデータの上書き保存");
  EXPECT_EQ(Read(textPath_), "keep me\r\n");
  EXPECT_EQ(driver_.stuck, 0);
}

TEST_F(NoteMenuTest, DiscardAsksCancelKeepsEverythingOkRemovesTheRecordAndSavesNothing) {
  auto note = Open();
  ::SetWindowTextW(TextBoxOf(*note), L"edited, never saved");
  MessageBoxSeen seen;
  RunCommand(*note, L"捨てる", [&](HWND box) {
    seen = ReadMessageBox(box);
    Press(box, IDCANCEL);
  });
  EXPECT_EQ(seen.title, L"Varnel");
  EXPECT_EQ(seen.text,
            L"この付箋紙を削除します。編集中の内容は失われます。よろしいですか？\r\n( ﾃｷｽﾄﾌｧｲﾙ[ " + textPath_ +
                L" ]は削除されません。 )\r\n\r\n編集中の内容をﾃｷｽﾄﾌｧｲﾙに反映するには「ﾃｷｽﾄﾃﾞｰﾀの上書き保存」を実行してください。");
  EXPECT_EQ(seen.buttons, (std::vector<int>{IDOK, IDCANCEL}));
  EXPECT_FALSE(seen.icon);
  EXPECT_TRUE(note->IsOpen());
  EXPECT_TRUE(FileExists(record_));

  RunCommand(*note, L"捨てる", [](HWND box) { Press(box, IDOK); });
  EXPECT_FALSE(note->IsOpen());
  EXPECT_FALSE(FileExists(record_));
  note->Close();
  EXPECT_FALSE(FileExists(record_));
  EXPECT_EQ(Read(textPath_), "a\r\nb\r\n");
  EXPECT_EQ(driver_.stuck, 0);
}

TEST_F(NoteMenuTest, ReloadOverwriteSaveAndDiscardEachLeaveNoJournal) {
  const std::wstring journal = JournalFileName(record_);
  auto note = Open();
  // Typed, then the focus leaves: the journal is written at once.
  const auto typeAndLeave = [&] {
    const LRESULT end = ::SendMessageW(TextBoxOf(*note), WM_GETTEXTLENGTH, 0, 0);
    ::SendMessageW(TextBoxOf(*note), EM_SETSEL, end, end);
    ::SendMessageW(TextBoxOf(*note), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L" typed"));
    ::SendMessageW(TextBoxOf(*note), WM_KILLFOCUS, 0, 0);
    ASSERT_TRUE(PathExists(journal));
  };
  typeAndLeave();
  RunCommand(*note, L"テキストデータの再読込み");
  EXPECT_FALSE(PathExists(journal));
  typeAndLeave();
  RunCommand(*note, L"テキストデータの上書き保存");
  EXPECT_FALSE(PathExists(journal));
  EXPECT_EQ(Read(textPath_), "a\r\nb typed\r\n");
  typeAndLeave();
  RunCommand(*note, L"捨てる", [](HWND box) { Press(box, IDOK); });
  EXPECT_FALSE(note->IsOpen());
  EXPECT_FALSE(PathExists(journal));
  EXPECT_EQ(driver_.stuck, 0);
}

TEST_F(NoteMenuTest, DiscardOfARecordThatCannotBeDeletedSaysSoAndKeepsTheNote) {
  auto note = Open();
  ::SetFileAttributesW(record_.c_str(), FILE_ATTRIBUTE_READONLY);
  MessageBoxSeen seen;
  driver_.Then(Choose(L"捨てる"));
  driver_.Then([](HWND box) { Press(box, IDOK); });
  driver_.Then([&](HWND box) {
    seen = ReadMessageBox(box);
    Press(box, IDOK);
  });
  RightPress(*note);
  ::SetFileAttributesW(record_.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(note->IsOpen());
  EXPECT_TRUE(FileExists(record_));
  EXPECT_EQ(seen.title, L"Varnel");
  EXPECT_EQ(seen.text.rfind(L"付箋紙のﾃﾞｰﾀﾌｧｲﾙ[ " + record_ + L" ]を削除できませんでした。\r\n", 0), 0u);
}

TEST_F(NoteMenuTest, WebStripToggleResizesTheTextBoxAndTwiceRestoresIt) {
  auto note = Open();
  RECT before{};
  ::GetWindowRect(TextBoxOf(*note), &before);
  RunCommand(*note, L"WebツールバーON/OFF");
  RECT shown{};
  ::GetWindowRect(TextBoxOf(*note), &shown);
  EXPECT_EQ(shown.bottom - shown.top, before.bottom - before.top - 8);  // 120 twips
  RunCommand(*note, L"WebツールバーON/OFF");
  RECT hidden{};
  ::GetWindowRect(TextBoxOf(*note), &hidden);
  EXPECT_TRUE(::EqualRect(&hidden, &before));
  // The visibility at close is what the record keeps.
  RunCommand(*note, L"WebツールバーON/OFF");
  note->Close();
  EXPECT_EQ(RecordText(), textPath_ + L",1500,1500,3000,3000,12632256,ＭＳ Ｐゴシック,9,0,False,False,True\r\n");
}

}  // namespace
}  // namespace varnel
