#include "core/settings_defaults.h"

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

}  // namespace
}  // namespace vtb
