// The user's settings file as the toolbar reads it at construction and
// writes it when the form is destroyed.
#include "tests/wine/support_user_data.h"
#include "tests/wine/toolbar_fixture.h"
#include "toolbar/settings_file.h"

namespace vtbtest {
namespace {

using vtb::TBandForm;

std::vector<std::string> Items(TBandForm& form) {
    std::vector<std::string> items;
    for (int i = 0; i < form.Search_Edit->Count(); ++i) items.push_back(form.Search_Edit->Item(i));
    return items;
}

void Search(TBandForm& form, const std::string& query) {
    form.Search_Edit->SetText(query);
    form.Search_SpdButnClick(form.Search_SpdButn);
}

TEST_F(ToolbarFormTest, WithoutSettingsTheDefaultsApplyAndAreSaved) {
    TBandForm& form = Build(kTestConfig);
    EXPECT_EQ(form.Search_Edit->Text(), "Enter Lexa search query");
    EXPECT_EQ(Items(form), (std::vector<std::string>{"Enter Lexa search query"}));
    EXPECT_TRUE(form.SpdButn[0]->Visible());
    EXPECT_FALSE(form.SpdButn[1]->Visible());
    EXPECT_TRUE(form.SettingsSpdButn[0]->Checked);
    Close();
    EXPECT_EQ(Ini("Search History0"), "<missing>");  // the placeholder is never saved
    EXPECT_EQ(Ini("Search Method"), "all");
    EXPECT_EQ(Ini("SpdButn_1"), "1");
    EXPECT_EQ(Ini("SpdButn_2"), "0");
    EXPECT_EQ(Ini("SpdButn_17"), "0");
}

TEST_F(ToolbarFormTest, HistoryLoadsEightEntriesSortedAndIgnoresTheNinth) {
    const char* values[] = {"tort", "Appeal", "zoning", "contract", "bail", "Estoppel", "lien", "merger"};
    for (int n = 0; n < 8; ++n) SetIni("Search History" + std::to_string(n), values[n]);
    SetIni("Search History8", "ninth");
    TBandForm& form = Build(kTestConfig);
    EXPECT_EQ(Items(form),
              (std::vector<std::string>{"Appeal", "bail", "contract", "Estoppel", "lien", "merger", "tort", "zoning"}));
    // A search at eight keeps eight: the first goes.
    Search(form, "new");
    EXPECT_EQ(form.Search_Edit->Count(), 8);
    EXPECT_EQ(form.Search_Edit->IndexOf("Appeal"), -1);
}

TEST_F(ToolbarFormTest, SearchesAreSavedWithoutThePlaceholder) {
    TBandForm& form = Build(kTestConfig);
    Search(form, "zzz");
    Search(form, "abc");
    Search(form, "ABC");  // already listed, whatever the case
    Close();
    EXPECT_EQ(Ini("Search History0"), "abc");
    EXPECT_EQ(Ini("Search History1"), "zzz");
    EXPECT_EQ(Ini("Search History2"), "<missing>");
}

TEST_F(ToolbarFormTest, SavingWritesOnlyItsKeysAndKeepsQuotedPhrases) {
    SetIni("Theme", "dark");
    SetIni("Search History6", "six");
    TBandForm& form = Build(kTestConfig);
    Search(form, "\"contract law\"");
    Search(form, " spaced ");
    Close();
    EXPECT_EQ(Ini("Theme"), "dark");
    EXPECT_EQ(Ini("Search History6"), "<missing>");
    const std::string file = ReadTextFile(SettingsPath());
    EXPECT_NE(file.find("Search History0=\" spaced \"\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("Search History1=\"\"contract law\"\"\r\n"), std::string::npos) << file;
    Build();
    EXPECT_GE(form_->Search_Edit->IndexOf("\"contract law\""), 0) << "the phrase keeps its quotes";
    EXPECT_GE(form_->Search_Edit->IndexOf(" spaced "), 0);
}

TEST_F(ToolbarFormTest, ClearedHistoryStaysCleared) {
    SetIni("Search History0", "one");
    SetIni("Search History1", "two");
    SetIni("Search History2", "three");
    TBandForm& form = Build(kTestConfig);
    form.Search_Edit->SetText("kept text");
    form.Search_Edit->ClearItems();
    EXPECT_EQ(form.Search_Edit->Text(), "kept text");
    Close();
    EXPECT_EQ(Ini("Search History0"), "<missing>");
    EXPECT_EQ(Ini("Search History2"), "<missing>");
    Build();
    EXPECT_EQ(form_->Search_Edit->Count(), 1);  // only the placeholder again
}

// Two windows open on the same history close in turn: the one closing last
// keeps what the other saved meanwhile, and does not bring back what it
// cleared.
TEST_F(ToolbarFormTest, TwoWindowsClosingInTurnKeepEachOthersSearches) {
    WriteTextFile(ConfigPath(), kTestConfig);
    for (const bool firstCloses : {true, false}) {
        SCOPED_TRACE(firstCloses ? "the first window closes first" : "the second window closes first");
        DeleteFileA(SettingsPath().c_str());
        SetIni("Search History0", "brief");
        std::unique_ptr<TBandForm> a = TBandForm::Create(Parent()), b = TBandForm::Create(Parent());
        Search(*a, "contract");
        Search(*b, "tort");
        (firstCloses ? a : b).reset();
        (firstCloses ? b : a).reset();
        EXPECT_EQ(Ini("Search History0"), "brief");
        EXPECT_EQ(Ini("Search History1"), "contract");
        EXPECT_EQ(Ini("Search History2"), "tort");
        EXPECT_EQ(Ini("Search History3"), "<missing>");
    }
    std::unique_ptr<TBandForm> late = TBandForm::Create(Parent()), clearing = TBandForm::Create(Parent());
    std::unique_ptr<TBandForm> a, b;
    clearing->Search_Edit->ClearItems();
    clearing.reset();
    Search(*late, "deed");
    late.reset();
    EXPECT_EQ(Ini("Search History0"), "deed");
    EXPECT_EQ(Ini("Search History1"), "<missing>") << "a cleared history came back";

    // The merge finds a search already listed as the search box does, by
    // the system's collation: the same word in other letters' case is one.
    DeleteFileA(SettingsPath().c_str());
    a = TBandForm::Create(Parent());
    b = TBandForm::Create(Parent());
    Search(*a, "\xE9" "cole");
    Search(*b, "\xC9" "COLE");
    a.reset();
    b.reset();
    EXPECT_EQ(Ini("Search History0"), "\xC9" "COLE");
    EXPECT_EQ(Ini("Search History1"), "<missing>");
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(ToolbarFormTest, StoredSearchMethodSelectsTheFirstMatchingOption) {
    SetIni("Search Method", "cases");
    TBandForm& form = Build(kTestConfig);
    EXPECT_TRUE(form.SearchOption[1]->Checked);
    EXPECT_FALSE(form.SearchOption[0]->Checked);
    EXPECT_EQ(vtb::CurrentSearchMethod(), "cases");
    Close();

    SetIni("Search Method", "no such method");
    TBandForm& again = Build(kTestConfig);
    EXPECT_TRUE(again.SearchOption[0]->Checked);
    EXPECT_EQ(vtb::CurrentSearchMethod(), "cases");  // an earlier method of the process stays
}

TEST_F(ToolbarFormTest, ButtonFlagsReadAsNumbers) {
    SetIni("SpdButn_1", "yes");  // not a number: default, shown
    SetIni("SpdButn_2", "0x1");
    SetIni("SpdButn_3", "2");
    SetIni("SpdButn_4", "yes");  // configured but not a number: hidden
    std::string cfg = kTestConfig;
    TBandForm& form = Build(cfg.replace(cfg.find("[Buttons]\r\n6"), 12, "[Buttons]\r\n7"));
    EXPECT_TRUE(form.SpdButn[0]->Visible());
    EXPECT_TRUE(form.SpdButn[1]->Visible());
    EXPECT_TRUE(form.SpdButn[2]->Visible());
    EXPECT_FALSE(form.SpdButn[3]->Visible());
    EXPECT_FALSE(form.SettingsSpdButn[3]->Checked);
}

// A button without caption or address would be announced by its number and
// open the main button's address.
TEST_F(ToolbarFormTest, ButtonsTheConfigurationDoesNotFillAreNeverShown) {
    ScopedPolicies policies;
    policies.SetText(true, "ShownLinkButtons", "1,17");
    SetIni("SpdButn_6", "1");
    TBandForm& form = Build(kTestConfig);  // three link buttons
    EXPECT_TRUE(form.SpdButn[0]->Visible());
    EXPECT_FALSE(form.SpdButn[5]->Visible());
    EXPECT_FALSE(form.SpdButn[16]->Visible());
    EXPECT_EQ(form.VisibleButtons, (std::vector<std::string>{"SpdButn_1"}));
    Close();
    EXPECT_EQ(Ini("SpdButn_6"), "1") << "the user's choice waits for a configuration that fills it";
    EXPECT_EQ(Ini("SpdButn_17"), "0");
}

// What a firm's administrator fixes is shown, greyed in the menus; what the
// user chose stays in the user's file for the day the policy goes.
TEST_F(ToolbarFormTest, PoliciesFixTheMethodAndShowTheFirmsButtons) {
    ScopedPolicies policies;
    policies.SetText(true, "SearchMethod", "statutes");
    policies.SetText(false, "SearchMethod", "cases");  // the machine's value wins
    policies.SetText(false, "ShownLinkButtons", "2, 3");
    SetIni("Search Method", "cases");
    SetIni("SpdButn_2", "0");
    TBandForm& form = Build(kTestConfig);
    EXPECT_TRUE(form.SearchOption[2]->Checked);
    EXPECT_FALSE(form.SearchOption[1]->Checked);
    for (const vtb::TMenuItem* option : form.SearchOption) EXPECT_FALSE(option->Enabled);
    EXPECT_EQ(vtb::CurrentSearchMethod(), "statutes");
    for (int n : {1, 2}) {
        EXPECT_TRUE(form.SpdButn[n]->Visible()) << n;
        EXPECT_TRUE(form.SettingsSpdButn[n]->Checked) << n;
        EXPECT_FALSE(form.SettingsSpdButn[n]->Enabled) << n;
    }
    EXPECT_TRUE(form.SettingsSpdButn[0]->Enabled);
    Close();
    EXPECT_EQ(Ini("Search Method"), "cases");
    EXPECT_EQ(Ini("SpdButn_2"), "0");
    EXPECT_EQ(Ini("SpdButn_3"), "0");

    // A method that is no configured option's is ignored; so is a number
    // where a list of buttons belongs.
    policies.SetText(true, "SearchMethod", "m=nothing");
    policies.SetNumber(false, "ShownLinkButtons", 2);
    TBandForm& again = Build();
    EXPECT_TRUE(again.SearchOption[1]->Checked);
    EXPECT_TRUE(again.SearchOption[1]->Enabled);
    EXPECT_FALSE(again.SpdButn[1]->Visible());
    EXPECT_TRUE(again.SettingsSpdButn[1]->Enabled);
}

// Client names in a history are what a firm may not want kept.
TEST_F(ToolbarFormTest, WithoutStoredHistoriesNoneIsShownAndTheOldOnesGo) {
    ScopedPolicies policies;
    policies.SetText(true, "SearchHistory", "0");  // a text is no number: no policy
    SetIni("Search History0", "client a");
    SetIni("Search History1", "client b");
    EXPECT_EQ(Build(kTestConfig).Search_Edit->Count(), 2);
    Close();

    policies.SetNumber(false, "SearchHistory", 0);
    TBandForm& form = Build();
    EXPECT_EQ(Items(form), (std::vector<std::string>{"Enter Lexa search query"}));
    form.Search_Edit->SetText("client c");
    form.Search_SpdButnClick(form.Search_SpdButn);
    Close();
    EXPECT_EQ(Ini("Search History0"), "<missing>");
    EXPECT_EQ(Ini("Search History1"), "<missing>");
    EXPECT_EQ(Ini("Search Method"), "all");
}

TEST_F(ToolbarFormTest, RefusedWriteIsReported) {
    TBandForm& form = Build(kTestConfig);
    (void)form;
    ASSERT_TRUE(CreateDirectoryA(SettingsPath().c_str(), nullptr));
    Close();
    RemoveDirectoryA(SettingsPath().c_str());
    ASSERT_TRUE(boxes_.WaitForBoxes(1, 2000));
    EXPECT_EQ(boxes_.Boxes().front().text, "Unable to write to " + SettingsPath() + ".");
    EXPECT_TRUE(boxes_.Boxes().front().errorIcon);
}

// Another program's keys may share the section; the toolbar's own may lie
// far into it.
TEST_F(ToolbarFormTest, ALargeSectionIsReadWholeAndKeptWhole) {
    std::string file = "[Settings]\r\n";
    for (int n = 0; n < 20000; ++n) file += "Other" + std::to_string(n) + "=" + std::string(60, 'x') + "\r\n";
    file += "SpdButn_2=1\r\nSearch Method=cases\r\nSearch History0=after a megabyte\r\n";
    ASSERT_GT(file.size(), 1300000u);
    WriteTextFile(SettingsPath(), file);
    TBandForm& form = Build(kTestConfig);
    EXPECT_TRUE(form.SpdButn[1]->Visible());
    EXPECT_TRUE(form.SearchOption[1]->Checked);
    EXPECT_GE(form.Search_Edit->IndexOf("after a megabyte"), 0);
    Search(form, "new");
    Close();
    const std::string saved = ReadTextFile(SettingsPath());
    EXPECT_GT(saved.size(), file.size() - 100);
    EXPECT_EQ(Ini("Other0"), std::string(60, 'x'));
    EXPECT_EQ(Ini("Other19999"), std::string(60, 'x'));
    EXPECT_EQ(Ini("SpdButn_2"), "1");
    EXPECT_EQ(Ini("Search History1"), "new");

    // A section that cannot be read whole is not written back cut: the
    // file stays as it was, and the user hears that nothing was saved.
    vtb::test_seam::SetMaxSettingsSection(64 * 1024);
    Build();
    Search(*form_, "lost");
    Close();
    vtb::test_seam::SetMaxSettingsSection(0);
    EXPECT_EQ(ReadTextFile(SettingsPath()), saved);
    ASSERT_TRUE(boxes_.WaitForBoxes(1, kWaitMs));
    EXPECT_EQ(boxes_.Boxes().back().text, "Unable to write to " + SettingsPath() + ".");
}

TEST_F(ToolbarFormTest, ConfigurationWithoutTargetsStopsAtTheSearchMethod) {
    SetIni("Search History0", "kept");
    SetIni("SpdButn_1", "1");
    TBandForm& form = Build("only a version line\r\n");
    ASSERT_TRUE(boxes_.WaitForBoxes(1, 2000));
    EXPECT_EQ(boxes_.Boxes().front().text, "List index out of bounds (0)");  // ")" takes no full stop
    EXPECT_EQ(Items(form), (std::vector<std::string>{"kept"}));
    EXPECT_FALSE(form.SpdButn[0]->Visible());
    Close();
    EXPECT_EQ(Ini("SpdButn_1"), "1");  // the half-read settings were not written back
}

// ---- Toolbars of two processes closing together ---------------------------------

const char kCloserStart[] = "VeltraneToolBarTests-closers-start";
constexpr int kCloserCycles = 150;

// One process's share: toolbars opened and closed in a row, each showing or
// hiding one link button of its own so that every close rewrites the file.
// Returns how many opens found the stored history gone, or -1 on a failure.
int OpenAndCloseInARow(int cycles, int button) {
    const vtb::UniqueKernelHandle start(OpenEventA(SYNCHRONIZE, FALSE, kCloserStart));
    if (!start || WaitForSingleObject(start.get(), 20000) != WAIT_OBJECT_0) return -1;
    const vtb::UniqueWindow parent(CreateWindowExA(0, "STATIC", "site", WS_OVERLAPPEDWINDOW, 0, 0, 900, 80, nullptr,
                                                   nullptr, GetModuleHandleA(nullptr), nullptr));
    int lost = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        std::string error;
        std::unique_ptr<TBandForm> form = TBandForm::Build(parent.get(), error);
        if (!form || !error.empty()) return -1;
        if (form->Search_Edit->IndexOf("first") < 0 || form->Search_Edit->IndexOf("second") < 0) ++lost;
        form->SettingsSpdButn[button]->Click();
        form.reset();
    }
    return lost;
}

TEST_F(ToolbarFormTest, ToolbarsOfTwoProcessesClosingTogetherLoseNothing) {
    SetIni("Search History0", "first");
    SetIni("Search History1", "second");
    SetIni("Theme", "dark");  // another program's key
    WriteTextFile(ConfigPath(), kTestConfig);
    const vtb::UniqueKernelHandle start(CreateEventA(nullptr, TRUE, FALSE, kCloserStart));
    ASSERT_TRUE(start);

    const vtb::UniqueKernelHandle process = vtbtest::StartThisProgram("--settings-closer " + std::to_string(kCloserCycles));
    ASSERT_TRUE(process);
    SetEvent(start.get());
    const int lostHere = OpenAndCloseInARow(kCloserCycles, 1);

    DWORD code = 0xDEAD;
    if (WaitForSingleObject(process.get(), 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.get(), &code);
    else
        TerminateProcess(process.get(), 0xDEAD);
    EXPECT_EQ(0, lostHere) << "opens of this process that found no history";
    EXPECT_EQ(0u, code) << "opens of the other process that found no history";
    EXPECT_EQ(Ini("Search History0"), "first");
    EXPECT_EQ(Ini("Search History1"), "second");
    EXPECT_EQ(Ini("Theme"), "dark");
    // Each toolbar writes its own view of the buttons at close, so the last
    // to close decides their flags; but none is ever missing.
    EXPECT_NE(Ini("SpdButn_2"), "<missing>");
    EXPECT_NE(Ini("SpdButn_3"), "<missing>");
}

// The same in two processes: a second browser process opens its toolbar,
// searches (or clears the history) and closes when told.
const char kSearcherOpened[] = "VeltraneToolBarTests-searcher-opened";
const char kSearcherClose[] = "VeltraneToolBarTests-searcher-close";

struct SearcherProcess {
    explicit SearcherProcess(const std::string& query) {
        opened.reset(CreateEventA(nullptr, TRUE, FALSE, kSearcherOpened));
        close.reset(CreateEventA(nullptr, TRUE, FALSE, kSearcherClose));
        process = vtbtest::StartThisProgram("--settings-searcher \"" + query + "\"");
    }
    bool Opened() const {
        return WaitUntil([this] { return WaitForSingleObject(opened.get(), 0) == 0; }, 20000);
    }
    // Tells it to close and waits for it; its exit code, or -1.
    long Close() {
        SetEvent(close.get());
        if (!process || WaitForSingleObject(process.get(), 20000) != WAIT_OBJECT_0) return -1;
        DWORD code = 1;
        GetExitCodeProcess(process.get(), &code);
        return static_cast<long>(code);
    }
    vtb::UniqueKernelHandle opened, close, process;
};

TEST_F(ToolbarFormTest, TwoProcessesClosingInTurnKeepEachOthersSearches) {
    WriteTextFile(ConfigPath(), kTestConfig);
    for (const bool hereCloses : {true, false}) {
        SCOPED_TRACE(hereCloses ? "this process closes first" : "the other process closes first");
        Close();
        DeleteFileA(SettingsPath().c_str());
        SetIni("Search History0", "brief");
        SearcherProcess there("tort");
        ASSERT_TRUE(there.Opened());
        Search(Build(), "contract");
        if (hereCloses) Close();
        EXPECT_EQ(0, there.Close());
        Close();
        EXPECT_EQ(Ini("Search History0"), "brief");
        EXPECT_EQ(Ini("Search History1"), "contract");
        EXPECT_EQ(Ini("Search History2"), "tort");
    }
    SearcherProcess clearing("");  // no query: clears the history
    ASSERT_TRUE(clearing.Opened());
    Search(Build(), "deed");
    EXPECT_EQ(0, clearing.Close());
    Close();
    EXPECT_EQ(Ini("Search History0"), "deed");
    EXPECT_EQ(Ini("Search History1"), "<missing>") << "a cleared history came back";
}

}  // namespace

int RunSettingsSearcher(const std::string& query) {
    const vtb::UniqueKernelHandle opened(OpenEventA(EVENT_MODIFY_STATE, FALSE, kSearcherOpened));
    const vtb::UniqueKernelHandle close(OpenEventA(SYNCHRONIZE, FALSE, kSearcherClose));
    if (!opened || !close) return 100;
    const vtb::UniqueWindow parent(CreateWindowExA(0, "STATIC", "site", WS_OVERLAPPEDWINDOW, 0, 0, 900, 80, nullptr,
                                                   nullptr, GetModuleHandleA(nullptr), nullptr));
    std::string error;
    std::unique_ptr<TBandForm> form = TBandForm::Build(parent.get(), error);
    if (!form || !error.empty()) return 101;
    if (query.empty())
        form->Search_Edit->ClearItems();
    else
        Search(*form, query);
    SetEvent(opened.get());
    if (WaitForSingleObject(close.get(), 20000) != WAIT_OBJECT_0) return 102;
    form.reset();
    return 0;
}

int RunSettingsCloser(int cycles) {
    const int lost = OpenAndCloseInARow(cycles, 2);
    return lost < 0 ? 100 : lost;
}

}  // namespace vtbtest
