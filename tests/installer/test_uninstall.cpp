// Removing the toolbar with the uninstaller that Add/Remove Programs runs:
// nothing of ours stays in the files or the registry, entries of others do;
// the settings file stays unless the user says otherwise.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/identifiers.h"
#include "tests/installer/support_install.h"
#include "tests/wine/support_user_data.h"
#include "tests/wine/support_wine.h"

namespace insttest {
namespace {

const char kOtherClsid[] = "{5F0C3D1E-7A52-4E1B-9C0D-2B7A44E1D0C3}";
const char kOtherUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Another Program";
const char kChangedSettings[] = "[Settings]\r\nSearch History0=kept query\r\nSpdButn_1=1\r\n";

// Entries of other programs beside ours: another toolbar, another class and
// its category membership, another program in Add/Remove Programs.
class OtherPrograms {
public:
    OtherPrograms() {
        WriteString(HKEY_LOCAL_MACHINE, kToolbarKey, kOtherClsid, "");
        WriteString(HKEY_CLASSES_ROOT, ClassKey() + "\\InprocServer32", "", "C:\\Other\\other.dll");
        WriteString(HKEY_CLASSES_ROOT, ClassKey() + "\\Implemented Categories\\" + kDeskBandCategory, "", "");
        WriteString(HKEY_LOCAL_MACHINE, kOtherUninstallKey, "DisplayName", "Another Program");
    }
    ~OtherPrograms() {
        DeleteTree(HKEY_CLASSES_ROOT, ClassKey());
        DeleteTree(HKEY_LOCAL_MACHINE, kOtherUninstallKey);
        HKEY raw = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kToolbarKey, 0, KEY_SET_VALUE, &raw) == ERROR_SUCCESS) {
            RegDeleteValueA(raw, kOtherClsid);
            RegCloseKey(raw);
        }
    }
    OtherPrograms(const OtherPrograms&) = delete;
    OtherPrograms& operator=(const OtherPrograms&) = delete;

    static void ExpectUntouched() {
        std::string text;
        EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kToolbarKey, kOtherClsid));
        EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, ClassKey() + "\\InprocServer32", "", &text));
        EXPECT_EQ("C:\\Other\\other.dll", text);
        EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, ClassKey() + "\\Implemented Categories\\" + kDeskBandCategory));
        EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kOtherUninstallKey, "DisplayName", &text));
    }

private:
    static std::string ClassKey() { return std::string("CLSID\\") + kOtherClsid; }
};

void ExpectNothingOfOursRegistered() {
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kBandClsid));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kToolbarKey, kBandClsid));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMachineKey)) << "the value PerUserData or its key stayed";
    IUnknown* band = nullptr;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(kBandClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                                    reinterpret_cast<void**>(&band)));
}

class SilentUninstall : public testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(FreshInstallation()); }
};

TEST_F(SilentUninstall, RemovesEverythingOfOursAndKeepsTheSettings) {
    OtherPrograms others;
    // A user's own data: theirs, not the uninstaller's.
    ASSERT_TRUE(CreateDirectoryA(vtbtest::UserDataDir().c_str(), nullptr));
    const std::string usersOwn = vtbtest::UserFileFor(Installed(vtb::kSettingsFileName));
    vtbtest::WriteTextFile(usersOwn, kChangedSettings);
    vtbtest::WriteTextFile(Installed(vtb::kSettingsFileName), kChangedSettings);
    // What an interrupted configuration update leaves.
    vtbtest::WriteTextFile(Installed(std::string(vtb::kConfigFileName) + ".download"), "partial");

    const RunResult removed = RunQuietUninstall();
    ASSERT_TRUE(removed.finished);
    EXPECT_EQ(0u, removed.exitCode);
    EXPECT_EQ(std::vector<std::string>{vtb::kSettingsFileName}, FilesIn(InstallDir()));
    EXPECT_EQ(kChangedSettings, vtbtest::ReadTextFile(Installed(vtb::kSettingsFileName)));
    EXPECT_EQ(kChangedSettings, vtbtest::ReadTextFile(usersOwn));
    ExpectNothingOfOursRegistered();
    OtherPrograms::ExpectUntouched();
}

TEST_F(SilentUninstall, KeepSettingsZeroRemovesTheSettingsAndTheFolder) {
    OtherPrograms others;
    const RunResult removed = RunQuietUninstall("/KEEPSETTINGS=0");
    ASSERT_TRUE(removed.finished);
    EXPECT_FALSE(DirExists(InstallDir()));
    ExpectNothingOfOursRegistered();
    OtherPrograms::ExpectUntouched();
}

