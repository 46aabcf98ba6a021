// What a user without a settings file of their own starts from, when the
// toolbar keeps each user's data apart: the machine's settings file as
// defaults, but never its search history, which is one person's searches.
#pragma once

#include <string_view>

#include "core/profile_section.h"

namespace vtb {

// "Search History" followed by anything, in any letter case: the keys the
// history is kept under, also numbers the toolbar does not read.
bool IsHistoryKey(std::string_view name);

// The machine's section without any history key, unchanged otherwise.
ProfileSection DefaultsWithoutHistory(const ProfileSection& machine);

}  // namespace vtb
