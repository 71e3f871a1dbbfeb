// CommonDialog1 driven through the real font and colour dialogs: a timer that the dialog's own
// message loop dispatches finds the open dialog, reads it, changes it the way a user would and
// presses OK or Cancel.

#include <gtest/gtest.h>
#include <windows.h>
#include <colordlg.h>
#include <dlgs.h>

#include <deque>
#include <functional>
#include <string>
#include <utility>

#include "platform/common_dialog.h"

namespace varnel {
namespace {

using DialogAction = std::function<void(HWND dialog)>;

// Runs queued actions, one per dialog, on the dialogs this thread opens. A dialog left open by
// its action (or opened with no action queued) is cancelled after a while and counted, so a test
// never hangs.
class DialogDriver {
 public:
  DialogDriver() {
    instance_ = this;
    timer_ = ::SetTimer(nullptr, 0, 30, Tick);
  }
  ~DialogDriver() {
    ::KillTimer(nullptr, timer_);
    instance_ = nullptr;
  }
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  void Then(DialogAction action) { actions_.push_back(std::move(action)); }
  int dialogsSeen = 0;
  int dialogsStuck = 0;

 private:
  static HWND OpenDialog() {
    HWND found = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hwnd, LPARAM out) -> BOOL {
          wchar_t name[16]{};
          ::GetClassNameW(hwnd, name, 16);
          if (std::wstring(name) == L"#32770" && ::IsWindowVisible(hwnd)) {
            *reinterpret_cast<HWND*>(out) = hwnd;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
  }

  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) noexcept {
    DialogDriver* self = instance_;
    if (!self) return;
    try {
      HWND dialog = OpenDialog();
      if (!dialog) {
        self->current_ = nullptr;
        return;
      }
      if (dialog != self->current_) {
        self->current_ = dialog;
        self->ticks_ = 0;
        ++self->dialogsSeen;
        if (!self->actions_.empty()) {
          DialogAction action = std::move(self->actions_.front());
          self->actions_.pop_front();
          action(dialog);
          return;
        }
      }
      if (++self->ticks_ > 100) {
        ++self->dialogsStuck;
        ::SendMessageW(::GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
      }
    } catch (...) {
      ADD_FAILURE() << "a dialog action threw";
    }
  }

  static inline DialogDriver* instance_ = nullptr;
  UINT_PTR timer_ = 0;
  std::deque<DialogAction> actions_;
  HWND current_ = nullptr;
  int ticks_ = 0;
};

void Press(HWND dialog, int id) { ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

std::wstring Text(HWND dialog, int id) {
  wchar_t text[256]{};
  ::GetDlgItemTextW(dialog, id, text, 256);
  return text;
}

// Selects a list entry as a user would: the selection, then the notification the dialog acts on.
void Select(HWND dialog, int comboId, int index) {
  HWND combo = ::GetDlgItem(dialog, comboId);
  ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

int FindExact(HWND dialog, int comboId, const std::wstring& text) {
  return static_cast<int>(
      ::SendDlgItemMessageW(dialog, comboId, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(text.c_str())));
}

// The style entry whose weight and slant match (the dialog keeps MAKELONG(weight, italic) per entry).
int FindStyle(HWND dialog, bool bold, bool italic) {
  const int count = static_cast<int>(::SendDlgItemMessageW(dialog, cmb2, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    const auto data = static_cast<DWORD>(::SendDlgItemMessageW(dialog, cmb2, CB_GETITEMDATA, i, 0));
    if ((LOWORD(data) > FW_MEDIUM) == bold && (HIWORD(data) != 0) == italic) return i;
  }
  return -1;
}

// An owner for the dialogs, as a note window is.
class Owner {
 public:
  Owner() {
    hwnd_ = ::CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300, 200,
                              nullptr, nullptr, nullptr, nullptr);
  }
  ~Owner() { ::DestroyWindow(hwnd_); }
  Owner(const Owner&) = delete;
  Owner& operator=(const Owner&) = delete;
  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_ = nullptr;
};

bool FontInstalled(const wchar_t* face) {
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
  bool found = false;
  HDC screen = ::GetDC(nullptr);
  ::EnumFontFamiliesExW(
      screen, &wanted,
      [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM out) -> int {
        *reinterpret_cast<bool*>(out) = true;
        return 0;
      },
      reinterpret_cast<LPARAM>(&found), 0);
  ::ReleaseDC(nullptr, screen);
  return found;
}

constexpr wchar_t kFirstFace[] = L"ＭＳ Ｐゴシック";
constexpr wchar_t kSecondFace[] = L"DejaVu Sans";

class FontChooser : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FontInstalled(kFirstFace));
    ASSERT_TRUE(FontInstalled(kSecondFace));
    chooser.Flags = 3;
    chooser.FontName = kFirstFace;
    chooser.FontSize = 12.0f;
    chooser.FontBold = true;
    chooser.FontItalic = false;
  }
  void ExpectUnchanged() {
    EXPECT_EQ(chooser.FontName, kFirstFace);
    EXPECT_EQ(chooser.FontSize, 12.0f);
    EXPECT_TRUE(chooser.FontBold);
    EXPECT_FALSE(chooser.FontItalic);
  }
  Owner owner;
  DialogDriver driver;
  CommonDialog chooser;
};

TEST_F(FontChooser, OpensOnTheCurrentFontModalToTheOwnerAndOkKeepsIt) {
  std::wstring face, size;
  bool ownerDisabled = false;
  HWND dialogOwner = nullptr;
  int boldStyle = -1;
  int selectedStyle = -2;
  driver.Then([&](HWND dialog) {
    face = Text(dialog, cmb1);
    size = Text(dialog, cmb3);
    boldStyle = FindStyle(dialog, true, false);
    selectedStyle = static_cast<int>(::SendDlgItemMessageW(dialog, cmb2, CB_GETCURSEL, 0, 0));
    ownerDisabled = !::IsWindowEnabled(owner.hwnd());
    dialogOwner = ::GetWindow(dialog, GW_OWNER);
    Press(dialog, IDOK);
  });
  EXPECT_EQ(chooser.ShowFont(owner.hwnd()), ChooserOutcome::Chosen);
  EXPECT_EQ(face, kFirstFace);
  EXPECT_EQ(size, L"12");
  EXPECT_EQ(selectedStyle, boldStyle);
  EXPECT_TRUE(ownerDisabled);
  EXPECT_EQ(dialogOwner, owner.hwnd());
  EXPECT_TRUE(::IsWindowEnabled(owner.hwnd()));
  ExpectUnchanged();
  EXPECT_EQ(chooser.Flags, 3);
  EXPECT_EQ(driver.dialogsStuck, 0);
}

TEST_F(FontChooser, FractionalSizeSurvivesOkEvenWhenTheListHasWholeSizesOnly) {
  chooser.FontSize = 10.5f;
  driver.Then([](HWND dialog) { Press(dialog, IDOK); });
  EXPECT_EQ(chooser.ShowFont(owner.hwnd()), ChooserOutcome::Chosen);
  EXPECT_EQ(chooser.FontSize, 10.5f);
  // A change of face alone still keeps the size.
  driver.Then([](HWND dialog) {
    Select(dialog, cmb1, FindExact(dialog, cmb1, kSecondFace));
    Press(dialog, IDOK);
  });
  EXPECT_EQ(chooser.ShowFont(owner.hwnd()), ChooserOutcome::Chosen);
  EXPECT_EQ(chooser.FontName, kSecondFace);
  EXPECT_EQ(chooser.FontSize, 10.5f);
  EXPECT_TRUE(chooser.FontBold);
}

TEST_F(FontChooser, ChoiceIsCopiedBackAndOpensTheNextChooser) {
  driver.Then([](HWND dialog) {
    Select(dialog, cmb1, FindExact(dialog, cmb1, kSecondFace));
    Select(dialog, cmb2, FindStyle(dialog, false, true));
    Select(dialog, cmb3, FindExact(dialog, cmb3, L"20"));
    Press(dialog, IDOK);
  });
  ASSERT_EQ(chooser.ShowFont(owner.hwnd()), ChooserOutcome::Chosen);
  EXPECT_EQ(chooser.FontName, kSecondFace);
  EXPECT_EQ(chooser.FontSize, 20.0f);
  EXPECT_FALSE(chooser.FontBold);
  EXPECT_TRUE(chooser.FontItalic);

  std::wstring face, size;
  driver.Then([&](HWND dialog) {
    face = Text(dialog, cmb1);
    size = Text(dialog, cmb3);
    Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(chooser.ShowFont(owner.hwnd()), ChooserOutcome::Cancelled);
  EXPECT_EQ(face, kSecondFace);
  EXPECT_EQ(size, L"20");
  EXPECT_EQ(chooser.FontName, kSecondFace);
  EXPECT_EQ(chooser.FontSize, 20.0f);
  EXPECT_TRUE(chooser.FontItalic);
}

TEST_F(FontChooser, CancelAfterChangesLeavesEveryProperty) {
  driver.Then([](HWND dialog) {
    Select(dialog, cmb1, FindExact(dialog, cmb1, kSecondFace));
    Select(dialog, cmb2, FindStyle(dialog, false, true));
    Select(dialog, cmb3, FindExact(dialog, cmb3, L"20"));
    Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(chooser.ShowFont(owner.hwnd()), ChooserOutcome::Cancelled);
  ExpectUnchanged();
  EXPECT_EQ(chooser.Flags, 3);
}

TEST_F(FontChooser, ScreenFontsAloneWhenNoListIsAskedFor) {
  chooser.Flags = 0;
  driver.Then([](HWND dialog) { Press(dialog, IDOK); });
  EXPECT_EQ(chooser.ShowFont(owner.hwnd()), ChooserOutcome::Chosen);
  ExpectUnchanged();
  EXPECT_EQ(driver.dialogsSeen, 1);
}

class ColorChooser : public ::testing::Test {
 protected:
  Owner owner;
  DialogDriver driver;
  CommonDialog chooser;
};

int WidthOf(HWND dialog) {
  RECT rect{};
  ::GetWindowRect(dialog, &rect);
  return rect.right - rect.left;
}

TEST_F(ColorChooser, FlagsThreeOpensFullyWithTheCurrentColourAndOkReturnsIt) {
  chooser.Color = 0x00336699;
  int plainWidth = 0, fullWidth = 0;
  std::wstring red, green, blue;
  chooser.Flags = 0;
  driver.Then([&](HWND dialog) {
    plainWidth = WidthOf(dialog);
    Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(chooser.ShowColor(owner.hwnd()), ChooserOutcome::Cancelled);
  EXPECT_EQ(chooser.Color, 0x00336699);

  chooser.Flags = 3;
  driver.Then([&](HWND dialog) {
    fullWidth = WidthOf(dialog);
    red = Text(dialog, COLOR_RED);
    green = Text(dialog, COLOR_GREEN);
    blue = Text(dialog, COLOR_BLUE);
    Press(dialog, IDOK);
  });
  EXPECT_EQ(chooser.ShowColor(owner.hwnd()), ChooserOutcome::Chosen);
  EXPECT_GT(fullWidth, plainWidth + 100);
  EXPECT_EQ(red, L"153");
  EXPECT_EQ(green, L"102");
  EXPECT_EQ(blue, L"51");
  EXPECT_EQ(chooser.Color, 0x00336699);
  EXPECT_EQ(driver.dialogsStuck, 0);
}

TEST_F(ColorChooser, ChangedColourComesBackOnOkAndIsDroppedOnCancel) {
  chooser.Flags = 3;
  chooser.Color = 0x00336699;
  driver.Then([](HWND dialog) {
    ::SetDlgItemTextW(dialog, COLOR_RED, L"10");
    Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(chooser.ShowColor(owner.hwnd()), ChooserOutcome::Cancelled);
  EXPECT_EQ(chooser.Color, 0x00336699);
  EXPECT_EQ(chooser.Flags, 3);

  driver.Then([](HWND dialog) {
    ::SetDlgItemTextW(dialog, COLOR_RED, L"10");
    Press(dialog, IDOK);
  });
  EXPECT_EQ(chooser.ShowColor(owner.hwnd()), ChooserOutcome::Chosen);
  EXPECT_EQ(chooser.Color, 0x0033660A);
}

TEST_F(ColorChooser, SystemColourValueIsShownResolvedAndComesBackPlain) {
  constexpr std::int32_t kWindowColour = static_cast<std::int32_t>(0x80000000u | COLOR_WINDOW);
  const COLORREF resolved = ::GetSysColor(COLOR_WINDOW);
  chooser.Flags = 3;
  chooser.Color = kWindowColour;
  driver.Then([](HWND dialog) { Press(dialog, IDCANCEL); });
  EXPECT_EQ(chooser.ShowColor(owner.hwnd()), ChooserOutcome::Cancelled);
  EXPECT_EQ(chooser.Color, kWindowColour);

  std::wstring red;
  driver.Then([&](HWND dialog) {
    red = Text(dialog, COLOR_RED);
    Press(dialog, IDOK);
  });
  EXPECT_EQ(chooser.ShowColor(owner.hwnd()), ChooserOutcome::Chosen);
  EXPECT_EQ(red, std::to_wstring(GetRValue(resolved)));
  EXPECT_EQ(static_cast<COLORREF>(chooser.Color), resolved);
}

TEST_F(ColorChooser, CustomColoursAreKeptBetweenUses) {
  chooser.Flags = 3;
  chooser.Color = 0x00123456;
  driver.Then([](HWND dialog) {
    Press(dialog, COLOR_ADD);
    Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(chooser.ShowColor(owner.hwnd()), ChooserOutcome::Cancelled);
  EXPECT_EQ(chooser.CustomColors()[0], 0x00123456u);
  EXPECT_EQ(chooser.CustomColors()[1], RGB(255, 255, 255));

  // The next dialog gets them back and leaves them.
  chooser.Color = 0x00654321;
  driver.Then([](HWND dialog) { Press(dialog, IDOK); });
  EXPECT_EQ(chooser.ShowColor(owner.hwnd()), ChooserOutcome::Chosen);
  EXPECT_EQ(chooser.CustomColors()[0], 0x00123456u);
}

TEST(Chooser, ThatCannotBeShownReportsFailureAndChangesNothing) {
  DialogDriver driver;
  CommonDialog chooser;
  chooser.Flags = 3;
  chooser.FontName = kFirstFace;
  chooser.FontSize = 10.5f;
  chooser.Color = 0x00336699;
  HWND gone = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ::DestroyWindow(gone);
  EXPECT_EQ(chooser.ShowColor(gone), ChooserOutcome::Failed);
  EXPECT_EQ(chooser.ShowFont(gone), ChooserOutcome::Failed);
  EXPECT_EQ(chooser.Color, 0x00336699);
  EXPECT_EQ(chooser.FontName, kFirstFace);
  EXPECT_EQ(chooser.FontSize, 10.5f);
  EXPECT_EQ(chooser.Flags, 3);
  EXPECT_EQ(driver.dialogsSeen, 0);
}

}  // namespace
}  // namespace varnel
