// Building the toolbar form from its configuration file: captions, targets,
// menus, glyphs, placement, and what is left after each kind of error.
#include <thread>

#include "tests/wine/toolbar_fixture.h"
#include "toolbar/module_values.h"

namespace vtbtest {
namespace {

using vtb::TBandForm;
using vtb::TMenuItem;

// A 2 x 2 bitmap file, 24 bits per pixel.
std::string TinyBitmap() {
    std::string bmp = "BM";
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) bmp.push_back(static_cast<char>(v >> (8 * i)));
    };
    auto put16 = [&](uint16_t v) {
        for (int i = 0; i < 2; ++i) bmp.push_back(static_cast<char>(v >> (8 * i)));
    };
    put32(14 + 40 + 16);
    put32(0);
    put32(14 + 40);
    put32(40);
    put32(2);
    put32(2);
    put16(1);
    put16(24);
    put32(0);
    put32(16);
    put32(0);
    put32(0);
    put32(0);
    put32(0);
    for (int row = 0; row < 2; ++row) bmp += std::string("\xff\x00\xff\x00\x00\x00\x00\x00", 8);
    return bmp;
}

std::string AllLinkButtons() {
    std::string cfg = "1|n\r\n[Buttons]\r\n20\r\nMain|m\r\nSearch it|s\r\nSet|t\r\n";
    for (int n = 1; n <= 17; ++n) cfg += "B" + std::to_string(n) + "|u" + std::to_string(n) + "\r\n";
    return cfg;
}

TEST_F(ToolbarFormTest, ConfigurationFillsButtonsAndTargetsInReadingOrder) {
    TBandForm& form = Build(kTestConfig);
    EXPECT_TRUE(boxes_.Boxes().empty());

    EXPECT_EQ(form.Main_Menu_SpdButn->Caption(), "Lexa");
    EXPECT_EQ(form.Main_Menu_SpdButn->Tag, 0);
    EXPECT_EQ(form.Search_SpdButn->Caption(), "Find");
    EXPECT_EQ(form.Search_SpdButn->Tag, 1);
    EXPECT_EQ(form.Settings_SpdButn->Caption(), "Options");
    EXPECT_EQ(form.Settings_SpdButn->Tag, 2);
    EXPECT_EQ(form.SpdButn[0]->Caption(), "Cases");
    EXPECT_EQ(form.SpdButn[0]->Tag, 3);
    EXPECT_EQ(form.SpdButn[2]->Caption(), "Case Lookup");
    EXPECT_EQ(form.SpdButn[2]->Tag, 5);
    EXPECT_EQ(form.SpdButn[3]->Caption(), "");
    EXPECT_EQ(form.SpdButn[3]->Tag, 0);

    const std::vector<std::string> expected = {"https://lexa.example/",
                                               "https://lexa.example/find",
                                               "https://lexa.example/options",
                                               "https://lexa.example/cases",
                                               "https://lexa.example/statutes",
                                               "https://lexa.example/lookup",
                                               "https://lexa.example/home",
                                               "https://lexa.example/treaties",
                                               "@1",
                                               "https://lexa.example/help",
                                               "all",
                                               "cases",
                                               "statutes",
                                               "@2",
                                               "@4"};
    EXPECT_EQ(form.URLList(), expected);

    const vtb::ModuleValues module = vtb::SnapshotModuleValues();
    EXPECT_EQ(module.Config.ConfigVersion, "7.2");
    EXPECT_EQ(module.Config.ConfigVersionNote, "spring edition");
    EXPECT_EQ(module.Config.SearchParam1, "https://lexa.example/search?m=");
    EXPECT_EQ(module.Config.SearchParam2, "&q=");
    EXPECT_EQ(module.Config.SearchParam3, "&from=bar");
    EXPECT_EQ(module.Config.UpdateURL, "http://127.0.0.1:1/update.cfg");
    EXPECT_EQ(module.SearchMethod, "all");
}

