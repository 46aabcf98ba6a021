// The configuration download: only a complete, readable file replaces the
// configuration, in one step; anything else leaves the old file as it was.
#include <oleacc.h>

#include <functional>

#include "tests/wine/support_accessible.h"
#include "tests/wine/support_http.h"
#include "tests/wine/support_menu.h"
#include "tests/wine/support_user_data.h"
#include "tests/wine/toolbar_fixture.h"
#include "toolbar/bind_status_callback.h"
#include "toolbar/module_values.h"

namespace vtbtest {
namespace {

const char* const kSucceeded =
    "Toolbar update successfully downloaded.\r\rPlease close all Internet Explorer windows and\r"
    "then re-open Internet Explorer for the update\rto take effect.";
const char* const kFailed =
    "Toolbar update was not downloaded.\r\rPlease try again. If the problem persists,\r"
    "check your Internet connection.";

class UpdateTest : public ToolbarFormTest {
protected:
    // The test configuration with its update address pointing at url.
    static std::string ConfigUpdatingFrom(const std::string& url) {
        std::string cfg = kTestConfig;
        const std::string old = "http://127.0.0.1:1/update.cfg";
        return cfg.replace(cfg.find(old), old.size(), url);
    }

    // Chooses the "Update toolbar" entry of the main menu.
    std::string RunUpdateCommand() {
        vtb::TMenuItem* update = form_->Main_Menu->Items().Item(3);
        EXPECT_EQ(update->Caption, "Update toolbar");
        boxes_.Clear();
        update->Click();
        EXPECT_TRUE(boxes_.WaitForBoxes(1, 5000));
        const auto shown = boxes_.Boxes();
        return shown.empty() ? std::string() : shown.front().text;
    }

