#include "core/policy_table.h"

namespace vtb {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The value of one policy, when one hive holds it in the table's type; an
// empty text is none.
const PolicyValue* Usable(const PolicyValues& values, PolicyIndex index) {
    const std::optional<PolicyValue>& value = values[index];
    if (!value || value->Type != kPolicyTable[index].Type) return nullptr;
    return value->Type == PolicyType::Text && value->Text.empty() ? nullptr : &*value;
}

const PolicyValue* Winning(const PolicyValues& machine, const PolicyValues& user, PolicyIndex index) {
    if (const PolicyValue* value = Usable(machine, index)) return value;
    return Usable(user, index);
}

// Why a hive's value does not apply; none when it does.
const char* WhyIgnored(PolicyIndex index, const PolicyValue& value) {
    if (value.Type != kPolicyTable[index].Type)
        return kPolicyTable[index].Type == PolicyType::Number ? "not a REG_DWORD" : "not a REG_SZ";
    if (index == kShownLinkButtons && !ParseLinkButtonNumbers(value.Text))
        return "not a list of link button numbers 1 to 17";
    if (index == kSearchMethod && value.Text.empty()) return "empty";
    return nullptr;
}

}  // namespace

PolicyReport DescribePolicies(const PolicyValues& machine, const PolicyValues& user, bool methodMatched) {
    PolicyReport report;
    for (std::size_t i = 0; i < kPolicyTable.size(); ++i) {
        const auto index = static_cast<PolicyIndex>(i);
        bool applied = false;
        for (const PolicyValues* hive : {&machine, &user}) {
            const std::optional<PolicyValue>& value = (*hive)[i];
            if (!value) continue;
            const char* why = WhyIgnored(index, *value);
            if (!why && applied) why = "the machine's value applies";
            if (!why && index == kSearchMethod && !methodMatched) why = "no search method of the configuration has this text";
            // A value of the right type holds the place, but for a list that
            // does not read.
            applied = applied || (value->Type == kPolicyTable[i].Type && (index != kShownLinkButtons || !why));
            std::string& list = why ? report.Ignored : report.InForce;
            if (!list.empty()) list += "; ";
            list += kPolicyTable[i].ValueName;
            list += '=';
            list += value->Type == PolicyType::Number ? std::to_string(value->Number) : value->Text;
            list += hive == &machine ? " (machine)" : " (user)";
            if (why) (list += ": ") += why;
        }
    }
    return report;
}

std::optional<std::array<bool, kLinkButtonCount>> ParseLinkButtonNumbers(std::string_view text) {
    std::array<bool, kLinkButtonCount> shown{};
    if (Trimmed(text).empty()) return std::nullopt;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view part = Trimmed(text.substr(0, comma));
        if (part.empty() || part.size() > 2) return std::nullopt;
        int number = 0;
        for (const char c : part) {
            if (c < '0' || c > '9') return std::nullopt;
            number = number * 10 + (c - '0');
        }
        if (number < 1 || number > kLinkButtonCount) return std::nullopt;
        shown[static_cast<std::size_t>(number - 1)] = true;
        if (comma == std::string_view::npos) return shown;
        text.remove_prefix(comma + 1);
    }
}

Policies MergePolicies(const PolicyValues& machine, const PolicyValues& user) {
    Policies policies;
    if (const PolicyValue* value = Winning(machine, user, kConfigurationUpdates))
        policies.UpdatesAllowed = value->Number != 0;
    if (const PolicyValue* value = Winning(machine, user, kSearchHistory)) policies.HistoryStored = value->Number != 0;
    if (const PolicyValue* value = Winning(machine, user, kSearchMethod)) policies.SearchMethod = value->Text;
    // A machine's list that does not read is no list: the user's may apply.
    for (const PolicyValues* hive : {&machine, &user}) {
        const PolicyValue* value = Usable(*hive, kShownLinkButtons);
        if (!value) continue;
        if (const auto shown = ParseLinkButtonNumbers(value->Text)) {
            policies.ShownButtons = *shown;
            break;
        }
    }
    return policies;
}

UsersChoices ApplyPoliciesOnLoad(const Policies& policies,
                                 const std::array<std::string, kSearchOptionCount>& optionTexts, LoadedSettings& loaded,
                                 int& fixedOption) {
    const UsersChoices own{loaded.SearchMethod, loaded.Visible};
    fixedOption = 0;
    if (!policies.HistoryStored) {
        loaded.History.clear();
        loaded.UsePlaceholder = true;
    }
    if (policies.SearchMethod) {
        for (int k = 1; k <= kSearchOptionCount && fixedOption == 0; ++k) {
            if (optionTexts[static_cast<std::size_t>(k - 1)] == *policies.SearchMethod) fixedOption = k;
        }
        if (fixedOption > 0) {
            loaded.CheckedOption = fixedOption;
            loaded.SearchMethod = *policies.SearchMethod;
        }
    }
    // Loading that stopped before the buttons shows none; the policy's do show.
    for (int n = 1; n <= kLinkButtonCount; ++n)
        if (policies.FixesButton(n)) loaded.Visible[static_cast<std::size_t>(n - 1)] = true;
    return own;
}

void ApplyPoliciesOnSave(const Policies& policies, bool methodFixed, const UsersChoices& own,
                         SettingsToSave& settings) {
    if (!policies.HistoryStored) {
        // Nothing of any window's searches is kept: no merge with what
        // other windows stored either.
        settings.History = std::vector<std::string>();
        settings.LoadedHistory.reset();
    }
    if (methodFixed && own.SearchMethod) settings.SearchMethod = *own.SearchMethod;
    for (int n = 1; n <= kLinkButtonCount; ++n) {
        const auto i = static_cast<std::size_t>(n - 1);
        if (policies.FixesButton(n)) settings.Visible[i] = own.Visible[i];
    }
}

}  // namespace vtb
