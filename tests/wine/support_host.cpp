#include "tests/wine/support_host.h"

#include "tests/wine/support_wine.h"
#include "win/class_id.h"

namespace vtbtest {
namespace {

const CLSID kBandClsid = vtb::kBandClassGuid;

}  // namespace

vtb::ComPtr<IClassFactory> BandFactory(HMODULE dll) {
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    const auto getClassObject =
        reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    vtb::ComPtr<IClassFactory> factory;
    if (getClassObject) getClassObject(kBandClsid, IID_IClassFactory, factory.put_void());
    return factory;
}

HostedToolbar::HostedToolbar(IClassFactory* factory, int left, int top) {
    SetWindowPos(site_.Window(), nullptr, left, top, 700, 60, SWP_NOZORDER | SWP_NOACTIVATE);
    if (!factory || FAILED(factory->CreateInstance(nullptr, IID_IDeskBand, band_.put_void()))) return;
    vtb::ComPtr<IObjectWithSite> withSite;
    if (FAILED(band_->QueryInterface(IID_IObjectWithSite, withSite.put_void())) ||
        FAILED(withSite->SetSite(static_cast<IInputObjectSite*>(&site_))))
        return;
    HWND form = nullptr;
    if (FAILED(band_->GetWindow(&form))) return;
    site_.Show();
    band_->ShowDW(TRUE);
    form_ = form;
}

HostedToolbar::~HostedToolbar() {
    if (band_) {
        band_->ShowDW(FALSE);
        band_->CloseDW(0);
        vtb::ComPtr<IObjectWithSite> withSite;
        if (SUCCEEDED(band_->QueryInterface(IID_IObjectWithSite, withSite.put_void()))) withSite->SetSite(nullptr);
    }
    band_.reset();
}

POINT HostedToolbar::Screen(int x, int y) const {
    POINT p{x, y};
    ClientToScreen(form_, &p);
    return p;
}

void HostedToolbar::Click(int x, int y) const {
    PostMessageA(form_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(form_, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

int RunToolbarHost(int left, int top) {
    if (FAILED(OleInitialize(nullptr))) return 2;
    int result = 3;
    {
        vtb::UniqueModule dll(LoadLibraryA(DllPath().c_str()));
        const vtb::ComPtr<IClassFactory> factory = BandFactory(dll.get());
        HostedToolbar toolbar(factory.get(), left, top);
        if (toolbar.Opened()) {
            // Serves like a browser's loop until the test says quit.
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
                if (!msg.hwnd && msg.message == kHostQuit) break;
                if (!msg.hwnd && msg.message == kHostActivate) {
                    SetForegroundWindow(toolbar.SiteWindow());
                    SetActiveWindow(toolbar.SiteWindow());
                    continue;
                }
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            result = 0;
        }
    }
    OleUninitialize();
    return result;
}

}  // namespace vtbtest
