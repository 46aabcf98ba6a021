// How long the browser waits for the toolbar to open: creating the band,
// siting it, getting its window (which builds the whole toolbar from the
// configuration beside the DLL) and showing it. Printed beside the floor,
// a bare child window holding a combo box, the two taking turns in the
// same run, both at the display's DPI (the toolbar's size scaled). A line starting with "table|" feeds the summary of
// tools/run_benchmarks.sh.
//
//   bench_band_open.exe [runs]   (Veltrane_ToolBar.dll and its configuration
//                                 beside the program)
//   bench_band_open.exe --first [DLL]
//       the first open in a new process, loading the DLL included, beside the
//       first child window with a combo box of the same process; prints one
//       line "first|<band ms>|<floor ms>" (one figure per process: the
//       benchmark script starts the program several times)
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/wine/minimal_site.h"
#include "core/display_scale.h"
#include "core/toolbar_layout.h"
#include "win/class_id.h"
#include "win/handles.h"

namespace {

using vtbbench::MinimalSite;

const CLSID kBandClsid = vtb::kBandClassGuid;

int DisplayDpi() {
    const vtb::WindowDc screen(nullptr);
    return vtb::ValidDpi(GetDeviceCaps(screen.get(), LOGPIXELSY));
}
const int kDpi = DisplayDpi();
int Px(int design) { return vtb::ScaleToDpi(design, kDpi); }

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    static const double ticksPerMs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    return static_cast<double>(to.QuadPart - from.QuadPart) / ticksPerMs;
}

LARGE_INTEGER Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t;
}

// The messages an open leaves behind, for at most a few milliseconds: the
// toolbar's timer tick waits for the next message inside its handler, so
// while the timer runs the queue never runs dry.
void Pump() {
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < 20 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// One open and close of the band; the time of the open, or a negative
// number when a step failed.
double OpenBandOnce(IClassFactory* factory, IUnknown* site) {
    const LARGE_INTEGER start = Now();
    vtb::ComPtr<IDeskBand> band;
    if (FAILED(factory->CreateInstance(nullptr, IID_IDeskBand, band.put_void()))) return -1;
    vtb::ComPtr<IObjectWithSite> withSite;
    if (FAILED(band->QueryInterface(IID_IObjectWithSite, withSite.put_void()))) return -1;
    if (FAILED(withSite->SetSite(site))) return -1;
    HWND window = nullptr;
    if (FAILED(band->GetWindow(&window)) || !window) return -1;
    if (FAILED(band->ShowDW(TRUE))) return -1;
    const double ms = Milliseconds(start, Now());
    Pump();
    band->ShowDW(FALSE);
    band->CloseDW(0);
    withSite->SetSite(nullptr);
    return ms;
}

// The floor: a bare child window with a combo box in it, made and destroyed.
double ChildWithComboOnce(HWND parent) {
    const LARGE_INTEGER start = Now();
    vtb::UniqueWindow child(CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, Px(vtb::kFormDesignWidth),
                                            Px(vtb::kButtonHeight), parent, nullptr, nullptr, nullptr));
    HWND combo = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | CBS_SORT,
                                 Px(vtb::kSearchBoxLeft), Px(vtb::kSearchBoxTop), Px(vtb::kSearchBoxWidth), Px(200),
                                 child.get(), nullptr, nullptr, nullptr);
    const double ms = Milliseconds(start, Now());
    Pump();
    return combo ? ms : -1;
}

std::string ExeDir() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of("\\/") + 1);
}

void Report(const char* what, const std::vector<double>& times) {
    printf("%-48s median %8.3f ms   min %8.3f ms   max %8.3f ms   (%u runs)\n", what, Median(times),
           *std::min_element(times.begin(), times.end()), *std::max_element(times.begin(), times.end()),
           static_cast<unsigned>(times.size()));
}

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

vtb::ComPtr<IClassFactory> BandFactory(HMODULE dll) {
    const auto getClassObject =
        reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    vtb::ComPtr<IClassFactory> factory;
    if (getClassObject) getClassObject(kBandClsid, IID_IClassFactory, factory.put_void());
    return factory;
}

