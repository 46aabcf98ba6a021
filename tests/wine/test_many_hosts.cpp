// The toolbar where a browser puts it: toolbars of a second process under
// the same pointer, toolbars of four browser windows on four threads opened
// and closed under a sweeping pointer, and a thousand opens and closes in
// one process that must leave no memory, GDI object or window behind.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/identifiers.h"
#include "core/toolbar_layout.h"
#include "tests/wine/support_host.h"
#include "tests/wine/support_user_data.h"
#include "tests/wine/support_wine.h"
#include "tests/wine/toolbar_fixture.h"

namespace vtbtest {
namespace {

constexpr int kLinkX = vtb::kFirstLinkSlot + 30;  // the first link button of the test configuration
constexpr int kButtonY = 12;

// Toolbars of several threads and processes save the one settings file of
// their user: beside the DLL, or per user in the user's folder.
class ManyHosts : public ::testing::TestWithParam<DataMode> {
protected:
    void SetUp() override {
        if (GetParam() == DataMode::PerUser) RemoveUserDataDir();
        DeleteFileA(machineSettings_.Path().c_str());
        DeleteFileA(settings_.Path().c_str());
        WriteTextFile(config_.Path(), kTestConfig);
        ASSERT_TRUE(dll_.module);
        factory_ = BandFactory(dll_.module);
        ASSERT_TRUE(factory_);
    }
    void TearDown() override {
        factory_.reset();
        EXPECT_TRUE(boxes_.Boxes().empty());
        EXPECT_TRUE(HeapsValid());
        EXPECT_TRUE(FileExists(settings_.Path())) << "the toolbars saved their settings there";
        if (GetParam() == DataMode::PerUser) {
            EXPECT_FALSE(FileExists(machineSettings_.Path())) << "a user's settings went beside the DLL";
        }
    }

    MachineDataMode mode_{GetParam()};
    SavedFile config_{ExeDir() + vtb::kConfigFileName};
    SavedFile machineSettings_{ExeDir() + vtb::kSettingsFileName};
    SavedFile settings_{DataFile(GetParam(), machineSettings_.Path())};
    MessageBoxWatcher boxes_;
    ToolbarDll dll_;
    vtb::ComPtr<IClassFactory> factory_;
};

// ---- Reading the screen ---------------------------------------------------

// A flat button shows its raised frame only under the pointer: the top row
// of the face turns from the face colour to the highlight colour.
bool FramedAt(POINT topEdge) {
    const HDC screen = GetDC(nullptr);
    const COLORREF seen = GetPixel(screen, topEdge.x, topEdge.y);
    ReleaseDC(nullptr, screen);
    return seen == GetSysColor(COLOR_BTNHIGHLIGHT);
}

// Whether the button there comes to show (or not show) its frame while both
// loops run: the other process paints when the machine lets it.
bool Settles(POINT topEdge, bool framed) {
    return PumpUntil([&] { return FramedAt(topEdge) == framed; }, 3000);
}

// Moves the pointer there in small steps at a hand's pace, letting both
// loops run; then gives a button that must not light its chance to.
void GlideTo(POINT from, POINT to) {
    for (int step = 1; step <= 8; ++step) {
        SetCursorPos(from.x + (to.x - from.x) * step / 8, from.y + (to.y - from.y) * step / 8);
        PumpWhileTimePasses(15);
    }
    PumpToShowNothingHappens(150);
}

// The window active in a thread's own view, which its buttons go by.
HWND ActiveIn(DWORD thread) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(thread, &info) ? info.hwndActive : nullptr;
}

// ---- The other process --------------------------------------------------------

struct HostProcess {
    PROCESS_INFORMATION info{};
    DWORD thread = 0;
    HWND site = nullptr;

