#pragma once
// A top-level window bound to a C++ object: one window procedure for all of them binds the object
// at WM_NCCREATE, dispatches to OnMessage, and unbinds at WM_NCDESTROY.
//
// There is one way to close: Destroy() asks the window system to destroy the window while the
// object is still bound, so the object sees WM_DESTROY (clean-up of what lives with the window)
// and then WM_NCDESTROY, where the binding ends. A window the system destroys by itself goes the
// same way.

#include <windows.h>

namespace varnel {

class WindowBase {
 public:
  WindowBase() = default;
  WindowBase(const WindowBase&) = delete;
  WindowBase& operator=(const WindowBase&) = delete;
  // A window still open here is destroyed without reaching the derived class, which is gone.
  virtual ~WindowBase();

  HWND hwnd() const noexcept { return hwnd_; }
  bool IsOpen() const noexcept { return hwnd_ != nullptr; }

  // The procedure every window class of ours registers.
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

 protected:
  // Creates the window; returns false when the window system refuses.
  bool Create(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle, int x, int y,
              int width, int height, HWND owner);

  // Destroys the window; WM_DESTROY and WM_NCDESTROY reach OnMessage on the way.
  void Destroy() noexcept;

  virtual LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  LRESULT DefaultProcedure(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

  // Runs once the window system has destroyed the window (after WM_NCDESTROY).
  virtual void OnGone() noexcept {}

 private:
  HWND hwnd_ = nullptr;
};

// Registers a window class of ours once per process; returns false if the window system refuses.
bool RegisterWindowClass(const wchar_t* className, UINT style, HICON icon, HICON smallIcon);

}  // namespace varnel
