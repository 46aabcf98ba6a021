#include "tools/browser_frame/band_site.h"

#include <shlguid.h>

namespace frame {

namespace {

const InterfaceEntry<BandSite> kInterfaces[] = {
    {&IID_IInputObjectSite, [](BandSite* s) -> IUnknown* { return static_cast<IInputObjectSite*>(s); }},
    {&IID_IOleWindow, [](BandSite* s) -> IUnknown* { return static_cast<IOleWindow*>(s); }},
    {&IID_IOleCommandTarget, [](BandSite* s) -> IUnknown* { return static_cast<IOleCommandTarget*>(s); }},
    {&IID_IServiceProvider, [](BandSite* s) -> IUnknown* { return static_cast<IServiceProvider*>(s); }},
};

}  // namespace

HRESULT BandSite::QueryInterface(REFIID riid, void** out) { return FindInterface(this, kInterfaces, riid, out); }

ULONG BandSite::Release() {
    const ULONG count = refs_.Drop();
    if (count == 0) delete this;
    return count;
}

HRESULT BandSite::OnFocusChangeIS(IUnknown* object, BOOL focused) {
    if (host_) host_->OnBandFocus(object, focused != FALSE);
    return S_OK;
}

HRESULT BandSite::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = host_ ? host_->BandParent() : nullptr;
    return *window ? S_OK : E_FAIL;
}

HRESULT BandSite::Exec(const GUID* group, DWORD id, DWORD, VARIANT*, VARIANT*) {
    if (!group || !IsEqualGUID(*group, CGID_DeskBand)) return OLECMDERR_E_UNKNOWNGROUP;
    if (id != DBID_BANDINFOCHANGED) return OLECMDERR_E_NOTSUPPORTED;
    if (host_) host_->OnBandInfoChanged();
    return S_OK;
}

HRESULT BandSite::QueryService(REFGUID service, REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    IWebBrowser2* browser = host_ ? host_->Browser() : nullptr;
    if (browser && IsEqualGUID(service, SID_SWebBrowserApp)) return browser->QueryInterface(riid, out);
    return E_NOINTERFACE;
}

}  // namespace frame
