// What a shown, idle toolbar costs: the processor time per second of the
// browser process, of the wineserver and of the X server while the
// browser's message loop waits and nothing moves, beside the same host
// without a toolbar. The toolbar is measured in each state a user leaves it
// in: the pointer elsewhere; the pointer still over a link button, over the
// search box, over the toolbar's background; the search box holding the
// focus; the Settings menu open and untouched. Host alone and each state
// take turns, one measured phase each per round. Three more floors, the
// host alone with what the system costs it where a toolbar's state needs
// the same: a menu of its own open; the pointer resting on a window of its
// own that watches for the pointer to leave; an edit box of its own focused.
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
#include "core/toolbar_layout.h"
#include "win/class_id.h"
#include "win/handles.h"

namespace {

const CLSID kBandClsid = vtb::kBandClassGuid;

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
        std::sscanf(stat.c_str() + close + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime) !=
            2)
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
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left * 1000) + 1, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
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
    std::printf("  %-5s %-22s %8s %10s %11s %9s %8s %7.1f\n", round, phase, Figure(r.host).c_str(),
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

void PrintTableLine(const char* figure, double value, double floor, const char* floorName) {
    std::printf("table|idle CPU, %s|%s ms/s|%s ms/s (%s)|%s\n", figure, Figure(value).c_str(), Figure(floor).c_str(),
                floorName, Against(value, floor).c_str());
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

// ---- The states measured ---------------------------------------------------------

enum class State { PointerAway, OnButton, OnSearchBox, OnBackground, SearchBoxFocused, MenuOpen };

struct StateInfo {
    State state;
    const char* name;
};
const StateInfo kStates[] = {
    {State::PointerAway, "pointer away"},
    {State::OnButton, "pointer on a button"},
    {State::OnSearchBox, "pointer on search box"},
    {State::OnBackground, "pointer on background"},
    {State::SearchBoxFocused, "search box focused"},
    {State::MenuOpen, "Settings menu open"},
};

HWND SearchBox(HWND toolbar) { return FindWindowExA(toolbar, nullptr, "ComboBox", nullptr); }

POINT ScreenPoint(HWND window, int x, int y) {
    POINT p{x, y};
    ClientToScreen(window, &p);
    return p;
}

// Puts the toolbar in the state; false when the state cannot be had.
bool Enter(State state, HWND browser, HWND toolbar) {
    const HWND box = SearchBox(toolbar);
    RECT boxRect{};
    if (!box || !GetWindowRect(box, &boxRect)) return false;
    POINT where{};
    switch (state) {
    case State::PointerAway:
    case State::SearchBoxFocused:
        if (!ParkPointer(toolbar)) return false;
        if (state == State::PointerAway) return FocusOutside(browser, toolbar);
        SetFocus(GetWindow(box, GW_CHILD) ? GetWindow(box, GW_CHILD) : box);
        return InWindow(GetFocus(), toolbar);
    case State::OnButton:
        where = ScreenPoint(toolbar, vtb::kFirstLinkSlot + 30, 12);  // the first link button
        break;
    case State::OnSearchBox:
        where = {(boxRect.left + boxRect.right) / 2, boxRect.top + 5};
        break;
    case State::OnBackground: {
        RECT area;
        GetWindowRect(toolbar, &area);
        where = {boxRect.left + 20, area.bottom - 1};  // under the closed search box
        break;
    }
    case State::MenuOpen:
        // The middle of the Settings button.
        where = ScreenPoint(toolbar, vtb::kSettingsButtonLeft + vtb::kSettingsButtonWidth / 2, 12);
        break;
    }
    if (!FocusOutside(browser, toolbar)) return false;
    // The pointer arrives from beside the spot, as a hand would bring it.
    SetCursorPos(where.x - 4, where.y);
    BrowserLoop(0.1, toolbar);
    SetCursorPos(where.x, where.y);
    if (!InWindow(WindowFromPoint(where), toolbar)) return false;
    if (state == State::OnBackground && WindowFromPoint(where) != toolbar) return false;
    return true;
}

// The menu's loop runs inside the toolbar's click: a second thread takes
// the samples while the menu is open, then closes it.
struct MenuPhase {
    const Watched* watched;
    double seconds;
    Sample before, after;
    bool opened = false;

    static DWORD WINAPI Run(void* param) {
        auto* self = static_cast<MenuPhase*>(param);
        HWND menu = nullptr;
        for (int i = 0; i < 500 && !menu; ++i) {
            menu = FindWindowA("#32768", nullptr);
            if (menu && !IsWindowVisible(menu)) menu = nullptr;
            if (!menu) Sleep(10);
        }
        if (!menu) return 1;
        self->opened = true;
        Sleep(1000);  // the opening settles
        self->before = self->watched->Take();
        Sleep(static_cast<DWORD>(self->seconds * 1000));
        self->after = self->watched->Take();
        PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA(menu, WM_KEYUP, VK_ESCAPE, 0);
        return 0;
    }
};

// The floor of the menu state: the host alone with a pop-up menu of its own
// open and untouched, as many entries as the toolbar's Settings menu, the
// pointer where the toolbar's Settings button would be. A menu's loop costs
// something of its own, toolbar or not.
bool MeasureHostMenu(const Options& options, const Watched& watched, HWND browser, Rates& rates) {
    const vtb::UniqueMenu menu(CreatePopupMenu());
    if (!menu) return false;
    for (int k = 1; k <= 12; ++k) AppendMenuA(menu.get(), MF_STRING, k, ("Entry " + std::to_string(k)).c_str());
    const POINT at = ScreenPoint(browser, 365 + 37, 12);
    SetCursorPos(at.x, at.y);
    BrowserLoop(0.5, nullptr);
    MenuPhase phase{&watched, options.seconds, {}, {}};
    const vtb::UniqueKernelHandle thread(CreateThread(nullptr, 0, &MenuPhase::Run, &phase, 0, nullptr));
    TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD, at.x, at.y + 12, 0, browser, nullptr);
    WaitForSingleObject(thread.get(), 5000);
    if (!phase.opened) return false;
    rates = RatesBetween(phase.before, phase.after);
    BrowserLoop(0.5, nullptr);
    return true;
}

// The floor of the resting states: the host alone, the pointer resting on
// a child window of its own that watches for the pointer to leave it
// (TrackMouseEvent), as any window does that lights up under the pointer.
// Wine keeps such a watch by looking at the pointer a few times a second.
LRESULT CALLBACK WatchingWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_MOUSEMOVE) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
        TrackMouseEvent(&track);
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

