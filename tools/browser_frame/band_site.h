// The site handed to each toolbar band: the band's parent window, focus
// notifications and, through the service provider, the browser.
#pragma once

#include <windows.h>
#include <docobj.h>
#include <servprov.h>
#include <shlobj.h>

#include "tools/browser_frame/com_object.h"
#include "tools/browser_frame/host_frame.h"

namespace frame {

class BandSite final : public IInputObjectSite, public IOleWindow, public IOleCommandTarget, public IServiceProvider {
public:
    explicit BandSite(HostFrame* host) : host_(host) {}
    // The frame is going away: later calls find no frame.
    void Detach() { host_ = nullptr; }

    // Released objects destroy themselves; only Release deletes.
    ~BandSite() = default;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override;

    // IInputObjectSite
    HRESULT STDMETHODCALLTYPE OnFocusChangeIS(IUnknown* object, BOOL focused) override;

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleCommandTarget: a band tells the frame that its sizes changed.
    HRESULT STDMETHODCALLTYPE QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override {
        return OLECMDERR_E_UNKNOWNGROUP;
    }
    HRESULT STDMETHODCALLTYPE Exec(const GUID* group, DWORD id, DWORD, VARIANT*, VARIANT*) override;

    // IServiceProvider
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID riid, void** out) override;

private:
    HostFrame* host_;
    RefCount refs_;
};

}  // namespace frame
