#include "tests/wine/support_site.h"

#include <shlguid.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace vtbtest {

TestSite::TestSite(IWebBrowser2* browser) : TestSite(browser, Offers{}) {}

TestSite::TestSite(IWebBrowser2* browser, Offers offers) : browser_(browser), offers_(offers) {
    // Like the browser's rebar: a window that clips its children.
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    window_.reset(offers.unicodeWindow ? CreateWindowExW(0, L"STATIC", L"band site", style, 0, 0, 900, 80, nullptr,
                                                         nullptr, GetModuleHandleW(nullptr), nullptr)
                                       : CreateWindowExA(0, "STATIC", "band site", style, 0, 0, 900, 80, nullptr,
                                                         nullptr, GetModuleHandleA(nullptr), nullptr));
}

TestSite::~TestSite() = default;

HRESULT TestSite::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown))
        *ppv = static_cast<IInputObjectSite*>(this);
    else if (IsEqualIID(riid, IID_IInputObjectSite) && offers_.inputObjectSite)
        *ppv = static_cast<IInputObjectSite*>(this);
    else if (IsEqualIID(riid, IID_IOleWindow) && offers_.oleWindow)
        *ppv = static_cast<IOleWindow*>(this);
    else if (IsEqualIID(riid, IID_IOleCommandTarget) && offers_.commandTarget)
        *ppv = static_cast<IOleCommandTarget*>(this);
    else if (IsEqualIID(riid, IID_IServiceProvider) && offers_.serviceProvider)
        *ppv = static_cast<IServiceProvider*>(this);
    if (!*ppv) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT TestSite::OnFocusChangeIS(IUnknown* punkObj, BOOL fSetFocus) {
    FocusCalls.push_back({punkObj, fSetFocus});
    if (OnFocusChange) {
        const std::function<void()> answer = std::move(OnFocusChange);
        OnFocusChange = nullptr;
        answer();
    }
    return S_OK;
}

HRESULT TestSite::GetWindow(HWND* phwnd) {
    if (!phwnd) return E_POINTER;
    *phwnd = window_.get();
    return S_OK;
}

HRESULT TestSite::QueryService(REFGUID guidService, REFIID riid, void** ppv) {
    ++ServiceQueries;
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualGUID(guidService, SID_SWebBrowserApp) || !browser_) return E_NOINTERFACE;
    return browser_->QueryInterface(riid, ppv);
}

HWND OpenShownBand(IDeskBand* band, TestSite& site) {
    vtb::ComPtr<IObjectWithSite> withSite;
    EXPECT_EQ(S_OK, band->QueryInterface(IID_IObjectWithSite, withSite.put_void()));
    if (withSite) EXPECT_EQ(S_OK, withSite->SetSite(static_cast<IInputObjectSite*>(&site)));
    HWND form = nullptr;
    EXPECT_EQ(S_OK, band->GetWindow(&form));
    site.Show();
    SetForegroundWindow(site.Window());
    EXPECT_EQ(S_OK, band->ShowDW(TRUE));
    return form;
}

bool BrowserLoopUntil(IInputObject* band, const std::function<bool()>& done, DWORD ms, bool wide) {
    const DWORD start = GetTickCount();
    while (!done()) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= ms) return false;
        MSG msg;
        if (!(wide ? PeekMessageW : PeekMessageA)(&msg, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(ms - spent, 10), QS_ALLINPUT);
            continue;
        }
        if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST && band->TranslateAcceleratorIO(&msg) == S_OK)
            continue;
        TranslateMessage(&msg);
        (wide ? DispatchMessageW : DispatchMessageA)(&msg);
    }
    return true;
}

HRESULT CountingUnknown::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (!IsEqualIID(riid, IID_IUnknown)) {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    *ppv = this;
    AddRef();
    return S_OK;
}

}  // namespace vtbtest
