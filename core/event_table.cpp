#include "core/event_table.h"

namespace vtb {

bool EventThrottle::Allow(EventKind kind, std::uint64_t nowMs) {
    if (kind < 0 || kind >= kEventKindCount) return false;
    std::optional<std::uint64_t>& last = last_[static_cast<std::size_t>(kind)];
    if (last && nowMs - *last < kPeriodMs) return false;
    last = nowMs;
    return true;
}

}  // namespace vtb
