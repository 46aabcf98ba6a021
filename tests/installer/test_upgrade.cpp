// A setup run over an existing installation: the machine's settings stay as
// the defaults of new users without the history all users shared, the
// shipped files are put back, and a DLL held by an open browser is replaced
// for the browsers opened after it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/identifiers.h"
#include "tests/installer/support_install.h"
#include "tests/wine/support_user_data.h"
#include "tests/wine/support_wine.h"

namespace insttest {
namespace {

// What an earlier installation shared between all users.
const char kChangedSettings[] =
    "[Settings]\r\nSearch Method=title\r\nSearch History0=my own query\r\nSpdButn_1=0\r\nSpdButn_2=1\r\n"
    "SEARCH HISTORY7=another user's client\r\n";

class Upgrade : public testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(FreshInstallation()); }
};

TEST_F(Upgrade, KeepsTheDefaultsWithoutTheSharedHistoryAndPutsBackTheShippedFiles) {
    vtbtest::WriteTextFile(Installed(vtb::kSettingsFileName), kChangedSettings);
    vtbtest::WriteTextFile(Installed(vtb::kConfigFileName), "1.0|an older configuration\r\n");
    ASSERT_TRUE(DeleteFileA(Installed("Laws.bmp").c_str()));

    const RunResult setup = RunSetup();
    ASSERT_TRUE(setup.finished);
    EXPECT_EQ(0u, setup.exitCode);
    const std::string settings = Installed(vtb::kSettingsFileName);
    EXPECT_EQ(vtbtest::IniValue(settings, "Search History0"), "<missing>");
    EXPECT_EQ(vtbtest::IniValue(settings, "search history7"), "<missing>");
    EXPECT_EQ(vtbtest::IniValue(settings, "Search Method"), "title");
    EXPECT_EQ(vtbtest::IniValue(settings, "SpdButn_1"), "0");
    EXPECT_EQ(vtbtest::IniValue(settings, "SpdButn_2"), "1");
    for (const char* name : {vtb::kConfigFileName, "Laws.bmp", vtb::kToolbarDllName})
        EXPECT_TRUE(vtbtest::ReadTextFile(Shipped(name)) == vtbtest::ReadTextFile(Installed(name))) << name;
    const DWORD band = CreateBandInChild();
    EXPECT_EQ(kChildOk, band) << ChildResultText(band);
}

// Windows (and Wine) refuse to overwrite or delete a DLL that a process has
// loaded, but let it be renamed.
TEST_F(Upgrade, ReplacesADllHeldByAnOpenBrowser) {
    const std::string dll = Installed(vtb::kToolbarDllName);
    // An older build: the same code with a few bytes more at its end.
    const std::string older = vtbtest::ReadTextFile(dll) + "older build";
    vtbtest::WriteTextFile(dll, older);

    const std::string tag = std::to_string(GetCurrentProcessId());
    const std::string readyName = "VtbInstallerTestReady" + tag, releaseName = "VtbInstallerTestRelease" + tag;
    const vtb::UniqueKernelHandle ready(CreateEventA(nullptr, TRUE, FALSE, readyName.c_str()));
    const vtb::UniqueKernelHandle release(CreateEventA(nullptr, TRUE, FALSE, releaseName.c_str()));
    JobProcess browser(Quoted(SelfPath()) + " --hold-band " + Quoted(dll) + " " + readyName + " " + releaseName);
    ASSERT_TRUE(browser.Started());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready.get(), 30000)) << "the toolbar did not open";
    ASSERT_FALSE(DeleteFileA(dll.c_str())) << "the DLL in use could be deleted: nothing to test";

    const RunResult setup = RunSetup();
    SetEvent(release.get());
    ASSERT_TRUE(browser.WaitForAll(30000));
    EXPECT_EQ(static_cast<DWORD>(kChildOk), browser.ExitCode())
        << "the open toolbar after the upgrade: " << ChildResultText(browser.ExitCode());
    ASSERT_TRUE(setup.finished);
    EXPECT_EQ(0u, setup.exitCode);

    EXPECT_TRUE(vtbtest::ReadTextFile(Shipped(vtb::kToolbarDllName)) == vtbtest::ReadTextFile(dll));
    // The old DLL under another name, to be deleted at the next start.
    std::string movedAside;
    for (const std::string& name : FilesIn(InstallDir()))
        if (vtbtest::ReadTextFile(Installed(name)) == older) movedAside = Installed(name);
    ASSERT_FALSE(movedAside.empty()) << "the old DLL is gone";
    const std::vector<PendingOperation> pending = PendingFileOperations();
    EXPECT_TRUE(std::any_of(pending.begin(), pending.end(),
                            [&](const PendingOperation& operation) {
                                return SamePath(operation.from, movedAside) && operation.to.empty();
                            }))
        << movedAside << " is not deleted at the next start";

    const DWORD band = CreateBandInChild();
    EXPECT_EQ(kChildOk, band) << ChildResultText(band);
}

}  // namespace
}  // namespace insttest
