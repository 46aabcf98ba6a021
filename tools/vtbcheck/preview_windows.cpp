// The preview on Windows: vtbpreview.exe runs directly, in the staged folder.
#include <windows.h>

#include <iostream>

#include "tools/vtbcheck/preview.h"
#include "win/handles.h"

namespace vtbcheck {
namespace fs = std::filesystem;

namespace {

constexpr DWORD kPreviewMilliseconds = 120 * 1000;

}  // namespace

fs::path ProgramPath(const char* argv0) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? fs::path(path) : fs::absolute(argv0);
}

bool RunPreviewProgram(const fs::path& stage, const std::string& menu, int dpi) {
    // Windows has no display of another DPI for one program.
    if (dpi) std::cerr << "vtbcheck: on Windows the toolbar is drawn at the display's own DPI; --dpi is ignored\n";
    const std::string program = (stage / kPreviewName).string();
    std::string command = "\"" + program + "\"";
    if (!menu.empty()) command += " --menu " + menu;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const std::string dir = stage.string();
    if (!CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &startup,
                        &process)) {
        std::cerr << "vtbcheck: cannot start " << program << " (error " << GetLastError() << ")\n";
        return false;
    }
    const vtb::UniqueKernelHandle processHandle(process.hProcess);
    const vtb::UniqueKernelHandle threadHandle(process.hThread);
    if (WaitForSingleObject(process.hProcess, kPreviewMilliseconds) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 5000);
        std::cerr << "vtbcheck: " << kPreviewName << " did not finish in time\n";
        return false;
    }
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    if (code != 0) std::cerr << "vtbcheck: " << kPreviewName << " failed (exit status " << code << ")\n";
    return code == 0;
}

}  // namespace vtbcheck
