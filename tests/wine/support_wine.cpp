#include "tests/wine/support_wine.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <type_traits>

#include "core/identifiers.h"

namespace vtbtest {

namespace {

// Control identifiers inside a message box: the text static is 0xFFFF on
// every system; the icon static is 0x14 on Windows and stc1 (0x440) on Wine.
constexpr int kTextId = 0xFFFF;
constexpr int kIconIds[] = {0x14, 0x440};
constexpr DWORD kPollMs = 20;
// How often a wait looks again at what no message tells it of.
constexpr DWORD kLookAgainMs = 10;
// A box's thread may be slow to answer while it sets the box up; a box not
// read in time is read again at the next poll.
constexpr UINT kReadTimeoutMs = 3000;

bool Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result) {
    return window && SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, kReadTimeoutMs, result) != 0;
}

bool WindowText(HWND window, std::string* out) {
    char text[4096] = {};
    DWORD_PTR copied = 0;
    if (!Ask(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), &copied)) return false;
    out->assign(text, copied);
    return true;
}

bool BoxIcon(HWND box, HICON* out) {
    *out = nullptr;
    for (int id : kIconIds) {
        HWND icon = GetDlgItem(box, id);
        if (!icon || !IsWindowVisible(icon)) continue;
        DWORD_PTR handle = 0;
        if (!Ask(icon, STM_GETICON, 0, 0, &handle)) return false;
        if (handle) {
            *out = reinterpret_cast<HICON>(handle);
            break;
        }
    }
    return true;
}

bool IsMessageBox(HWND window) {
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof cls);
    return lstrcmpA(cls, "#32770") == 0 && GetDlgItem(window, kTextId) != nullptr;
}

BOOL CALLBACK CollectBoxes(HWND window, LPARAM param) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == GetCurrentProcessId() && IsWindowVisible(window) && IsMessageBox(window))
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

}  // namespace

std::string ExeDir() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of("\\/") + 1);
}

std::string DllPath() { return ExeDir() + vtb::kToolbarDllName; }

vtb::UniqueKernelHandle StartThisProgram(const std::string& arguments) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string command = "\"" + std::string(exe) + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return {};
    CloseHandle(info.hThread);
    return vtb::UniqueKernelHandle(info.hProcess);
}

ToolbarDll::ToolbarDll(const std::string& path) {
    module = LoadLibraryA(path.c_str());
    if (!module) {
        ADD_FAILURE() << "cannot load " << path << " (error " << GetLastError() << ")";
        return;
    }
    FindExports();
}

ToolbarDll::ToolbarDll(const std::wstring& path) {
    module = LoadLibraryW(path.c_str());
    if (!module) {
        ADD_FAILURE() << "cannot load the DLL (error " << GetLastError() << ")";
        return;
    }
    FindExports();
}

void ToolbarDll::FindExports() {
    auto find = [this](auto& slot, const char* name) {
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(
            reinterpret_cast<void*>(GetProcAddress(module, name)));
        if (!slot) ADD_FAILURE() << "the DLL does not export " << name;
    };
    find(GetClassObject, "DllGetClassObject");
    find(CanUnloadNow, "DllCanUnloadNow");
    find(RegisterServer, "DllRegisterServer");
    find(UnregisterServer, "DllUnregisterServer");
}

ToolbarDll::~ToolbarDll() {
    if (module) FreeLibrary(module);
}

MessageBoxWatcher::MessageBoxWatcher()
    : stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)), thread_([this] { Run(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
    SetEvent(stop_.get());
    thread_.join();
}

std::vector<MessageBoxWatcher::Box> MessageBoxWatcher::Boxes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
}

void MessageBoxWatcher::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    boxes_.clear();
}

bool MessageBoxWatcher::WaitForBoxes(size_t count, DWORD timeoutMs) {
    // The box may come from a handler of this thread: keep it running.
    return PumpUntil(
        [this, count] {
            std::lock_guard<std::mutex> lock(mutex_);
            return boxes_.size() >= count;
        },
        timeoutMs);
}

void MessageBoxWatcher::RunInNextBox(std::function<void()> action) {
    std::lock_guard<std::mutex> lock(mutex_);
    action_ = std::move(action);
}

void MessageBoxWatcher::Run() {
    while (WaitForSingleObject(stop_.get(), kPollMs) == WAIT_TIMEOUT) Poll();
}

void MessageBoxWatcher::Poll() {
    std::vector<HWND> found;
    EnumWindows(CollectBoxes, reinterpret_cast<LPARAM>(&found));
    for (auto it = answered_.begin(); it != answered_.end();) it = IsWindow(*it) ? std::next(it) : answered_.erase(it);
    for (HWND box : found)
        if (!answered_.count(box) && Answer(box)) answered_.insert(box);
}

