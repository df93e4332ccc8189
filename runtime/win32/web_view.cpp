#include "runtime/win32/web_view.h"

// clang-format off
#include <windows.h>
#include <ole2.h>
#include <exdisp.h>
#include <oleauto.h>
#include <wrl/client.h>
// clang-format on

namespace runtime::win32 {

using Microsoft::WRL::ComPtr;

namespace {

// What the browser asks of the window it lives in. It is owned by its WebView, which takes
// it back from the browser before it goes, so counting references is not needed here.
class Site final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
  public:
    Site(HWND parent, const RECT& rect) : parent_(parent), rect_(rect) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite))
            *out = static_cast<IOleClientSite*>(this);
        else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite))
            *out = static_cast<IOleInPlaceSite*>(this);
        else if (IsEqualIID(iid, IID_IOleInPlaceUIWindow) || IsEqualIID(iid, IID_IOleInPlaceFrame))
            *out = static_cast<IOleInPlaceFrame*>(this);
        else
            return E_NOINTERFACE;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** out) override {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow, for both the site and the frame
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override {
        if (!out) return E_POINTER;
        *out = parent_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                               LPRECT position, LPRECT clip,
                                               LPOLEINPLACEFRAMEINFO info) override {
        if (frame) *frame = this;
        if (doc) *doc = nullptr;
        if (position) *position = rect_;
        if (clip) *clip = rect_;
        if (info) {
            info->fMDIApp = FALSE;
            info->hwndFrame = parent_;
            info->haccel = nullptr;
            info->cAccelEntries = 0;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no toolbars, menus or status line to share.
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override {
        return INPLACE_E_NOTOOLSPACE;
    }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  private:
    HWND parent_;
    RECT rect_;
};

// OLE on this thread for as long as a browser lives.
class OleScope {
  public:
    OleScope() : ok_(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleScope() {
        if (ok_) OleUninitialize();
    }
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;
    bool ok() const { return ok_; }

  private:
    bool ok_;
};

class Bstr {
  public:
    explicit Bstr(const std::wstring& text)
        : text_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { SysFreeString(text_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return text_; }

  private:
    BSTR text_;
};

}  // namespace

// Declared in this order so that the browser goes before its site, and OLE after both.
struct WebView::Parts {
    Parts(HWND parent, const RECT& rect) : site(parent, rect) {}
    OleScope ole;
    Site site;
    ComPtr<IOleObject> object;
    ComPtr<IWebBrowser2> browser;
    bool attached = false;
};

WebView::WebView(Key) {}

std::unique_ptr<WebView> WebView::create(HWND parent, const RECT& rect) {
    auto view = std::make_unique<WebView>(Key{});
    view->parts_ = std::make_unique<Parts>(parent, rect);
    Parts& p = *view->parts_;
    if (!p.ole.ok()) return nullptr;
    if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&p.object))))
        return nullptr;
    if (FAILED(p.object->SetClientSite(&p.site))) return nullptr;
    p.attached = true;
    OleSetContainedObject(p.object.Get(), TRUE);
    RECT where = rect;
    if (FAILED(p.object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &p.site, 0, parent, &where)))
        return nullptr;
    if (FAILED(p.object.As(&p.browser))) return nullptr;
    // A page's script error or certificate question must not stop the program with a dialog.
    p.browser->put_Silent(VARIANT_TRUE);
    return view;
}

WebView::~WebView() {
    if (!parts_) return;
    Parts& p = *parts_;
    if (p.browser) p.browser->Stop();
    p.browser.Reset();
    if (p.object) {
        p.object->Close(OLECLOSE_NOSAVE);
        if (p.attached) p.object->SetClientSite(nullptr);
        p.object.Reset();
    }
}

bool WebView::navigate(const std::wstring& address) {
    if (!parts_ || !parts_->browser) return false;
    Bstr url(address);
    VARIANT flags;
    VariantInit(&flags);
    flags.vt = VT_I4;
    flags.lVal = navNoHistory;
    VARIANT empty;
    VariantInit(&empty);
    return SUCCEEDED(parts_->browser->Navigate(url.get(), &flags, &empty, &empty, &empty));
}

}  // namespace runtime::win32
