// A small browser window that hosts the registered toolbars the way the
// browser does, for trying the toolbar out and for screenshots.
//
//   browser_frame.exe [--exit-after SECONDS] [--type "QUERY"] [--click X,Y]... [--hover X,Y] [--log FILE]
//
// --type and --click act on the first toolbar shortly after it shows:
// the clicks first (points in the toolbar's window), then the query and Enter.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

#include "tools/browser_frame/frame_window.h"

namespace {

frame::FrameOptions ParseOptions() {
    frame::FrameOptions options;
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args) return options;
    for (int i = 1; i + 1 < count; ++i) {
        const std::wstring name = args[i];
        if (name == L"--exit-after")
            options.exitAfterSeconds = _wtoi(args[++i]);
        else if (name == L"--type")
            options.typeText = args[++i];
        else if (name == L"--log")
            options.logPath = args[++i];
        else if (name == L"--click" || name == L"--hover") {
            POINT at = {};
            if (swscanf(args[++i], L"%ld,%ld", &at.x, &at.y) == 2)
                (name == L"--click" ? options.clicks : options.hovers).push_back(at);
        }
    }
    LocalFree(args);
    return options;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (FAILED(OleInitialize(nullptr))) return 1;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_COOL_CLASSES | ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    int result = 1;
    {
        frame::FrameWindow window(ParseOptions());
        if (window.Create(instance)) result = window.RunMessageLoop();
    }
    // The browser asks every server whether it may be unloaded.
    CoFreeUnusedLibraries();
    OleUninitialize();
    return result;
}
