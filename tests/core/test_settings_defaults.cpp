#include "core/settings_defaults.h"

#include "core/config_rollout.h"

#include <gtest/gtest.h>

#include <string>

namespace vtb {
namespace {

using namespace std::string_literals;

TEST(SettingsDefaults, AnotherUsersHistoryNeverBecomesADefault) {
    const ProfileSection machine = ProfileSection::FromSectionText(
        "Search History0=client one\0SEARCH HISTORY7=matter 12\0  search history3=padded\0"
        "Search History8=beyond the eight\0Search Method=cases\0SpdButn_2=1\0NoValue\0"
        "History=not the prefix\0Search Histor=too short\0\0"s);
    ProfileSection defaults = DefaultsWithoutHistory(machine);

    EXPECT_EQ(defaults.ToSectionText(),
              "Search Method=cases\0SpdButn_2=1\0NoValue\0History=not the prefix\0Search Histor=too short\0\0"s);
    for (int n = 0; n <= 8; ++n) EXPECT_EQ(defaults.Read("Search History" + std::to_string(n)), std::nullopt);
    // Nothing was written yet: a user who changes nothing writes nothing.
    EXPECT_FALSE(defaults.Changed());
}

// A user's updated copy stands over the deployment it was downloaded over,
// and over nothing else, whatever the files' dates.
TEST(SettingsDefaults, AUsersCopyStandsOnlyOverTheMachineFileItSuperseded) {
    const std::string deployed = "1.0|first\r\n[Buttons]\r\n";
    ConfigurationFacts facts;
    facts.UsersCopyExists = true;
    facts.MachineBytes = deployed;
    facts.Record = ConfigurationRecord(deployed) + "\r\n";
    EXPECT_EQ(ChooseConfiguration(facts), ConfigurationChoice::UsersCopy);

    // A new deployment, or one byte edited by an administrator.
    facts.MachineBytes = "1.0|first\r\n[Buttons]\n";
    EXPECT_EQ(ChooseConfiguration(facts), ConfigurationChoice::SetUsersCopyAside);
    // An older version's copy has no record.
    facts.MachineBytes = deployed;
    facts.Record.reset();
    EXPECT_EQ(ChooseConfiguration(facts), ConfigurationChoice::SetUsersCopyAside);
    // A machine file that cannot be read now sets nothing aside.
    facts.MachineBytes.reset();
    EXPECT_EQ(ChooseConfiguration(facts), ConfigurationChoice::UsersCopy);
    // Updates switched off by policy: users' copies are not read at all.
    facts.Record = ConfigurationRecord(deployed);
    facts.MachineBytes = deployed;
    facts.UsersCopiesAllowed = false;
    EXPECT_EQ(ChooseConfiguration(facts), ConfigurationChoice::Machine);

    EXPECT_NE(ConfigurationRecord(std::string()), ConfigurationRecord(std::nullopt));
}

// Copies set aside never take one another's name, and the five newest stay
// whatever order the folder lists them in; other files are never touched.
TEST(SettingsDefaults, CopiesSetAsideKeepTheirOwnNamesAndTheFiveNewestStay) {
    const std::string copy = "Veltrane_ToolBar.cfg";
    const UtcTime noon{2026, 3, 9, 12, 0, 5};
    const auto name = [&copy](const UtcTime& when, int sequence) { return copy + SetAsideSuffix(when, sequence); };
    EXPECT_EQ(name(noon, 1), "Veltrane_ToolBar.cfg.old-20260309-120005");
    EXPECT_EQ(name(noon, 2), "Veltrane_ToolBar.cfg.old-20260309-120005-2");

    std::vector<std::string> names = {"Veltrane_ToolBar.cfg", "Veltrane_ToolBar.cfg.old",
                                      "Veltrane_ToolBar.cfg.old-2026030-120005", "Other.cfg.old-20200101-000000",
                                      "Veltrane_ToolBar.cfg.old-20260309-120005x"};
    EXPECT_TRUE(SetAsidesBeyond(copy, names).empty());
    for (int day : {7, 1, 9, 3}) names.push_back(name(UtcTime{2026, 3, day, 8, 0, 0}, 1));
    names.push_back(name(noon, 2));
    names.push_back(name(noon, 10));
    EXPECT_EQ(SetAsidesBeyond(copy, names), std::vector<std::string>{"Veltrane_ToolBar.cfg.old-20260301-080000"});
    // A name freed by an old copy's removal is not taken again.
    EXPECT_EQ(NextSetAsideSequence(copy, names, noon), 11);
    EXPECT_EQ(NextSetAsideSequence(copy, names, UtcTime{2026, 3, 9, 12, 0, 6}), 1);
    // The tenth copy of a second is newer than its second.
    EXPECT_EQ(SetAsidesBeyond(copy, names, 1).size(), 5u);
    EXPECT_EQ(SetAsidesBeyond(copy, names, 1).back(), name(noon, 2));
}

}  // namespace
}  // namespace vtb