bool MessageBoxWatcher::Answer(HWND box) {
    Box seen;
    HICON icon = nullptr;
    if (!WindowText(box, &seen.caption) || !WindowText(GetDlgItem(box, kTextId), &seen.text) || !BoxIcon(box, &icon))
        return false;
    seen.noIcon = icon == nullptr;
    seen.owner = GetWindow(box, GW_OWNER);
    seen.ownerDisabled = seen.owner && !IsWindowEnabled(seen.owner);
    GetWindowRect(box, &seen.place);
    seen.errorIcon = seen.stopIcon = icon && icon == LoadIcon(nullptr, IDI_HAND);
    std::function<void()> action;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        action = std::move(action_);
        action_ = nullptr;
    }
    if (action) owner_.Run(action);
    {
        // Recorded before the press, so a waiter never misses a closed box.
        std::lock_guard<std::mutex> lock(mutex_);
        boxes_.push_back(seen);
    }
    if (HWND ok = GetDlgItem(box, IDOK))
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    else
        PostMessageA(box, WM_CLOSE, 0, 0);
    return true;
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
    const DWORD start = GetTickCount();
    // A running timer always has the next message ready: look at the clock
    // between messages, not only when the queue is empty.
    while (!done()) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= ms) return false;
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            // Another thread's progress sends this one nothing: look again soon.
            MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min(ms - spent, kLookAgainMs), QS_ALLINPUT);
        }
    }
    return true;
}

bool PumpPending(DWORD ms) {
    // Timer messages come last: when one is the next, nothing else waits. A
    // ticking toolbar always has the next tick due, so timers cannot count.
    return PumpUntil(
        [] {
            MSG next;
            return !PeekMessageA(&next, nullptr, 0, 0, PM_NOREMOVE) || next.message == WM_TIMER;
        },
        ms);
}

void PumpToShowNothingHappens(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

void PumpWhileTimePasses(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

bool WaitUntil(const std::function<bool()>& done, DWORD ms) {
    const DWORD start = GetTickCount();
    while (!done()) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= ms) return false;
        Sleep(std::min(ms - spent, kLookAgainMs));
    }
    return true;
}

void TypeKeys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    const auto key = [&inputs](WORD vk, DWORD flags) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
        in.ki.dwFlags = flags;
        inputs.push_back(in);
    };
    for (WORD vk : keys) key(vk, 0);
    for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) key(*it, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void TypeText(const std::wstring& text) {
    std::vector<INPUT> inputs;
    for (const wchar_t c : text) {
        for (const DWORD up : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
            INPUT in{};
            in.type = INPUT_KEYBOARD;
            in.ki.wScan = c;
            in.ki.dwFlags = KEYEVENTF_UNICODE | up;
            inputs.push_back(in);
        }
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

SavedFile::SavedFile(std::string path)
    : path_(std::move(path)), existed_(FileExists(path_)), bytes_(ReadTextFile(path_)) {}

SavedFile::~SavedFile() {
    if (existed_)
        WriteTextFile(path_, bytes_);
    else
        DeleteFileA(path_.c_str());
}

bool HeapsValid() {
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    for (DWORD i = 0; i < count && i < 64; ++i)
        if (!HeapValidate(heaps[i], 0, nullptr)) return false;
    return true;
}

namespace {
constexpr UINT kRunAction = WM_APP + 0x51;
}  // namespace

ActionWindow::ActionWindow() {
    static const ATOM atom = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &ActionWindow::Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VtbTestActionWindow";
        return RegisterClassA(&wc);
    }();
    (void)atom;
    window_.reset(CreateWindowExA(0, "VtbTestActionWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr));
}

bool ActionWindow::Run(const std::function<void()>& action, DWORD timeoutMs) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window_.get(), kRunAction, 0, reinterpret_cast<LPARAM>(&action), SMTO_NORMAL, timeoutMs,
                               &result) != 0;
}

LRESULT CALLBACK ActionWindow::Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kRunAction) {
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        return 1;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

void WriteTextFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) ADD_FAILURE() << "cannot write " << path;
}

std::string ReadTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

BOOL CALLBACK FindShownHint(HWND window, LPARAM found) {
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpiA(name, TOOLTIPS_CLASSA) != 0 || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

}  // namespace

HWND ShownHintWindow() {
    HWND hint = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindShownHint, reinterpret_cast<LPARAM>(&hint));
    return hint;
}

}  // namespace vtbtest
