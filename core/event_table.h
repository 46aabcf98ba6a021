// The events the toolbar reports to the system's Application log: one
// source, one id and one type per kind. The message file
// (resources/events.mc) gives each id its text; docs/deployment.md lists
// them, and a test holds both against this table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace vtb {

// The event source, as the packages register it.
inline constexpr char kEventSourceName[] = "Veltrane ToolBar";

enum class EventType { Error, Warning, Information };

enum EventKind {
    kConfigurationFailed,  // file, line (0: the file as a whole), message
    kSettingsNotWritten,   // file, reason
    kUpdateDownloaded,     // address, the copy written
    kUpdateRefused,        // address, reason
    kCopySetAside,         // the copy, the name it was set aside under
    kPoliciesInForce,      // the policies and their values
    kPoliciesIgnored,      // the values ignored, and why
    kFailureShown,         // the text of an error box
    kEventKindCount
};

struct EventDefinition {
    std::uint32_t Id;
    EventType Type;
    std::uint16_t Strings;  // how many insertion strings its message takes
};

inline constexpr std::array<EventDefinition, kEventKindCount> kEventTable{{
    {1001, EventType::Error, 3},
    {1002, EventType::Error, 2},
    {1003, EventType::Information, 2},
    {1004, EventType::Warning, 2},
    {1005, EventType::Information, 2},
    {1006, EventType::Information, 1},
    {1007, EventType::Warning, 1},
    {1008, EventType::Error, 1},
}};

// At most one event of a kind per minute: a toolbar that fails alike in
// every browser window must not flood the log an administrator collects.
class EventThrottle {
public:
    static constexpr std::uint64_t kPeriodMs = 60000;

    // Whether an event of the kind may go out at nowMs (a clock that only
    // goes forward); it then counts as the kind's last.
    bool Allow(EventKind kind, std::uint64_t nowMs);

private:
    std::array<std::optional<std::uint64_t>, kEventKindCount> last_{};
};

}  // namespace vtb
