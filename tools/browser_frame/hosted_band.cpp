#include "tools/browser_frame/hosted_band.h"

#include <commctrl.h>

namespace frame {

HRESULT HostedBand::Open(IUnknown* site, HWND rebar) {
    HRESULT hr = CoCreateInstance(clsid_, nullptr, CLSCTX_INPROC_SERVER, IID_IDeskBand, band_.put_void());
    if (FAILED(hr)) return hr;
    vtb::ComPtr<IObjectWithSite> withSite;
    hr = band_->QueryInterface(IID_IObjectWithSite, withSite.put_void());
    if (FAILED(hr)) return hr;
    hr = withSite->SetSite(site);
    if (FAILED(hr)) return hr;
    // Without IInputObject the band simply gets no keystrokes.
    band_->QueryInterface(IID_IInputObject, input_.put_void());
    hr = band_->GetWindow(&window_);
    if (FAILED(hr) || !window_) return FAILED(hr) ? hr : E_FAIL;
    return Insert(rebar);
}

// The band's sizes as the rebar takes them.
HRESULT HostedBand::Describe(REBARBANDINFOW* bandInfo, DESKBANDINFO* info) {
    info->dwMask =
        DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_TITLE | DBIM_MODEFLAGS | DBIM_BKCOLOR;
    const HRESULT hr = band_->GetBandInfo(id_, DBIF_VIEWMODE_NORMAL, info);
    if (FAILED(hr)) return hr;
    actual_ = {info->ptActual.x, info->ptActual.y};
    bandInfo->cbSize = sizeof *bandInfo;
    bandInfo->fMask = RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_IDEALSIZE;
    bandInfo->cxMinChild = (info->dwMask & DBIM_MINSIZE) ? info->ptMinSize.x : 0;
    bandInfo->cyMinChild = (info->dwMask & DBIM_MINSIZE) ? info->ptMinSize.y : info->ptActual.y;
    bandInfo->cyChild = bandInfo->cyMaxChild = bandInfo->cyMinChild;
    bandInfo->cyIntegral = (info->dwMask & DBIM_INTEGRAL) ? info->ptIntegral.y : 1;
    bandInfo->cx = bandInfo->cxIdeal = info->ptActual.x;
    if (info->wszTitle[0] && (info->dwMask & DBIM_TITLE)) {
        bandInfo->fMask |= RBBIM_TEXT;
        bandInfo->lpText = info->wszTitle;
    }
    return S_OK;
}

HRESULT HostedBand::Insert(HWND rebar) {
    DESKBANDINFO info = {};
    REBARBANDINFOW bandInfo = {};
    const HRESULT hr = Describe(&bandInfo, &info);
    if (FAILED(hr)) return hr;
    bandInfo.fMask |= RBBIM_CHILD | RBBIM_ID | RBBIM_STYLE;
    // Each toolbar starts a row of its own below the address field.
    bandInfo.fStyle = RBBS_BREAK | RBBS_CHILDEDGE | RBBS_GRIPPERALWAYS;
    bandInfo.hwndChild = window_;
    bandInfo.wID = id_;
    if (!SendMessageW(rebar, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&bandInfo)))
        return E_FAIL;
    rebar_ = rebar;
    return S_OK;
}

void HostedBand::UpdateSize() {
    if (!band_ || !rebar_) return;
    DESKBANDINFO info = {};
    REBARBANDINFOW bandInfo = {};
    const LRESULT index = SendMessageW(rebar_, RB_IDTOINDEX, id_, 0);
    if (index < 0 || FAILED(Describe(&bandInfo, &info))) return;
    SendMessageW(rebar_, RB_SETBANDINFOW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&bandInfo));
}

void HostedBand::Show(bool show) {
    if (!band_) return;
    band_->ShowDW(show ? TRUE : FALSE);
    shown_ = show;
}

void HostedBand::SetVisible(bool visible) {
    if (!band_ || !rebar_) return;
    if (!visible) Show(false);
    const LRESULT index = SendMessageW(rebar_, RB_IDTOINDEX, id_, 0);
    if (index >= 0) SendMessageW(rebar_, RB_SHOWBAND, static_cast<WPARAM>(index), visible ? TRUE : FALSE);
    if (visible) Show(true);
}

void HostedBand::Close() {
    if (!band_) return;
    if (shown_) Show(false);
    if (rebar_) {
        const LRESULT index = SendMessageW(rebar_, RB_IDTOINDEX, id_, 0);
        if (index >= 0) SendMessageW(rebar_, RB_DELETEBAND, static_cast<WPARAM>(index), 0);
        rebar_ = nullptr;
    }
    band_->CloseDW(0);
    vtb::ComPtr<IObjectWithSite> withSite;
    if (SUCCEEDED(band_->QueryInterface(IID_IObjectWithSite, withSite.put_void()))) withSite->SetSite(nullptr);
    withSite.reset();
    input_.reset();
    band_.reset();
    window_ = nullptr;
}

bool HostedBand::HasFocus() const { return input_ && input_->HasFocusIO() == S_OK; }

bool HostedBand::TranslateKey(MSG* msg) const { return input_ && input_->TranslateAcceleratorIO(msg) == S_OK; }

void HostedBand::Deactivate() const {
    if (input_) input_->UIActivateIO(FALSE, nullptr);
}

void HostedBand::Activate(MSG* key) const {
    if (input_) input_->UIActivateIO(TRUE, key);
}

bool HostedBand::Is(IUnknown* object) const {
    if (!band_ || !object) return false;
    vtb::ComPtr<IUnknown> mine, theirs;
    band_->QueryInterface(IID_IUnknown, mine.put_void());
    object->QueryInterface(IID_IUnknown, theirs.put_void());
    return mine.get() == theirs.get();
}

}  // namespace frame
