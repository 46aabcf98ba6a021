// The settings file's rights, given with the system's icacls. Wine's
// icacls changes nothing and reports success (the silent setups of the
// other tests run with it), so here the test program stands in for it and
// records what the setup asks; the setup must also finish when icacls
// refuses or is missing.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

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

class SettingsFileRights : public testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(RemoveInstallation()); }

    // The setup finished and installed a working toolbar all the same.
    static void ExpectInstalled(const RunResult& setup) {
        ASSERT_TRUE(setup.finished);
        EXPECT_EQ(0u, setup.exitCode);
        EXPECT_TRUE(vtbtest::FileExists(Installed("Veltrane_ToolBar.ini")));
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        const DWORD band = CreateBandInChild();
        EXPECT_EQ(kChildOk, band) << ChildResultText(band);
    }
};

TEST_F(SettingsFileRights, UsersMayModifyTheSettingsFileAndALowIntegrityBrowserToo) {
    RecordingIcacls icacls(0);
    const RunResult setup = RunSetup();
    ASSERT_NO_FATAL_FAILURE(ExpectInstalled(setup));
    const std::string settings = Quoted(Installed("Veltrane_ToolBar.ini"));
    const std::vector<std::string> expected = {settings + " /grant *S-1-5-32-545:(M)",
                                               settings + " /setintegritylevel low"};
    EXPECT_EQ(expected, icacls.Calls());
}

TEST_F(SettingsFileRights, SetupSucceedsWhenIcaclsRefuses) {
    RecordingIcacls icacls(static_cast<int>(ERROR_ACCESS_DENIED));
    const RunResult setup = RunSetup();
    ASSERT_NO_FATAL_FAILURE(ExpectInstalled(setup));
    EXPECT_EQ(2u, icacls.Calls().size());
}

TEST_F(SettingsFileRights, SetupSucceedsWithoutIcacls) {
    IcaclsMovedAside missing;
    ASSERT_FALSE(vtbtest::FileExists(SystemIcacls()));
    const RunResult setup = RunSetup();
    ASSERT_NO_FATAL_FAILURE(ExpectInstalled(setup));
}

}  // namespace
}  // namespace insttest
