// How long the browser waits for the toolbar to open: creating the band,
// siting it, getting its window (which builds the whole toolbar from the
// configuration beside the DLL) and showing it. Printed beside the floor,
// a bare child window holding a combo box, the two taking turns in the
// same run. A line starting with "table|" feeds the summary of
// tools/run_benchmarks.sh.
//
// With --first, what a user meets first: the first toolbar in a new
// browser process (a new tab process), loading the DLL included, beside the
// first child window holding a combo box in a new process. Each figure is
// taken in a process of its own, started by this one, the two kinds taking
// turns.
//
//   bench_band_open.exe [runs]          (Veltrane_ToolBar.dll and its
//   bench_band_open.exe --first [runs]   configuration beside the program)
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
#include "win/handles.h"

namespace {

using vtbbench::MinimalSite;

const CLSID kBandClsid = {0x9C7E4B7F, 0x1648, 0x49D4, {0x9A, 0x3E, 0xCC, 0xDF, 0x35, 0x0E, 0x36, 0xF8}};


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
    vtb::UniqueWindow child(CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 835, 25, parent,
                                            nullptr, nullptr, nullptr));
    HWND combo = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | CBS_SORT, 105, 2,
                                 182, 200, child.get(), nullptr, nullptr, nullptr);
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

// ---- The first open in a new process ---------------------------------------

// Exit codes of a measuring process: the time in microseconds, or this.
constexpr DWORD kFailed = 0xFFFFFFFF;

DWORD Microseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    return static_cast<DWORD>(Milliseconds(from, to) * 1000.0);
}

// In a new process: the DLL loaded, its factory asked for and the band opened.
DWORD FirstOpen() {
    vtb::UniqueWindow host(CreateWindowExW(0, L"STATIC", L"bench host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                           900, 120, nullptr, nullptr, nullptr, nullptr));
    vtb::ComPtr<MinimalSite> site(std::make_unique<MinimalSite>(host.get()).release());
    const LARGE_INTEGER start = Now();
    vtb::UniqueModule dll(LoadLibraryA((ExeDir() + "Veltrane_ToolBar.dll").c_str()));
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    const auto getClassObject = dll ? reinterpret_cast<GetClassObjectFn>(
                                          reinterpret_cast<void*>(GetProcAddress(dll.get(), "DllGetClassObject")))
                                    : nullptr;
    vtb::ComPtr<IClassFactory> factory;
    if (!getClassObject || FAILED(getClassObject(kBandClsid, IID_IClassFactory, factory.put_void()))) return kFailed;
    vtb::ComPtr<IDeskBand> band;
    if (FAILED(factory->CreateInstance(nullptr, IID_IDeskBand, band.put_void()))) return kFailed;
    vtb::ComPtr<IObjectWithSite> withSite;
    if (FAILED(band->QueryInterface(IID_IObjectWithSite, withSite.put_void())) ||
        FAILED(withSite->SetSite(static_cast<IInputObjectSite*>(site.get()))))
        return kFailed;
    HWND window = nullptr;
    if (FAILED(band->GetWindow(&window)) || !window || FAILED(band->ShowDW(TRUE))) return kFailed;
    const DWORD us = Microseconds(start, Now());
    Pump();
    band->ShowDW(FALSE);
    band->CloseDW(0);
    withSite->SetSite(nullptr);
    return us;
}

// In a new process: the first child window holding a combo box.
DWORD FirstFloor() {
    vtb::UniqueWindow host(CreateWindowExW(0, L"STATIC", L"bench host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                           900, 120, nullptr, nullptr, nullptr, nullptr));
    const double ms = ChildWithComboOnce(host.get());
    return ms < 0 ? kFailed : static_cast<DWORD>(ms * 1000.0);
}

// Runs this program again with the flag and returns its figure in ms, or
// a negative number.
double MeasureInNewProcess(const char* flag) {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string command = "\"" + std::string(exe) + "\" " + flag;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return -1;
    const vtb::UniqueKernelHandle process(info.hProcess), thread(info.hThread);
    DWORD code = kFailed;
    if (WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0 || !GetExitCodeProcess(process.get(), &code))
        return -1;
    return code == kFailed ? -1 : code / 1000.0;
}

int RunFirst(int runs) {
    std::vector<double> band, floor;
    for (int i = 0; i < runs; ++i) {
        const double b = MeasureInNewProcess("--first-open");
        const double f = MeasureInNewProcess("--first-floor");
        if (b < 0 || f < 0) {
            fprintf(stderr, "run %d failed\n", i);
            return 1;
        }
        band.push_back(b);
        floor.push_back(f);
    }
    printf("first open in a new process under Wine, sample configuration\n");
    Report("LoadLibrary ... ShowDW, first in its process:", band);
    Report("floor: first child window holding a combo box:", floor);
    printf("ratio of medians: %.1f\n", Median(band) / Median(floor));
    printf("table|first open in a new process (DLL load + open), median|%.3f ms|%.3f ms (first child window "
           "holding a combo box in a new process)|%.1fx\n",
           Median(band), Median(floor), Median(band) / Median(floor));
    return 0;
}

// ---- Opens in one process ---------------------------------------------------

int Run(int runs) {
    const std::string dllPath = ExeDir() + "Veltrane_ToolBar.dll";
    vtb::UniqueModule dll(LoadLibraryA(dllPath.c_str()));
    if (!dll) {
        fprintf(stderr, "cannot load %s\n", dllPath.c_str());
        return 1;
    }
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    const auto getClassObject =
        reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(dll.get(), "DllGetClassObject")));
    vtb::ComPtr<IClassFactory> factory;
    if (!getClassObject || FAILED(getClassObject(kBandClsid, IID_IClassFactory, factory.put_void()))) {
        fprintf(stderr, "no class factory for the band\n");
        return 1;
    }
    vtb::UniqueWindow host(CreateWindowExW(0, L"STATIC", L"bench host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                           900, 120, nullptr, nullptr, nullptr, nullptr));
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
    printf("band open under Wine, sample configuration (%s)\n", dllPath.c_str());
    Report("CreateInstance + SetSite + GetWindow + ShowDW:", band);
    Report("floor: child window holding a combo box:", floor);
    printf("ratio of medians: %.1f\n", Median(band) / Median(floor));
    printf("table|band open (CreateInstance + SetSite + GetWindow + ShowDW), median|%.3f ms|%.3f ms (child window "
           "holding a combo box)|%.1fx\n",
           Median(band), Median(floor), Median(band) / Median(floor));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (FAILED(OleInitialize(nullptr))) return 1;
    if (mode == "--first-open" || mode == "--first-floor") {
        const DWORD us = mode == "--first-open" ? FirstOpen() : FirstFloor();
        CoFreeUnusedLibraries();
        OleUninitialize();
        return static_cast<int>(us);
    }
    const bool first = mode == "--first";
    const char* count = first ? (argc > 2 ? argv[2] : nullptr) : (argc > 1 ? argv[1] : nullptr);
    const int runs = count ? std::max(1, atoi(count)) : (first ? 10 : 50);
    const int result = first ? RunFirst(runs) : Run(runs);
    CoFreeUnusedLibraries();
    OleUninitialize();
    return result;
}
