// Hosts that close or release the band at any moment: from inside the
// toolbar's own menu commands, its drop-down menus and its message boxes,
// and while the band is still building its form. Nothing may touch freed
// memory: every case ends with the process heaps validated (the suite also
// runs in a process of its own with Wine's heap checking, which fills freed
// blocks and tells when they are written).
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "band/com_server.h"
#include "band/desk_band.h"
#include "core/identifiers.h"
#include "core/toolbar_layout.h"
#include "tests/wine/support_browser.h"
#include "tests/wine/support_menu.h"
#include "tests/wine/support_site.h"
#include "tests/wine/support_user_data.h"
#include "tests/wine/support_wine.h"
#include "tests/wine/toolbar_fixture.h"
#include "toolbar/module_values.h"

namespace vtbtest {
namespace {

using vtb::ComPtr;

// The test configuration with "Hide toolbar|@3" as the main menu's first entry.
std::string ConfigWithHide() {
    std::string cfg = kTestConfig;
    const std::string menu = "[Main Menu]\r\n6\r\n";
    return cfg.replace(cfg.find(menu), menu.size(), "[Main Menu]\r\n7\r\nHide toolbar|@3\r\n");
}

// Keys that choose an entry of an open menu: down n times, then Enter.
std::vector<WORD> Entry(int n) {
    std::vector<WORD> keys(static_cast<std::size_t>(n), VK_DOWN);
    keys.push_back(VK_RETURN);
    return keys;
}

// In both modes: the settings saved on the way out, and the update, go where
// the mode says, also when the host closes the band inside a command.
class ClosingHost : public ::testing::TestWithParam<DataMode> {
protected:
    void SetUp() override {
        vtb::test_seam::ResetModuleValues();
        if (GetParam() == DataMode::PerUser) RemoveUserDataDir();
        DeleteFileA(machineSettings_.Path().c_str());
        DeleteFileA(settings_.Path().c_str());
        WriteTextFile(config_.Path(), ConfigWithHide());
        ASSERT_EQ(S_OK, factory_.CreateInstance(nullptr, IID_IDeskBand, band_.put_void()));
    }
    void TearDown() override {
        band_.reset();
        // A form closed inside its own handler goes once that has returned.
        PumpUntil([this] { return server_.ObjectCount() == 0 && browser_.RefCount() == 0 && site_.RefCount() == 0; });
        EXPECT_EQ(0, server_.ObjectCount()) << "every band and every closing form has gone";
        EXPECT_EQ(0, browser_.RefCount());
        EXPECT_EQ(0, site_.RefCount());
        EXPECT_TRUE(HeapsValid());
        if (GetParam() == DataMode::PerUser) {
            EXPECT_FALSE(FileExists(machineSettings_.Path())) << "a user's settings went beside the DLL";
        }
    }

    // Sited, built, shown and active, as the browser leaves a new band.
    HWND Open() {
        const HWND form = OpenShownBand(band_.get(), site_);
        EXPECT_TRUE(PumpUntil([this] { return GetForegroundWindow() == site_.Window(); }));
        EXPECT_TRUE(PumpPending());
        return form;
    }
    vtb::TBandForm* Form() { return static_cast<vtb::TDeskBand*>(band_.get())->Form(); }

    // What a host does when it hides a band, and when it lets go of it.
    void CloseBand() {
        band_->ShowDW(FALSE);
        band_->CloseDW(0);
    }
    void ReleaseBand() { band_.reset(); }

