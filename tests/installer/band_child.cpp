// The toolbar created as the browser creates it, in a process of its own so
// that the installed DLL is unloaded again when the process ends:
//
//   installer_tests.exe --create-band DLL
//       CoCreateInstance of the band's class through the registry; the band
//       must come from DLL, build its toolbar in a site's window and report
//       a size, without any message box.
//   installer_tests.exe --hold-band DLL READY_EVENT RELEASE_EVENT
//       the same, then signals READY_EVENT and keeps the toolbar open (an
//       open browser) until RELEASE_EVENT; the band must still answer then.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "tests/installer/support_install.h"
#include "tests/wine/support_site.h"
#include "tests/wine/support_wine.h"

namespace insttest {

namespace {

constexpr DWORD kHoldLimitMs = 120000;

bool BandReportsSize(IDeskBand* band) {
    DESKBANDINFO info = {};
    info.dwMask = DBIM_MINSIZE | DBIM_ACTUAL;
    return SUCCEEDED(band->GetBandInfo(0, DBIF_VIEWMODE_NORMAL, &info)) && info.ptActual.x > 0 && info.ptActual.y > 0 &&
           info.ptMinSize.x > 0;
}

// Pumps messages, as the browser's thread does, until the event is set.
bool WaitPumping(HANDLE event) {
    return vtbtest::PumpUntil([event] { return WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }, kHoldLimitMs);
}

DWORD UseBand(IDeskBand* band, const std::string& dll, HANDLE ready, HANDLE release) {
    // The module that holds the band's code, whatever name it was loaded by.
    HMODULE module = nullptr;
    char loaded[MAX_PATH] = {};
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            *reinterpret_cast<LPCSTR*>(band), &module) ||
        !GetModuleFileNameA(module, loaded, MAX_PATH) || !SamePath(loaded, dll))
        return kChildOtherDll;

    vtbtest::MessageBoxWatcher watcher;
    vtbtest::TestSite site;
    vtb::ComPtr<IObjectWithSite> withSite;
    if (FAILED(band->QueryInterface(IID_IObjectWithSite, withSite.put_void())) ||
        FAILED(withSite->SetSite(static_cast<IInputObjectSite*>(&site))))
        return kChildNoWindow;
    DWORD result = kChildOk;
    HWND toolbar = nullptr;
    if (FAILED(band->GetWindow(&toolbar)) || !IsWindow(toolbar) || !IsChild(site.Window(), toolbar)) {
        result = kChildNoWindow;
    } else {
        site.Show();
        band->ShowDW(TRUE);
        if (!vtbtest::PumpUntil([band] { return BandReportsSize(band); })) result = kChildNoSize;
        if (result == kChildOk && ready) {
            SetEvent(ready);
            if (!WaitPumping(release)) result = kChildNoEvents;
            // The toolbar of an open browser goes on working after an upgrade.
            else if (!BandReportsSize(band))
                result = kChildNoSize;
        }
    }
    band->ShowDW(FALSE);
    band->CloseDW(0);
    withSite->SetSite(nullptr);
    vtbtest::PumpPending();
    for (const vtbtest::MessageBoxWatcher::Box& box : watcher.Boxes()) {
        fprintf(stderr, "toolbar message box: %s\n", box.text.c_str());
        if (result == kChildOk) result = kChildMessageBox;
    }
    return result;
}

}  // namespace

int RunBandChild(int argc, char** argv) {
    const std::string mode = argv[1];
    const bool hold = mode == "--hold-band";
    if (argc < (hold ? 5 : 3)) return kChildNoEvents;
    vtb::UniqueKernelHandle ready, release;
    if (hold) {
        ready.reset(OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[3]));
        release.reset(OpenEventA(SYNCHRONIZE, FALSE, argv[4]));
        if (!ready || !release) return kChildNoEvents;
    }
    if (FAILED(OleInitialize(nullptr))) return kChildNoCom;
    DWORD result;
    {
        vtb::ComPtr<IDeskBand> band;
        if (FAILED(CoCreateInstance(kBandClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IDeskBand, band.put_void())))
            result = kChildNotCreated;
        else
            result = UseBand(band.get(), argv[2], ready.get(), release.get());
    }
    OleUninitialize();
    return static_cast<int>(result);
}

}  // namespace insttest