bool MeasureHostWatching(const Options& options, const Watched& watched, HWND browser, Rates& rates) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WatchingWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = "vtb_bench_watching";
    RegisterClassA(&windowClass);  // fails harmlessly from the second round on
    const vtb::UniqueWindow child(CreateWindowExA(0, windowClass.lpszClassName, "", WS_CHILD | WS_VISIBLE, 0, 0,
                                                  vtb::kFormDesignWidth, vtb::kButtonHeight, browser, nullptr,
                                                  windowClass.hInstance, nullptr));
    if (!child) return false;
    const POINT at = ScreenPoint(child.get(), vtb::kFirstLinkSlot + 30, 12);
    SetCursorPos(at.x - 4, at.y);
    BrowserLoop(0.1, nullptr);
    SetCursorPos(at.x, at.y);
    BrowserLoop(2, nullptr);
    TRACKMOUSEEVENT query{sizeof query, TME_QUERY, nullptr, 0};
    if (!TrackMouseEvent(&query) || query.hwndTrack != child.get()) return false;
    const Sample before = watched.Take();
    BrowserLoop(options.seconds, nullptr);
    rates = RatesBetween(before, watched.Take());
    return true;
}

// The floor of the focused search box: the host alone with an edit box of
// its own holding the focus, its caret blinking, the pointer away.
bool MeasureHostEditFocused(const Options& options, const Watched& watched, HWND browser, Rates& rates) {
    const vtb::UniqueWindow edit(CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER, vtb::kSearchBoxLeft,
                                                 vtb::kSearchBoxTop, vtb::kSearchBoxWidth, vtb::kSearchBoxHeight,
                                                 browser, nullptr, GetModuleHandleA(nullptr), nullptr));
    if (!edit || !ParkPointer(nullptr)) return false;
    SetFocus(edit.get());
    BrowserLoop(2, nullptr);
    if (GetFocus() != edit.get()) return false;
    const Sample before = watched.Take();
    BrowserLoop(options.seconds, nullptr);
    rates = RatesBetween(before, watched.Take());
    SetFocus(browser);
    return true;
}

