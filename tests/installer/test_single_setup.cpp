// One setup at a time: while a setup is open, a second setup and the
// uninstaller refuse to run and change nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include "core/identifiers.h"
#include "tests/installer/support_install.h"
#include "tests/wine/support_wine.h"

namespace insttest {
namespace {

// A setup started by a user, waiting on its first page.
class OpenSetup {
public:
    OpenSetup() : process_(Quoted(TheOptions().setup)) {}
    ~OpenSetup() { Close(); }
    OpenSetup(const OpenSetup&) = delete;
    OpenSetup& operator=(const OpenSetup&) = delete;

    bool Opened() { return process_.Started() && WaitForWindow(process_); }
    void Close() {
        process_.Terminate();
        process_.WaitForAll(10000);
    }

private:
    JobProcess process_;
};

TEST(SingleSetup, ASecondSetupRefusesWhileOneIsOpen) {
    ASSERT_NO_FATAL_FAILURE(RemoveInstallation());
    OpenSetup first;
    ASSERT_TRUE(first.Opened());

    const RunResult second = RunSetup();
    ASSERT_TRUE(second.finished);
    EXPECT_EQ(2u, second.exitCode);
    EXPECT_FALSE(DirExists(InstallDir()));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));

    // Once the first has gone, however it ended, the next one runs.
    first.Close();
    const RunResult third = RunSetup();
    ASSERT_TRUE(third.finished);
    EXPECT_EQ(0u, third.exitCode);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST(SingleSetup, TheUninstallerRefusesWhileASetupIsOpen) {
    ASSERT_NO_FATAL_FAILURE(FreshInstallation());
    OpenSetup setup;
    ASSERT_TRUE(setup.Opened());

    const RunResult removed = RunQuietUninstall();
    ASSERT_TRUE(removed.finished);
    EXPECT_TRUE(vtbtest::FileExists(Installed(vtb::kToolbarDllName)));
    EXPECT_TRUE(vtbtest::FileExists(Installed("uninstall.exe")));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kToolbarKey, kBandClsid));
}

}  // namespace
}  // namespace insttest
