// Helpers shared by the Wine tests: the toolbar DLL loaded by path, a watcher
// that answers message boxes, message pumping and small file helpers.
#pragma once

#include <windows.h>

#include "win/handles.h"

#include <functional>
#include <initializer_list>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace vtbtest {

// Directory of the running test program, with its trailing backslash
// (so ExeDir() + "Veltrane_ToolBar.cfg" names a file beside the program).
std::string ExeDir();

// The toolbar DLL under test: Veltrane_ToolBar.dll beside the test program.
std::string DllPath();

// This test program again, in a process of its own, with the arguments
// after its name; the process's handle, empty when it could not start.
vtb::UniqueKernelHandle StartThisProgram(const std::string& arguments);

// The DLL loaded with LoadLibrary and its four exports looked up; freed at
// destruction. A DLL that does not load or lacks an export fails the test
// that made the object and leaves the pointers null.
struct ToolbarDll {
    explicit ToolbarDll(const std::string& path = DllPath());
    explicit ToolbarDll(const std::wstring& path);  // a folder the code page cannot name
    ~ToolbarDll();
    ToolbarDll(const ToolbarDll&) = delete;
    ToolbarDll& operator=(const ToolbarDll&) = delete;

    HMODULE module = nullptr;
    HRESULT(STDAPICALLTYPE* GetClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(STDAPICALLTYPE* CanUnloadNow)() = nullptr;
    HRESULT(STDAPICALLTYPE* RegisterServer)() = nullptr;
    HRESULT(STDAPICALLTYPE* UnregisterServer)() = nullptr;

private:
    void FindExports();
};

// Runs an action on a thread that is inside a modal loop (a menu, a box):
// a window of that thread to which another thread sends the action.
class ActionWindow {
public:
    ActionWindow();
    // From another thread: runs action on the window's thread and returns
    // when it has run (or after timeoutMs).
    bool Run(const std::function<void()>& action, DWORD timeoutMs = 5000);
    HWND Handle() const { return window_.get(); }

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    vtb::UniqueWindow window_;
};

// A thread that finds the message boxes of this process, records caption,
// text and icon, and presses OK, so that code showing a modal box returns.
class MessageBoxWatcher {
public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    struct Box {
        std::string caption, text;
        // MB_ICONERROR and MB_ICONSTOP are the same hand icon: both are set.
        bool errorIcon = false, stopIcon = false, noIcon = false;
        HWND owner = nullptr;          // the window the box is modal to
        bool ownerDisabled = false;    // while the box was open
        RECT place{};                  // on the screen
    };

    // The boxes answered so far, oldest first.
    std::vector<Box> Boxes();
    void Clear();
    // Pumps this thread's messages until at least count boxes were answered
    // or the time is up; true when they were.
    bool WaitForBoxes(size_t count, DWORD timeoutMs);

    // Runs action once, on the thread that made the watcher, inside the loop
    // of the next box before it is answered: a host acting while the
    // toolbar's box is open.
    void RunInNextBox(std::function<void()> action);

private:
    void Run();
    void Poll();
    bool Answer(HWND box);  // false when the box could not be read yet

    std::mutex mutex_;
    std::vector<Box> boxes_;
    std::set<HWND> answered_;
    std::function<void()> action_;  // guarded by mutex_
    ActionWindow owner_;            // on the thread that made the watcher
    vtb::UniqueKernelHandle stop_;
    std::thread thread_;
};

// How long a test waits for what must happen: generous, since a wait ends
// as soon as its condition holds and a busy machine may be slow.
constexpr DWORD kWaitMs = 5000;

// Dispatches this thread's messages until done() holds (asked between
// messages, and at least every few milliseconds for what another thread or
// process does) or at most the given time has passed; says whether it holds.
// For what must happen without a fixed time to happen in: a busy machine may
// not run a thread for tens of milliseconds.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = kWaitMs);

// Dispatches this thread's messages until none but timer messages is left
// (what was queued, and what that queued in turn, has run); false when the
// time was up first.
bool PumpPending(DWORD ms = kWaitMs);

// Dispatches this thread's messages for the given time, to show that
// something does not happen in it: no second navigation, no tick, no box.
void PumpToShowNothingHappens(DWORD ms);

// Dispatches this thread's messages for the given time on purpose: a user's
// pace between the steps of a gesture, or a toolbar left to tick a while.
void PumpWhileTimePasses(DWORD ms);

// For a thread without windows: looks at done() every few milliseconds until
// it holds or the time is up; says whether it holds.
bool WaitUntil(const std::function<bool()>& done, DWORD ms = kWaitMs);

// Keys typed on the keyboard with real input (SendInput): pressed in order,
// then released in reverse, so {VK_MENU, 'C'} is Alt+C. They reach the
// thread of the foreground window.
void TypeKeys(std::initializer_list<WORD> keys);
// Characters typed as an input method or an on-screen keyboard types them:
// each as itself (KEYEVENTF_UNICODE), whatever the keyboard layout.
void TypeText(const std::wstring& text);

// A file put back as it was when the test is done (or removed again).
class SavedFile {
public:
    explicit SavedFile(std::string path);
    ~SavedFile();
    SavedFile(const SavedFile&) = delete;
    SavedFile& operator=(const SavedFile&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    bool existed_;
    std::string bytes_;
};

// Every heap of the process passes the system's validation (with Wine's
// heap checking on, writes into freed blocks fail it).
bool HeapsValid();

// The hint (the system's tooltip window) this thread shows, null when none shows.
HWND ShownHintWindow();

// Whole-file helpers; the bytes are written and read unchanged.
void WriteTextFile(const std::string& path, const std::string& bytes);
std::string ReadTextFile(const std::string& path);  // empty when missing
bool FileExists(const std::string& path);           // a file, not a directory

}  // namespace vtbtest
