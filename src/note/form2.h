#pragma once
// A note window: one sticky note showing and editing its linked text file, restored from and
// saved to its record file.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/common_dialog.h"
#include "platform/unique_handle.h"
#include "platform/window_base.h"
#include "storage/code_page.h"
#include "storage/linked_text.h"
#include "note/unsaved_text.h"

namespace varnel {

class WebView;

class Form2 final : public WindowBase {
 public:
  static constexpr wchar_t kClassName[] = L"VarnelForm2";

  // commonDialog1: the main window's font and colour choosers, which every note borrows;
  // unsavedText: where edits go that cannot be written to the linked file at close. Both must
  // outlive the note.
  Form2(const CodePage& systemCodePage, CommonDialog& commonDialog1, UnsavedText& unsavedText);
  ~Form2() override;

  // Full path of the note's record file; set by the opener before Show, never changed here.
  std::wstring idfile;

  // Creates the window and runs Load; the note appears unless Load closed it.
  void Show();

  // Closes the note: Unload saves the record and the text if the record file still exists.
  void Close() noexcept;

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override;

 private:
  bool CreateWindows();
  void Load();
  void Unload() noexcept;
  bool LoadLinkedText();
  DWORD SaveLinkedText();

  void ApplyGeometry(const struct NoteRecord& record);
  void KeepOnScreen() noexcept;
  void ApplyTextFont() noexcept;
  void SetTooltip();
  void MakeTooltip(const MSG& firstMove) noexcept;
  void Layout() noexcept;
  std::wstring Text() const;

  void OnSize() noexcept;
  void OnWindowPosChanged(const WINDOWPOS& pos) noexcept;
  void OnGetMinMaxInfo(MINMAXINFO& info) const noexcept;
  void OnDpiChanged(int dpi, const RECT& suggested) noexcept;
  void OnEraseBackground(HDC dc) const noexcept;
  LRESULT OnTextColours(HDC dc) const noexcept;
  void OnButtonDown(UINT button, POINT client) noexcept;
  void OnMouseMove(POINT client) noexcept;
  void OnButtonUp() noexcept;
  bool OnContextMenu(LPARAM lParam) noexcept;

  // The popup menu (form2_menu.cpp).
  void SetUpMenu();
  void ShowMenu(POINT screen) noexcept;
  void ShowMenuAtText1() noexcept;
  void RunMenuCommand(UINT id);
  void menu1_Click();
  void menu2_Click();
  void menu3_Click();
  void menu4_Click();
  void menu5_Click();
  void menu6_Click();
  void menu7_Click();
  void SetBackColour(std::int32_t value) noexcept;
  bool ChooserBusy() const noexcept;
  static LRESULT CALLBACK Text1Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self) noexcept;

  const CodePage& codePage_;
  CommonDialog& commonDialog1_;
  UnsavedText& unsavedText_;
  int dpi_ = 96;

  // The window's geometry in twips, kept exact while the pixels agree with it.
  double left_ = 0, top_ = 0, width_ = 0, height_ = 0;

  // Linked text file and what was last read from or written to it.
  std::wstring textfile;
  TextFormat textFormat_;
  std::wstring savedText_;

  // Text1's properties and the window's background (colour values as stored).
  std::wstring fontName_;
  float fontSize_ = 9;
  bool bold_ = false;
  bool italic_ = false;
  std::int32_t textForeColour_ = 0;
  std::int32_t textBackColour_ = 0;
  std::int32_t windowBackColour_ = 0;

  // Dragging by the margin.
  int dragging = 0;
  double grabX = 0, grabY = 0;

  HWND text1_ = nullptr;    // child: destroyed with the window
  std::wstring tooltipText_;
  HWND tooltip_ = nullptr;  // owned popup, made on the mouse's first visit: destroyed with the window
  std::unique_ptr<WebView> webBrowser1_;
  UniqueFont font_;
  UniqueBrush textBrush_;
  UniqueBrush windowBrush_;
  UniqueMenu menu;  // never shown as a menu bar
};

}  // namespace varnel
