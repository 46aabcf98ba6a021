#include "win/module.h"

#include <string>

#include "core/messages.h"
#include "core/toolbar_error.h"
#include "win/event_log.h"
#include "win/files.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace vtb {
namespace {

std::string ModuleFileName(HMODULE module) {
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

HINSTANCE ModuleInstance() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

std::string ConvertPath(DWORD(WINAPI* convert)(LPCSTR, LPSTR, DWORD), const std::string& path) {
    std::string buffer(MAX_PATH, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length = convert(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(length + 1);
    }
    return {};
}

namespace {

// The module's name as the system holds it, in UTF-16: the 8-bit form of a
// name outside the code page would be a look-alike.
std::wstring WideModuleFileName() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(ModuleInstance(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// The browser loads the DLL by its registered path, the 8.3 form when the
// folder's path has a space (Program Files). The files beside the DLL are
// named after its long name: Veltrane_ToolBar.cfg is not the short name of
// the DLL with another extension. A generated short name always holds a
// tilde: a path without one is long already, and is not looked up folder by
// folder (which costs the first open half a millisecond under some systems).
std::wstring LongModulePath() {
    std::wstring path = WideModuleFileName();
    if (path.find(L'~') == std::wstring::npos) return path;
    // The size asked for counts the terminating null, which the string keeps past its end.
    std::wstring longPath(GetLongPathNameW(path.c_str(), nullptr, 0), L'\0');
    const DWORD length = GetLongPathNameW(path.c_str(), longPath.data(), static_cast<DWORD>(longPath.size() + 1));
    if (length == 0 || length > longPath.size()) return path;
    longPath.resize(length);
    return longPath;
}

// Asked for at every open and close, and the long name costs a look at
// every folder of the path: found once, as the module's path cannot change
// while it is loaded.
std::string modulePath;
bool modulePathNameable = true;
std::string unnameablePath;  // the path as shown, when 8-bit text cannot name it
INIT_ONCE modulePathOnce = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK FindModulePath(PINIT_ONCE, PVOID, PVOID*) {
    const std::wstring path = LongModulePath();
    if (std::optional<std::string> ansi = AnsiPath(path.c_str())) {
        modulePath = *ansi;
    } else {
        modulePathNameable = false;
        unnameablePath = ShownPath(path.c_str());
    }
    return TRUE;
}

}  // namespace

std::string ModulePath() {
    InitOnceExecuteOnce(&modulePathOnce, FindModulePath, nullptr, nullptr);
    if (!modulePathNameable) throw ToolbarError(UnnameablePathText(unnameablePath));
    return modulePath;
}

std::string HostExecutablePath() { return ModuleFileName(nullptr); }

std::string ApplicationTitle() {
    std::string path = HostExecutablePath();
    // The host's name comes in the OEM character set.
    std::string ansi(path.size(), '\0');
    OemToCharBuffA(path.c_str(), ansi.data(), static_cast<DWORD>(path.size()));
    std::string title = ApplicationTitleFromPath(ansi);
    if (title.size() > 1) CharLowerBuffA(&title[1], static_cast<DWORD>(title.size() - 1));
    return title;
}

void ShowToolbarBox(const std::string& text, UINT style) {
    const std::string title = ApplicationTitle();
    // Owned by the browser window the user works in, which it disables
    // while it is open and which is active again once it closes; without
    // one, every window of the thread waits for it.
    const HWND focus = GetFocus();
    const HWND owner = focus ? GetAncestor(focus, GA_ROOT) : GetActiveWindow();
    MessageBoxA(owner, text.c_str(), title.c_str(), MB_OK | style | (owner ? MB_APPLMODAL : MB_TASKMODAL));
    // The keyboard goes on where it was, in the search box when it was there.
    if (focus && IsWindow(focus) && IsWindowVisible(focus) && IsWindowEnabled(focus)) SetFocus(focus);
}

void ShowErrorMessage(const std::string& text) {
    const std::string shown = WithFullStop(text);
    LogEvent(kFailureShown, {shown.c_str()});
    ShowToolbarBox(shown, MB_ICONERROR);
}

void ShowPlainMessage(const std::string& text) { ShowToolbarBox(text, 0); }

std::string ServerModulePath() {
    std::string path = ModulePath();  // the long form
    // A path with a space is written in its 8.3 form, which has none.
    if (path.find(' ') != std::string::npos) {
        const std::string shortPath = ConvertPath(GetShortPathNameA, path);
        if (!shortPath.empty()) path = shortPath;
    }
    return path;
}

}  // namespace vtb
