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

ProfileSection DefaultsWithoutHistory(const ProfileSection& machine) {
    // Entries of the section text end with a zero byte each; a name is what
    // stands before the first "=".
    const std::string text = machine.ToSectionText();
    std::string kept;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\0', at);
        const std::string_view entry(text.data() + at, end - at);
        if (entry.empty()) break;
        if (!IsHistoryKey(entry.substr(0, entry.find('=')))) kept.append(entry).push_back('\0');
        at = end + 1;
    }
    kept.push_back('\0');
    return ProfileSection::FromSectionText(kept);
}

}  // namespace vtb
