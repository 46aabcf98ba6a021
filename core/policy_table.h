// The policies a firm's administrator sets for the toolbar, under the same
// key of the machine's and of the user's registry. This table is the one
// list of them: the administrative templates name the same keys, values
// and types, and a test holds them against it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/user_settings.h"

namespace vtb {

// Below HKEY_LOCAL_MACHINE (the machine's) and HKEY_CURRENT_USER (the user's).
inline constexpr char kPolicyKey[] = "Software\\Policies\\Veltrane\\ToolBar";

enum class PolicyType { Number, Text };  // REG_DWORD, REG_SZ

enum PolicyIndex { kConfigurationUpdates, kSearchHistory, kSearchMethod, kShownLinkButtons, kPolicyCount };

struct PolicyDefinition {
    const char* ValueName;
    PolicyType Type;
};

inline constexpr std::array<PolicyDefinition, kPolicyCount> kPolicyTable{{
    {"ConfigurationUpdates", PolicyType::Number},  // 0: no updates, no user's copies
    {"SearchHistory", PolicyType::Number},         // 0: no stored history
    {"SearchMethod", PolicyType::Text},            // one configured method's text
    {"ShownLinkButtons", PolicyType::Text},        // link button numbers, "1,2,6"
}};

// A registry value as found: its type and its number or text.
struct PolicyValue {
    PolicyType Type = PolicyType::Number;
    std::uint32_t Number = 0;
    std::string Text;
};

// One hive's values, by the table's order; none where the value is missing
// or of a type the registry reader does not take.
using PolicyValues = std::array<std::optional<PolicyValue>, kPolicyCount>;

// What the policies decide. Without any, nothing differs from no policy.
struct Policies {
    bool UpdatesAllowed = true;
    bool HistoryStored = true;
    std::optional<std::string> SearchMethod;
    std::array<bool, kLinkButtonCount> ShownButtons{};  // shown whatever the user chose
    bool FixesButton(int number) const { return ShownButtons[static_cast<std::size_t>(number - 1)]; }
};

// "1,2,6": numbers 1 to 17, commas between, blanks around them allowed. A
// value without any number, or with anything else, is no list (nullopt):
// it is ignored whole, not guessed at.
std::optional<std::array<bool, kLinkButtonCount>> ParseLinkButtonNumbers(std::string_view text);

// Where both hold a usable value the machine's wins; a value of the wrong
// type or form (an empty text, a list that does not read) counts as none,
// so the user's applies.
Policies MergePolicies(const PolicyValues& machine, const PolicyValues& user);

// What an administrator's log hears once per process: each policy in force
// with its value and hive ("SearchHistory=0 (machine)"), and each value
// ignored with the reason, "; " between them. methodMatched false: the fixed
// search method is the text of no configured method.
struct PolicyReport {
    std::string InForce;
    std::string Ignored;
};
PolicyReport DescribePolicies(const PolicyValues& machine, const PolicyValues& user, bool methodMatched);

// The user's own choices as loading found them, before the policies: what
// the save keeps where a policy overrode the choice on screen.
struct UsersChoices {
    std::optional<std::string> SearchMethod;
    std::array<bool, kLinkButtonCount> Visible{};
};

// Applies the policies to what loading produced. The fixed method applies
// only when it is the text of one of the options (optionTexts, empty for an
// option the configuration did not reach); fixedOption is then its number.
UsersChoices ApplyPoliciesOnLoad(const Policies& policies,
                                 const std::array<std::string, kSearchOptionCount>& optionTexts, LoadedSettings& loaded,
                                 int& fixedOption);

// What a close writes: the user's own choices where a policy showed
// otherwise, and no history at all when histories are not stored.
void ApplyPoliciesOnSave(const Policies& policies, bool methodFixed, const UsersChoices& own, SettingsToSave& settings);

}  // namespace vtb
