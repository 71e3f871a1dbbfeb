#pragma once
// The main window's OLE drop target: it accepts drags that carry a file list (CF_HDROP) and
// hands the first file of a drop to its owner. Anything else (dragged text, pictures) is refused
// while it hovers, so the user sees the no-drop cursor.
//
// The object lives inside its owner and is never deleted through Release: the reference count
// only tells whether OLE still holds it. Register after the window exists and Revoke before it
// is destroyed.

#include <windows.h>
#include <ole2.h>

#include <functional>
#include <optional>
#include <string>

namespace varnel {

class DropTarget final : public IDropTarget {
 public:
  // Called with the first dropped file; must not throw (what it throws is dropped here).
  using Handler = std::function<void(const std::wstring& path)>;

  explicit DropTarget(Handler onDrop) noexcept;
  DropTarget(const DropTarget&) = delete;
  DropTarget& operator=(const DropTarget&) = delete;
  ~DropTarget();

  // Makes this the drop target of window (OLE must be initialised on this thread).
  HRESULT Register(HWND window) noexcept;
  // Takes the registration back; does nothing when not registered.
  void Revoke() noexcept;
  bool registered() const noexcept { return window_ != nullptr; }

  // References held by others (OLE while registered, a drag in progress).
  ULONG references() const noexcept { return references_; }

  // Whether data offers a file list.
  static bool OffersFiles(IDataObject* data) noexcept;
  // The first path of data's file list; nothing without a list or when the list is empty.
  static std::optional<std::wstring> FirstFile(IDataObject* data) noexcept;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override;
  ULONG STDMETHODCALLTYPE AddRef() noexcept override;
  ULONG STDMETHODCALLTYPE Release() noexcept override;

  // IDropTarget
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) noexcept override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) noexcept override;
  HRESULT STDMETHODCALLTYPE DragLeave() noexcept override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) noexcept override;

 private:
  // The effect shown for a drag whose source allows the given effects.
  DWORD EffectFor(DWORD allowed) const noexcept;

  Handler onDrop_;
  HWND window_ = nullptr;
  ULONG references_ = 0;
  bool offersFiles_ = false;  // of the drag now over the window
};

}  // namespace varnel
