// A silent installation on a machine without the toolbar: the files in
// Program Files, the DLL's own registration, the entry in Add/Remove
// Programs, and the browser finding the toolbar through the registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/identifiers.h"
#include "tests/installer/support_install.h"
#include "tests/wine/support_user_data.h"
#include "tests/wine/support_wine.h"
#include "vtb_version.h"

namespace insttest {
namespace {

class SilentSetup : public testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(FreshInstallation()); }
};

TEST_F(SilentSetup, InstallsTheShippedFilesAndTheUninstaller) {
    std::vector<std::string> expected = ShippedNames();
    ASSERT_FALSE(expected.empty());
    for (const std::string& name : expected)
        EXPECT_TRUE(vtbtest::ReadTextFile(Shipped(name)) == vtbtest::ReadTextFile(Installed(name)))
            << name << " differs from the shipped file";
    expected.push_back("uninstall.exe");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, FilesIn(InstallDir()));
    // A new user starts without the sample's example searches.
    const std::string settings = vtbtest::ReadTextFile(Installed(vtb::kSettingsFileName));
    EXPECT_NE(std::string::npos, settings.find("SpdButn_1=1"));
    EXPECT_EQ(std::string::npos, settings.find("Search History"));
}

TEST_F(SilentSetup, TheDllRegistersItselfForTheBrowser) {
    const std::string clsid = std::string("CLSID\\") + kBandClsid;
    std::string text;
    EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, clsid, "", &text));
    EXPECT_EQ(vtb::kBandTitle, text);
    ASSERT_TRUE(ReadString(HKEY_CLASSES_ROOT, clsid + "\\InprocServer32", "", &text));
    EXPECT_TRUE(SamePath(text, Installed(vtb::kToolbarDllName))) << text;
    EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, clsid + "\\InprocServer32", "ThreadingModel", &text));
    EXPECT_EQ("Apartment", text);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, clsid + "\\Implemented Categories\\" + kDeskBandCategory));
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kToolbarKey, kBandClsid, &text));
    EXPECT_EQ("", text);
    // Installed for all users: each user's data in the user's own folder.
    DWORD perUser = 0;
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, kMachineKey, "PerUserData", &perUser));
    EXPECT_EQ(1u, perUser);
}

TEST_F(SilentSetup, AddRemoveProgramsListsTheToolbar) {
    const std::string dir = InstallDir();
    std::string text;
    DWORD number = 0;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", &text));
    EXPECT_EQ("Veltrane ToolBar", text);
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", &text));
    EXPECT_EQ(FileVersion(Installed(vtb::kToolbarDllName)), text);
    EXPECT_EQ(VTB_VERSION_TEXT, text);
    EXPECT_TRUE(ReadExpandString(HKEY_LOCAL_MACHINE, kEventSourceKey, "EventMessageFile", &text));
    EXPECT_TRUE(SamePath(Installed(vtb::kToolbarDllName), text)) << text;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "Publisher", &text));
    EXPECT_EQ("Veltrane", text);
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", &text));
    EXPECT_EQ(Quoted(dir + "\\uninstall.exe"), text);
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString", &text));
    EXPECT_EQ(Quoted(dir + "\\uninstall.exe") + " /S", text);
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation", &text));
    EXPECT_EQ(dir, text);
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, kUninstallKey, "NoModify", &number));
    EXPECT_EQ(1u, number);
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, kUninstallKey, "NoRepair", &number));
    EXPECT_EQ(1u, number);

    // The size of the installed files in KB, give or take the rounding of each.
    double bytes = 0;
    const std::vector<std::string> files = FilesIn(dir);
    for (const std::string& name : files) bytes += vtbtest::ReadTextFile(dir + "\\" + name).size();
    ASSERT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize", &number));
    EXPECT_GE(number + files.size(), bytes / 1024);
    EXPECT_LE(number, bytes / 1024 + files.size());
}

TEST_F(SilentSetup, TheBrowserCreatesTheToolbarFromTheRegistry) {
    const DWORD result = CreateBandInChild();
    EXPECT_EQ(kChildOk, result) << ChildResultText(result);
}

// The demonstration browser finds the toolbar in the registry, the toolbar
// reads the installed configuration, searches, and saves the search in the
// user's own settings file when the browser closes; Program Files is only
// read.
TEST_F(SilentSetup, TheInstalledToolbarSearchesAndSavesItsSettings) {
    const std::string frame = TheOptions().frame;
    if (frame.empty()) GTEST_SKIP() << "no --frame given";
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string log = std::string(temp) + "installer_frame.log";
    DeleteFileA(log.c_str());
    const vtbtest::FileSnapshot machineSettings(Installed(vtb::kSettingsFileName));

    const RunResult run =
        RunToEnd(Quoted(frame) + " --exit-after 6 --type \"contract law\" --log " + Quoted(log), 45000);
    ASSERT_TRUE(run.finished);
    const std::string seen = vtbtest::ReadTextFile(log);
    EXPECT_NE(std::string::npos, seen.find(std::string("band: ") + kBandClsid + " shown")) << seen;
    EXPECT_NE(std::string::npos,
              seen.find("navigate: https://search.veltrane.example/find?method=fulltext&q=contract+law&src=toolbar"))
        << seen;
    EXPECT_NE(std::string::npos, seen.find("bands closed")) << seen;
    EXPECT_EQ(vtbtest::IniValue(vtbtest::UserFileFor(Installed(vtb::kSettingsFileName)), "Search History0"),
              "contract law");
    EXPECT_TRUE(vtbtest::FileSnapshot(Installed(vtb::kSettingsFileName)) == machineSettings);
}

