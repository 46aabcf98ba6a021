// What a shown, idle toolbar costs: the processor time per second of the
// browser process, of the wineserver and of the X server while the
// browser's message loop waits, with the toolbar shown, the pointer
// elsewhere and the keyboard focus outside the toolbar, beside the same host
// without a toolbar. Host alone and host with the toolbar take turns, one
// measured phase each per round.
//
//   bench_idle_cpu.exe [--seconds S] [--rounds N] [--wineserver PID]
//                      [--xserver PID] [--tag TEXT]
//
// The browser process is read with GetProcessTimes (Wine counts it in
// steps of 10 ms). The wineserver and the X server are Linux processes,
// read from /proc through drive Z: by their Linux process ids, which only
// the caller knows. With --tag, a text that appears on this program's
// command line and no other, the program finds its own Linux process too
// and reads it from /proc as well, to the nanosecond. (Z:\proc\self is no
// use: under Wine the wineserver opens files, so "self" is the wineserver.)
//
// Lines starting with "table|" feed the summary of tools/run_benchmarks.sh.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/wine/minimal_site.h"
#include "win/handles.h"

namespace {

const CLSID kBandClsid = {0x9C7E4B7F, 0x1648, 0x49D4, {0x9A, 0x3E, 0xCC, 0xDF, 0x35, 0x0E, 0x36, 0xF8}};

struct Options {
    double seconds = 20;
    int rounds = 2;
    std::string wineserver;  // Linux process ids, empty when unknown
    std::string xserver;
    std::string tag;
};

// ---- Processor time -----------------------------------------------------------

std::string ReadSmallFile(const std::string& path) {
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
        std::fclose(f);
    }
    return text;
}

std::string ProcPath(const std::string& pid, const std::string& rest) { return "Z:\\proc\\" + pid + rest; }

// Seconds of processor time of a Linux process, all its threads: the
// scheduler's own count in nanoseconds where the kernel keeps it, else the
// 10 ms ticks of its stat line. Negative when it cannot be read.
double LinuxProcessSeconds(const std::string& pid) {
    if (pid.empty()) return -1;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(ProcPath(pid, "\\task\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        double total = 0;
        bool any = false;
        do {
            if (entry.cFileName[0] < '0' || entry.cFileName[0] > '9') continue;
            const std::string line = ReadSmallFile(ProcPath(pid, "\\task\\") + entry.cFileName + "\\schedstat");
            if (line.empty()) continue;  // the thread has ended
            total += std::strtod(line.c_str(), nullptr) / 1e9;
            any = true;
        } while (FindNextFileA(find, &entry));
        FindClose(find);
        if (any) return total;
    }
    const std::string stat = ReadSmallFile(ProcPath(pid, "\\stat"));
    const size_t close = stat.rfind(')');  // the name may hold spaces
    unsigned long utime = 0, stime = 0;
    if (close == std::string::npos ||
        std::sscanf(stat.c_str() + close + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime,
                    &stime) != 2)
        return -1;
    return (utime + stime) / 100.0;
}

double FileTimeSeconds(const FILETIME& t) {
    return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
}

// Kernel and user time of this process as Windows reports it.
double HostSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1;
    return FileTimeSeconds(kernel) + FileTimeSeconds(user);
}

// This program's own Linux process: the one whose command line carries the
// tag. Empty when there is no tag or not exactly one such process.
std::string FindOwnLinuxProcess(const std::string& tag) {
    if (tag.empty()) return {};
    std::vector<std::string> found;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA("Z:\\proc\\*", &entry);
    if (find == INVALID_HANDLE_VALUE) return {};
    do {
        if (entry.cFileName[0] < '0' || entry.cFileName[0] > '9') continue;
        std::string line = ReadSmallFile(ProcPath(entry.cFileName, "\\cmdline"));
        std::replace(line.begin(), line.end(), '\0', ' ');
        if (line.find(tag) != std::string::npos) found.emplace_back(entry.cFileName);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return found.size() == 1 ? found[0] : std::string{};
}

double Seconds() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / frequency;
}

// Processor seconds of the processes watched, at one moment.
struct Sample {
    double wall = 0, host = 0, hostLinux = -1, wineserver = -1, xserver = -1;
};

