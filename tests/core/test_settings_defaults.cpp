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

}  // namespace
}  // namespace vtb