// The host alone in the states that cost it what a toolbar's state needs of
// the system too; the first is the floor of the menu state.
struct HostState {
    const char* row;      // in the table of phases
    const char* figure;   // in the summary; null where it stands as a floor
    const char* failure;  // why the run stops when the state cannot be had
    bool (*measure)(const Options&, const Watched&, HWND, Rates&);
};
const HostState kHostStates[] = {
    {"host alone, its menu open", nullptr, "the host's own menu did not open", MeasureHostMenu},
    {"host alone, watching", "host alone, the pointer resting on a window of its own that watches for it to leave",
     "the host's own window did not watch the pointer", MeasureHostWatching},
    {"host alone, edit focused", "host alone, an edit box of its own focused",
     "the host's own edit box did not take the focus", MeasureHostEditFocused},
};
constexpr std::size_t kHostMenuOpen = 0;

// One measured phase of the toolbar in the state; false when it failed.
bool MeasureState(State state, const Options& options, const Watched& watched, HWND browser, HWND toolbar, Rates& rates,
                  int& ticks) {
    if (!Enter(state, browser, toolbar)) return false;
    if (state == State::MenuOpen) {
        MenuPhase phase{&watched, options.seconds, {}, {}};
        const vtb::UniqueKernelHandle thread(CreateThread(nullptr, 0, &MenuPhase::Run, &phase, 0, nullptr));
        const POINT at = ScreenPoint(toolbar, 0, 0);
        POINT p;
        GetCursorPos(&p);
        const LPARAM client = MAKELPARAM(p.x - at.x, p.y - at.y);
        PostMessageA(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, client);
        PostMessageA(toolbar, WM_LBUTTONUP, 0, client);
        const double limit = Seconds() + options.seconds + 10;
        while (WaitForSingleObject(thread.get(), 0) == WAIT_TIMEOUT && Seconds() < limit) BrowserLoop(0.05, toolbar);
        if (!phase.opened) return false;
        rates = RatesBetween(phase.before, phase.after);
        ticks = -1;  // the menu's loop passes the ticks, not the browser's
        BrowserLoop(0.5, toolbar);
        return true;
    }
    BrowserLoop(2, toolbar);  // what the arrival set off settles
    const Sample before = watched.Take();
    ticks = BrowserLoop(options.seconds, toolbar);
    rates = RatesBetween(before, watched.Take());
    return true;
}

// ---- Run --------------------------------------------------------------------------

