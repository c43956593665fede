#include "seams/clock.h"

#include <chrono>

#include <gtest/gtest.h>

namespace kalore {
namespace {

// Qt and the timers read the precise clock. Across second boundaries, where a coarse clock
// still shows the previous second, "now" must never lag behind a time read just before it.
TEST(SystemClock, NeverLagsBehindThePreciseClockAcrossSecondBoundaries) {
    using std::chrono::system_clock;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(2100);
    long long samples = 0;
    while (std::chrono::steady_clock::now() < until) {
        const std::time_t before = system_clock::to_time_t(system_clock::now());
        const std::time_t now = SystemTimeNow();
        ASSERT_GE(now, before) << "after " << samples << " samples";
        ++samples;
    }
    EXPECT_GT(samples, 1000);
}

} // namespace
} // namespace kalore
