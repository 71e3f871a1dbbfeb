// The web strip: the WebBrowser control in a child window of the note, hosted by a minimal OLE
// in-place site (client site, in-place site and frame, host UI handler) and watched through its
// DWebBrowserEvents2 events.
//
// The site objects are members of the strip: the control counts its references on them but never
// deletes them, and closing the control (Close) takes every reference back before they go away.

#include "platform/web_view.h"

#include <exdisp.h>
#include <exdispid.h>
#include <mshtmhst.h>
#include <ole2.h>
#include <wrl/client.h>

#include <algorithm>

namespace varnel {
namespace {

using Microsoft::WRL::ComPtr;

constexpr wchar_t kStripClass[] = L"VarnelWebStrip";

// The strip's own window only holds the control's window; the default procedure serves it.
bool RegisterStripClass() noexcept {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kStripClass;
  return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

struct BstrFree {
  void operator()(BSTR text) const noexcept { ::SysFreeString(text); }
};
using UniqueBstr = std::unique_ptr<OLECHAR, BstrFree>;

// Event arguments arrive either as the value itself or by reference to a VARIANT holding it.
const VARIANT& Deref(const VARIANT& arg) noexcept {
  if (arg.vt == (VT_BYREF | VT_VARIANT) && arg.pvarVal != nullptr) return *arg.pvarVal;
  return arg;
}

std::wstring TextOf(const VARIANT& arg) {
  const VARIANT& value = Deref(arg);
  if (value.vt == VT_BSTR && value.bstrVal != nullptr) {
    return std::wstring(value.bstrVal, ::SysStringLen(value.bstrVal));
  }
  if (value.vt == (VT_BYREF | VT_BSTR) && value.pbstrVal != nullptr && *value.pbstrVal != nullptr) {
    return std::wstring(*value.pbstrVal, ::SysStringLen(*value.pbstrVal));
  }
  return {};
}

void Cancel(VARIANT& arg) noexcept {
  if (arg.vt == (VT_BYREF | VT_BOOL) && arg.pboolVal != nullptr) *arg.pboolVal = VARIANT_TRUE;
}

}  // namespace

class WebView::Impl {
 public:
  Impl(HWND parent, const CLSID& control) noexcept : parent_(parent), control_(control) {}
  ~Impl() { Close(); }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  // The control's site: where it lives (our strip window), its frame (the note), and what host UI it
  // may show (none: no context menu, no border).
  class Site final : public IOleClientSite,
                     public IOleInPlaceSite,
                     public IOleInPlaceFrame,
                     public IDocHostUIHandler {
   public:
    explicit Site(Impl& owner) noexcept : owner_(owner) {}
    ULONG References() const noexcept { return references_; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override {
      if (object == nullptr) return E_POINTER;
      *object = nullptr;
      if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
        *object = static_cast<IOleClientSite*>(this);
      } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) {
        *object = static_cast<IOleInPlaceSite*>(this);
      } else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) {
        *object = static_cast<IOleInPlaceFrame*>(this);
      } else if (iid == IID_IDocHostUIHandler) {
        *object = static_cast<IDocHostUIHandler*>(this);
      } else {
        return E_NOINTERFACE;
      }
      AddRef();
      return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
      return references_ > 0 ? --references_ : 0;
    }

    // IOleWindow (for both the in-place site and the frame)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) noexcept override {
      if (window == nullptr) return E_POINTER;
      *window = owner_.strip_;
      return owner_.strip_ != nullptr ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(WINBOOL) noexcept override { return E_NOTIMPL; }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) noexcept override {
      if (moniker != nullptr) *moniker = nullptr;
      return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) noexcept override {
      if (container != nullptr) *container = nullptr;
      return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(WINBOOL) noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() noexcept override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                               LPRECT position, LPRECT clip,
                                               LPOLEINPLACEFRAMEINFO info) noexcept override {
      if (frame == nullptr || document == nullptr || position == nullptr || clip == nullptr ||
          info == nullptr) {
        return E_INVALIDARG;
      }
      *frame = static_cast<IOleInPlaceFrame*>(this);
      AddRef();
      *document = nullptr;
      *position = owner_.StripArea();
      *clip = *position;
      info->fMDIApp = FALSE;
      info->hwndFrame = ::GetAncestor(owner_.parent_, GA_ROOT);
      info->haccel = nullptr;
      info->cAccelEntries = 0;
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(WINBOOL) noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() noexcept override { return S_OK; }
    // The note decides where the strip goes; the control does not move itself.
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) noexcept override { return S_OK; }