struct Watched {
    std::string hostLinux, wineserver, xserver;
    Sample Take() const {
        Sample s;
        s.host = HostSeconds();
        s.hostLinux = LinuxProcessSeconds(hostLinux);
        s.wineserver = LinuxProcessSeconds(wineserver);
        s.xserver = LinuxProcessSeconds(xserver);
        s.wall = Seconds();
        return s;
    }
};

// Processor milliseconds per second over a phase; negative where unknown.
struct Rates {
    double host = 0, hostLinux = -1, wineserver = -1, xserver = -1, seconds = 0;
    double total() const { return host + std::max(0.0, wineserver) + std::max(0.0, xserver); }
};

Rates RatesBetween(const Sample& a, const Sample& b) {
    Rates r;
    r.seconds = b.wall - a.wall;
    auto rate = [&](double from, double to) { return from < 0 || to < 0 ? -1 : (to - from) * 1000 / r.seconds; };
    r.host = rate(a.host, b.host);
    r.hostLinux = rate(a.hostLinux, b.hostLinux);
    r.wineserver = rate(a.wineserver, b.wineserver);
    r.xserver = rate(a.xserver, b.xserver);
    return r;
}

// Weighted by time: the rates over several phases taken as one.
Rates Combined(const std::vector<Rates>& phases) {
    Rates all;
    double host = 0, hostLinux = 0, wineserver = 0, xserver = 0;
    for (const Rates& r : phases) {
        all.seconds += r.seconds;
        host += r.host * r.seconds;
        hostLinux = r.hostLinux < 0 || hostLinux < 0 ? -1 : hostLinux + r.hostLinux * r.seconds;
        wineserver = r.wineserver < 0 || wineserver < 0 ? -1 : wineserver + r.wineserver * r.seconds;
        xserver = r.xserver < 0 || xserver < 0 ? -1 : xserver + r.xserver * r.seconds;
    }
    if (all.seconds <= 0) return all;
    all.host = host / all.seconds;
    all.hostLinux = hostLinux < 0 ? -1 : hostLinux / all.seconds;
    all.wineserver = wineserver < 0 ? -1 : wineserver / all.seconds;
    all.xserver = xserver < 0 ? -1 : xserver / all.seconds;
    return all;
}

// ---- The browser ----------------------------------------------------------------

// A browser's message loop for the given time: it waits for input that is
// there, not only for input that is new (the toolbar's timer tick waits
// for the next message inside its handler, so the tick's message has been
// seen before the loop waits), and looks at the clock between messages.
// Returns the timer messages it passed to the toolbar.
int BrowserLoop(double seconds, HWND toolbar) {
    const double end = Seconds() + seconds;
    int ticks = 0;
    for (;;) {
        MSG msg;
        while (Seconds() < end && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_TIMER && toolbar && msg.hwnd == toolbar) ++ticks;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        const double left = end - Seconds();
        if (left <= 0) return ticks;
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left * 1000) + 1, QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
    }
}

bool InWindow(HWND window, HWND root) { return window && root && (window == root || IsChild(root, window)); }

// The pointer in the screen's far corner, away from the toolbar.
bool ParkPointer(HWND toolbar) {
    const POINT corner{GetSystemMetrics(SM_CXSCREEN) - 4, GetSystemMetrics(SM_CYSCREEN) - 4};
    SetCursorPos(corner.x, corner.y);
    POINT p;
    return GetCursorPos(&p) && !InWindow(WindowFromPoint(p), toolbar);
}

// The toolbar must not hold the keyboard focus or the capture: the browser
// window keeps them.
bool FocusOutside(HWND browser, HWND toolbar) {
    if (InWindow(GetFocus(), toolbar)) SetFocus(browser);
    return !InWindow(GetFocus(), toolbar) && !InWindow(GetCapture(), toolbar);
}

