// Installed for all users, the machine's value PerUserData keeps each user's
// settings and configuration updates in the user's own folder; the files
// beside the DLL are then the administrator's, and only read.
#include "tests/wine/support_user_data.h"
#include "tests/wine/toolbar_fixture.h"

namespace vtbtest {
namespace {

using vtb::TBandForm;

void Search(TBandForm& form, const std::string& query) {
    form.Search_Edit->SetText(query);
    form.Search_SpdButnClick(form.Search_SpdButn);
}

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
// version's, or a file planted in the folder) is set aside, however new.
TEST_F(UserDataTest, ACopyWithoutARecordIsSetAsideWhateverItsDate) {
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
    EXPECT_EQ(ReadTextFile(UserConfig() + ".old"), mine);

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
