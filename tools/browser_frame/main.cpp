// A small browser window that hosts the registered toolbars the way the
// browser does, for trying the toolbar out and for screenshots.
//
//   browser_frame.exe [--exit-after SECONDS] [--type "QUERY"] [--click X,Y]... [--hover X,Y]
//                     [--keys KEY,KEY...] [--log FILE]
//
// --type, --click and --keys act on the first toolbar shortly after it shows:
// the clicks first (points in the toolbar's window), then the keys pressed
// on the keyboard (F6, Tab, Shift+Tab, Enter, Escape, Down, Up, a letter,
// Alt+letter), then the query and Enter.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <cwchar>
#include <cwctype>
#include <string>
#include <utility>
#include <vector>

#include "tools/browser_frame/frame_window.h"

namespace {

// One key of --keys: "F6", "Alt+C", "Shift+Tab", ...; empty when unknown.
std::vector<WORD> ParseKey(std::wstring name) {
    std::vector<WORD> chord;
    for (;;) {
        const size_t plus = name.find(L'+');
        if (plus == std::wstring::npos || plus + 1 == name.size()) break;
        const std::wstring modifier = name.substr(0, plus);
        if (modifier == L"Alt")
            chord.push_back(VK_MENU);
        else if (modifier == L"Shift")
            chord.push_back(VK_SHIFT);
        else if (modifier == L"Ctrl")
            chord.push_back(VK_CONTROL);
        else
            return {};
        name = name.substr(plus + 1);
    }
    static const std::pair<const wchar_t*, WORD> named[] = {
        {L"F6", VK_F6}, {L"Tab", VK_TAB},   {L"Enter", VK_RETURN}, {L"Escape", VK_ESCAPE}, {L"Down", VK_DOWN},
        {L"Up", VK_UP}, {L"Left", VK_LEFT}, {L"Right", VK_RIGHT},  {L"Space", VK_SPACE},
    };
    for (const auto& [text, vk] : named) {
        if (name != text) continue;
        chord.push_back(vk);
        return chord;
    }
    if (name.size() != 1 || !iswalnum(name[0])) return {};
    chord.push_back(static_cast<WORD>(towupper(name[0])));
    return chord;
}

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
        else if (name == L"--keys") {
            const std::wstring list = args[++i];
            size_t start = 0;
            while (start <= list.size()) {
                size_t end = list.find(L',', start);
                if (end == std::wstring::npos) end = list.size();
                const std::vector<WORD> chord = ParseKey(list.substr(start, end - start));
                if (!chord.empty()) options.keys.push_back(chord);
                start = end + 1;
            }
        } else if (name == L"--click" || name == L"--hover") {
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