// Loads the DLL and asks it for the band's factory; says why on failure.
bool LoadBand(const std::string& dllPath, vtb::UniqueModule& dll, vtb::ComPtr<IClassFactory>& factory) {
    dll.reset(LoadLibraryA(dllPath.c_str()));
    if (!dll) {
        fprintf(stderr, "cannot load %s\n", dllPath.c_str());
        return false;
    }
    factory = BandFactory(dll.get());
    if (!factory) fprintf(stderr, "no class factory for the band\n");
    return static_cast<bool>(factory);
}

vtb::UniqueWindow HostWindow() {
    return vtb::UniqueWindow(CreateWindowExW(0, L"STATIC", L"bench host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900,
                                             120, nullptr, nullptr, nullptr, nullptr));
}

// What the browser waits for when its first window opens the toolbar: the
// DLL loaded (its image mapped and relocated, its runtime started), its
// class factory and one open.
int RunFirst(const std::string& dllPath) {
    vtb::UniqueWindow host = HostWindow();
    const double floor = ChildWithComboOnce(host.get());
    vtb::ComPtr<MinimalSite> site(std::make_unique<MinimalSite>(host.get()).release());
    const LARGE_INTEGER start = Now();
    vtb::UniqueModule dll;
    vtb::ComPtr<IClassFactory> factory;
    if (!LoadBand(dllPath, dll, factory)) return 1;
    const double load = Milliseconds(start, Now());
    const double open = OpenBandOnce(factory.get(), static_cast<IInputObjectSite*>(site.get()));
    if (open < 0 || floor < 0) {
        fprintf(stderr, "the first open failed\n");
        return 1;
    }
    printf("first|%.3f|%.3f\n", load + open, floor);
    return 0;
}

int Run(int runs) {
    vtb::UniqueModule dll;
    vtb::ComPtr<IClassFactory> factory;
    if (!LoadBand(ExeDir() + vtb::kToolbarDllName, dll, factory)) return 1;
    vtb::UniqueWindow host = HostWindow();
    vtb::ComPtr<MinimalSite> site(std::make_unique<MinimalSite>(host.get()).release());

    // One open first: loads the glyphs' and fonts' code paths once.
    OpenBandOnce(factory.get(), static_cast<IInputObjectSite*>(site.get()));
    std::vector<double> band, floor;
    for (int i = 0; i < runs; ++i) {
        const double b = OpenBandOnce(factory.get(), static_cast<IInputObjectSite*>(site.get()));
        const double f = ChildWithComboOnce(host.get());
        if (b < 0 || f < 0) {
            fprintf(stderr, "run %d failed\n", i);
            return 1;
        }
        band.push_back(b);
        floor.push_back(f);
    }
    printf("band open under Wine, sample configuration (%s)\n", (ExeDir() + vtb::kToolbarDllName).c_str());
    Report("CreateInstance + SetSite + GetWindow + ShowDW:", band);
    Report("floor: child window holding a combo box:", floor);
    printf("ratio of medians: %.1f\n", Median(band) / Median(floor));
    const std::string at = kDpi == vtb::kDesignDpi ? "" : " at " + std::to_string(kDpi) + " DPI";
    printf(
        "table|band open (CreateInstance + SetSite + GetWindow + ShowDW)%s, median|%.3f ms|%.3f ms (child window "
        "holding a combo box)|%.1fx\n",
        at.c_str(), Median(band), Median(floor), Median(band) / Median(floor));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool first = argc > 1 && std::string(argv[1]) == "--first";
    const int runs = argc > 1 && !first ? std::max(1, atoi(argv[1])) : 50;
    if (FAILED(OleInitialize(nullptr))) return 1;
    const int result = first ? RunFirst(argc > 2 ? argv[2] : ExeDir() + vtb::kToolbarDllName) : Run(runs);
    CoFreeUnusedLibraries();
    OleUninitialize();
    return result;
}