TEST_F(ToolbarFormTest, MenusTakeEntriesSubEntriesAndSeparators) {
    TBandForm& form = Build(kTestConfig);
    TMenuItem& main = form.Main_Menu->Items();
    ASSERT_EQ(main.Count(), 5);
    EXPECT_EQ(main.Item(0)->Caption, "Home");
    EXPECT_EQ(main.Item(0)->Tag, 6);
    EXPECT_TRUE(static_cast<bool>(main.Item(0)->OnClick));
    EXPECT_EQ(main.Item(1)->Caption, "Research");
    EXPECT_FALSE(static_cast<bool>(main.Item(1)->OnClick));  // no target, no command
    ASSERT_EQ(main.Item(1)->Count(), 1);
    EXPECT_EQ(main.Item(1)->Item(0)->Caption, "Treaties");
    EXPECT_EQ(main.Item(1)->Item(0)->Tag, 7);
    EXPECT_EQ(main.Item(2)->Caption, "-");
    EXPECT_EQ(main.Item(4)->Tag, 9);

    EXPECT_EQ(form.Searchoptions->Caption, "Search in");
    EXPECT_EQ(form.SearchOption[0]->Caption, "All documents");
    EXPECT_EQ(form.SearchOption[2]->Tag, 12);
    EXPECT_TRUE(form.SearchOption[0]->Checked);
    EXPECT_FALSE(form.SearchOption[3]->Visible);
    EXPECT_EQ(form.SearchOption[3]->Caption, "SearchOption_4");

    TMenuItem& settings = form.Settings_Menu->Items();
    ASSERT_EQ(settings.Count(), 5);
    EXPECT_EQ(settings.Item(0), form.Searchoptions);
    EXPECT_EQ(settings.Item(1), form.Buttons1);
    EXPECT_EQ(settings.Item(2), form.N10);
    EXPECT_EQ(settings.Item(3)->Caption, "Clear history");
    EXPECT_EQ(settings.Item(4)->Caption, "About");
    EXPECT_EQ(settings.Item(4)->Tag, 14);

    EXPECT_TRUE(form.SettingsSpdButn[2]->Visible);
    EXPECT_EQ(form.SettingsSpdButn[2]->Caption, "Case Lookup");
    EXPECT_FALSE(form.SettingsSpdButn[3]->Visible);
}

TEST_F(ToolbarFormTest, ShownLinkButtonsStandInSlotsAndSizeTheForm) {
    SetIni("SpdButn_1", "0");
    SetIni("SpdButn_2", "1");
    SetIni("SpdButn_5", "1");
    SetIni("SpdButn_9", "1");
    TBandForm& form = Build(AllLinkButtons());
    EXPECT_EQ(form.SpdButn[1]->Left(), 440);
    EXPECT_EQ(form.SpdButn[4]->Left(), 505);
    EXPECT_EQ(form.SpdButn[8]->Left(), 570);
    EXPECT_FALSE(form.SpdButn[0]->Visible());
    EXPECT_EQ(form.VisibleButtons, (std::vector<std::string>{"SpdButn_2", "SpdButn_5", "SpdButn_9"}));
    EXPECT_EQ(form.Settings_SpdButn->Left(), 365);
    const SIZE size = form.ClientSize();
    EXPECT_EQ(size.cx, 440 + 3 * 65);
    EXPECT_EQ(size.cy, 25);
}

TEST_F(ToolbarFormTest, NoLinkButtonShownLeavesTheFormAtTheSettingsButton) {
    SetIni("SpdButn_1", "0");
    TBandForm& form = Build(AllLinkButtons());
    EXPECT_TRUE(form.VisibleButtons.empty());
    EXPECT_EQ(form.ClientSize().cx, 440);
}

TEST_F(ToolbarFormTest, GlyphFilesAreFoundByCaption) {
    WriteTextFile(GlyphPath("Cases"), TinyBitmap());
    TBandForm& form = Build(kTestConfig);
    EXPECT_TRUE(form.SpdButn[0]->HasGlyph());
    EXPECT_FALSE(form.SpdButn[1]->HasGlyph());  // no Statutes.bmp: caption alone
    EXPECT_TRUE(boxes_.Boxes().empty());
    // A caption given its keyboard letter keeps its glyph file.
    std::string marked = kTestConfig;
    marked.replace(marked.find("Cases|https"), 5, "&Cases");
    Close();
    EXPECT_TRUE(Build(marked).SpdButn[0]->HasGlyph());
    DeleteFileA(GlyphPath("Cases").c_str());
}

