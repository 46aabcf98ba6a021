#include "tests/wine/support_browser.h"

#include "win/handles.h"

namespace vtbtest {

VariantArg DescribeVariant(const VARIANT* value) {
    VariantArg seen;
    seen.address = value;
    if (!value) return seen;
    seen.vt = V_VT(value);
    // A by-reference variant is read through its pointer.
    const VARIANT* inner = value;
    if (V_VT(value) == (VT_BYREF | VT_VARIANT)) inner = V_VARIANTREF(value);
    const bool byRef = inner && (V_VT(inner) & VT_BYREF) != 0;
    seen.valueVt = inner ? static_cast<VARTYPE>(V_VT(inner) & ~VT_BYREF) : VT_EMPTY;
    if (!inner) return seen;
    switch (seen.valueVt) {
    case VT_I4:
        seen.intValue = byRef ? *V_I4REF(inner) : V_I4(inner);
        break;
    case VT_UI4:
        seen.intValue = static_cast<LONG>(byRef ? *V_UI4REF(inner) : V_UI4(inner));
        break;
    case VT_I2:
        seen.intValue = byRef ? *V_I2REF(inner) : V_I2(inner);
        break;
    case VT_BOOL:
        seen.boolValue = (byRef ? *V_BOOLREF(inner) : V_BOOL(inner)) != VARIANT_FALSE;
        break;
    case VT_BSTR: {
        const BSTR text = byRef ? *V_BSTRREF(inner) : V_BSTR(inner);
        seen.text = text ? vtb::Narrow(text) : std::string();
        break;
    }
    default:
        break;
    }
    return seen;
}

HRESULT RecordingBrowser::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IWebBrowser) ||
        IsEqualIID(riid, IID_IWebBrowserApp) || IsEqualIID(riid, IID_IWebBrowser2)) {
        *ppv = static_cast<IWebBrowser2*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT RecordingBrowser::Navigate(BSTR URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData,
                                   VARIANT* Headers) {
    NavigateCall call;
    call.url = URL ? vtb::Narrow(URL) : std::string();
    call.flags = DescribeVariant(Flags);
    call.targetFrameName = DescribeVariant(TargetFrameName);
    call.postData = DescribeVariant(PostData);
    call.headers = DescribeVariant(Headers);
    Navigations.push_back(call);
    if (OnNavigate) OnNavigate();
    return Result;
}

HRESULT RecordingBrowser::ShowBrowserBar(VARIANT* pvaClsid, VARIANT* pvarShow, VARIANT* pvarSize) {
    BrowserBarCalls.push_back({DescribeVariant(pvaClsid), DescribeVariant(pvarShow), DescribeVariant(pvarSize)});
    if (OnShowBrowserBar) OnShowBrowserBar();
    return Result;
}

}  // namespace vtbtest
