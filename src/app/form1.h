#pragma once
// The main window: the program's start-up object and the owner of every note.

#include <windows.h>

#include <memory>
#include <string>

#include "platform/unique_handle.h"
#include "platform/window_base.h"

namespace varnel {

class Form1 final : public WindowBase {
 public:
  static constexpr wchar_t kClassName[] = L"VarnelForm1";
  static constexpr wchar_t kCaption[] = L" Varnel ver2.0";

  Form1() = default;

  // Creates the main window, hidden; nullptr when the window system refuses.
  static std::unique_ptr<Form1> Create();

  // Start-up after the single-instance check; shows the main window last.
  void Load(int showCommand);

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override;

 private:
  void ApplyDesignSize(int dpi, const RECT* suggested) noexcept;
  void OnPaint() noexcept;
  void OnEraseBackground(HDC dc) noexcept;
  void OnDpiChanged(int dpi, const RECT& suggested) noexcept;
  void OnClose() noexcept;
  LRESULT OnEndSession(bool ending) noexcept;
  void Unload() noexcept;

  int dpi_ = 96;
  bool unloaded_ = false;
  UniqueIcon icon_;
  UniqueIcon smallIcon_;
  UniqueBrush background_;
  UniqueFont labelFont_;
};

}  // namespace varnel
