// The module the toolbar code is linked into (the DLL, or a test program).
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace vtb {

HINSTANCE ModuleInstance();

// The module's own full file name (never the host program's). Throws
// ToolbarError when its 8-bit text cannot name it (a folder named with
// characters outside the system's code page).
std::string ModulePath();

// Runs one of the system's path functions (GetLongPathNameA,
// GetShortPathNameA) with a buffer as large as it asks for; empty when it fails.
std::string ConvertPath(DWORD(WINAPI* convert)(LPCSTR, LPSTR, DWORD), const std::string& path);

// The host program's full file name.
std::string HostExecutablePath();

// The application title for message boxes: the host's file name without
// directory and extension, OEM to ANSI, "Hostapp" style.
std::string ApplicationTitle();

// Every box of the toolbar: the application title, an OK button, the
// style's icon. Modal to the browser window that holds the focus (or is
// active), centred on the screen; once it closes the focus is back where
// it was.
void ShowToolbarBox(const std::string& text, UINT style);

// Error box: the full-stop rule and an error icon.
void ShowErrorMessage(const std::string& text);

// Runs `handler` where the system's dispatch called us (a window procedure,
// a timer callback): the event boundary, where an error is shown and goes no
// further. An exception of no known type carries no text to show; it must
// not unwind through the system's frames either, so it ends here, unshown.
template <class Handler>
void RunAtEventBoundary(Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ShowErrorMessage(error.what());
    } catch (...) {
    }
}

// Plain message box: no icon.
void ShowPlainMessage(const std::string& text);

// The module's path as the registry holds it: every component long, and the
// short 8.3 form when the long one contains a space.
std::string ServerModulePath();

}  // namespace vtb
