#include "platform/shared_chooser.h"

#include <commdlg.h>
#include <dlgs.h>

#include <algorithm>
#include <cmath>
#include <cwchar>

#include "platform/unique_handle.h"

#include "platform/colours.h"

namespace varnel {
namespace {

// Flag bits that would make the dialogs call into hooks or templates we do not supply, or refuse
// every size; never taken from `flags`.
constexpr DWORD kFontFlagsNotPassed = CF_ENABLEHOOK | CF_ENABLETEMPLATE | CF_ENABLETEMPLATEHANDLE | CF_APPLY |
                                      CF_USESTYLE | CF_LIMITSIZE | CF_SHOWHELP;
constexpr DWORD kColorFlagsNotPassed = CC_ENABLEHOOK | CC_ENABLETEMPLATE | CC_ENABLETEMPLATEHANDLE | CC_SHOWHELP;

constexpr wchar_t kFontChoiceProperty[] = L"Varnel.FontChoice";

// What the font dialog's three lists show, read when it opens and when OK is pressed, so that a
// part the user did not touch keeps the program's own exact value.
struct FontDialogTexts {
  std::array<wchar_t, LF_FACESIZE + 8> face{};
  std::array<wchar_t, 64> style{};
  std::array<wchar_t, 16> size{};

  void Read(HWND dialog) noexcept {
    ::GetDlgItemTextW(dialog, cmb1, face.data(), static_cast<int>(face.size()));
    ::GetDlgItemTextW(dialog, cmb2, style.data(), static_cast<int>(style.size()));
    ::GetDlgItemTextW(dialog, cmb3, size.data(), static_cast<int>(size.size()));
  }
};

struct FontChoice {
  FontDialogTexts opened;
  FontDialogTexts confirmed;
  bool seenOpen = false;
  bool seenOk = false;
};

UINT_PTR CALLBACK FontDialogHook(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  if (msg == WM_INITDIALOG) {
    const auto* request = reinterpret_cast<const CHOOSEFONTW*>(lParam);
    auto* choice = request ? reinterpret_cast<FontChoice*>(request->lCustData) : nullptr;
    if (choice) {
      ::SetPropW(dialog, kFontChoiceProperty, choice);
      choice->opened.Read(dialog);
      choice->seenOpen = true;
    }
    return TRUE;  // let the dialog set the focus
  }
  auto* choice = static_cast<FontChoice*>(::GetPropW(dialog, kFontChoiceProperty));
  if (!choice) return FALSE;
  if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
    choice->confirmed.Read(dialog);
    choice->seenOk = true;
  } else if (msg == WM_DESTROY) {
    ::RemovePropW(dialog, kFontChoiceProperty);
  }
  return FALSE;  // the dialog's own handling always runs
}

// The colour dialog's hook only notes that the dialog opened.
UINT_PTR CALLBACK ColorDialogHook(HWND, UINT msg, WPARAM, LPARAM lParam) noexcept {
  if (msg == WM_INITDIALOG) {
    const auto* request = reinterpret_cast<const CHOOSECOLORW*>(lParam);
    if (request && request->lCustData) *reinterpret_cast<bool*>(request->lCustData) = true;
    return TRUE;
  }
  return FALSE;
}

// What a chooser's answer means. The hooks tell whether the dialog really opened: a chooser that
// never opened has failed, whatever it answered (Wine answers "chosen" when the dialog cannot be
// created, for example for an owner window that no longer exists).
ChooserOutcome OutcomeOf(BOOL answer, bool opened) noexcept {
  if (!opened) return ChooserOutcome::Failed;
  if (answer) return ChooserOutcome::Chosen;
  return ::CommDlgExtendedError() == 0 ? ChooserOutcome::Cancelled : ChooserOutcome::Failed;
}

template <std::size_t N>
bool SameText(const std::array<wchar_t, N>& a, const std::array<wchar_t, N>& b) noexcept {
  return std::wcscmp(a.data(), b.data()) == 0;
}

// Pixels per logical inch the font dialog converts heights with (the screen's).
int ScreenDpi() noexcept {
  const WindowDc screen(nullptr);
  const int dpi = screen.get() ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : 96;
}

// Marks a chooser as open for as long as it runs.
class ShowingScope {
 public:
  explicit ShowingScope(bool& showing) noexcept : showing_(showing) { showing_ = true; }
  ~ShowingScope() { showing_ = false; }
  ShowingScope(const ShowingScope&) = delete;
  ShowingScope& operator=(const ShowingScope&) = delete;