class Band {
public:
    // Creates, sites and shows the band in the browser window.
    bool Open(IClassFactory* factory, HWND browser) {
        if (FAILED(factory->CreateInstance(nullptr, IID_IDeskBand, band_.put_void()))) return false;
        if (FAILED(band_->QueryInterface(IID_IObjectWithSite, withSite_.put_void()))) return false;
        site_ = vtb::ComPtr<vtbbench::MinimalSite>(std::make_unique<vtbbench::MinimalSite>(browser).release());
        if (FAILED(withSite_->SetSite(static_cast<IInputObjectSite*>(site_.get())))) return false;
        if (FAILED(band_->GetWindow(&window_)) || !window_) return false;
        return SUCCEEDED(band_->ShowDW(TRUE));
    }
    void Close() {
        if (band_) {
            band_->ShowDW(FALSE);
            band_->CloseDW(0);
        }
        if (withSite_) withSite_->SetSite(nullptr);
        withSite_.reset();
        band_.reset();
        site_.reset();
        window_ = nullptr;
    }
    ~Band() { Close(); }
    HWND Window() const { return window_; }

private:
    vtb::ComPtr<IDeskBand> band_;
    vtb::ComPtr<IObjectWithSite> withSite_;
    vtb::ComPtr<vtbbench::MinimalSite> site_;
    HWND window_ = nullptr;
};

// ---- Report ------------------------------------------------------------------------

std::string Figure(double value) {
    if (value < 0) return "n/a";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

void PrintRow(const char* round, const char* phase, const Rates& r, double ticks) {
    std::printf("  %-5s %-20s %8s %10s %11s %9s %8s %7.1f\n", round, phase, Figure(r.host).c_str(),
                Figure(r.hostLinux).c_str(), Figure(r.wineserver).c_str(), Figure(r.xserver).c_str(),
                Figure(r.total()).c_str(), ticks);
}

// "+19.80 ms/s", with the ratio when the floor is large enough to divide by.
std::string Against(double value, double floor) {
    if (value < 0 || floor < 0) return "n/a";
    char text[64];
    if (floor >= 0.1)
        std::snprintf(text, sizeof text, "%+.2f ms/s (%.1fx)", value - floor, value / floor);
    else
        std::snprintf(text, sizeof text, "%+.2f ms/s", value - floor);
    return text;
}

void PrintTableLine(const char* figure, double value, double floor) {
    std::printf("table|idle CPU, %s|%s ms/s|%s ms/s (host without toolbar)|%s\n", figure, Figure(value).c_str(),
                Figure(floor).c_str(), Against(value, floor).c_str());
}

// ---- Run --------------------------------------------------------------------------

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc) return false;
        const std::string value = argv[++i];
        if (name == "--seconds")
            options.seconds = std::max(1.0, std::atof(value.c_str()));
        else if (name == "--rounds")
            options.rounds = std::max(1, std::atoi(value.c_str()));
        else if (name == "--wineserver")
            options.wineserver = value;
        else if (name == "--xserver")
            options.xserver = value;
        else if (name == "--tag")
            options.tag = value;
        else
            return false;
    }
    return true;
}

std::string ExeDir() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of("\\/") + 1);
}

