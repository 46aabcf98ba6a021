// The smallest band site that a toolbar band accepts: it gives the band its
// parent window and takes its notifications. There is no browser behind it,
// so the toolbar navigates nowhere.
#pragma once

#include <windows.h>
#include <docobj.h>
#include <shlobj.h>

namespace vtbpreview {

class PreviewSite final : public IInputObjectSite, public IOleWindow, public IOleCommandTarget {
public:
    explicit PreviewSite(HWND window) : window_(window) {}
    PreviewSite(const PreviewSite&) = delete;
    PreviewSite& operator=(const PreviewSite&) = delete;

    // IUnknown: the object lives on the stack of the preview, longer than
    // the band; the count only keeps COM's rules.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&refs_); }

    // IInputObjectSite
    HRESULT STDMETHODCALLTYPE OnFocusChangeIS(IUnknown*, BOOL) override { return S_OK; }

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleCommandTarget: the band says when its size changed.
    HRESULT STDMETHODCALLTYPE QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override {
        return OLECMDERR_E_UNKNOWNGROUP;
    }
    HRESULT STDMETHODCALLTYPE Exec(const GUID* group, DWORD id, DWORD, VARIANT*, VARIANT*) override;

    bool SizeChanged() const { return sizeChanged_; }

private:
    HWND window_;
    volatile LONG refs_ = 0;
    bool sizeChanged_ = false;
};

}  // namespace vtbpreview
