// Figures, not tests: the time of a silent installation and of a silent
// removal (with everything the uninstaller starts), over repeated runs, for
// the setup and for the Windows Installer package.
// Run by tests/installer/run_installer_tests.sh --timing.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "tests/installer/support_install.h"

namespace insttest {
namespace {

constexpr int kRuns = 7;

void Report(const char* what, std::vector<DWORD> ms) {
    std::sort(ms.begin(), ms.end());
    printf("%s: median %lu ms, fastest %lu ms, slowest %lu ms (%d runs)\n", what,
           static_cast<unsigned long>(ms[ms.size() / 2]), static_cast<unsigned long>(ms.front()),
           static_cast<unsigned long>(ms.back()), static_cast<int>(ms.size()));
}

TEST(DISABLED_Timing, SilentSetupAndRemoval) {
    std::vector<DWORD> setups, upgrades, removals;
    ASSERT_NO_FATAL_FAILURE(RemoveInstallation());
    for (int run = 0; run < kRuns; ++run) {
        const RunResult setup = RunSetup();
        ASSERT_TRUE(setup.finished && setup.exitCode == 0);
        const RunResult upgrade = RunSetup();
        ASSERT_TRUE(upgrade.finished && upgrade.exitCode == 0);
        const RunResult removal = RunQuietUninstall("/KEEPSETTINGS=0");
        ASSERT_TRUE(removal.finished && !DirExists(InstallDir()));
        setups.push_back(setup.ms);
        upgrades.push_back(upgrade.ms);
        removals.push_back(removal.ms);
    }
    Report("silent setup", setups);
    Report("silent setup over an installation", upgrades);
    Report("silent removal", removals);
}

TEST(DISABLED_Timing, WindowsInstallerInstallAndRemoval) {
    std::vector<DWORD> installs, removals;
    ASSERT_NO_FATAL_FAILURE(RemoveInstallation());
    const std::string package = Quoted(TheOptions().msi);
    for (int run = 0; run < kRuns; ++run) {
        const RunResult install = RunMsiexec("/i " + package + " /qn");
        ASSERT_TRUE(install.finished && install.exitCode == 0);
        const RunResult removal = RunMsiexec("/x " + package + " /qn");
        ASSERT_TRUE(removal.finished && removal.exitCode == 0 && !DirExists(InstallDir()));
        installs.push_back(install.ms);
        removals.push_back(removal.ms);
    }
    Report("msiexec /i /qn", installs);
    Report("msiexec /x /qn", removals);
}

}  // namespace
}  // namespace insttest