int Run(const Options& options) {
    const std::string dllPath = ExeDir() + vtb::kToolbarDllName;
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
    vtb::UniqueWindow browser(CreateWindowExA(0, "STATIC", "browser", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1000, 120,
                                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
    SetForegroundWindow(browser.get());
    SetForegroundWindow(browser.get());
    SetFocus(browser.get());
    BrowserLoop(1, nullptr);

    constexpr std::size_t kStateCount = sizeof kStates / sizeof kStates[0];
    constexpr std::size_t kHostStateCount = sizeof kHostStates / sizeof kHostStates[0];
    std::vector<Rates> floors;
    std::vector<std::vector<Rates>> hostStates(kHostStateCount);
    std::vector<std::vector<Rates>> states(kStateCount);
    std::vector<double> tickRates(kStateCount, 0);
    for (int round = 0; round < options.rounds; ++round) {
        if (!ParkPointer(nullptr)) {
            std::fprintf(stderr, "FAIL: cannot park the pointer\n");
            return 1;
        }
        BrowserLoop(1, nullptr);
        const Sample before = watched.Take();
        BrowserLoop(options.seconds, nullptr);
        floors.push_back(RatesBetween(before, watched.Take()));
        for (std::size_t k = 0; k < kHostStateCount; ++k) {
            Rates rates;
            if (!kHostStates[k].measure(options, watched, browser.get(), rates)) {
                std::fprintf(stderr, "FAIL: %s\n", kHostStates[k].failure);
                return 1;
            }
            hostStates[k].push_back(rates);
        }

        Band band;
        if (!band.Open(factory.get(), browser.get())) {
            std::fprintf(stderr, "FAIL: the band did not open\n");
            return 1;
        }
        for (std::size_t k = 0; k < kStateCount; ++k) {
            Rates rates;
            int ticks = 0;
            if (!MeasureState(kStates[k].state, options, watched, browser.get(), band.Window(), rates, ticks)) {
                std::fprintf(stderr, "FAIL: the toolbar could not be put in the state \"%s\"\n", kStates[k].name);
                return 1;
            }
            states[k].push_back(rates);
            tickRates[k] += ticks < 0 ? -1 : ticks / rates.seconds / options.rounds;
        }
        band.Close();
    }

    std::printf("idle processor time, ms per second: %d round(s) of %.0f s per phase, nothing moving\n", options.rounds,
                options.seconds);
    std::printf("  host: GetProcessTimes (10 ms steps); host/proc: the same process from /proc (ns)%s\n",
                watched.hostLinux.empty() ? ", not found" : "");
    std::printf("  %-5s %-22s %8s %10s %11s %9s %8s %7s\n", "round", "phase", "host", "host/proc", "wineserver",
                "X server", "total", "ticks/s");
    const Rates floor = Combined(floors);
    PrintRow("all", "host alone", floor, 0);
    for (std::size_t k = 0; k < kHostStateCount; ++k)
        PrintRow("all", kHostStates[k].row, Combined(hostStates[k]), k == kHostMenuOpen ? -1 : 0);
    const Rates menuFloor = Combined(hostStates[kHostMenuOpen]);
    for (std::size_t k = 0; k < kStateCount; ++k) PrintRow("all", kStates[k].name, Combined(states[k]), tickRates[k]);
    std::printf(
        "  ticks/s: the toolbar's timer messages that passed through the browser's loop (n/a: a menu's loop)\n");
    for (std::size_t k = 0; k < kStateCount; ++k) {
        const Rates r = Combined(states[k]);
        // A menu's state is weighed against the host with a menu of its own open.
        const bool menu = kStates[k].state == State::MenuOpen;
        const Rates& base = menu ? menuFloor : floor;
        const char* baseName = menu ? "host without toolbar, a menu of its own open" : "host without toolbar";
        const std::string figure = std::string(kStates[k].name) + ", browser process";
        PrintTableLine(figure.c_str(), watched.hostLinux.empty() ? r.host : r.hostLinux,
                       watched.hostLinux.empty() ? base.host : base.hostLinux, baseName);
        const std::string all = std::string(kStates[k].name) + ", total of the three";
        PrintTableLine(all.c_str(), r.total(), base.total(), baseName);
    }
    // What the system costs the host alone where a toolbar's state needs
    // the same: the watch over a resting pointer that any window lighting up
    // under it keeps, and a focused edit box's blinking caret.
    const bool linux = !watched.hostLinux.empty();
    for (std::size_t k = 0; k < kHostStateCount; ++k) {
        if (!kHostStates[k].figure) continue;
        const Rates r = Combined(hostStates[k]);
        const std::string figure = std::string(kHostStates[k].figure) + ", browser process";
        PrintTableLine(figure.c_str(), linux ? r.hostLinux : r.host, linux ? floor.hostLinux : floor.host,
                       "host without toolbar");
    }
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
