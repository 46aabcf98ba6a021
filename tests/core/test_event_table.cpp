#include "core/event_table.h"

#include <gtest/gtest.h>

namespace vtb {
namespace {

// One event of a kind per minute, each kind on its own clock.
TEST(EventThrottle, OneEventOfAKindPerMinute) {
    EventThrottle throttle;
    EXPECT_TRUE(throttle.Allow(kConfigurationFailed, 5));
    EXPECT_FALSE(throttle.Allow(kConfigurationFailed, 5 + EventThrottle::kPeriodMs - 1));
    EXPECT_TRUE(throttle.Allow(kFailureShown, 6));
    EXPECT_TRUE(throttle.Allow(kConfigurationFailed, 5 + EventThrottle::kPeriodMs));
    EXPECT_FALSE(throttle.Allow(kConfigurationFailed, 5 + EventThrottle::kPeriodMs + 1));
    // The first event at the clock's start counts as well.
    EventThrottle fresh;
    EXPECT_TRUE(fresh.Allow(kUpdateRefused, 0));
    EXPECT_FALSE(fresh.Allow(kUpdateRefused, 1));
}

}  // namespace
}  // namespace vtb
