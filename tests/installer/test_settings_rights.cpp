// Nothing in Program Files is opened to users: each user's data lies in
// the user's own folder, so the setup changes no file's rights or integrity
// label. Wine's icacls changes nothing and reports success, so here the test
// program stands in for it and records whatever the setup would ask.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/identifiers.h"
#include "tests/installer/support_install.h"
#include "tests/wine/support_wine.h"

namespace insttest {
namespace {

const char kOverridesKey[] = "Software\\Wine\\DllOverrides";

std::string SystemIcacls() {
    char dir[MAX_PATH] = {};
    GetSystemDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\icacls.exe";
}

// Moves the system's icacls.exe aside for the lifetime of the object and
// puts it back at the end.
class IcaclsMovedAside {
public:
    IcaclsMovedAside() : saved_(SystemIcacls() + ".saved") {
        moved_ = MoveFileExA(SystemIcacls().c_str(), saved_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
        EXPECT_TRUE(moved_) << "cannot move " << SystemIcacls();
    }
    ~IcaclsMovedAside() {
        if (moved_) MoveFileExA(saved_.c_str(), SystemIcacls().c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    IcaclsMovedAside(const IcaclsMovedAside&) = delete;
    IcaclsMovedAside& operator=(const IcaclsMovedAside&) = delete;

private:
    std::string saved_;
    bool moved_ = false;
};

// This program as icacls.exe, recording its command lines and exiting with
// the given code. Wine prefers its own built-in icacls unless told to load
// the file.
class RecordingIcacls {
public:
    explicit RecordingIcacls(int exitCode) {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        log_ = std::string(temp) + "icacls_calls.log";
        DeleteFileA(log_.c_str());
        EXPECT_TRUE(CopyFileA(SelfPath().c_str(), SystemIcacls().c_str(), FALSE));
        WriteString(HKEY_CURRENT_USER, kOverridesKey, "icacls.exe", "native");
        SetEnvironmentVariableA("VTB_ICACLS_LOG", log_.c_str());
        SetEnvironmentVariableA("VTB_ICACLS_EXIT", std::to_string(exitCode).c_str());
    }
    ~RecordingIcacls() {
        SetEnvironmentVariableA("VTB_ICACLS_LOG", nullptr);
        SetEnvironmentVariableA("VTB_ICACLS_EXIT", nullptr);
        HKEY raw = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kOverridesKey, 0, KEY_SET_VALUE, &raw) == ERROR_SUCCESS) {
            RegDeleteValueA(raw, "icacls.exe");
            RegCloseKey(raw);
        }
        DeleteFileA(SystemIcacls().c_str());
    }
    RecordingIcacls(const RecordingIcacls&) = delete;
    RecordingIcacls& operator=(const RecordingIcacls&) = delete;

    // The arguments of each call, without the program's own name.
    std::vector<std::string> Calls() const {
        std::vector<std::string> calls;
        const std::string text = vtbtest::ReadTextFile(log_);
        std::string::size_type at = 0;
        while (at < text.size()) {
            const std::string::size_type end = text.find('\n', at);
            std::string line = text.substr(at, end - at);
            // The program's name comes first, quoted.
            const std::string::size_type name = line[0] == '"' ? line.find('"', 1) + 1 : line.find(' ');
            line.erase(0, line.find_first_not_of(' ', name));
            calls.push_back(line);
            at = end == std::string::npos ? text.size() : end + 1;
        }
        return calls;
    }

private:
    IcaclsMovedAside wine_;
    std::string log_;
};

TEST(SettingsFileRights, NeitherSetupNorUpgradeChangesRightsInProgramFiles) {
    ASSERT_NO_FATAL_FAILURE(RemoveInstallation());
    RecordingIcacls icacls(0);
    // The stand-in records what it is asked: a call of our own first.
    ASSERT_TRUE(RunToEnd(Quoted(SystemIcacls()) + " probe").finished);
    ASSERT_EQ(std::vector<std::string>{"probe"}, icacls.Calls());
    for (const char* run : {"setup", "upgrade"}) {
        const RunResult setup = RunSetup();
        ASSERT_TRUE(setup.finished) << run;
        EXPECT_EQ(0u, setup.exitCode) << run;
    }
    EXPECT_TRUE(vtbtest::FileExists(Installed(vtb::kSettingsFileName)));
    EXPECT_EQ(std::vector<std::string>{"probe"}, icacls.Calls());
}

}  // namespace
}  // namespace insttest
