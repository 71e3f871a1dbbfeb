#include "app/drop_target.h"

#include <shellapi.h>

#include <utility>

namespace varnel {
namespace {

FORMATETC FileListFormat() noexcept { return FORMATETC{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

// One owner for the storage a data object hands out.
class UniqueStgMedium {
 public:
  UniqueStgMedium() noexcept = default;
  UniqueStgMedium(const UniqueStgMedium&) = delete;
  UniqueStgMedium& operator=(const UniqueStgMedium&) = delete;
  ~UniqueStgMedium() {
    if (filled_) ::ReleaseStgMedium(&medium_);
  }

  // Asks data for format; true when the medium now holds it.
  bool Get(IDataObject* data, FORMATETC format) noexcept {
    filled_ = SUCCEEDED(data->GetData(&format, &medium_));
    return filled_;
  }
  const STGMEDIUM& get() const noexcept { return medium_; }

 private:
  STGMEDIUM medium_{};
  bool filled_ = false;
};

}  // namespace

DropTarget::DropTarget(Handler onDrop) noexcept : onDrop_(std::move(onDrop)) {}

DropTarget::~DropTarget() { Revoke(); }

HRESULT DropTarget::Register(HWND window) noexcept {
  if (window_ != nullptr) return window_ == window ? S_OK : E_UNEXPECTED;
  HRESULT result = ::RegisterDragDrop(window, this);
  if (SUCCEEDED(result)) window_ = window;
  return result;
}

void DropTarget::Revoke() noexcept {
  if (window_ == nullptr) return;
  ::RevokeDragDrop(std::exchange(window_, nullptr));
  offersFiles_ = false;
}

bool DropTarget::OffersFiles(IDataObject* data) noexcept {
  if (data == nullptr) return false;
  FORMATETC format = FileListFormat();
  return data->QueryGetData(&format) == S_OK;
}

std::optional<std::wstring> DropTarget::FirstFile(IDataObject* data) noexcept {
  if (data == nullptr) return std::nullopt;
  UniqueStgMedium medium;
  if (!medium.Get(data, FileListFormat())) return std::nullopt;
  if (medium.get().tymed != TYMED_HGLOBAL || medium.get().hGlobal == nullptr) return std::nullopt;
  auto list = static_cast<HDROP>(medium.get().hGlobal);
  if (::DragQueryFileW(list, 0xFFFFFFFF, nullptr, 0) == 0) return std::nullopt;
  UINT length = ::DragQueryFileW(list, 0, nullptr, 0);
  if (length == 0) return std::nullopt;
  try {
    std::wstring path(static_cast<size_t>(length) + 1, L'\0');
    UINT copied = ::DragQueryFileW(list, 0, path.data(), length + 1);
    if (copied == 0) return std::nullopt;
    path.resize(copied);
    return path;
  } catch (...) {
    return std::nullopt;
  }
}

HRESULT DropTarget::QueryInterface(REFIID iid, void** object) noexcept {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDropTarget) {
    *object = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG DropTarget::AddRef() noexcept { return ++references_; }

// Never deletes: the owner keeps the object alive for as long as it is registered.
ULONG DropTarget::Release() noexcept { return references_ > 0 ? --references_ : 0; }

DWORD DropTarget::EffectFor(DWORD allowed) const noexcept {
  if (!offersFiles_) return DROPEFFECT_NONE;
  // The dropped file is only read, never taken away: a copy, or a link when the source allows
  // nothing else; a move is never claimed, so the source keeps its file.
  if (allowed & DROPEFFECT_COPY) return DROPEFFECT_COPY;
  if (allowed & DROPEFFECT_LINK) return DROPEFFECT_LINK;
  return DROPEFFECT_NONE;
}

HRESULT DropTarget::DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) noexcept {
  if (effect == nullptr) return E_INVALIDARG;
  offersFiles_ = OffersFiles(data);
  *effect = EffectFor(*effect);
  return S_OK;
}

HRESULT DropTarget::DragOver(DWORD, POINTL, DWORD* effect) noexcept {
  if (effect == nullptr) return E_INVALIDARG;
  *effect = EffectFor(*effect);
  return S_OK;
}

HRESULT DropTarget::DragLeave() noexcept {
  offersFiles_ = false;
  return S_OK;
}

HRESULT DropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) noexcept {
  if (effect == nullptr) return E_INVALIDARG;
  // The drop's own data decides, whatever the last hover said.
  offersFiles_ = OffersFiles(data);
  DWORD chosen = EffectFor(*effect);
  offersFiles_ = false;
  std::optional<std::wstring> first = chosen != DROPEFFECT_NONE ? FirstFile(data) : std::nullopt;
  *effect = first ? chosen : DROPEFFECT_NONE;
  if (first && onDrop_) {
    try {
      onDrop_(*first);
    } catch (...) {
      // The handler reports its own failures; nothing may leave a COM method.
    }
  }
  return S_OK;
}

}  // namespace varnel