    // IOleInPlaceUIWindow, IOleInPlaceFrame: no toolbars, menus or status line to share.
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) noexcept override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) noexcept override {
      return INPLACE_E_NOTOOLSPACE;
    }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) noexcept override {
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) noexcept override {
      return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) noexcept override { return S_OK; }
    // Also IDocHostUIHandler::EnableModeless.
    HRESULT STDMETHODCALLTYPE EnableModeless(WINBOOL) noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) noexcept override { return S_FALSE; }

    // IDocHostUIHandler
    HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) noexcept override {
      return S_OK;  // handled: the strip shows no context menu
    }
    HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* host) noexcept override {
      if (host == nullptr) return E_POINTER;
      host->dwFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_DISABLE_HELP_MENU;
      host->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                     IOleInPlaceUIWindow*) noexcept override {
      return S_OK;  // no toolbars or menus of the control's
    }
    HRESULT STDMETHODCALLTYPE HideUI() noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UpdateUI() noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(WINBOOL) noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(WINBOOL) noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, WINBOOL) noexcept override {
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, const GUID*, DWORD) noexcept override {
      return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD) noexcept override {
      if (key != nullptr) *key = nullptr;
      return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget*, IDropTarget** target) noexcept override {
      if (target != nullptr) *target = nullptr;
      return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** external) noexcept override {
      if (external != nullptr) *external = nullptr;
      return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD, LPWSTR, LPWSTR* out) noexcept override {
      if (out != nullptr) *out = nullptr;
      return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject*, IDataObject** out) noexcept override {
      if (out != nullptr) *out = nullptr;
      return S_FALSE;
    }

   private:
    Impl& owner_;
    ULONG references_ = 0;
  };

  // The control's events: notes which pages it starts to load, and keeps it where it was put: no
  // new windows, no error page in place of the asked one.
  class Events final : public DWebBrowserEvents2 {
   public:
    explicit Events(Impl& owner) noexcept : owner_(owner) {}
    ULONG References() const noexcept { return references_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override {
      if (object == nullptr) return E_POINTER;
      *object = nullptr;
      if (iid != IID_IUnknown && iid != IID_IDispatch && iid != DIID_DWebBrowserEvents2) {
        return E_NOINTERFACE;
      }
      *object = static_cast<DWebBrowserEvents2*>(this);
      AddRef();
      return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
      return references_ > 0 ? --references_ : 0;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
      if (count == nullptr) return E_POINTER;
      *count = 0;
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override {
      if (info != nullptr) *info = nullptr;
      return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
      return E_NOTIMPL;
    }
    // Arguments arrive last first: rgvarg[0] is the event's last parameter.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID event, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                     EXCEPINFO*, UINT*) noexcept override {
      if (params == nullptr || params->rgvarg == nullptr) return S_OK;
      try {
        switch (event) {
          case DISPID_BEFORENAVIGATE2:  // (pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
            if (params->cArgs == 7 && owner_.IsTopLevel(params->rgvarg[6])) {
              owner_.navigations_.push_back(TextOf(params->rgvarg[5]));
            }
            break;
          case DISPID_NEWWINDOW2:  // (ppDisp, Cancel)
            if (params->cArgs == 2) Cancel(params->rgvarg[0]);
            break;
          case DISPID_NEWWINDOW3:  // (ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl)
            if (params->cArgs == 5) Cancel(params->rgvarg[3]);
            break;
          case DISPID_NAVIGATEERROR:  // (pDisp, URL, Frame, StatusCode, Cancel)
            if (params->cArgs == 5) Cancel(params->rgvarg[0]);
            break;
          default:
            break;
        }
      } catch (...) {
        // Out of memory while noting a URL: the note goes on without the entry.
      }
      return S_OK;
    }

   private:
    Impl& owner_;
    ULONG references_ = 0;
  };

  RECT StripArea() const noexcept {
    return RECT{0, 0, std::max(0L, bounds_.right - bounds_.left), std::max(0L, bounds_.bottom - bounds_.top)};
  }

  // Whether an event's pDisp is our browser itself rather than a frame inside the page.
  bool IsTopLevel(const VARIANT& arg) const noexcept {
    const VARIANT& value = Deref(arg);
    IUnknown* source = nullptr;
    if (value.vt == VT_DISPATCH) source = value.pdispVal;
    if (value.vt == (VT_BYREF | VT_DISPATCH) && value.ppdispVal != nullptr) source = *value.ppdispVal;
    if (source == nullptr || !browser_) return true;
    ComPtr<IUnknown> sourceIdentity;
    ComPtr<IUnknown> browserIdentity;
    if (FAILED(source->QueryInterface(IID_PPV_ARGS(sourceIdentity.GetAddressOf()))) ||
        FAILED(browser_.As(&browserIdentity))) {
      return true;
    }
    return sourceIdentity.Get() == browserIdentity.Get();
  }

  void Create() noexcept {
    if (attempted_) return;
    attempted_ = true;
    if (!::IsWindow(parent_) || !RegisterStripClass()) return;
    const RECT area = StripArea();
    strip_ = ::CreateWindowExW(0, kStripClass, L"", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, bounds_.left,
                               bounds_.top, area.right, area.bottom, parent_, nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
    if (strip_ == nullptr) return;
    if (!Embed()) {
      Close();
      return;
    }
    if (!url_.empty()) NavigateNow();
    if (visible_) ::ShowWindow(strip_, SW_SHOWNA);
  }

  bool Embed() noexcept {
    if (FAILED(::CoCreateInstance(control_, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(object_.GetAddressOf())))) {
      return false;
    }
    // The site first, so that the control finds our host UI handler when it makes its document.
    if (FAILED(object_->SetClientSite(static_cast<IOleClientSite*>(&site_)))) return false;
    ::OleSetContainedObject(object_.Get(), TRUE);
    if (FAILED(object_.As(&browser_))) return false;
    browser_->put_Silent(VARIANT_TRUE);                // no script error or other dialogs
    browser_->put_RegisterAsDropTarget(VARIANT_FALSE);  // a file dropped on the strip opens nothing

    ComPtr<IConnectionPointContainer> points;
    if (SUCCEEDED(object_.As(&points)) &&
        SUCCEEDED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, events_.GetAddressOf())) &&
        FAILED(events_->Advise(static_cast<DWebBrowserEvents2*>(&events_sink_), &cookie_))) {
      events_.Reset();
    }

    // In-place active only: the control gets its window but not the keyboard focus.
    RECT area = StripArea();
    return SUCCEEDED(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(&site_),
                                     0, strip_, &area));
  }

  void NavigateNow() noexcept {
    UniqueBstr url(::SysAllocStringLen(url_.data(), static_cast<UINT>(url_.size())));
    if (!url) return;
    VARIANT none;
    ::VariantInit(&none);
    browser_->Navigate(url.get(), &none, &none, &none, &none);
  }

  void ApplyBounds() noexcept {
    if (strip_ == nullptr) return;
    const RECT area = StripArea();
    ::MoveWindow(strip_, bounds_.left, bounds_.top, area.right, area.bottom, TRUE);
    ComPtr<IOleInPlaceObject> inPlace;
    if (object_ && SUCCEEDED(object_.As(&inPlace))) inPlace->SetObjectRects(&area, &area);
  }

  void Close() noexcept {
    attempted_ = true;
    if (events_) {
      events_->Unadvise(cookie_);
      events_.Reset();
      cookie_ = 0;
    }
    if (browser_) {
      browser_->Stop();
      browser_.Reset();
    }
    if (object_) {
      ComPtr<IOleInPlaceObject> inPlace;
      if (SUCCEEDED(object_.As(&inPlace))) inPlace->InPlaceDeactivate();
      inPlace.Reset();
      object_->Close(OLECLOSE_NOSAVE);
      object_->SetClientSite(nullptr);
      object_.Reset();
    }
    if (strip_ != nullptr) {
      // Gone already when the note window was destroyed first.
      if (::IsWindow(strip_) && ::GetParent(strip_) == parent_) ::DestroyWindow(strip_);
      strip_ = nullptr;
    }
  }

  HWND parent_;
  CLSID control_;
  HWND strip_ = nullptr;
  std::wstring url_;
  RECT bounds_{};
  bool visible_ = false;
  bool attempted_ = false;  // creation tried (or the strip closed): never tried again
  std::vector<std::wstring> navigations_;
  Site site_{*this};
  Events events_sink_{*this};
  ComPtr<IOleObject> object_;
  ComPtr<IWebBrowser2> browser_;
  ComPtr<IConnectionPoint> events_;
  DWORD cookie_ = 0;
};