    void ClickAt(HWND form, int x, int y) {
        PostMessageA(form, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        PostMessageA(form, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
    // Opens a drop-down menu with a click and works it.
    bool ChooseFrom(HWND form, int x, std::vector<WORD> keys) {
        MenuChooser chooser(std::move(keys));
        ClickAt(form, x, 12);
        return WhenChosen(chooser);
    }
    // The menu's loop runs inside the click: once the chooser is done it has
    // ended, and the command it posted runs with what is pending.
    static bool WhenChosen(const MenuChooser& chooser) {
        EXPECT_TRUE(PumpUntil([&chooser] { return chooser.Done(); }, 2 * kWaitMs));
        EXPECT_TRUE(PumpPending());
        return chooser.Opened();
    }
    static constexpr int kMainButton = 50;
    static constexpr int kSettingsButton = 400;

    MachineDataMode mode_{GetParam()};
    SavedFile config_{vtb::ChangeFileExt(vtb::ModulePath(), vtb::kConfigExtension)};
    SavedFile machineSettings_{vtb::ChangeFileExt(vtb::ModulePath(), vtb::kSettingsExtension)};
    SavedFile settings_{DataFile(GetParam(), machineSettings_.Path())};
    MessageBoxWatcher boxes_;
    RecordingBrowser browser_;
    TestSite site_{&browser_};
    vtb::TComServer server_;
    vtb::TDeskBandFactory factory_{server_};
    ComPtr<IDeskBand> band_;
};

TEST_P(ClosingHost, HideCommandAnsweredByCloseDW) {
    const HWND form = Open();
    browser_.OnShowBrowserBar = [this] { CloseBand(); };
    ASSERT_TRUE(ChooseFrom(form, kMainButton, Entry(1)));
    ASSERT_EQ(1u, browser_.BrowserBarCalls.size());
    EXPECT_EQ(nullptr, Form());
    EXPECT_FALSE(IsWindow(form)) << "the form went once its command had returned";
    EXPECT_TRUE(FileExists(settings_.Path())) << "and saved the settings on its way";
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_P(ClosingHost, HideCommandAnsweredByReleasingTheBand) {
    const HWND form = Open();
    browser_.OnShowBrowserBar = [this] { ReleaseBand(); };
    ASSERT_TRUE(ChooseFrom(form, kMainButton, Entry(1)));
    EXPECT_FALSE(band_);
    EXPECT_FALSE(IsWindow(form));
    EXPECT_TRUE(FileExists(settings_.Path()));
}

TEST_P(ClosingHost, ClosedWhileTheAboutBoxIsOpen) {
    const HWND form = Open();
    boxes_.RunInNextBox([this] { CloseBand(); });
    ASSERT_TRUE(ChooseFrom(form, kSettingsButton, Entry(4)));  // "About"
    ASSERT_TRUE(boxes_.WaitForBoxes(1, 5000));
    EXPECT_TRUE(PumpUntil([form] { return !IsWindow(form); }));
    EXPECT_NE(std::string::npos, boxes_.Boxes()[0].text.find("Configuration Version:"));
    EXPECT_EQ(nullptr, Form());
    EXPECT_FALSE(IsWindow(form));
}

TEST_P(ClosingHost, ReleasedWhileTheUpdateBoxIsOpen) {
    const HWND form = Open();
    boxes_.RunInNextBox([this] { ReleaseBand(); });
    ASSERT_TRUE(ChooseFrom(form, kMainButton, Entry(4)));  // "Update toolbar": nothing listens there
    ASSERT_TRUE(boxes_.WaitForBoxes(1, 10000));
    EXPECT_TRUE(PumpUntil([form] { return !IsWindow(form); }));
    EXPECT_EQ(0u, boxes_.Boxes()[0].text.find("Toolbar update was not downloaded."));
    EXPECT_FALSE(band_);
    EXPECT_FALSE(IsWindow(form));
}

TEST_P(ClosingHost, ClosedWhileAnErrorBoxIsOpen) {
    const HWND form = Open();
    browser_.Result = E_ACCESSDENIED;
    boxes_.RunInNextBox([this] { CloseBand(); });
    ClickAt(form, vtb::kFirstLinkSlot + 30, 12);  // the first link button: its navigation fails
    ASSERT_TRUE(boxes_.WaitForBoxes(1, 5000));
    EXPECT_TRUE(PumpUntil([form] { return !IsWindow(form); }));
    EXPECT_TRUE(boxes_.Boxes()[0].errorIcon);
    EXPECT_EQ(1u, browser_.Navigations.size());
    EXPECT_FALSE(IsWindow(form));
}

TEST_P(ClosingHost, ClosedAndReleasedWhileADropDownMenuIsOpen) {
    const HWND form = Open();
    ActionWindow host;
    MenuChooser chooser([&](HWND menu) {
        host.Run([this] { CloseBand(); });
        host.Run([this] { ReleaseBand(); });
        MenuChooser::PostKey(menu, VK_ESCAPE);
    });
    ClickAt(form, kSettingsButton, 12);
    EXPECT_TRUE(WhenChosen(chooser));
    EXPECT_FALSE(band_);
    EXPECT_FALSE(IsWindow(form));
}

TEST_P(ClosingHost, FocusNoticeAnsweredByClosingAndReleasing) {
    const HWND form = Open();
    site_.OnFocusChange = [this] {
        CloseBand();
        ReleaseBand();
    };
    // A click into the search box: the system tells the form, whose hook
    // tells the site that the band has the focus.
    RECT box;
    GetWindowRect(Form()->Search_Edit->Handle(), &box);
    POINT at{box.left + 5, box.top + 5};
    ScreenToClient(form, &at);
    SendMessageA(form, WM_PARENTNOTIFY, WM_LBUTTONDOWN, MAKELPARAM(at.x, at.y));
    EXPECT_TRUE(PumpUntil([form] { return !IsWindow(form); }));
    EXPECT_FALSE(band_);
    EXPECT_FALSE(IsWindow(form));
    EXPECT_TRUE(FileExists(settings_.Path()));
}

TEST_P(ClosingHost, LinkClickAnsweredByClosingAndReleasing) {
    const HWND form = Open();
    browser_.OnNavigate = [this] {
        CloseBand();
        ReleaseBand();
    };
    // The button's click handler navigates; the button finishes its click,
    // and the form its message, after the host has let go of everything.
    ClickAt(form, 440 + 30, 12);  // the first link button
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(form); }, 5000));
    EXPECT_EQ(1u, browser_.Navigations.size());
    EXPECT_FALSE(band_);
    EXPECT_TRUE(FileExists(settings_.Path()));
}

// ---- While the band builds its form --------------------------------------

TEST_P(ClosingHost, GetWindowAgainInsideTheConstructionBoxBuildsNoSecondForm) {
    WriteTextFile(config_.Path(), "1|x\r\n[Buttons]\r\nmany\r\n");
    ComPtr<IObjectWithSite> withSite;
    ASSERT_EQ(S_OK, band_->QueryInterface(IID_IObjectWithSite, withSite.put_void()));
    ASSERT_EQ(S_OK, withSite->SetSite(static_cast<IInputObjectSite*>(&site_)));
    HWND inside = nullptr;
    HRESULT insideResult = E_UNEXPECTED;
    boxes_.RunInNextBox([&] { insideResult = band_->GetWindow(&inside); });
    HWND window = nullptr;
    ASSERT_EQ(S_OK, band_->GetWindow(&window));
    ASSERT_EQ(1u, boxes_.Boxes().size());
    EXPECT_EQ("'many' is not a valid integer value.", boxes_.Boxes()[0].text);
    EXPECT_EQ(S_OK, insideResult);
    EXPECT_EQ(window, inside);
    EXPECT_EQ(window, FindWindowExA(site_.Window(), nullptr, "TBandForm", nullptr));
    EXPECT_EQ(nullptr, FindWindowExA(site_.Window(), window, "TBandForm", nullptr)) << "one form";
}

TEST_P(ClosingHost, ReleasedInsideTheConstructionBox) {
    WriteTextFile(config_.Path(), "1|x\r\n[Buttons]\r\nmany\r\n");
    ComPtr<IObjectWithSite> withSite;
    ASSERT_EQ(S_OK, band_->QueryInterface(IID_IObjectWithSite, withSite.put_void()));
    ASSERT_EQ(S_OK, withSite->SetSite(static_cast<IInputObjectSite*>(&site_)));
    withSite.reset();
    boxes_.RunInNextBox([this] { ReleaseBand(); });
    IDeskBand* band = band_.get();
    HWND window = nullptr;
    band->GetWindow(&window);  // the band lives until this call returns
    EXPECT_FALSE(band_);
    EXPECT_EQ(1u, boxes_.Boxes().size());
    EXPECT_EQ(nullptr, FindWindowExA(site_.Window(), nullptr, "TBandForm", nullptr));
    EXPECT_TRUE(site_.BandCommands.empty()) << "the going band did not call the host about its size";
}

TEST_P(ClosingHost, ClosedInsideTheConstructionBox) {
    WriteTextFile(config_.Path(), "1|x\r\n[Buttons]\r\nmany\r\n");
    ComPtr<IObjectWithSite> withSite;
    ASSERT_EQ(S_OK, band_->QueryInterface(IID_IObjectWithSite, withSite.put_void()));
    ASSERT_EQ(S_OK, withSite->SetSite(static_cast<IInputObjectSite*>(&site_)));
    boxes_.RunInNextBox([this] { CloseBand(); });
    HWND window = nullptr;
    EXPECT_EQ(E_FAIL, band_->GetWindow(&window)) << "the form was closed before it could be handed out";
    EXPECT_EQ(nullptr, window);
    EXPECT_EQ(nullptr, Form());
}

INSTANTIATE_TEST_SUITE_P(BothModes, ClosingHost, ::testing::Values(DataMode::BesideTheDll, DataMode::PerUser),
                         [](const ::testing::TestParamInfo<DataMode>& info) { return ModeName(info.param); });

}  // namespace
}  // namespace vtbtest
