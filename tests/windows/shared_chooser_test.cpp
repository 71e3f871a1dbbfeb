// The shared chooser driven through the real font and colour dialogs: a timer that the dialog's own
// message loop dispatches finds the open dialog, reads it, changes it the way a user would and
// presses OK or Cancel.

#include <gtest/gtest.h>
#include <windows.h>
#include <colordlg.h>
#include <dlgs.h>

#include <string>

#include "platform/shared_chooser.h"
#include "popup_driver.h"

namespace varnel {
namespace {

std::wstring Text(HWND dialog, int id) {
  wchar_t text[256]{};
  ::GetDlgItemTextW(dialog, id, text, 256);
  return text;
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
    chooser.flags = 3;
    chooser.fontName = kFirstFace;
    chooser.fontSize = 12.0f;
    chooser.bold = true;
    chooser.italic = false;
  }
  void ExpectUnchanged() {
    EXPECT_EQ(chooser.fontName, kFirstFace);
    EXPECT_EQ(chooser.fontSize, 12.0f);
    EXPECT_TRUE(chooser.bold);
    EXPECT_FALSE(chooser.italic);
  }
  Owner owner;
  PopupDriver driver;
  SharedChooser chooser;
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
  EXPECT_EQ(chooser.flags, 3);
  EXPECT_EQ(driver.stuck, 0);
}

TEST_F(FontChooser, FractionalSizeSurvivesOkEvenWhenTheListHasWholeSizesOnly) {
  chooser.fontSize = 10.5f;
  driver.Then([](HWND dialog) { Press(dialog, IDOK); });
  EXPECT_EQ(chooser.ShowFont(owner.hwnd()), ChooserOutcome::Chosen);
  EXPECT_EQ(chooser.fontSize, 10.5f);
  // A change of face alone still keeps the size.
  driver.Then([](HWND dialog) {
    Select(dialog, cmb1, FindExact(dialog, cmb1, kSecondFace));
    Press(dialog, IDOK);
  });
  EXPECT_EQ(chooser.ShowFont(owner.hwnd()), ChooserOutcome::Chosen);
  EXPECT_EQ(chooser.fontName, kSecondFace);
  EXPECT_EQ(chooser.fontSize, 10.5f);
  EXPECT_TRUE(chooser.bold);
}

TEST_F(FontChooser, ChoiceIsCopiedBackAndOpensTheNextChooser) {
  driver.Then([](HWND dialog) {
    Select(dialog, cmb1, FindExact(dialog, cmb1, kSecondFace));
    Select(dialog, cmb2, FindStyle(dialog, false, true));
    Select(dialog, cmb3, FindExact(dialog, cmb3, L"20"));
    Press(dialog, IDOK);
  });
  ASSERT_EQ(chooser.ShowFont(owner.hwnd()), ChooserOutcome::Chosen);
  EXPECT_EQ(chooser.fontName, kSecondFace);
  EXPECT_EQ(chooser.fontSize, 20.0f);
  EXPECT_FALSE(chooser.bold);
  EXPECT_TRUE(chooser.italic);

  std::wstring face, size;
  driver.Then([&](HWND dialog) {
    face = Text(dialog, cmb1);
    size = Text(dialog, cmb3);
    Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(chooser.ShowFont(owner.hwnd()), ChooserOutcome::Cancelled);
  EXPECT_EQ(face, kSecondFace);
  EXPECT_EQ(size, L"20");
  EXPECT_EQ(chooser.fontName, kSecondFace);
  EXPECT_EQ(chooser.fontSize, 20.0f);
  EXPECT_TRUE(chooser.italic);
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
  EXPECT_EQ(chooser.flags, 3);
}

TEST_F(FontChooser, ScreenFontsAloneWhenNoListIsAskedFor) {
  chooser.flags = 0;
  driver.Then([](HWND dialog) { Press(dialog, IDOK); });
  EXPECT_EQ(chooser.ShowFont(owner.hwnd()), ChooserOutcome::Chosen);
  ExpectUnchanged();
  EXPECT_EQ(driver.seen, 1);
}

class ColorChooser : public ::testing::Test {
 protected:
  Owner owner;
  PopupDriver driver;
  SharedChooser chooser;
};

int WidthOf(HWND dialog) {
  RECT rect{};
  ::GetWindowRect(dialog, &rect);
  return rect.right - rect.left;
}

TEST_F(ColorChooser, FlagsThreeOpensFullyWithTheCurrentColourAndOkReturnsIt) {
  chooser.colour = 0x00336699;
  int plainWidth = 0, fullWidth = 0;
  std::wstring red, green, blue;
  chooser.flags = 0;
  driver.Then([&](HWND dialog) {
    plainWidth = WidthOf(dialog);
    Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(chooser.ShowColour(owner.hwnd()), ChooserOutcome::Cancelled);
  EXPECT_EQ(chooser.colour, 0x00336699);

  chooser.flags = 3;
  driver.Then([&](HWND dialog) {
    fullWidth = WidthOf(dialog);
    red = Text(dialog, COLOR_RED);
    green = Text(dialog, COLOR_GREEN);
    blue = Text(dialog, COLOR_BLUE);
    Press(dialog, IDOK);
  });
  EXPECT_EQ(chooser.ShowColour(owner.hwnd()), ChooserOutcome::Chosen);
  EXPECT_GT(fullWidth, plainWidth + 100);
  EXPECT_EQ(red, L"153");
  EXPECT_EQ(green, L"102");
  EXPECT_EQ(blue, L"51");
  EXPECT_EQ(chooser.colour, 0x00336699);
  EXPECT_EQ(driver.stuck, 0);
}

TEST_F(ColorChooser, ChangedColourComesBackOnOkAndIsDroppedOnCancel) {
  chooser.flags = 3;
  chooser.colour = 0x00336699;
  driver.Then([](HWND dialog) {
    ::SetDlgItemTextW(dialog, COLOR_RED, L"10");
    Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(chooser.ShowColour(owner.hwnd()), ChooserOutcome::Cancelled);
  EXPECT_EQ(chooser.colour, 0x00336699);
  EXPECT_EQ(chooser.flags, 3);

  driver.Then([](HWND dialog) {
    ::SetDlgItemTextW(dialog, COLOR_RED, L"10");
    Press(dialog, IDOK);
  });
  EXPECT_EQ(chooser.ShowColour(owner.hwnd()), ChooserOutcome::Chosen);
  EXPECT_EQ(chooser.colour, 0x0033660A);
}

TEST_F(ColorChooser, SystemColourValueIsShownResolvedAndComesBackPlain) {
  constexpr std::int32_t kWindowColour = static_cast<std::int32_t>(0x80000000u | COLOR_WINDOW);
  const COLORREF resolved = ::GetSysColor(COLOR_WINDOW);
  chooser.flags = 3;
  chooser.colour = kWindowColour;
  driver.Then([](HWND dialog) { Press(dialog, IDCANCEL); });
  EXPECT_EQ(chooser.ShowColour(owner.hwnd()), ChooserOutcome::Cancelled);
  EXPECT_EQ(chooser.colour, kWindowColour);

  std::wstring red;
  driver.Then([&](HWND dialog) {
    red = Text(dialog, COLOR_RED);
    Press(dialog, IDOK);
  });
  EXPECT_EQ(chooser.ShowColour(owner.hwnd()), ChooserOutcome::Chosen);
  EXPECT_EQ(red, std::to_wstring(GetRValue(resolved)));
  EXPECT_EQ(static_cast<COLORREF>(chooser.colour), resolved);
}

// As a note paints it: black, and the value itself stays unless a colour is chosen.
TEST_F(ColorChooser, UnusableValueOpensAtBlackAndStaysOnCancel) {
  chooser.flags = 3;
  chooser.colour = 0x01336699;
  std::wstring red;
  driver.Then([&](HWND dialog) {
    red = Text(dialog, COLOR_RED);
    Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(chooser.ShowColour(owner.hwnd()), ChooserOutcome::Cancelled);
  EXPECT_EQ(red, L"0");
  EXPECT_EQ(chooser.colour, 0x01336699);
}

TEST_F(ColorChooser, CustomColoursAreKeptBetweenUses) {
  chooser.flags = 3;
  chooser.colour = 0x00123456;
  driver.Then([](HWND dialog) {
    Press(dialog, COLOR_ADD);
    Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(chooser.ShowColour(owner.hwnd()), ChooserOutcome::Cancelled);
  EXPECT_EQ(chooser.CustomColors()[0], 0x00123456u);
  EXPECT_EQ(chooser.CustomColors()[1], RGB(255, 255, 255));

  // The next dialog gets them back and leaves them.
  chooser.colour = 0x00654321;
  driver.Then([](HWND dialog) { Press(dialog, IDOK); });
  EXPECT_EQ(chooser.ShowColour(owner.hwnd()), ChooserOutcome::Chosen);
  EXPECT_EQ(chooser.CustomColors()[0], 0x00123456u);
}

TEST(Chooser, ThatCannotBeShownReportsFailureAndChangesNothing) {
  PopupDriver driver;
  SharedChooser chooser;
  chooser.flags = 3;
  chooser.fontName = kFirstFace;
  chooser.fontSize = 10.5f;
  chooser.colour = 0x00336699;
  HWND gone = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ::DestroyWindow(gone);
  EXPECT_EQ(chooser.ShowColour(gone), ChooserOutcome::Failed);
  EXPECT_EQ(chooser.ShowFont(gone), ChooserOutcome::Failed);
  EXPECT_EQ(chooser.colour, 0x00336699);
  EXPECT_EQ(chooser.fontName, kFirstFace);
  EXPECT_EQ(chooser.fontSize, 10.5f);
  EXPECT_EQ(chooser.flags, 3);
  EXPECT_EQ(driver.seen, 0);
}

}  // namespace
}  // namespace varnel
