// Installed for all users, the machine's value PerUserData keeps each user's
// settings and configuration updates in the user's own folder; the files
// beside the DLL are then the administrator's, and only read.
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <string>

#include "tests/wine/support_host.h"
#include "tests/wine/support_user_data.h"
#include "tests/wine/toolbar_fixture.h"

namespace vtbtest {
namespace {

using vtb::TBandForm;

void Search(TBandForm& form, const std::string& query) {
    form.Search_Edit->SetText(query);
    form.Search_SpdButnClick(form.Search_SpdButn);
}

std::wstring Wide(const std::string& text) {
    const int size = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), size);
    wide.resize(static_cast<std::size_t>(size - 1));
    return wide;
}

// A folder beside the program named "\u0141ukasz-<what>", which a Western code
// page cannot name, and its look-alike "Lukasz-<what>" that best-fit
// mapping would turn it into. Both are removed again with what is in them.
struct UnnameableFolder {
    explicit UnnameableFolder(const std::string& what)
        : path(Wide(ExeDir()) + L"\u0141ukasz-" + Wide(what)), lookAlike(ExeDir() + "Lukasz-" + what) {
        CreateDirectoryW(path.c_str(), nullptr);
        CreateDirectoryA(lookAlike.c_str(), nullptr);
    }
    ~UnnameableFolder() {
        Remove(path);
        Remove(Wide(lookAlike));
    }
    // Whether the system's code page names it after all (then there is nothing to test).
    bool Nameable() const {
        BOOL usedDefault = FALSE;
        char text[MAX_PATH * 2];
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), -1, text, sizeof text, nullptr, &usedDefault);
        return !usedDefault;
    }
    static bool Exists(const std::wstring& file) { return GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES; }
    static void Remove(const std::wstring& dir) {
        WIN32_FIND_DATAW found{};
        const HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..") continue;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    Remove(dir + L"\\" + name);
                else
                    DeleteFileW((dir + L"\\" + name).c_str());
            } while (FindNextFileW(find, &found));
            FindClose(find);
        }
        RemoveDirectoryW(dir.c_str());
    }
    const std::wstring path;
    const std::string lookAlike;
};

// The user's LocalLow folder moved elsewhere, as a roaming profile's policy
// does, for the object's lifetime.
class MovedLocalLow {
public:
    explicit MovedLocalLow(const std::wstring& folder) {
        RegSetKeyValueW(HKEY_CURRENT_USER, kShellFolders, kLocalLowValue, REG_EXPAND_SZ, folder.c_str(),
                        static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    }
    ~MovedLocalLow() { RegDeleteKeyValueW(HKEY_CURRENT_USER, kShellFolders, kLocalLowValue); }
    static std::wstring Now() {
        PWSTR wide = nullptr;
        SHGetKnownFolderPath(FOLDERID_LocalAppDataLow, 0, nullptr, &wide);
        std::wstring folder = wide ? wide : L"";
        CoTaskMemFree(wide);
        return folder;
    }

private:
    static constexpr const wchar_t* kShellFolders =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    static constexpr const wchar_t* kLocalLowValue = L"{A520A1A4-1780-4FF6-BD18-167343C5AF16}";
};

class UserDataTest : public ToolbarFormTest {
protected:
    void SetUp() override {
        ToolbarFormTest::SetUp();
        RemoveUserDataDir();
    }
    void TearDown() override {
        ToolbarFormTest::TearDown();
        RemoveUserDataDir();
    }
    static std::string UserSettings() { return UserFileFor(SettingsPath()); }
    static std::string UserConfig() { return UserFileFor(ConfigPath()); }

