#include "tools/browser_frame/browser_host.h"

#include <ocidl.h>

namespace frame {

namespace {

const InterfaceEntry<BrowserHost> kInterfaces[] = {
    {&IID_IOleClientSite, [](BrowserHost* s) -> IUnknown* { return static_cast<IOleClientSite*>(s); }},
    {&IID_IOleWindow, [](BrowserHost* s) -> IUnknown* { return static_cast<IOleInPlaceSite*>(s); }},
    {&IID_IOleInPlaceSite, [](BrowserHost* s) -> IUnknown* { return static_cast<IOleInPlaceSite*>(s); }},
    {&IID_IOleInPlaceUIWindow, [](BrowserHost* s) -> IUnknown* { return static_cast<IOleInPlaceFrame*>(s); }},
    {&IID_IOleInPlaceFrame, [](BrowserHost* s) -> IUnknown* { return static_cast<IOleInPlaceFrame*>(s); }},
};

}  // namespace

HRESULT BrowserHost::QueryInterface(REFIID riid, void** out) { return FindInterface(this, kInterfaces, riid, out); }

ULONG BrowserHost::Release() {
    const ULONG count = refs_.Drop();
    if (count == 0) delete this;
    return count;
}

HRESULT BrowserHost::Open(IDispatch* events) {
    HRESULT hr = CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, control_.put_void());
    if (FAILED(hr)) return hr;
    hr = control_->SetClientSite(static_cast<IOleClientSite*>(this));
    if (FAILED(hr)) return hr;
    RECT area = host_->BrowserArea();
    hr = control_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(this), 0, host_->MainWindow(),
                          &area);
    if (FAILED(hr)) return hr;
    hr = control_->QueryInterface(IID_IWebBrowser2, browser_.put_void());
    if (FAILED(hr)) return hr;
    return Connect(events);
}

HRESULT BrowserHost::Connect(IDispatch* events) {
    vtb::ComPtr<IConnectionPointContainer> points;
    HRESULT hr = browser_->QueryInterface(IID_IConnectionPointContainer, points.put_void());
    if (FAILED(hr)) return hr;
    hr = points->FindConnectionPoint(DIID_DWebBrowserEvents2, eventsPoint_.put());
    if (FAILED(hr)) return hr;
    return eventsPoint_->Advise(events, &eventsCookie_);
}

void BrowserHost::Close() {
    if (eventsPoint_ && eventsCookie_) eventsPoint_->Unadvise(eventsCookie_);
    eventsPoint_.reset();
    eventsCookie_ = 0;
    browser_.reset();
    if (control_) {
        control_->Close(OLECLOSE_NOSAVE);
        control_->SetClientSite(nullptr);
        control_.reset();
    }
    host_ = nullptr;
}

void BrowserHost::Resize(const RECT& area) {
    vtb::ComPtr<IOleInPlaceObject> inPlace;
    if (control_ && SUCCEEDED(control_->QueryInterface(IID_IOleInPlaceObject, inPlace.put_void())))
        inPlace->SetObjectRects(&area, &area);
}

HRESULT BrowserHost::GetContainer(IOleContainer** container) {
    if (!container) return E_POINTER;
    *container = nullptr;
    return E_NOINTERFACE;
}

HRESULT BrowserHost::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = host_ ? host_->MainWindow() : nullptr;
    return *window ? S_OK : E_FAIL;
}

HRESULT BrowserHost::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, RECT* position, RECT* clip,
                                      OLEINPLACEFRAMEINFO* info) {
    if (!frame || !doc || !position || !clip || !info || !host_) return E_INVALIDARG;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *doc = nullptr;
    *position = *clip = host_->BrowserArea();
    info->fMDIApp = FALSE;
    info->hwndFrame = host_->MainWindow();
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

HRESULT BrowserHost::SetStatusText(LPCOLESTR text) {
    if (host_ && text && *text) host_->SetStatus(text);
    return S_OK;
}

}  // namespace frame