    bool Start(int left, int top) {
        char exe[MAX_PATH];
        GetModuleFileNameA(nullptr, exe, MAX_PATH);
        std::string command =
            "\"" + std::string(exe) + "\" --toolbar-host " + std::to_string(left) + " " + std::to_string(top);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            return false;
        // Its site window shows once its toolbar is open, and comes to the
        // front. The window system gets its focus only when that process has
        // handled the window's mapping (an answer to a message says its loop
        // has run): later than our own window, it would take the front again.
        DWORD_PTR answer = 0;
        return PumpUntil(
                   [this] {
                       EnumWindows(FindSite, reinterpret_cast<LPARAM>(this));
                       return site != nullptr;
                   },
                   10000) &&
               PumpUntil([this] { return GetForegroundWindow() == site && ActiveIn(thread) == site; }) &&
               SendMessageTimeoutA(site, WM_NULL, 0, 0, SMTO_NORMAL, kWaitMs, &answer) != 0;
    }
    bool Alive() const { return WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT; }
    void Tell(UINT command) const { PostThreadMessageA(thread, command, 0, 0); }
    DWORD Stop() {
        Tell(kHostQuit);
        DWORD code = 0xDEAD;
        if (WaitForSingleObject(info.hProcess, 20000) == WAIT_OBJECT_0)
            GetExitCodeProcess(info.hProcess, &code);
        else
            TerminateProcess(info.hProcess, 0xDEAD);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        return code;
    }
    static BOOL CALLBACK FindSite(HWND window, LPARAM param) {
        auto* self = reinterpret_cast<HostProcess*>(param);
        DWORD process = 0;
        const DWORD thread = GetWindowThreadProcessId(window, &process);
        char title[32] = {};
        GetWindowTextA(window, title, sizeof title);
        if (process != self->info.dwProcessId || !IsWindowVisible(window) || lstrcmpA(title, "band site") != 0)
            return TRUE;
        self->site = window;
        self->thread = thread;
        return FALSE;
    }
};

TEST_P(ManyHosts, ToolbarsOfTwoProcessesUnderOnePointer) {
    HostProcess other;
    ASSERT_TRUE(other.Start(0, 300));
    HostedToolbar mine(factory_.get(), 0, 100);
    ASSERT_TRUE(mine.Opened());
    // The system and both threads agree which site window is active: each
    // thread hears of its activation or deactivation in its own time.
    const auto settledOn = [&](HWND active) {
        return PumpUntil([&] {
            return GetForegroundWindow() == active &&
                   ActiveIn(GetCurrentThreadId()) == (active == mine.SiteWindow() ? active : nullptr) &&
                   ActiveIn(other.thread) == (active == other.site ? active : nullptr);
        });
    };
    SetForegroundWindow(mine.SiteWindow());
    EXPECT_TRUE(settledOn(mine.SiteWindow()));

    // Both forms lie at the same place in their site windows.
    POINT theirs{kLinkX, 0};
    ClientToScreen(FindWindowExA(other.site, nullptr, "TBandForm", nullptr), &theirs);
    const POINT ours = mine.Screen(kLinkX, 0);
    const POINT ourButton = mine.Screen(kLinkX, kButtonY);
    const POINT theirButton{theirs.x, theirs.y + kButtonY};

    for (int round = 0; round < 4; ++round) {
        const bool oursActive = round % 2 == 0;
        if (oursActive) {
            SetForegroundWindow(mine.SiteWindow());
        } else {
            other.Tell(kHostActivate);
        }
        EXPECT_TRUE(settledOn(oursActive ? mine.SiteWindow() : other.site)) << "round " << round;
        GlideTo(theirButton, ourButton);
        EXPECT_TRUE(Settles(ours, oursActive)) << "our button under the pointer, round " << round;
        EXPECT_TRUE(Settles(theirs, false)) << "theirs is not under the pointer, round " << round;
        GlideTo(ourButton, theirButton);
        EXPECT_TRUE(Settles(ours, false)) << "the pointer left ours, round " << round;
        // Only the active application's buttons hover.
        EXPECT_TRUE(Settles(theirs, !oursActive)) << "their button under the pointer, round " << round;
        ASSERT_TRUE(other.Alive());
    }
    // Back and forth quickly while both timers run.
    for (int sweep = 0; sweep < 20; ++sweep) {
        SetCursorPos(ourButton.x + sweep * 5, ourButton.y);
        PumpWhileTimePasses(10);
        SetCursorPos(theirButton.x + sweep * 5, theirButton.y);
        PumpWhileTimePasses(10);
    }
    EXPECT_TRUE(other.Alive());
    EXPECT_EQ(0u, other.Stop()) << "the other process closed its toolbar cleanly";
}

// ---- Threads ------------------------------------------------------------------------

TEST_P(ManyHosts, FourThreadsOpenAndCloseUnderASweepingPointer) {
    constexpr int kThreads = 4;
    constexpr int kCyclesEach = 25;
    std::atomic<bool> sweeping{true};
    std::thread sweeper([&sweeping] {
        // Across all four browser windows, over their buttons.
        for (int x = 0; sweeping; x = (x + 37) % 700)
            for (int row = 0; row < kThreads && sweeping; ++row) {
                SetCursorPos(x, 100 + row * 80 + 30);
                Sleep(3);  // the pointer's pace
            }
    });
    std::atomic<int> opened{0}, navigatedRight{0};
    // Wine 8's gdi32 can crash when threads create combo boxes at the very
    // same moment, with nothing of ours involved: the opens take turns; the
    // toolbars then live, tick and close side by side.
    std::mutex opening;
    std::vector<std::thread> browsers;
    for (int t = 0; t < kThreads; ++t) {
        browsers.emplace_back([&, t] {
            if (FAILED(OleInitialize(nullptr))) return;
            const vtb::ComPtr<IClassFactory> factory = BandFactory(dll_.module);
            for (int cycle = 0; cycle < kCyclesEach; ++cycle) {
                std::unique_lock<std::mutex> turn(opening);
                HostedToolbar toolbar(factory.get(), 0, 100 + t * 80);
                turn.unlock();
                if (!toolbar.Opened()) continue;
                ++opened;
                // Open a different while each time: the click meets the timer anywhere in its tick.
                PumpWhileTimePasses(20 + (cycle * 7 + t * 3) % 20);
                toolbar.Click(kLinkX, kButtonY);
                const auto& calls = toolbar.Browser().Navigations;
                PumpUntil([&calls] { return !calls.empty(); }, 5000);
                PumpToShowNothingHappens(20);  // a second navigation would come now
                if (calls.size() == 1 && calls[0].url == "https://lexa.example/cases") ++navigatedRight;
            }
            OleUninitialize();
        });
    }
    for (std::thread& browser : browsers) browser.join();
    sweeping = false;
    sweeper.join();
    EXPECT_EQ(kThreads * kCyclesEach, opened.load());
    EXPECT_EQ(kThreads * kCyclesEach, navigatedRight.load()) << "each button navigated its own browser";
}

// ---- Soak ---------------------------------------------------------------------------------

// Committed private memory of the process, in bytes.
SIZE_T PrivateBytes() {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const char* at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= at) break;
        at = next;
    }
    return total;
}