WebView::WebView(HWND parent) : WebView(parent, CLSID_WebBrowser) {}

WebView::WebView(HWND parent, const CLSID& control) : impl_(std::make_unique<Impl>(parent, control)) {}

WebView::~WebView() = default;

void WebView::Navigate(const std::wstring& url) noexcept {
  try {
    impl_->url_ = url;
  } catch (...) {
    return;  // out of memory: the strip keeps the page it had
  }
  if (impl_->browser_) impl_->NavigateNow();
}

const std::wstring& WebView::Url() const noexcept { return impl_->url_; }

void WebView::SetVisible(bool visible) noexcept {
  impl_->visible_ = visible;
  if (visible && !impl_->attempted_) {
    impl_->Create();
    return;
  }
  if (impl_->strip_ != nullptr) ::ShowWindow(impl_->strip_, visible ? SW_SHOWNA : SW_HIDE);
}

bool WebView::Visible() const noexcept { return impl_->visible_; }

void WebView::SetBounds(const RECT& pixels) noexcept {
  impl_->bounds_ = pixels;
  impl_->ApplyBounds();
}

RECT WebView::Bounds() const noexcept { return impl_->bounds_; }

bool WebView::Created() const noexcept { return static_cast<bool>(impl_->object_); }

HWND WebView::Window() const noexcept { return impl_->strip_; }

void WebView::Close() noexcept { impl_->Close(); }

const std::vector<std::wstring>& WebView::NavigationsStarted() const noexcept { return impl_->navigations_; }

std::wstring WebView::LocationUrl() const {
  if (!impl_->browser_) return {};
  BSTR raw = nullptr;
  if (FAILED(impl_->browser_->get_LocationURL(&raw))) return {};
  UniqueBstr location(raw);
  if (!location) return {};
  return std::wstring(location.get(), ::SysStringLen(location.get()));
}

unsigned long WebView::SiteReferences() const noexcept {
  return impl_->site_.References() + impl_->events_sink_.References();
}

}  // namespace varnel
