#include "core/settings_defaults.h"

#include <algorithm>
#include <string>

#include "core/ascii_case.h"
#include "core/user_settings.h"

namespace vtb {

bool IsHistoryKey(std::string_view name) {
    // The profile functions skip blanks before a key name.
    while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
    return AsciiStartsWithNoCase(name, kHistoryKeyPrefix);
}

ProfileSection DefaultsWithoutHistory(const ProfileSection& machine) { return machine.Without(IsHistoryKey); }

}  // namespace vtb