// Wine keeps no GDI object count for GetGuiResources; its handle table,
// the one the system shares with every process, says which are in use.
struct GdiHandleEntry {
    UINT64 object;
    ULONG owner;
    USHORT unique;
    UCHAR type;
    UCHAR flags;
    UINT64 user;
};
static_assert(sizeof(GdiHandleEntry) == 24, "the system's table layout");

int GdiObjects() {
    if (const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return static_cast<int>(counted);
    const auto* peb = reinterpret_cast<const BYTE*>(NtCurrentTeb()->ProcessEnvironmentBlock);
    const auto* table = *reinterpret_cast<const GdiHandleEntry* const*>(peb + 0x94);  // GdiSharedHandleTable
    if (!table) return -1;
    int used = 0;
    for (int i = 0; i < 0x10000; ++i) used += table[i].type != 0;
    return used;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM count) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId()) return TRUE;
    ++*reinterpret_cast<int*>(count);
    EnumChildWindows(window, CountWindow, count);
    return TRUE;
}

int UserObjects() {
    if (const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)) return static_cast<int>(counted);
    int windows = 0;
    EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// Where the files lie does not matter here: once, beside the DLL.
class ManyHostsSoak : public ManyHosts {};

TEST_P(ManyHostsSoak, AThousandOpensAndClosesLeaveNothingBehind) {
    // The counter must see what the test itself makes.
    const int gdiBefore = GdiObjects();
    ASSERT_GT(gdiBefore, 0);
    {
        vtb::UniqueBrush probe(CreateSolidBrush(RGB(1, 2, 3)));
        ASSERT_EQ(gdiBefore + 1, GdiObjects()) << "GDI objects are counted";
    }
    auto cycle = [this] {
        HostedToolbar toolbar(factory_.get(), 0, 100);
        ASSERT_TRUE(toolbar.Opened());
        RedrawWindow(toolbar.Form(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        SendMessageA(toolbar.Form(), WM_MOUSEMOVE, 0, MAKELPARAM(kLinkX, kButtonY));
    };
    for (int i = 0; i < 20; ++i) cycle();  // what the first opens make once
    EXPECT_TRUE(PumpPending());
    const SIZE_T memory = PrivateBytes();
    const int gdi = GdiObjects();
    const int user = UserObjects();
    for (int i = 0; i < 1000; ++i) cycle();
    EXPECT_TRUE(PumpPending());
    const SIZE_T memoryAfter = PrivateBytes();
    const int gdiAfter = GdiObjects();
    const int userAfter = UserObjects();
    std::printf("1000 opens and closes: private bytes %lu -> %lu, GDI objects %d -> %d, windows %d -> %d\n",
                static_cast<unsigned long>(memory), static_cast<unsigned long>(memoryAfter), gdi, gdiAfter, user,
                userAfter);
    EXPECT_LE(gdiAfter, gdi);
    EXPECT_LE(userAfter, user);
    // The heaps keep what they grew to; a leak of one form per open would be megabytes.
    EXPECT_LT(memoryAfter, memory + 256 * 1024);
}

INSTANTIATE_TEST_SUITE_P(BothModes, ManyHosts, ::testing::Values(DataMode::BesideTheDll, DataMode::PerUser),
                         [](const ::testing::TestParamInfo<DataMode>& info) { return ModeName(info.param); });
INSTANTIATE_TEST_SUITE_P(OneMode, ManyHostsSoak, ::testing::Values(DataMode::BesideTheDll),
                         [](const ::testing::TestParamInfo<DataMode>& info) { return ModeName(info.param); });

}  // namespace
}  // namespace vtbtest