int Run(const Options& options) {
    const std::string dllPath = ExeDir() + "Veltrane_ToolBar.dll";
    vtb::UniqueModule dll(LoadLibraryA(dllPath.c_str()));
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    const auto getClassObject = dll ? reinterpret_cast<GetClassObjectFn>(
                                          reinterpret_cast<void*>(GetProcAddress(dll.get(), "DllGetClassObject")))
                                    : nullptr;
    vtb::ComPtr<IClassFactory> factory;
    if (!getClassObject || FAILED(getClassObject(kBandClsid, IID_IClassFactory, factory.put_void()))) {
        std::fprintf(stderr, "FAIL: cannot load %s\n", dllPath.c_str());
        return 1;
    }

    const Watched watched{FindOwnLinuxProcess(options.tag), options.wineserver, options.xserver};
    const Sample probe = watched.Take();
    if (!options.wineserver.empty() && probe.wineserver < 0)
        std::fprintf(stderr, "warning: cannot read the wineserver, process %s\n", options.wineserver.c_str());
    if (!options.xserver.empty() && probe.xserver < 0)
        std::fprintf(stderr, "warning: cannot read the X server, process %s\n", options.xserver.c_str());

    // The browser window, active and holding the keyboard focus.
    vtb::UniqueWindow browser(CreateWindowExA(0, "STATIC", "browser", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1000,
                                              120, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
    SetForegroundWindow(browser.get());
    SetFocus(browser.get());
    BrowserLoop(1, nullptr);

    std::vector<Rates> floors, toolbars;
    std::vector<int> tickCounts;
    for (int round = 0; round < options.rounds; ++round) {
        if (!ParkPointer(nullptr)) {
            std::fprintf(stderr, "FAIL: cannot park the pointer\n");
            return 1;
        }
        BrowserLoop(1, nullptr);
        Sample before = watched.Take();
        BrowserLoop(options.seconds, nullptr);
        floors.push_back(RatesBetween(before, watched.Take()));

        Band band;
        if (!band.Open(factory.get(), browser.get())) {
            std::fprintf(stderr, "FAIL: the band did not open\n");
            return 1;
        }
        // The user was on the toolbar a moment ago: the pointer crosses it
        // and leaves, as it would on its way elsewhere.
        RECT area;
        GetWindowRect(band.Window(), &area);
        SetCursorPos(area.left + 20, (area.top + area.bottom) / 2);
        PostMessageA(band.Window(), WM_NULL, 0, 0);  // any message to the toolbar starts its timer
        BrowserLoop(0.5, band.Window());
        if (!ParkPointer(band.Window())) {
            std::fprintf(stderr, "FAIL: the pointer stays over the toolbar\n");
            return 1;
        }
        if (!FocusOutside(browser.get(), band.Window())) {
            std::fprintf(stderr, "FAIL: the toolbar holds the keyboard focus or the capture\n");
            return 1;
        }
        BrowserLoop(2, band.Window());
        before = watched.Take();
        const int ticks = BrowserLoop(options.seconds, band.Window());
        const Sample after = watched.Take();
        if (!FocusOutside(browser.get(), band.Window()) || !ParkPointer(band.Window())) {
            std::fprintf(stderr, "FAIL: the toolbar took the focus, the capture or the pointer while idle\n");
            return 1;
        }
        toolbars.push_back(RatesBetween(before, after));
        tickCounts.push_back(ticks);
        band.Close();
    }

    std::printf("idle processor time, ms per second: %d round(s) of %.0f s per phase, pointer parked, focus in the "
                "browser window\n",
                options.rounds, options.seconds);
    std::printf("  host: GetProcessTimes (10 ms steps); host/proc: the same process from /proc (ns)%s\n",
                watched.hostLinux.empty() ? ", not found" : "");
    std::printf("  %-5s %-20s %8s %10s %11s %9s %8s %7s\n", "round", "phase", "host", "host/proc", "wineserver",
                "X server", "total", "ticks/s");
    double allTicks = 0, allSeconds = 0;
    for (int round = 0; round < options.rounds; ++round) {
        const std::string n = std::to_string(round + 1);
        PrintRow(n.c_str(), "host alone", floors[round], 0);
        PrintRow(n.c_str(), "host with toolbar", toolbars[round], tickCounts[round] / toolbars[round].seconds);
        allTicks += tickCounts[round];
        allSeconds += toolbars[round].seconds;
    }
    const Rates floor = Combined(floors);
    const Rates toolbar = Combined(toolbars);
    PrintRow("all", "host alone", floor, 0);
    PrintRow("all", "host with toolbar", toolbar, allTicks / allSeconds);
    std::printf("  ticks/s: the toolbar's timer messages that passed through the browser's loop\n");
    std::printf("  toolbar above the floor: host %s, wineserver %s, X server %s, total %s\n",
                Against(toolbar.host, floor.host).c_str(), Against(toolbar.wineserver, floor.wineserver).c_str(),
                Against(toolbar.xserver, floor.xserver).c_str(), Against(toolbar.total(), floor.total()).c_str());
    PrintTableLine("host process (GetProcessTimes)", toolbar.host, floor.host);
    if (toolbar.hostLinux >= 0) PrintTableLine("host process (/proc)", toolbar.hostLinux, floor.hostLinux);
    PrintTableLine("wineserver", toolbar.wineserver, floor.wineserver);
    PrintTableLine("X server", toolbar.xserver, floor.xserver);
    PrintTableLine("total of the three", toolbar.total(), floor.total());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: bench_idle_cpu.exe [--seconds S] [--rounds N] [--wineserver PID] [--xserver PID] "
                     "[--tag TEXT]\n");
        return 2;
    }
    if (FAILED(OleInitialize(nullptr))) return 1;
    const int result = Run(options);
    CoFreeUnusedLibraries();
    OleUninitialize();
    return result;
}
