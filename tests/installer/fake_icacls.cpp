// Wine's icacls.exe only says that it changes nothing and succeeds. To see
// what the setup asks of it, the test program is copied over it: started
// under the name icacls.exe it appends its command line to the file named
// by VTB_ICACLS_LOG and exits with the code in VTB_ICACLS_EXIT.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "tests/installer/support_install.h"

namespace insttest {

namespace {

std::string Environment(const char* name) {
    char value[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

}  // namespace

bool IsFakeIcacls() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string self(path, n);
    const std::string name = self.substr(self.find_last_of("\\/") + 1);
    return lstrcmpiA(name.c_str(), "icacls.exe") == 0;
}

int RunFakeIcacls() {
    const std::string log = Environment("VTB_ICACLS_LOG");
    if (!log.empty()) {
        const HANDLE file = CreateFileA(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            const std::string line = std::string(GetCommandLineA()) + "\n";
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
        }
    }
    return std::atoi(Environment("VTB_ICACLS_EXIT").c_str());
}

}  // namespace insttest
