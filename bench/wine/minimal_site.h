// A band site for the benchmarks: a parent window and nothing else.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

namespace vtbbench {

// The least a browser's site offers: a parent window, and no browser.
class MinimalSite final : public IInputObjectSite,
                          public IOleWindow,
                          public IOleCommandTarget,
                          public IServiceProvider {
public:
    explicit MinimalSite(HWND window) : window_(window) {}
    ~MinimalSite() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IInputObjectSite))
            *out = static_cast<IInputObjectSite*>(this);
        else if (IsEqualIID(riid, IID_IOleWindow))
            *out = static_cast<IOleWindow*>(this);
        else if (IsEqualIID(riid, IID_IOleCommandTarget))
            *out = static_cast<IOleCommandTarget*>(this);
        else if (IsEqualIID(riid, IID_IServiceProvider))
            *out = static_cast<IServiceProvider*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG count = InterlockedDecrement(&refs_);
        if (count == 0) delete this;
        return static_cast<ULONG>(count);
    }
    HRESULT STDMETHODCALLTYPE OnFocusChangeIS(IUnknown*, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        if (!window) return E_POINTER;
        *window = window_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override {
        return OLECMDERR_E_UNKNOWNGROUP;
    }
    HRESULT STDMETHODCALLTYPE Exec(const GUID*, DWORD, DWORD, VARIANT*, VARIANT*) override {
        return OLECMDERR_E_UNKNOWNGROUP;
    }
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID, REFIID, void** out) override {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }

private:
    HWND window_;
    LONG refs_ = 0;
};

}  // namespace vtbbench