    LocalHttpServer server_;
};

TEST_F(UpdateTest, ACompleteConfigurationReplacesTheFile) {
    const std::string fresh = "8.0|summer\r\n[Buttons]\r\n3\r\nNew|n\r\nS|s\r\nT|t\r\n";
    server_.Serve("/good.cfg", 200, fresh);
    const std::string before = ConfigUpdatingFrom(server_.Url("/good.cfg"));
    vtb::TBandForm& form = Build(before);
    EXPECT_EQ(RunUpdateCommand(), kSucceeded);
    EXPECT_TRUE(boxes_.Boxes().front().noIcon);
    EXPECT_EQ(ReadTextFile(ConfigPath()), fresh);
    EXPECT_FALSE(FileExists(ConfigPath() + ".download"));
    EXPECT_EQ(form.Main_Menu_SpdButn->Caption(), "Lexa");  // the running toolbar keeps its content
}

TEST_F(UpdateTest, FailedDownloadsLeaveTheOldFileByteForByte) {
    const std::string good = "8.0|summer\r\n[Buttons]\r\n3\r\nNew|n\r\nS|s\r\nT|t\r\n[Main Menu]\r\n1\r\nHome|h\r\n";
    std::string garbage(300, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 37 + 11) & 0xFF);
    server_.Serve("/garbage.cfg", 200, garbage);
    server_.Serve("/truncated.cfg", 200, good, good.find("[Main Menu]\r\n") + 13);
    server_.Serve("/text.html", 200, "<html><body>Service unavailable</body></html>\r\n");
    const std::string sources[] = {
        server_.Url("/garbage.cfg"),
        server_.Url("/truncated.cfg"),
        server_.Url("/text.html"),
        server_.Url("/missing.cfg"),  // 404
        "http://127.0.0.1:" + std::to_string(LocalHttpServer::UnusedPort()) + "/update.cfg",
    };
    for (const std::string& source : sources) {
        SCOPED_TRACE(source);
        const std::string before = ConfigUpdatingFrom(source);
        Build(before);
        EXPECT_EQ(RunUpdateCommand(), kFailed);
        EXPECT_EQ(ReadTextFile(ConfigPath()), before);
        EXPECT_FALSE(FileExists(ConfigPath() + ".download"));
        Close();
    }
}

// The rule is the configuration checker's: a file whose toolbar would
// show "List index out of bounds (0)" at every start is refused as well.
TEST_F(UpdateTest, AFileWithSectionsButNoTargetIsRefused) {
    server_.Serve("/empty.cfg", 200, "8.0|summer\r\n[Search Parameters]\r\nhttps://s/?q=\r\n\r\n\r\n");
    const std::string before = ConfigUpdatingFrom(server_.Url("/empty.cfg"));
    Build(before);
    EXPECT_EQ(RunUpdateCommand(), kFailed);
    EXPECT_EQ(ReadTextFile(ConfigPath()), before);
}

// Per user, the files beside the DLL are the administrator's: the user's
// settings and update go to the user's own folder, and the user's next
// toolbar reads the update from there.
TEST_F(UpdateTest, PerUserTheSettingsAndTheUpdateLandInTheUsersFolderOnly) {
    const MachineDataMode perUser(DataMode::PerUser);
    RemoveUserDataDir();
    const std::string fresh = "8.0|summer\r\n[Buttons]\r\n3\r\nNew|n\r\nS|s\r\nT|t\r\n";
    server_.Serve("/good.cfg", 200, fresh);
    WriteTextFile(ConfigPath(), ConfigUpdatingFrom(server_.Url("/good.cfg")));
    WriteTextFile(SettingsPath(), "[Settings]\r\nSpdButn_2=1\r\n");
    const FileSnapshot machineConfig(ConfigPath()), machineSettings(SettingsPath());

    vtb::TBandForm& form = Build();
    form.Search_Edit->SetText("client matter");
    form.Search_SpdButnClick(form.Search_SpdButn);
    EXPECT_EQ(RunUpdateCommand(), kSucceeded);
    Close();

    EXPECT_TRUE(FileSnapshot(ConfigPath()) == machineConfig);
    EXPECT_TRUE(FileSnapshot(SettingsPath()) == machineSettings);
    EXPECT_FALSE(FileExists(ConfigPath() + ".download"));
    EXPECT_EQ(ReadTextFile(UserFileFor(ConfigPath())), fresh);
    EXPECT_FALSE(FileExists(UserFileFor(ConfigPath()) + ".download"));
    EXPECT_EQ(IniValue(UserFileFor(SettingsPath()), "Search History0"), "client matter");
    EXPECT_EQ(Build().Main_Menu_SpdButn->Caption(), "New");
    Close();
    RemoveUserDataDir();
}

// While the download runs, a click on the entry and a reader's default
// action (the main button's menu, the entry chosen in it) reach the
// toolbar: neither starts a second update or says anything. One download,
// one replacement, one box.
TEST_F(UpdateTest, ASecondRequestDuringTheDownloadDoesNothing) {
    const std::string fresh = "8.0|summer\r\n[Buttons]\r\n3\r\nNew|n\r\nS|s\r\nT|t\r\n";
    server_.Serve("/good.cfg", 200, fresh);
    vtb::TBandForm& form = Build(ConfigUpdatingFrom(server_.Url("/good.cfg")));
    ShowWindow(Parent(), SW_SHOW);
    SetForegroundWindow(Parent());
    bool ran = false;
    std::function<void()> meanwhile = [&] {
        ran = true;
        form.Main_Menu->Items().Item(3)->Click();
        MenuChooser chooser({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});  // Home, Research, Update toolbar
        vtb::ComPtr<IAccessible> toolbar(ClientObject(form.Handle()));
        if (toolbar) toolbar->Release();  // held by the ComPtr
        EXPECT_TRUE(toolbar && toolbar->accDoDefaultAction(ChildId(1)) == S_OK);
        EXPECT_TRUE(PumpUntil([&] { return chooser.Done(); }));
        EXPECT_TRUE(chooser.Opened());
        PumpPending();
    };
    vtb::test_seam::RunDuringNextDownload([](void* action) { (*static_cast<std::function<void()>*>(action))(); },
                                          &meanwhile);
    EXPECT_EQ(RunUpdateCommand(), kSucceeded);
    EXPECT_TRUE(ran);
    PumpToShowNothingHappens(100);
    EXPECT_EQ(1u, boxes_.Boxes().size());
    EXPECT_EQ(1, server_.Requests("/good.cfg"));
    EXPECT_EQ(ReadTextFile(ConfigPath()), fresh);
    EXPECT_FALSE(FileExists(ConfigPath() + ".download"));
}

// A firm's deployment reaches every user by its content: the user's update
// stands over the machine file it was downloaded over, and only over that,
// whatever the files' dates say.
TEST_F(UpdateTest, AUsersUpdateStandsUntilTheMachinesFileHoldsSomethingElse) {
    const MachineDataMode perUser(DataMode::PerUser);
    RemoveUserDataDir();
    const std::string fresh = "8.0|summer\r\n[Buttons]\r\n3\r\nNew|n\r\nS|s\r\nT|t\r\n";
    server_.Serve("/good.cfg", 200, fresh);
    const std::string deployed = ConfigUpdatingFrom(server_.Url("/good.cfg"));
    Build(deployed);
    EXPECT_EQ(RunUpdateCommand(), kSucceeded);
    Close();
    boxes_.Clear();

    // A repair writes the same bytes anew.
    WriteTextFile(ConfigPath(), deployed);
    SetWriteTimeFromNow(ConfigPath(), 1);
    EXPECT_EQ(Build().Main_Menu_SpdButn->Caption(), "New");
    Close();

    // The next deployment, its file dated before the user's update.
    std::string next = deployed;
    WriteTextFile(ConfigPath(), next.replace(next.find("Lexa|"), 4, "Firm"));
    SetWriteTimeFromNow(ConfigPath(), -5);
    EXPECT_EQ(Build().Main_Menu_SpdButn->Caption(), "Firm");
    Close();
    EXPECT_FALSE(FileExists(UserFileFor(ConfigPath())));
    const std::vector<std::string> aside = FilesLike(UserFileFor(ConfigPath()) + ".old-*");
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(ReadTextFile(aside[0]), fresh);  // set aside, not lost
    EXPECT_EQ(Build().Main_Menu_SpdButn->Caption(), "Firm");
    Close();
    EXPECT_TRUE(boxes_.Boxes().empty());
    RemoveUserDataDir();
}

// A deployment that lands while a user's download runs is not taken for
// what the copy superseded: the record names the machine's file the
// toolbar was built from, and the deployment reaches the user next time.
TEST_F(UpdateTest, ADeploymentDuringTheDownloadStillReachesTheUser) {
    const MachineDataMode perUser(DataMode::PerUser);
    RemoveUserDataDir();
    const std::string fresh = "8.0|summer\r\n[Buttons]\r\n3\r\nNew|n\r\nS|s\r\nT|t\r\n";
    server_.Serve("/good.cfg", 200, fresh);
    std::string next = ConfigUpdatingFrom(server_.Url("/good.cfg"));
    Build(next);
    next.replace(next.find("Lexa|"), 4, "Firm");
    std::function<void()> deploy = [&] { WriteTextFile(ConfigPath(), next); };
    vtb::test_seam::RunDuringNextDownload([](void* action) { (*static_cast<std::function<void()>*>(action))(); },
                                          &deploy);
    EXPECT_EQ(RunUpdateCommand(), kSucceeded);
    Close();
    EXPECT_EQ(Build().Main_Menu_SpdButn->Caption(), "Firm");
    Close();
    RemoveUserDataDir();
}

// An update either stands whole, the copy with its record, or not at all:
// a record held open by another window leaves the copy and the record in
// force before byte for byte, and the user is told it was not downloaded.
TEST_F(UpdateTest, AnUpdateThatCannotPutItsRecordLeavesThePreviousCopyInForce) {
    const MachineDataMode perUser(DataMode::PerUser);
    RemoveUserDataDir();
    server_.Serve("/second.cfg", 200, "9.0|autumn\r\n[Buttons]\r\n3\r\nOther|n\r\nS|s\r\nT|t\r\n");
    std::string first = ConfigUpdatingFrom(server_.Url("/second.cfg"));
    first.replace(first.find("Lexa|"), 4, "Mine");
    server_.Serve("/first.cfg", 200, first);
    Build(ConfigUpdatingFrom(server_.Url("/first.cfg")));
    EXPECT_EQ(RunUpdateCommand(), kSucceeded);
    Close();
    const std::string copyPath = UserFileFor(ConfigPath());
    const FileSnapshot copy(copyPath), record(copyPath + ".superseded");
    ASSERT_TRUE(copy.exists && record.exists);

    EXPECT_EQ(Build().Main_Menu_SpdButn->Caption(), "Mine");
    {
        // Another window reading the record, without letting it be replaced.
        const vtb::UniqueFile held(CreateFileA((copyPath + ".superseded").c_str(), GENERIC_READ,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_EQ(RunUpdateCommand(), kFailed);
    }
    Close();
    EXPECT_EQ(1, server_.Requests("/second.cfg"));
    EXPECT_TRUE(FileSnapshot(copyPath) == copy);
    EXPECT_TRUE(FileSnapshot(copyPath + ".superseded") == record);
    EXPECT_EQ(FilesLike(UserDataDir() + "*.cfg*").size(), 2u);  // nothing half-way left behind
    EXPECT_EQ(Build().Main_Menu_SpdButn->Caption(), "Mine");
    Close();
    RemoveUserDataDir();
}

// Switched off by the administrator: nothing is downloaded, and a copy the
// user fetched earlier is not read (nor removed).
TEST_F(UpdateTest, SwitchedOffByPolicyNothingIsDownloadedAndNoUsersCopyRead) {
    const MachineDataMode perUser(DataMode::PerUser);
    RemoveUserDataDir();
    server_.Serve("/good.cfg", 200, "8.0|summer\r\n[Buttons]\r\n3\r\nNew|n\r\nS|s\r\nT|t\r\n");
    server_.Serve("/other.cfg", 200, "9.0|autumn\r\n[Buttons]\r\n3\r\nOther|n\r\nS|s\r\nT|t\r\n");
    Build(ConfigUpdatingFrom(server_.Url("/good.cfg")));
    EXPECT_EQ(RunUpdateCommand(), kSucceeded);
    Close();
    const FileSnapshot usersCopy(UserFileFor(ConfigPath()));

    ScopedPolicies policies;
    policies.SetNumber(true, "ConfigurationUpdates", 0);
    policies.SetNumber(false, "ConfigurationUpdates", 1);  // the machine's value wins
    Build();
    EXPECT_EQ(form_->Main_Menu_SpdButn->Caption(), "Lexa");
    EXPECT_EQ(RunUpdateCommand(), "Toolbar updates are managed by your administrator.");
    Close();
    EXPECT_TRUE(FileSnapshot(UserFileFor(ConfigPath())) == usersCopy);
    RemoveUserDataDir();
}

TEST_F(UpdateTest, NoUpdateAddressFails) {
    std::string cfg = kTestConfig;
    cfg.erase(cfg.find("[ToolBar Update URL]"));
    vtb::test_seam::ResetModuleValues();
    Build(cfg);
    EXPECT_EQ(RunUpdateCommand(), kFailed);
}

}  // namespace
}  // namespace vtbtest
