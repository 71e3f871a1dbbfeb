#pragma once
// The web strip of a note: the system's WebBrowser control hosted in a child window of the note
// through a small OLE in-place site of our own.
//
// Nothing is created until the strip is first shown: under Wine one control costs 3-10 ms (15-50 ms
// for the first in the program) and some memory, 0.3-1 s over 101 notes at start-up, and a note whose
// strip stays hidden never pays it. The page asked for is remembered and loaded when the control
// comes to life. When the control cannot be created (no window to live in, no browser engine) the
// note carries on without a strip: every method stays safe and Visible() still reports what the note
// asked for.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace varnel {

class WebView {
 public:
  // parent: the note window whose client area holds the strip. Creates nothing yet.
  explicit WebView(HWND parent);
  // The same with another control class in place of the system WebBrowser; tests name one that is
  // not registered to see a note get on without its strip.
  WebView(HWND parent, const CLSID& control);
  ~WebView();
  WebView(const WebView&) = delete;
  WebView& operator=(const WebView&) = delete;

  // Remembers the page; loads it now if the control exists, else as soon as it is created.
  void Navigate(const std::wstring& url) noexcept;
  const std::wstring& Url() const noexcept;

  // Shows or hides the strip; the first show creates the control.
  void SetVisible(bool visible) noexcept;
  // The strip's visibility as the note asked for it, even if the control could not be created.
  bool Visible() const noexcept;

  // Position in the parent's client area, in pixels; remembered until the control exists.
  void SetBounds(const RECT& pixels) noexcept;
  RECT Bounds() const noexcept;

  // True while the control lives (created, not yet closed).
  bool Created() const noexcept;
  // The strip's own child window of the parent, or null while there is no control.
  HWND Window() const noexcept;

  // Closes the control and destroys the strip's window. The note calls this while its window still
  // exists (WM_DESTROY); the destructor calls it too. The strip is not created again afterwards.
  void Close() noexcept;

  // Top-level pages the control began to load (one entry per navigation it started), in order.
  const std::vector<std::wstring>& NavigationsStarted() const noexcept;
  // The page the control reports it shows; empty when it reports none.
  std::wstring LocationUrl() const;
  // References the control still holds on our site objects; 0 whenever there is no control.
  unsigned long SiteReferences() const noexcept;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace varnel