// Kept from an installation that shared one file between all users: it
// comes back as the defaults of new users, without the shared history.
TEST_F(SilentUninstall, KeptSettingsComeBackWithTheNextSetup) {
    vtbtest::WriteTextFile(Installed(vtb::kSettingsFileName), kChangedSettings);
    ASSERT_TRUE(RunQuietUninstall("/KEEPSETTINGS=1").finished);
    ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));

    const RunResult setup = RunSetup();
    ASSERT_TRUE(setup.finished);
    EXPECT_EQ(0u, setup.exitCode);
    EXPECT_EQ(vtbtest::IniValue(Installed(vtb::kSettingsFileName), "SpdButn_1"), "1");
    EXPECT_EQ(vtbtest::IniValue(Installed(vtb::kSettingsFileName), "Search History0"), "<missing>");
}

// An open browser holds the DLL: it stays until the next start of Windows,
// everything else goes now, and no new browser window finds the toolbar.
TEST_F(SilentUninstall, LeavesADllHeldByAnOpenBrowserForTheNextStart) {
    const std::string dll = Installed(vtb::kToolbarDllName);
    const std::string tag = std::to_string(GetCurrentProcessId());
    const std::string readyName = "VtbUninstallTestReady" + tag, releaseName = "VtbUninstallTestRelease" + tag;
    const vtb::UniqueKernelHandle ready(CreateEventA(nullptr, TRUE, FALSE, readyName.c_str()));
    const vtb::UniqueKernelHandle release(CreateEventA(nullptr, TRUE, FALSE, releaseName.c_str()));
    JobProcess browser(Quoted(SelfPath()) + " --hold-band " + Quoted(dll) + " " + readyName + " " + releaseName);
    ASSERT_TRUE(browser.Started());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready.get(), 30000)) << "the toolbar did not open";

    const RunResult removed = RunQuietUninstall("/KEEPSETTINGS=0");
    ASSERT_TRUE(removed.finished);
    // Seen before the browser closes: the toolbar then saves its settings
    // once more, into the user's folder it was opened with.
    EXPECT_EQ(std::vector<std::string>{vtb::kToolbarDllName}, FilesIn(InstallDir()));
    ExpectNothingOfOursRegistered();
    const std::vector<PendingOperation> pending = PendingFileOperations();
    const auto deletion = [&](const std::string& path) {
        return std::find_if(pending.begin(), pending.end(), [&](const PendingOperation& operation) {
            return lstrcmpiA(LongPath(operation.from).c_str(), path.c_str()) == 0 && operation.to.empty();
        });
    };
    const auto dllGoes = deletion(LongPath(dll)), folderGoes = deletion(LongPath(InstallDir()));
    EXPECT_NE(pending.end(), dllGoes) << "the DLL is not deleted at the next start";
    EXPECT_NE(pending.end(), folderGoes) << "the folder is not removed at the next start";
    EXPECT_TRUE(dllGoes < folderGoes) << "the folder would go before the DLL in it";

    SetEvent(release.get());
    EXPECT_TRUE(browser.WaitForAll(30000));
    EXPECT_EQ(static_cast<DWORD>(kChildOk), browser.ExitCode()) << ChildResultText(browser.ExitCode());
}

TEST_F(SilentUninstall, RemovesTheRegistrationOfADllThatIsGone) {
    ASSERT_TRUE(DeleteFileA(Installed(vtb::kToolbarDllName).c_str()));
    OtherPrograms others;
    const RunResult removed = RunQuietUninstall();
    ASSERT_TRUE(removed.finished);
    EXPECT_EQ(std::vector<std::string>{vtb::kSettingsFileName}, FilesIn(InstallDir()));
    ExpectNothingOfOursRegistered();
    OtherPrograms::ExpectUntouched();
}

// The uninstaller as a user runs it: it asks about the settings file.
TEST(Uninstall, AsksWhetherToKeepTheSettings) {
    ASSERT_NO_FATAL_FAILURE(FreshInstallation());
    std::string command;
    ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", &command));
    JobProcess uninstaller(command);
    ASSERT_TRUE(uninstaller.Started());

    // The confirmation page, the question, the last page.
    ASSERT_TRUE(PressButton(uninstaller, "Uninstall", IDOK));
    std::string question;
    ASSERT_TRUE(AnswerMessageBox(uninstaller, IDNO, &question));
    EXPECT_EQ(
        "Keep the toolbar settings that new users start from for a later installation? Each user's own "
        "searches and settings stay in their profile.",
        question);
    ASSERT_TRUE(PressButton(uninstaller, "Close", IDOK));
    ASSERT_TRUE(uninstaller.WaitForAll(30000));

    EXPECT_FALSE(DirExists(InstallDir()));
    ExpectNothingOfOursRegistered();
}

}  // namespace
}  // namespace insttest
