// The frame's sink for the browser's DWebBrowserEvents2: every navigation
// the toolbar starts is shown in the address field, and a request for a new
// window is shown (and refused: the frame has one page view).
#pragma once

#include <windows.h>
#include <exdisp.h>

#include "tools/browser_frame/com_object.h"
#include "tools/browser_frame/host_frame.h"

namespace frame {

class BrowserEvents final : public IDispatch {
public:
    explicit BrowserEvents(HostFrame* host) : host_(host) {}
    void Detach() { host_ = nullptr; }

    // Released objects destroy themselves; only Release deletes.
    ~BrowserEvents() = default;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch: only Invoke is used by a connection point.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override;

private:
    void BeforeNavigate(DISPPARAMS* params);
    void NewWindow(DISPPARAMS* params, bool withUrl);

    HostFrame* host_;
    RefCount refs_;
};

}  // namespace frame
