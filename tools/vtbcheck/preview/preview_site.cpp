#include "tools/vtbcheck/preview/preview_site.h"

namespace vtbpreview {

HRESULT PreviewSite::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IInputObjectSite))
        *out = static_cast<IInputObjectSite*>(this);
    else if (IsEqualIID(riid, IID_IOleWindow))
        *out = static_cast<IOleWindow*>(this);
    else if (IsEqualIID(riid, IID_IOleCommandTarget))
        *out = static_cast<IOleCommandTarget*>(this);
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT PreviewSite::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = window_;
    return S_OK;
}

HRESULT PreviewSite::Exec(const GUID* group, DWORD id, DWORD, VARIANT*, VARIANT*) {
    if (!group || !IsEqualGUID(*group, CGID_DeskBand)) return OLECMDERR_E_UNKNOWNGROUP;
    if (id != DBID_BANDINFOCHANGED) return OLECMDERR_E_NOTSUPPORTED;
    sizeChanged_ = true;
    return S_OK;
}

}  // namespace vtbpreview