TEST_F(ToolbarFormTest, AnInvalidGlyphEndsConstructionWithItsMessage) {
    WriteTextFile(GlyphPath("Cases"), "this is no bitmap");
    TBandForm& form = Build(kTestConfig);
    DeleteFileA(GlyphPath("Cases").c_str());
    ASSERT_TRUE(boxes_.WaitForBoxes(1, 2000));
    const auto box = boxes_.Boxes().front();
    EXPECT_EQ(box.text, "Bitmap image is not valid.");
    EXPECT_TRUE(box.errorIcon);
    EXPECT_EQ(box.caption, "wine_tests");  // the host's name, first letter as it is
    // The caption was set before the glyph; the tag and everything after were not.
    EXPECT_EQ(form.SpdButn[0]->Caption(), "Cases");
    EXPECT_EQ(form.SpdButn[0]->Tag, 0);
    EXPECT_EQ(form.SpdButn[1]->Caption(), "");
    EXPECT_EQ(form.Main_Menu->Items().Count(), 0);
}

TEST_F(ToolbarFormTest, MissingConfigurationLeavesTheDesignAndKeepsStoredChoices) {
    SetIni("SpdButn_4", "1");
    SetIni("Search History0", "old query");
    TBandForm& form = Build();
    ASSERT_TRUE(boxes_.WaitForBoxes(1, 2000));
    const std::string text = boxes_.Boxes().front().text;
    EXPECT_EQ(text.rfind("Cannot open file \"" + ConfigPath() + "\". ", 0), 0u) << text;
    EXPECT_EQ(form.Main_Menu_SpdButn->Caption(), "Veltrane");
    EXPECT_EQ(form.Search_SpdButn->Caption(), "Search");
    EXPECT_EQ(form.Settings_SpdButn->Caption(), "Settings");
    EXPECT_FALSE(form.SpdButn[3]->Visible());
    EXPECT_TRUE(form.URLList().empty());
    Close();
    // The failed toolbar did not overwrite what the user had chosen.
    EXPECT_EQ(Ini("SpdButn_4"), "1");
    EXPECT_EQ(Ini("SpdButn_1"), "<missing>");
    EXPECT_EQ(Ini("Search History0"), "old query");
}

TEST_F(ToolbarFormTest, BadCountKeepsEarlierPassesAndSkipsTheSettings) {
    const std::string cfg =
        "v|n\r\n[Buttons]\r\n4\r\nM|m\r\nS|s\r\nT|t\r\nL1|l1\r\n[Main Menu]\r\n20 \r\nHome|h\r\n[Search "
        "Parameters]\r\np1\r\np2\r\np3\r\n";
    TBandForm& form = Build(cfg);
    ASSERT_TRUE(boxes_.WaitForBoxes(1, 2000));
    EXPECT_EQ(boxes_.Boxes().front().text, "'20 ' is not a valid integer value.");
    EXPECT_EQ(form.SpdButn[0]->Caption(), "L1");
    EXPECT_EQ(form.URLList(), (std::vector<std::string>{"m", "s", "t", "l1"}));
    EXPECT_EQ(form.Main_Menu->Items().Count(), 0);
    EXPECT_EQ(vtb::SnapshotModuleValues().Config.SearchParam1, "");  // a later pass
    EXPECT_FALSE(form.SpdButn[0]->Visible());                        // settings not applied
}

TEST_F(ToolbarFormTest, SubEntryBeforeAnyEntryIsAMenuIndexError) {
    Build("v|n\r\n[Main Menu]\r\n2\r\n+Orphan|o\r\nHome|h\r\n");
    ASSERT_TRUE(boxes_.WaitForBoxes(1, 2000));
    EXPECT_EQ(boxes_.Boxes().front().text, "Menu index out of range.");
    EXPECT_EQ(form_->URLList(), (std::vector<std::string>{"o"}));
    EXPECT_EQ(form_->Main_Menu->Items().Count(), 0);
}

TEST_F(ToolbarFormTest, RepeatedMenuHeadersFillTheMenusAndNoMore) {
    // 72 KB whose repeated headers each read on to the end of the file: nine
    // million entries asked for, which took the whole address space and
    // ended in an out-of-memory box.
    std::string cfg = "1.0|x\r\n[Main Menu]\r\n1\r\nTop|t\r\n";
    for (int i = 0; i < 3000; ++i)
        cfg += i % 2 ? "[Main Menu]\r\n$7FFFFFFF\r\n" : "[Settings Menu - Misc]\r\n$7FFFFFFF\r\n";
    cfg += "[Search Parameters]\r\nhttps://s/?m=\r\n&q=\r\n&x=1\r\n";
    TBandForm& form = Build(cfg);
    EXPECT_TRUE(boxes_.Boxes().empty());
    const int fixedSettingsItems = 3;  // search options, buttons, separator
    EXPECT_EQ(form.Main_Menu->Items().Count(), static_cast<int>(vtb::kMaxMenuEntries));
    EXPECT_EQ(form.Settings_Menu->Items().Count(), static_cast<int>(vtb::kMaxMenuEntries) + fixedSettingsItems);
    EXPECT_EQ(form.URLList().size(), 2 * vtb::kMaxMenuEntries);
    EXPECT_EQ(vtb::SnapshotModuleValues().Config.SearchParam3, "&x=1");
}

