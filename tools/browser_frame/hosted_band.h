// One toolbar band in the frame's rebar, driven the way the browser drives
// it: create, site, get its window and sizes, insert, show; and at the end
// hide, close, unsite and release.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include "win/handles.h"

namespace frame {

class HostedBand {
public:
    HostedBand(const CLSID& clsid, UINT bandId) : clsid_(clsid), id_(bandId) {}
    ~HostedBand() { Close(); }
    HostedBand(const HostedBand&) = delete;
    HostedBand& operator=(const HostedBand&) = delete;

    // Creates the band, sites it and inserts its window into the rebar.
    HRESULT Open(IUnknown* site, HWND rebar);
    void Show(bool show);
    // Asks the band for its sizes again and gives them to the rebar.
    void UpdateSize();
    // Hides or shows the band in the rebar, telling the band as it goes.
    void SetVisible(bool visible);
    bool Matches(const CLSID& clsid) const { return IsEqualCLSID(clsid, clsid_) != FALSE; }
    void Close();

    bool HasFocus() const;
    // Offers a keystroke to the band; true when the band used it.
    bool TranslateKey(MSG* msg) const;
    void Deactivate() const;
    // The keyboard focus into the band, moved there by a key (F6, Tab).
    void Activate(MSG* key) const;
    bool Is(IUnknown* object) const;

    HWND Window() const { return window_; }
    SIZE ActualSize() const { return actual_; }

private:
    HRESULT Insert(HWND rebar);
    HRESULT Describe(REBARBANDINFOW* bandInfo, DESKBANDINFO* info);

    CLSID clsid_;
    UINT id_;
    HWND rebar_ = nullptr;
    HWND window_ = nullptr;
    SIZE actual_ = {};
    bool shown_ = false;
    vtb::ComPtr<IDeskBand> band_;
    vtb::ComPtr<IInputObject> input_;
};

}  // namespace frame