 private:
  bool& showing_;
};

}  // namespace

SharedChooser::SharedChooser() { customColors_.fill(RGB(255, 255, 255)); }

ChooserOutcome SharedChooser::ShowFont(HWND owner) {
  if (showing_) return ChooserOutcome::Failed;
  const ShowingScope scope(showing_);
  LOGFONTW font{};
  font.lfHeight = -static_cast<LONG>(std::lround(static_cast<double>(fontSize) * ScreenDpi() / 72.0));
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  font.lfItalic = italic ? TRUE : FALSE;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  const std::size_t nameLength = std::min<std::size_t>(fontName.size(), LF_FACESIZE - 1);
  std::copy_n(fontName.data(), nameLength, font.lfFaceName);
  const LOGFONTW initialFont = font;

  DWORD dialogFlags = static_cast<DWORD>(flags) & ~kFontFlagsNotPassed;
  if ((dialogFlags & CF_BOTH) == 0) dialogFlags |= CF_SCREENFONTS;
  // Vertical-writing faces ("@...") are of no use in a note.
  dialogFlags |= CF_INITTOLOGFONTSTRUCT | CF_ENABLEHOOK | CF_NOVERTFONTS;

  FontChoice choice;
  CHOOSEFONTW request{};
  request.lStructSize = sizeof request;
  request.hwndOwner = owner;
  request.lpLogFont = &font;
  request.Flags = dialogFlags;
  request.lCustData = reinterpret_cast<LPARAM>(&choice);
  request.lpfnHook = FontDialogHook;

  BOOL answer = ::ChooseFontW(&request);
  ChooserOutcome outcome = OutcomeOf(answer, choice.seenOpen);
  if (outcome == ChooserOutcome::Failed && (dialogFlags & CF_PRINTERFONTS)) {
    // No printer fonts to offer (no printer): offer the screen fonts instead.
    font = initialFont;
    choice = FontChoice{};
    request.Flags = (dialogFlags & ~CF_PRINTERFONTS) | CF_SCREENFONTS;
    answer = ::ChooseFontW(&request);
    outcome = OutcomeOf(answer, choice.seenOpen);
  }
  if (outcome != ChooserOutcome::Chosen) return outcome;

  // Without the reading at OK every part counts as changed and comes from the dialog.
  const bool known = choice.seenOk;
  if (!known || !SameText(choice.opened.face, choice.confirmed.face)) fontName = font.lfFaceName;
  if (!known || !SameText(choice.opened.style, choice.confirmed.style)) {
    bold = font.lfWeight > FW_MEDIUM;
    italic = font.lfItalic != 0;
  }
  if ((!known || !SameText(choice.opened.size, choice.confirmed.size)) && request.iPointSize > 0) {
    fontSize = static_cast<float>(request.iPointSize) / 10.0f;
  }
  return ChooserOutcome::Chosen;
}

ChooserOutcome SharedChooser::ShowColour(HWND owner) {
  if (showing_) return ChooserOutcome::Failed;
  const ShowingScope scope(showing_);
  CHOOSECOLORW request{};
  request.lStructSize = sizeof request;
  request.hwndOwner = owner;
  // A system colour value opens at the colour it paints now; an unusable value opens at black.
  request.rgbResult = ResolveColour(colour).value_or(0);
  request.lpCustColors = customColors_.data();
  request.Flags = (static_cast<DWORD>(flags) & ~kColorFlagsNotPassed) | CC_ENABLEHOOK;
  bool opened = false;
  request.lCustData = reinterpret_cast<LPARAM>(&opened);
  request.lpfnHook = ColorDialogHook;
  const BOOL answer = ::ChooseColorW(&request);
  const ChooserOutcome outcome = OutcomeOf(answer, opened);
  if (outcome != ChooserOutcome::Chosen) return outcome;
  colour = static_cast<std::int32_t>(request.rgbResult & 0x00FFFFFFu);
  return ChooserOutcome::Chosen;
}

}  // namespace varnel
