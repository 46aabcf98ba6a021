#include "core/user_settings.h"

#include "core/policy_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>

namespace vtb {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The "Settings" section in memory: keys match without regard to case, and
// every access is logged. Writes can be refused from a given key on.
class MemoryStore : public SettingsStore {
public:
    std::map<std::string, std::string> Keys;  // lower-case key -> value
    std::vector<std::string> Log;
    std::string RefuseKey;  // writing or removing this key throws

    void Set(const std::string& key, const std::string& value) { Keys[Lower(key)] = value; }
    bool Holds(const std::string& key) const { return Keys.count(Lower(key)) != 0; }
    std::string Get(const std::string& key) const { return Keys.at(Lower(key)); }

    std::optional<std::string> Read(const std::string& key) override {
        Log.push_back("read " + key);
        const auto it = Keys.find(Lower(key));
        if (it == Keys.end()) return std::nullopt;
        return it->second;
    }
    void Write(const std::string& key, const std::string& value) override {
        Refuse(key);
        Log.push_back("write " + key + "=" + value);
        Keys[Lower(key)] = value;
    }
    void Remove(const std::string& key) override {
        Refuse(key);
        Log.push_back("remove " + key);
        Keys.erase(Lower(key));
    }

private:
    void Refuse(const std::string& key) {
        if (!RefuseKey.empty() && Lower(key) == Lower(RefuseKey))
            throw ToolbarError("Unable to write to C:\\Tools\\Veltrane_ToolBar.ini");
    }
};

// Targets as a configuration with three fixed buttons and seven options
// would leave them; options 4 to 7 at tag 0 are those it did not reach.
const TargetList kUrls = {"m", "s", "t", "all", "cases", "laws"};
const std::array<int, kSearchOptionCount> kThreeOptions = {3, 4, 5, 0, 0, 0, 0};

// ---------------------------------------------------------------------------
// Loading

TEST(LoadSettings, DefaultsWithoutAFile) {
    MemoryStore store;
    const LoadedSettings loaded = LoadSettings(store, kUrls, kThreeOptions, "");
    EXPECT_TRUE(loaded.History.empty());
    EXPECT_TRUE(loaded.UsePlaceholder);
    EXPECT_EQ(loaded.CheckedOption, 1);
    EXPECT_EQ(loaded.SearchMethod, std::optional<std::string>("all"));
    EXPECT_TRUE(loaded.ButtonsApplied);
    EXPECT_TRUE(loaded.Error.empty());
    EXPECT_EQ(PlaceholderText("Veltrane"), "Enter Veltrane search query");
    EXPECT_EQ(PlaceholderText("&Veltrane"), "Enter Veltrane search query");
    for (int n = 1; n <= kLinkButtonCount; ++n) EXPECT_EQ(loaded.Visible[n - 1], n == 1) << "SpdButn_" << n;
}

TEST(LoadSettings, HistoryKeysZeroToSevenNonEmptyInKeyOrder) {
    MemoryStore store;
    for (int n = 0; n <= 8; ++n) store.Set("search history" + std::to_string(n), "q" + std::to_string(n));
    store.Set("Search History3", "");
    store.Set("Search History5", "q1");  // duplicates are kept
    const LoadedSettings loaded = LoadSettings(store, kUrls, kThreeOptions, "");
    EXPECT_EQ(loaded.History, (std::vector<std::string>{"q0", "q1", "q2", "q4", "q1", "q6", "q7"}));
    EXPECT_FALSE(loaded.UsePlaceholder);
}

TEST(LoadSettings, StoredMethodSelectsTheFirstOptionWithThatText) {
    MemoryStore store;
    store.Set("Search Method", "laws");
    LoadedSettings loaded = LoadSettings(store, kUrls, kThreeOptions, "");
    EXPECT_EQ(loaded.CheckedOption, 3);
    EXPECT_EQ(loaded.SearchMethod, std::optional<std::string>("laws"));

    // Two options with the same text: the lower-numbered one.
    const TargetList twice = {"m", "s", "t", "all", "laws", "laws"};
    loaded = LoadSettings(store, twice, kThreeOptions, "");
    EXPECT_EQ(loaded.CheckedOption, 2);
}

TEST(LoadSettings, MethodComparisonKeepsLetterCase) {
    MemoryStore store;
    store.Set("Search Method", "LAWS");
    const LoadedSettings loaded = LoadSettings(store, kUrls, kThreeOptions, "");
    EXPECT_EQ(loaded.CheckedOption, 1);
    EXPECT_EQ(loaded.SearchMethod, std::optional<std::string>("all"));
}

TEST(LoadSettings, HiddenOptionsTakePartWithTheTargetAtTheirTag) {
    // Options 4 to 7 still refer to index 0, the main button's target.
    MemoryStore store;
    store.Set("Search Method", "m");
    const LoadedSettings loaded = LoadSettings(store, kUrls, kThreeOptions, "");
    EXPECT_EQ(loaded.CheckedOption, 4);
    EXPECT_EQ(loaded.SearchMethod, std::optional<std::string>("m"));
}

TEST(LoadSettings, UnmatchedMethodKeepsAnEarlierChoiceOfTheProcess) {
    MemoryStore store;
    store.Set("Search Method", "gone after an update");
    LoadedSettings loaded = LoadSettings(store, kUrls, kThreeOptions, "chosen earlier");
    EXPECT_EQ(loaded.CheckedOption, 0);
    EXPECT_FALSE(loaded.SearchMethod.has_value());

    loaded = LoadSettings(store, kUrls, kThreeOptions, "");
    EXPECT_EQ(loaded.CheckedOption, 1);
    EXPECT_EQ(loaded.SearchMethod, std::optional<std::string>("all"));
}

TEST(LoadSettings, MissingMethodSelectsOptionOneEvenWithAnEarlierChoice) {
    MemoryStore store;
    const LoadedSettings loaded = LoadSettings(store, kUrls, kThreeOptions, "chosen earlier");
    EXPECT_EQ(loaded.CheckedOption, 1);
    EXPECT_EQ(loaded.SearchMethod, std::optional<std::string>("all"));
}

TEST(LoadSettings, OptionTagOutsideTheTargetsStopsBeforeTheButtons) {
    MemoryStore store;
    store.Set("Search History0", "kept");
    store.Set("SpdButn_2", "1");
    const LoadedSettings loaded = LoadSettings(store, TargetList{}, kThreeOptions, "");
    EXPECT_EQ(loaded.Error, "List index out of bounds (3)");
    EXPECT_EQ(loaded.History, (std::vector<std::string>{"kept"}));
    EXPECT_FALSE(loaded.ButtonsApplied);
    EXPECT_EQ(loaded.CheckedOption, 0);
    EXPECT_FALSE(loaded.SearchMethod.has_value());
    EXPECT_EQ(std::count(store.Log.begin(), store.Log.end(), "read SpdButn_1"), 0);
}

TEST(LoadSettings, LaterOptionOutsideTheTargetsAfterNoMatch) {
    MemoryStore store;
    store.Set("Search Method", "nothing like it");
    const LoadedSettings loaded = LoadSettings(store, kUrls, {3, 4, 5, 0, 0, 0, 9}, "");
    EXPECT_EQ(loaded.Error, "List index out of bounds (9)");
    EXPECT_FALSE(loaded.ButtonsApplied);
}

TEST(LoadSettings, ButtonFlags) {
    MemoryStore store;
    store.Set("SpdButn_1", "yes");  // unconvertible: the default, shown
    store.Set("SpdButn_2", "0x1");
    store.Set("SpdButn_3", "2");
    store.Set("SpdButn_4", "yes");  // unconvertible: the default, hidden
    store.Set("spdbutn_5", "-1");
    store.Set("SpdButn_6", "0");
    store.Set("SpdButn_17", " 1");
    const LoadedSettings loaded = LoadSettings(store, kUrls, kThreeOptions, "");
    const std::array<bool, kLinkButtonCount> expected = {true,  true,  true,  false, true,  false, false, false, false,
                                                         false, false, false, false, false, false, false, true};
    EXPECT_EQ(loaded.Visible, expected);
}

// ---------------------------------------------------------------------------
// Saving

SettingsToSave Sample() {
    SettingsToSave settings;
    settings.History = {"abc", "zzz"};
    settings.SearchMethod = "cases";
    settings.Visible[0] = true;
    settings.Visible[4] = true;
    return settings;
}

TEST(SaveSettings, WritesHistoryMethodAndButtonsInOrder) {
    MemoryStore store;
    SaveSettings(store, Sample());
    std::vector<std::string> expected = {"write Search History0=abc", "write Search History1=zzz"};
    for (int p = 2; p <= 7; ++p) expected.push_back("remove Search History" + std::to_string(p));
    expected.push_back("write Search Method=cases");
    for (int n = 1; n <= 17; ++n)
        expected.push_back("write SpdButn_" + std::to_string(n) + "=" + (n == 1 || n == 5 ? "1" : "0"));
    EXPECT_EQ(store.Log, expected);
}

TEST(SaveSettings, ClearedHistoryStaysCleared) {
    MemoryStore store;
    for (int p = 0; p < 8; ++p) store.Set("Search History" + std::to_string(p), "old" + std::to_string(p));
    store.Set("Unrelated", "kept");
    SettingsToSave settings = Sample();
    settings.History->clear();
    SaveSettings(store, settings);
    for (int p = 0; p < 8; ++p) EXPECT_FALSE(store.Holds("Search History" + std::to_string(p))) << p;
    EXPECT_EQ(store.Get("Unrelated"), "kept");
}

TEST(SaveSettings, UnreadableHistoryLeavesTheStoredOneAlone) {
    MemoryStore store;
    for (int p = 0; p < 8; ++p) store.Set("Search History" + std::to_string(p), "old" + std::to_string(p));
    SettingsToSave settings = Sample();
    settings.History.reset();
    SaveSettings(store, settings);
    for (int p = 0; p < 8; ++p)
        EXPECT_EQ(store.Get("Search History" + std::to_string(p)), "old" + std::to_string(p)) << p;
    EXPECT_EQ(store.Get("Search Method"), "cases");
    EXPECT_EQ(store.Get("SpdButn_5"), "1");
}

TEST(SaveSettings, FirstRefusedWriteEndsTheSave) {
    MemoryStore store;
    store.RefuseKey = "Search Method";
    try {
        SaveSettings(store, Sample());
        FAIL() << "a refused write must be reported";
    } catch (const ToolbarError& e) {
        EXPECT_STREQ(e.what(), "Unable to write to C:\\Tools\\Veltrane_ToolBar.ini");
    }
    EXPECT_EQ(store.Get("Search History0"), "abc");
    EXPECT_FALSE(store.Holds("Search Method"));
    EXPECT_FALSE(store.Holds("SpdButn_1"));
}

TEST(SaveSettings, RefusedRemoveAlsoEndsTheSave) {
    MemoryStore store;
    store.RefuseKey = "Search History2";
    EXPECT_THROW(SaveSettings(store, Sample()), ToolbarError);
    EXPECT_FALSE(store.Holds("Search Method"));
}

TEST(SaveSettings, WhatIsSavedLoadsBack) {
    MemoryStore store;
    SettingsToSave settings = Sample();
    settings.SearchMethod = "laws";
    settings.Visible[0] = false;
    settings.Visible[16] = true;
    SaveSettings(store, settings);
    const LoadedSettings loaded = LoadSettings(store, kUrls, kThreeOptions, "");
    EXPECT_EQ(loaded.History, settings.History);
    EXPECT_EQ(loaded.CheckedOption, 3);
    EXPECT_EQ(loaded.Visible, settings.Visible);
}

// ---------------------------------------------------------------------------
// Two windows closing in turn: the later one merges what the earlier saved.

using History = std::vector<std::string>;

TEST(HistoryEntries, EveryEntryReadsBackExactlyAndOthersStayPlainAscii) {
    // An entry the code page holds is stored byte for byte, as before.
    EXPECT_EQ(StoredHistoryEntry(u"K\u00FCndigung 100%", Windows1252()), "K\xFCndigung 100%");
    EXPECT_EQ(StoredHistoryEntry(u"\u0141\u00F3d\u017A", Windows1252()), "UTF-8:%C5%81%C3%B3d%C5%BA");
    for (const std::u16string& text :
         {std::u16string(u"K\u00FCndigung"), std::u16string(u"\u0141\u00F3d\u017A 50% \u6771\u4EAC\U0001F600"),
          std::u16string(u"UTF-8:%41"), std::u16string(u"\u0416\t\"x\"")}) {
        const std::string stored = StoredHistoryEntry(text, Windows1252());
        EXPECT_EQ(HistoryEntryText(stored, Windows1252()), text) << stored;
        if (text != u"K\u00FCndigung")
            EXPECT_TRUE(std::all_of(stored.begin(), stored.end(), [](char c) { return c >= 0x20 && c < 0x7F; }))
                << stored;
    }
    // What is no well-formed form is the code page's text, as an earlier version wrote it.
    EXPECT_EQ(HistoryEntryText("UTF-8:%C5", Windows1252()), u"UTF-8:%C5");
    EXPECT_EQ(HistoryEntryText("UTF-8:%g1", Windows1252()), u"UTF-8:%g1");
}

TEST(MergeHistory, EachWindowsSearchesSurviveEitherOrder) {
    // Both opened on "brief"; A searched "contract", B "tort".
    const History loaded = {"brief"};
    const History a = {"brief", "contract"}, b = {"brief", "tort"};
    const History afterA = MergeHistory(loaded, a, loaded);
    EXPECT_EQ(MergeHistory(loaded, b, afterA), (History{"brief", "contract", "tort"}));
    const History afterB = MergeHistory(loaded, b, loaded);
    EXPECT_EQ(MergeHistory(loaded, a, afterB), (History{"brief", "contract", "tort"}));
    // The same search in both is listed once, whatever its letter case.
    EXPECT_EQ(MergeHistory({}, {"Tort"}, {"tort"}), (History{"Tort"}));
}

TEST(MergeHistory, WhatAnotherWindowDroppedStaysDropped) {
    // B cleared the history and closed; A, opened before, searched "deed".
    EXPECT_EQ(MergeHistory({"brief", "case"}, {"brief", "case", "deed"}, {}), (History{"deed"}));
    // A cleared its own: only what B added after A opened remains.
    EXPECT_EQ(MergeHistory({"brief"}, {}, {"brief", "tort"}), (History{"tort"}));
}

TEST(MergeHistory, MergedSearchesKeepToTheHistoryLimit) {
    const History own = {"b", "c", "d", "e", "f", "g", "h"};
    // Each search added elsewhere pushes the first in sort order out, as a
    // search in the box would.
    EXPECT_EQ(MergeHistory({}, own, {"A", "i"}), (History{"c", "d", "e", "f", "g", "h", "i"}));
}

TEST(SaveSettings, WithTheLoadedHistoryTheStoredOneIsMergedIn) {
    MemoryStore store;
    store.Set("Search History0", "abc");
    store.Set("Search History1", "tort");
    SettingsToSave settings = Sample();  // abc, zzz
    settings.LoadedHistory = History{"abc"};
    SaveSettings(store, settings);
    EXPECT_EQ(ReadHistory(store), (History{"abc", "tort", "zzz"}));
}

// ---------------------------------------------------------------------------
// Policies

PolicyValue Number(std::uint32_t n) { return PolicyValue{PolicyType::Number, n, {}}; }
PolicyValue Text(const std::string& text) { return PolicyValue{PolicyType::Text, 0, text}; }

TEST(Policies, TheMachinesValueWinsAndAWrongTypeIsNone) {
    const Policies none = MergePolicies({}, {});
    EXPECT_TRUE(none.UpdatesAllowed);
    EXPECT_TRUE(none.HistoryStored);
    EXPECT_FALSE(none.SearchMethod);
    EXPECT_EQ(none.ShownButtons, (std::array<bool, kLinkButtonCount>{}));

    PolicyValues machine{}, user{};
    user[kConfigurationUpdates] = Number(0);
    user[kSearchHistory] = Number(0);
    user[kSearchMethod] = Text("m=laws");
    user[kShownLinkButtons] = Text("3");
    machine[kSearchHistory] = Number(1);
    machine[kSearchMethod] = Text("m=cases");
    Policies merged = MergePolicies(machine, user);
    EXPECT_FALSE(merged.UpdatesAllowed);
    EXPECT_TRUE(merged.HistoryStored);
    EXPECT_EQ(merged.SearchMethod, std::optional<std::string>("m=cases"));
    EXPECT_TRUE(merged.FixesButton(3));

    // A string where a number belongs, a number where a list belongs, a list
    // that does not read: each is no value, and the user's applies.
    machine[kConfigurationUpdates] = Text("0");
    machine[kSearchMethod] = Number(2);
    machine[kShownLinkButtons] = Text("1;2");
    merged = MergePolicies(machine, user);
    EXPECT_FALSE(merged.UpdatesAllowed);
    EXPECT_EQ(merged.SearchMethod, std::optional<std::string>("m=laws"));
    EXPECT_TRUE(merged.FixesButton(3));
    EXPECT_FALSE(merged.FixesButton(1));
    user[kConfigurationUpdates] = Number(7);  // any number but 0 is on
    EXPECT_TRUE(MergePolicies(machine, user).UpdatesAllowed);

    // An empty method and a blank list are of the wrong form too.
    machine[kSearchMethod] = Text("");
    machine[kShownLinkButtons] = Text(" ");
    merged = MergePolicies(machine, user);
    EXPECT_EQ(merged.SearchMethod, std::optional<std::string>("m=laws"));
    EXPECT_TRUE(merged.FixesButton(3));
}

// The administrator's log says which value of which hive is in force, and
// why any other is not, as the merge decides it.
TEST(Policies, TheReportNamesWhatIsInForceAndWhatIsIgnored) {
    EXPECT_EQ(DescribePolicies({}, {}, true).InForce, "");
    PolicyValues machine{}, user{};
    machine[kConfigurationUpdates] = Text("0");
    user[kConfigurationUpdates] = Number(0);
    machine[kSearchHistory] = Number(0);
    user[kSearchHistory] = Number(1);
    machine[kSearchMethod] = Text("m=cases");
    machine[kShownLinkButtons] = Text("1;2");
    user[kShownLinkButtons] = Text("3");
    const PolicyReport report = DescribePolicies(machine, user, false);
    EXPECT_EQ(report.InForce, "ConfigurationUpdates=0 (user); SearchHistory=0 (machine); ShownLinkButtons=3 (user)");
    EXPECT_EQ(report.Ignored,
              "ConfigurationUpdates=0 (machine): not a REG_DWORD; SearchHistory=1 (user): the machine's value applies; "
              "SearchMethod=m=cases (machine): no search method of the configuration has this text; "
              "ShownLinkButtons=1;2 (machine): not a list of link button numbers 1 to 17");
    EXPECT_EQ(DescribePolicies(machine, user, true).InForce,
              "ConfigurationUpdates=0 (user); SearchHistory=0 (machine); SearchMethod=m=cases (machine); "
              "ShownLinkButtons=3 (user)");
}

TEST(Policies, LinkButtonNumbers) {
    const auto shown = ParseLinkButtonNumbers(" 1, 2 ,6,17 ");
    ASSERT_TRUE(shown);
    for (int n = 1; n <= kLinkButtonCount; ++n) EXPECT_EQ((*shown)[n - 1], n == 1 || n == 2 || n == 6 || n == 17) << n;
    for (const char* bad : {"", " ", "0", "18", "1,,2", "1,", "x", "1 2", "-1", "+3", "0x2", "001"})
        EXPECT_FALSE(ParseLinkButtonNumbers(bad)) << bad;
}

// On screen the policy's choice; in the file what the user chose.
TEST(Policies, ASaveKeepsTheUsersOwnChoicesAndNoHistory) {
    MemoryStore store;
    store.Set("Search History0", "client a");
    store.Set("Search Method", "cases");
    store.Set("SpdButn_1", "0");
    Policies policies;
    policies.HistoryStored = false;
    policies.SearchMethod = "laws";
    policies.ShownButtons[0] = policies.ShownButtons[5] = true;
    LoadedSettings loaded = LoadSettings(store, kUrls, kThreeOptions, "");
    int fixed = 0;
    const UsersChoices own = ApplyPoliciesOnLoad(policies, {"all", "cases", "laws"}, loaded, fixed);
    EXPECT_TRUE(loaded.History.empty());
    EXPECT_TRUE(loaded.UsePlaceholder);
    EXPECT_EQ(fixed, 3);
    EXPECT_EQ(loaded.CheckedOption, 3);
    EXPECT_EQ(loaded.SearchMethod, std::optional<std::string>("laws"));
    EXPECT_TRUE(loaded.Visible[0] && loaded.Visible[5]);

    SettingsToSave settings{std::vector<std::string>{"typed today"}, "laws", loaded.Visible};
    settings.LoadedHistory = loaded.History;  // what this window read, as the form passes it
    ApplyPoliciesOnSave(policies, fixed > 0, own, settings);
    SaveSettings(store, settings);
    EXPECT_FALSE(store.Holds("Search History0"));
    EXPECT_EQ(store.Get("Search Method"), "cases");
    EXPECT_EQ(store.Get("SpdButn_1"), "0");
    EXPECT_EQ(store.Get("SpdButn_6"), "0");

    // A method that is no option's text is ignored.
    policies.SearchMethod = "m=nothing";
    loaded = LoadSettings(store, kUrls, kThreeOptions, "");
    ApplyPoliciesOnLoad(policies, {"all", "cases", "laws"}, loaded, fixed);
    EXPECT_EQ(fixed, 0);
    EXPECT_EQ(loaded.SearchMethod, std::optional<std::string>("cases"));
}

}  // namespace
}  // namespace vtb
