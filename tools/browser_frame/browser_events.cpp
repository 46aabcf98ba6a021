#include "tools/browser_frame/browser_events.h"

#include <exdispid.h>

#include <string>

namespace frame {

namespace {

const InterfaceEntry<BrowserEvents> kInterfaces[] = {
    {&IID_IDispatch, [](BrowserEvents* s) -> IUnknown* { return static_cast<IDispatch*>(s); }},
    {&DIID_DWebBrowserEvents2, [](BrowserEvents* s) -> IUnknown* { return static_cast<IDispatch*>(s); }},
};

// Arguments arrive last first; a text may come by value or by reference.
const VARIANT* Argument(const DISPPARAMS* params, UINT fromFirst) {
    if (!params || fromFirst >= params->cArgs) return nullptr;
    const VARIANT* arg = &params->rgvarg[params->cArgs - 1 - fromFirst];
    if (V_VT(arg) == (VT_VARIANT | VT_BYREF)) arg = V_VARIANTREF(arg);
    return arg;
}

std::wstring Text(const VARIANT* arg) {
    if (!arg) return {};
    if (V_VT(arg) == VT_BSTR && V_BSTR(arg)) return V_BSTR(arg);
    if (V_VT(arg) == (VT_BSTR | VT_BYREF) && V_BSTRREF(arg) && *V_BSTRREF(arg)) return *V_BSTRREF(arg);
    return {};
}

void SetCancel(const VARIANT* arg) {
    if (arg && V_VT(arg) == (VT_BOOL | VT_BYREF) && V_BOOLREF(arg)) *V_BOOLREF(arg) = VARIANT_TRUE;
}

}  // namespace

HRESULT BrowserEvents::QueryInterface(REFIID riid, void** out) { return FindInterface(this, kInterfaces, riid, out); }

ULONG BrowserEvents::Release() {
    const ULONG count = refs_.Drop();
    if (count == 0) delete this;
    return count;
}

HRESULT BrowserEvents::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT BrowserEvents::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
    if (!host_) return S_OK;
    switch (id) {
    case DISPID_BEFORENAVIGATE2:
        BeforeNavigate(params);
        break;
    case DISPID_NEWWINDOW2:
        NewWindow(params, false);
        break;
    case DISPID_NEWWINDOW3:
        NewWindow(params, true);
        break;
    case DISPID_STATUSTEXTCHANGE: {
        const std::wstring text = Text(Argument(params, 0));
        if (!text.empty()) host_->SetStatus(text);
        break;
    }
    default:
        break;
    }
    return S_OK;
}

// BeforeNavigate2(pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
// The frame shows where the browser was sent and loads nothing: it has no
// page renderer, and a demonstration must not reach out to the network.
void BrowserEvents::BeforeNavigate(DISPPARAMS* params) {
    SetCancel(Argument(params, 6));
    host_->OnNavigate(Text(Argument(params, 1)));
}

// NewWindow2(ppDisp, Cancel); NewWindow3(ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl)
void BrowserEvents::NewWindow(DISPPARAMS* params, bool withUrl) {
    SetCancel(Argument(params, 1));
    host_->OnNewWindow(withUrl ? Text(Argument(params, 4)) : std::wstring());
}

}  // namespace frame