TEST_F(ToolbarFormTest, AFormKeepsTheTargetsItWasBuiltWith) {
    TBandForm& first = Build(kTestConfig);
    vtb::UniqueWindow otherParent(CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 900, 80, nullptr, nullptr,
                                                  GetModuleHandleA(nullptr), nullptr));
    WriteTextFile(ConfigPath(), "v|n\r\n[Buttons]\r\n3\r\nX|x0\r\nY|x1\r\nZ|x2\r\n");
    auto second = TBandForm::Create(otherParent.get());
    EXPECT_EQ(second->URLList(), (std::vector<std::string>{"x0", "x1", "x2"}));
    EXPECT_EQ(first.URLList().size(), 15u);
    EXPECT_EQ(first.URLList()[3], "https://lexa.example/cases");
    second.reset();
}

TEST_F(ToolbarFormTest, ConstructionsOnSeveralThreadsDoNotMixTheirTargets) {
    WriteTextFile(ConfigPath(), kTestConfig);
    SetIni("SpdButn_1", "1");
    std::atomic<int> good{0};
    auto worker = [&good] {
        for (int i = 0; i < 8; ++i) {
            vtb::UniqueWindow parent(CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 900, 80, nullptr,
                                                     nullptr, GetModuleHandleA(nullptr), nullptr));
            auto form = TBandForm::Create(parent.get());
            const auto& urls = form->URLList();
            if (urls.size() == 15 && urls[form->SpdButn[0]->Tag] == "https://lexa.example/cases" &&
                urls[form->Search_SpdButn->Tag] == "https://lexa.example/find")
                ++good;
        }
    };
    std::thread a(worker), b(worker);
    a.join();
    b.join();
    EXPECT_EQ(good.load(), 16);
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST(ModuleValues, PublishSnapshotAndReset) {
    vtb::test_seam::ResetModuleValues();
    EXPECT_EQ(vtb::SnapshotModuleValues().URLList, nullptr);

    vtb::ConfigValues config;
    config.UpdateURL = "http://u";
    vtb::PublishConfiguration(std::make_shared<const vtb::TargetList>(vtb::TargetList{"a", "b"}), config);
    vtb::SetSearchMethod("cases");

    vtb::ModuleValues seen = vtb::SnapshotModuleValues();
    ASSERT_NE(seen.URLList, nullptr);
    EXPECT_EQ(*seen.URLList, (vtb::TargetList{"a", "b"}));
    EXPECT_EQ(seen.Config.UpdateURL, "http://u");
    EXPECT_EQ(vtb::CurrentSearchMethod(), "cases");

    // A form keeps the list it was built with when a later one is published.
    const vtb::SharedTargets kept = seen.URLList;
    vtb::PublishConfiguration(std::make_shared<const vtb::TargetList>(vtb::TargetList{"c"}), config);
    EXPECT_EQ(*kept, (vtb::TargetList{"a", "b"}));

    vtb::test_seam::ResetModuleValues();
    EXPECT_EQ(vtb::CurrentSearchMethod(), "");
    EXPECT_EQ(vtb::SnapshotModuleValues().URLList, nullptr);
}

TEST(ModuleValues, AConstructionNeverPutsBackAnOlderSearchMethod) {
    vtb::test_seam::ResetModuleValues();
    vtb::SetSearchMethod("all");
    // A construction on one thread reads the values it starts from ...
    vtb::ModuleValues construction = vtb::SnapshotModuleValues();
    // ... while the user of another toolbar chooses a method ...
    vtb::SetSearchMethod("statutes");
    // ... and publishes what it read from its file.
    construction.Config.SearchParam1 = "https://lexa.example/search?m=";
    vtb::PublishConfiguration(std::make_shared<const vtb::TargetList>(vtb::TargetList{"x"}), construction.Config);
    EXPECT_EQ(vtb::CurrentSearchMethod(), "statutes");
    EXPECT_EQ(vtb::SnapshotModuleValues().Config.SearchParam1, "https://lexa.example/search?m=");
    vtb::test_seam::ResetModuleValues();
}

}  // namespace
}  // namespace vtbtest