// A setup whose DLL cannot register itself says so in its exit code and
// leaves an installation that the uninstaller removes.
TEST(FailedRegistration, FailsTheSetupAndLeavesItRemovable) {
    ASSERT_NO_FATAL_FAILURE(RemoveInstallation());
    const std::string classKey = std::string("CLSID\\") + kBandClsid;
    {
        // A volatile key takes no lasting subkeys: the DLL's registration
        // cannot create its InprocServer32 key.
        HKEY raw = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, classKey.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                                 KEY_ALL_ACCESS, nullptr, &raw, nullptr));
        RegCloseKey(raw);
    }
    const RunResult setup = RunSetup();
    DeleteTree(HKEY_CLASSES_ROOT, classKey);
    ASSERT_TRUE(setup.finished);
    EXPECT_EQ(3u, setup.exitCode);
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kToolbarKey, kBandClsid));

    const RunResult removed = RunQuietUninstall("/KEEPSETTINGS=0");
    ASSERT_TRUE(removed.finished) << "no uninstaller was left";
    EXPECT_FALSE(DirExists(InstallDir()));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

// A silent setup that cannot write says so in its exit code, leaves no
// Add/Remove entry pointing at an uninstaller that is not there, and
// leaves an earlier installation as it was.
TEST(FailedSetup, AFolderThatIsAFileGetsNothingAndNoEntry) {
    ASSERT_NO_FATAL_FAILURE(RemoveInstallation());
    const std::string notAFolder = "C:\\VeltraneToolBarFile";
    vtbtest::WriteTextFile(notAFolder, "a file");
    // The file itself, and a folder under it.
    for (const std::string& dir : {notAFolder, notAFolder + "\\Toolbar"}) {
        SCOPED_TRACE(dir);
        const RunResult setup = RunSetup("/S /D=" + dir);
        ASSERT_TRUE(setup.finished);
        EXPECT_EQ(4u, setup.exitCode);
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kMachineKey, "PerUserData"));
        EXPECT_FALSE(DirExists(InstallDir()));
        EXPECT_EQ("a file", vtbtest::ReadTextFile(notAFolder));
    }
    DeleteFileA(notAFolder.c_str());
}

// /CONFIG= installs a firm's file in place of the sample, checked first
// with the toolbar's own reader; a later run without it installs the same
// path's file again. A file that would fail stops the setup (exit code 5)
// before anything changes.
TEST(FailedSetup, AFirmsConfigurationIsCheckedAndOneThatWouldFailChangesNothing) {
    ASSERT_NO_FATAL_FAILURE(RemoveInstallation());
    const std::string bad = "C:\\VeltraneToolBar-bad.cfg";
    vtbtest::WriteTextFile(bad, "7.2|x\r\n[Buttons]\r\n3 \r\n");
    for (const std::string& file : {bad, std::string("C:\\VeltraneToolBar-missing.cfg")}) {
        SCOPED_TRACE(file);
        const RunResult setup = RunSetup("/S /CONFIG=" + file);
        ASSERT_TRUE(setup.finished);
        EXPECT_EQ(5u, setup.exitCode);
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        EXPECT_FALSE(DirExists(InstallDir()));
    }

    const std::string firm = "C:\\VeltraneToolBar-firm.cfg";
    const std::string firmBytes = vtbtest::ReadTextFile(Shipped(vtb::kConfigFileName)) + "; the firm's own\r\n";
    vtbtest::WriteTextFile(firm, firmBytes);
    const RunResult setup = RunSetup("/S /CONFIG=" + firm);
    ASSERT_TRUE(setup.finished);
    EXPECT_EQ(0u, setup.exitCode);
    EXPECT_EQ(firmBytes, vtbtest::ReadTextFile(Installed(vtb::kConfigFileName)));
    vtbtest::WriteTextFile(Installed(vtb::kConfigFileName), "edited by hand\r\n");
    const RunResult again = RunSetup();
    ASSERT_TRUE(again.finished);
    EXPECT_EQ(0u, again.exitCode);
    EXPECT_EQ(firmBytes, vtbtest::ReadTextFile(Installed(vtb::kConfigFileName)));
    ASSERT_TRUE(RunQuietUninstall("/KEEPSETTINGS=0").finished);
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kMachineKey, "ConfigFile"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kEventSourceKey));
    RemoveInstallation();
    DeleteFileA(bad.c_str());
    DeleteFileA(firm.c_str());
}

TEST(FailedSetup, AFileHeldOpenLeavesTheEarlierInstallationAsItWas) {
    ASSERT_NO_FATAL_FAILURE(FreshInstallation());
    // Marks that a new setup would overwrite.
    WriteString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", "0.0.0.1");
    std::vector<std::string> glyphs;
    for (const std::string& name : ShippedNames())
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".bmp") == 0) glyphs.push_back(name);
    ASSERT_FALSE(glyphs.empty());
    vtbtest::WriteTextFile(Installed(glyphs[0]), "an earlier glyph");
    const vtbtest::FileSnapshot dll(Installed(vtb::kToolbarDllName));
    {
        const vtb::UniqueFile held(CreateFileA(Installed(glyphs.back()).c_str(), GENERIC_READ, 0, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        const RunResult setup = RunSetup();
        ASSERT_TRUE(setup.finished);
        EXPECT_EQ(4u, setup.exitCode);
    }
    std::string version;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", &version));
    EXPECT_EQ("0.0.0.1", version);
    EXPECT_EQ("an earlier glyph", vtbtest::ReadTextFile(Installed(glyphs[0])));
    EXPECT_TRUE(vtbtest::FileSnapshot(Installed(vtb::kToolbarDllName)) == dll);
    RemoveInstallation();
}

}  // namespace
}  // namespace insttest
