#include "tools/browser_frame/browser_shell.h"

#include <string>

namespace frame {

namespace {

const InterfaceEntry<BrowserShell> kInterfaces[] = {
    {&IID_IWebBrowser2, [](BrowserShell* s) -> IUnknown* { return static_cast<IWebBrowser2*>(s); }},
    {&IID_IDispatch, [](BrowserShell* s) -> IUnknown* { return static_cast<IWebBrowser2*>(s); }},
    {&IID_IWebBrowser, [](BrowserShell* s) -> IUnknown* { return static_cast<IWebBrowser2*>(s); }},
    {&IID_IWebBrowserApp, [](BrowserShell* s) -> IUnknown* { return static_cast<IWebBrowser2*>(s); }},
};

const VARIANT* Deref(const VARIANT* v) { return v && V_VT(v) == (VT_VARIANT | VT_BYREF) ? V_VARIANTREF(v) : v; }

std::wstring Text(const VARIANT* v) {
    v = Deref(v);
    if (v && V_VT(v) == VT_BSTR && V_BSTR(v)) return V_BSTR(v);
    return {};
}

bool IsNewWindow(const VARIANT* target) { return lstrcmpiW(Text(target).c_str(), L"_blank") == 0; }

}  // namespace

HRESULT BrowserShell::QueryInterface(REFIID riid, void** out) {
    const HRESULT hr = FindInterface(this, kInterfaces, riid, out);
    return hr == E_NOINTERFACE ? inner_->QueryInterface(riid, out) : hr;
}

ULONG BrowserShell::Release() {
    const ULONG count = refs_.Drop();
    if (count == 0) delete this;
    return count;
}

HRESULT BrowserShell::Navigate(BSTR URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData,
                               VARIANT* Headers) {
    if (host_ && IsNewWindow(TargetFrameName)) {
        host_->OnNewWindow(URL ? URL : L"");
        return S_OK;
    }
    return inner_->Navigate(URL, Flags, TargetFrameName, PostData, Headers);
}

HRESULT BrowserShell::Navigate2(VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData,
                                VARIANT* Headers) {
    if (host_ && IsNewWindow(TargetFrameName)) {
        host_->OnNewWindow(Text(URL));
        return S_OK;
    }
    return inner_->Navigate2(URL, Flags, TargetFrameName, PostData, Headers);
}

HRESULT BrowserShell::ShowBrowserBar(VARIANT* pvaClsid, VARIANT* pvarShow, VARIANT* pvarSize) {
    const VARIANT* show = Deref(pvarShow);
    const bool visible = !show || V_VT(show) != VT_BOOL || V_BOOL(show) != VARIANT_FALSE;
    if (host_ && host_->ShowToolbar(Text(pvaClsid), visible)) return S_OK;
    return inner_->ShowBrowserBar(pvaClsid, pvarShow, pvarSize);
}

}  // namespace frame
