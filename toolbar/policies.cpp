#include "toolbar/policies.h"

#include <windows.h>

#include <string>

#include "win/event_log.h"
#include "win/handles.h"

namespace vtb {
namespace {

// Longer texts are no value the toolbar has a use for.
constexpr DWORD kMaxTextBytes = 4096;

// One value as the registry holds it; none when it is missing or of a type
// no policy takes (REG_DWORD and REG_SZ only).
std::optional<PolicyValue> ReadValue(HKEY key, const char* name) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD number = 0;
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&number), &size) != ERROR_SUCCESS ||
            type != REG_DWORD)
            return std::nullopt;
        return PolicyValue{PolicyType::Number, number, {}};
    }
    if (type != REG_SZ || size > kMaxTextBytes) return std::nullopt;
    // The string keeps one more past its end, for a terminator the value may lack.
    std::string text(size, '\0');
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS ||
        type != REG_SZ || size > text.size())
        return std::nullopt;
    return PolicyValue{PolicyType::Text, 0, std::string(text.c_str())};
}

PolicyValues ReadHive(HKEY root) {
    PolicyValues values{};
    HKEY opened = nullptr;
    // Policies are written to the 64-bit view; a 32-bit DLL asks for it.
    if (RegOpenKeyExA(root, kPolicyKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &opened) != ERROR_SUCCESS) return values;
    const UniqueKey key(opened);
    for (std::size_t i = 0; i < kPolicyTable.size(); ++i) values[i] = ReadValue(key.get(), kPolicyTable[i].ValueName);
    return values;
}

}  // namespace

PolicyHives ReadPolicyHives() { return {ReadHive(HKEY_LOCAL_MACHINE), ReadHive(HKEY_CURRENT_USER)}; }

void ReportPoliciesOnce(const PolicyHives& read, bool methodMatched) {
    // Said once something is to be said: a policy set later in the
    // process's life is heard of too.
    static volatile LONG reported = 0;
    if (reported) return;
    const PolicyReport report = DescribePolicies(read.Machine, read.User, methodMatched);
    if ((report.InForce.empty() && report.Ignored.empty()) || InterlockedExchange(&reported, 1) != 0) return;
    if (!report.InForce.empty()) LogEvent(kPoliciesInForce, {report.InForce.c_str()});
    if (!report.Ignored.empty()) LogEvent(kPoliciesIgnored, {report.Ignored.c_str()});
}

}  // namespace vtb