    MachineDataMode perUser_{DataMode::PerUser};
};

// The machine's file holds what an earlier installation shared between all
// users, searches naming clients among them.
TEST_F(UserDataTest, ANewUserStartsFromTheMachinesChoicesButNeverItsHistory) {
    WriteTextFile(SettingsPath(),
                  "[Settings]\r\nSearch History0=Client A v. B\r\nsearch history1=matter 12\r\n"
                  "Search Method=cases\r\nSpdButn_1=0\r\nSpdButn_2=1\r\n");
    const FileSnapshot machine(SettingsPath());
    TBandForm& form = Build(kTestConfig);
    EXPECT_EQ(form.Search_Edit->Text(), "Enter Lexa search query");
    EXPECT_EQ(form.Search_Edit->Count(), 1);
    EXPECT_TRUE(form.SearchOption[1]->Checked);
    EXPECT_FALSE(form.SpdButn[0]->Visible());
    EXPECT_TRUE(form.SpdButn[1]->Visible());
    Search(form, "my own query");
    Close();

    EXPECT_TRUE(FileSnapshot(SettingsPath()) == machine) << "the machine's file was written";
    EXPECT_EQ(IniValue(UserSettings(), "Search History0"), "my own query");
    EXPECT_EQ(IniValue(UserSettings(), "Search History1"), "<missing>");
    EXPECT_EQ(IniValue(UserSettings(), "Search Method"), "cases");
    EXPECT_EQ(IniValue(UserSettings(), "SpdButn_2"), "1");

    // From now on the user's own file counts, not the machine's.
    WriteTextFile(SettingsPath(), "[Settings]\r\nSpdButn_3=1\r\n");
    TBandForm& again = Build();
    EXPECT_EQ(again.Search_Edit->Count(), 1);
    EXPECT_EQ(again.Search_Edit->Item(0), "my own query");
    EXPECT_FALSE(again.SpdButn[2]->Visible());
    EXPECT_TRUE(again.SpdButn[1]->Visible());
}

// A copy without a record of the deployment it superseded (an older
// version's, or a file planted in the folder) is set aside, however new,
// and never over another copy set aside.
TEST_F(UserDataTest, ACopyWithoutARecordIsSetAsideWhateverItsDateUnderANameOfItsOwn) {
    WriteTextFile(ConfigPath(), kTestConfig);
    std::string mine = kTestConfig;
    mine.replace(mine.find("Lexa|"), 4, "Mine");
    ASSERT_TRUE(CreateDirectoryA(UserDataDir().c_str(), nullptr));
    WriteTextFile(UserConfig(), mine);

    SetWriteTimeFromNow(ConfigPath(), -2);
    SetWriteTimeFromNow(UserConfig(), 1);
    EXPECT_EQ(Build().Main_Menu_SpdButn->Caption(), "Lexa");
    Close();
    EXPECT_FALSE(FileExists(UserConfig()));
    std::vector<std::string> aside = FilesLike(UserConfig() + ".old-*");
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(ReadTextFile(aside[0]), mine);

    // Each copy set aside keeps a name of its own, even within one second;
    // the five newest stay.
    for (char n = '2'; n <= '7'; ++n) {
        WriteTextFile(UserConfig(), mine + n);
        Build();
        Close();
    }
    aside = FilesLike(UserConfig() + ".old-*");
    ASSERT_EQ(aside.size(), 5u);
    for (std::size_t i = 0; i < aside.size(); ++i) EXPECT_EQ(ReadTextFile(aside[i]), mine + char('3' + i));

    WriteTextFile(UserConfig(), "<html>Service unavailable</html>\r\n");
    SetWriteTimeFromNow(UserConfig(), 1);
    EXPECT_EQ(Build().Main_Menu_SpdButn->Caption(), "Lexa");
    Close();
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(UserDataTest, ARefusedWriteNamesTheUsersFile) {
    Build(kTestConfig);
    ASSERT_TRUE(CreateDirectoryA(UserDataDir().c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(UserSettings().c_str(), nullptr));
    Close();
    RemoveDirectoryA(UserSettings().c_str());
    ASSERT_TRUE(boxes_.WaitForBoxes(1, 2000));
    EXPECT_EQ(boxes_.Boxes().front().text, "Unable to write to " + UserSettings() + ".");
    EXPECT_FALSE(FileExists(SettingsPath()));
}

// A profile path outside the code page: no look-alike folder is taken for
// it, nothing is written anywhere else, and the close says why.
TEST_F(UserDataTest, AUserFolderOutsideTheCodePageIsNeverTakenForALookAlike) {
    const UnnameableFolder profile("LocalLow");
    if (profile.Nameable()) GTEST_SKIP() << "the system's code page names the letter";
    ASSERT_TRUE(CreateDirectoryA((profile.lookAlike + "\\Veltrane ToolBar").c_str(), nullptr));
    const MovedLocalLow moved(profile.path);
    ASSERT_EQ(profile.path, MovedLocalLow::Now());
    Search(Build(kTestConfig), "my own query");
    Close();
    ASSERT_TRUE(boxes_.WaitForBoxes(1, 2000));
    const std::string text = boxes_.Boxes().front().text;
    EXPECT_EQ(0u, text.find("Unable to write to ")) << text;
    EXPECT_NE(std::string::npos, text.find("cannot be named in the system's code page")) << text;
    EXPECT_FALSE(FileExists(profile.lookAlike + "\\Veltrane ToolBar\\" + vtb::kSettingsFileName));
    EXPECT_FALSE(FileExists(SettingsPath())) << "the user's settings went beside the DLL";
}

// The same for the folder of the DLL: the toolbar says so at its start and
// reads and writes nothing in a look-alike folder.
TEST(ModuleFolder, AFolderOutsideTheCodePageIsNeverTakenForALookAlike) {
    const UnnameableFolder folder("dll");
    if (folder.Nameable()) GTEST_SKIP() << "the system's code page names the letter";
    const std::wstring dll = folder.path + L"\\" + Wide(vtb::kToolbarDllName);
    ASSERT_TRUE(CopyFileW(Wide(DllPath()).c_str(), dll.c_str(), FALSE));
    WriteTextFile(folder.lookAlike + "\\" + vtb::kConfigFileName, kTestConfig);
    MessageBoxWatcher boxes;
    {
        ToolbarDll loaded(dll);
        ASSERT_TRUE(loaded.module);
        HostedToolbar host(BandFactory(loaded.module).get(), 0, 0);
        EXPECT_TRUE(host.Opened());
        ASSERT_TRUE(boxes.WaitForBoxes(1, kWaitMs));
        EXPECT_NE(std::string::npos, boxes.Boxes().front().text.find("cannot be named in the system's code page"))
            << boxes.Boxes().front().text;
    }
    EXPECT_EQ(1u, boxes.Boxes().size());
    EXPECT_FALSE(FileExists(folder.lookAlike + "\\" + vtb::kSettingsFileName));
    EXPECT_FALSE(UnnameableFolder::Exists(folder.path + L"\\" + Wide(vtb::kSettingsFileName)));
}

// The value 0 is no value: the files stay beside the DLL.
TEST_F(ToolbarFormTest, PerUserDataOfZeroKeepsTheFilesBesideTheDll) {
    MachineDataMode reset(DataMode::BesideTheDll);
    RemoveUserDataDir();
    SetPerUserDataValue(0);
    Search(Build(kTestConfig), "beside");
    Close();
    EXPECT_EQ(Ini("Search History0"), "beside");
    EXPECT_EQ(GetFileAttributesA(UserDataDir().c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace vtbtest
