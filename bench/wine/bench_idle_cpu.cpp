// What a shown, idle toolbar costs: the processor time per second of the
// browser's thread while the browser's message loop waits, with the toolbar open and
// its timer running, beside the same loop with no toolbar.
//
//   bench_idle_cpu.exe [seconds]   (Veltrane_ToolBar.dll and its configuration
//                                   beside the program)
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "bench/wine/minimal_site.h"
#include "win/handles.h"

namespace {

const CLSID kBandClsid = {0x9C7E4B7F, 0x1648, 0x49D4, {0x9A, 0x3E, 0xCC, 0xDF, 0x35, 0x0E, 0x36, 0xF8}};

// Wine's process and thread times stay at zero, so the figure comes from
// the kernel's accounting of this Wine process (utime + stime, in ticks).
double ProcessorSeconds() {
    FILE* stat = std::fopen("Z:\\proc\\self\\stat", "r");
    if (!stat) return 0;
    char buffer[1024] = {};
    std::fread(buffer, 1, sizeof buffer - 1, stat);
    std::fclose(stat);
    const char* p = std::strrchr(buffer, ')');  // the name may hold spaces
    unsigned long utime = 0, stime = 0;
    if (p) std::sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime);
    return (utime + stime) / 100.0;
}

// The browser's loop, for the given time; returns processor ms per second.
double IdleLoop(DWORD ms) {
    const double before = ProcessorSeconds();
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= ms) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_ALLINPUT);
        MSG msg;
        // The toolbar's 10 ms timer keeps a message waiting: one at a time,
        // and the clock is looked at between them.
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return (ProcessorSeconds() - before) * 1000.0 / (ms / 1000.0);
}

}  // namespace

int main(int argc, char** argv) {
    const DWORD seconds = argc > 1 ? static_cast<DWORD>(std::atoi(argv[1])) : 10;
    OleInitialize(nullptr);
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dllPath(path);
    dllPath = dllPath.substr(0, dllPath.find_last_of('\\') + 1) + "Veltrane_ToolBar.dll";
    vtb::UniqueModule dll(LoadLibraryA(dllPath.c_str()));
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    const auto getClassObject =
        reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(dll.get(), "DllGetClassObject")));
    if (!getClassObject) {
        std::printf("cannot load %s\n", dllPath.c_str());
        return 1;
    }

    vtb::UniqueWindow host(CreateWindowExA(0, "STATIC", "browser", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1000, 80,
                                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
    const double floor = IdleLoop(seconds * 1000);

    vtb::ComPtr<IClassFactory> factory;
    vtb::ComPtr<IDeskBand> band;
    getClassObject(kBandClsid, IID_IClassFactory, factory.put_void());
    factory->CreateInstance(nullptr, IID_IDeskBand, band.put_void());
    vtb::ComPtr<vtbbench::MinimalSite> site(std::make_unique<vtbbench::MinimalSite>(host.get()).release());
    vtb::ComPtr<IObjectWithSite> withSite;
    band->QueryInterface(IID_IObjectWithSite, withSite.put_void());
    withSite->SetSite(static_cast<IInputObjectSite*>(site.get()));
    HWND form = nullptr;
    band->GetWindow(&form);
    band->ShowDW(TRUE);
    PostMessageA(form, WM_NULL, 0, 0);  // any message to the toolbar starts its timer
    const double toolbar = IdleLoop(seconds * 1000);

    std::printf("idle processor time over %lu s, ms per second (median not applicable: one long run)\n",
                static_cast<unsigned long>(seconds));
    std::printf("  browser loop alone:           %7.2f\n", floor);
    std::printf("  with the toolbar shown, idle: %7.2f\n", toolbar);
    band->ShowDW(FALSE);
    band->CloseDW(0);
    withSite->SetSite(nullptr);
    return 0;
}
