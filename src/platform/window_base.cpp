#include "platform/window_base.h"

namespace varnel {

WindowBase::~WindowBase() {
  HWND hwnd = hwnd_;
  if (hwnd == nullptr) return;
  ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  hwnd_ = nullptr;
  ::DestroyWindow(hwnd);
}

bool WindowBase::Create(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle, int x,
                        int y, int width, int height, HWND owner) {
  HWND created = ::CreateWindowExW(exStyle, className, title, style, x, y, width, height, owner, nullptr,
                                   ::GetModuleHandleW(nullptr), this);
  return created != nullptr;
}

void WindowBase::Destroy() noexcept {
  if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
}

LRESULT WindowBase::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  return DefaultProcedure(msg, wParam, lParam);
}

LRESULT WindowBase::DefaultProcedure(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
}

LRESULT CALLBACK WindowBase::Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* self = static_cast<WindowBase*>(create->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<WindowBase*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    LRESULT result = self->OnMessage(msg, wParam, lParam);
    self->hwnd_ = nullptr;
    self->OnGone();
    return result;
  }
  return self->OnMessage(msg, wParam, lParam);
}

bool RegisterWindowClass(const wchar_t* className, UINT style, HICON icon, HICON smallIcon) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExW(instance, className, &existing)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = &WindowBase::Procedure;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hIconSm = smallIcon;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = className;
  return ::RegisterClassExW(&wc) != 0;
}

}  // namespace varnel
