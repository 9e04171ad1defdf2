// Wrong passwords from one address: what a run of them costs, what ends it, and that the
// table of addresses stays bounded.

#include "core/AuthThrottle.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace tavelin {
namespace {

using namespace std::chrono_literals;
using Clock = CAuthThrottle::Clock;

struct ThrottleCase {
    const char* what;
    // F: a failure, S: a success, w: 14 quiet minutes, W: 15 quiet minutes.
    const char* script;
    int failuresInARow;  // what the last failure returned
    std::chrono::milliseconds delay;
};

void PrintTo(const ThrottleCase& c, std::ostream* os) {
    *os << c.what;
}

class ThrottleTest : public ::testing::TestWithParam<ThrottleCase> {};

TEST_P(ThrottleTest, HoldsBackAsTheRunGoes) {
    CAuthThrottle throttle;
    Clock::time_point now{};
    int inARow = 0;
    for (const char* step = GetParam().script; *step != '\0'; ++step) {
        switch (*step) {
            case 'F':
                inARow = throttle.Failed("192.0.2.7", now);
                break;
            case 'S':
                throttle.Succeeded("192.0.2.7");
                break;
            case 'w':
                now += 14min;
                break;
            case 'W':
                now += 15min;
                break;
        }
        now += 1s;
    }
    EXPECT_EQ(inARow, GetParam().failuresInARow);
    EXPECT_EQ(throttle.Delay("192.0.2.7", now), GetParam().delay);
    EXPECT_EQ(throttle.Delay("192.0.2.8", now), 0ms);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ThrottleTest,
    ::testing::Values(ThrottleCase{"nothing yet", "", 0, 0ms}, ThrottleCase{"one", "F", 1, 0ms},
                      ThrottleCase{"the free ones", "FFF", 3, 0ms},
                      ThrottleCase{"one past them", "FFFF", 4, 1000ms},
                      ThrottleCase{"doubling", "FFFFF", 5, 2000ms},
                      ThrottleCase{"doubling again", "FFFFFFFF", 8, 16000ms},
                      ThrottleCase{"at the limit", "FFFFFFFFF", 9, 30000ms},
                      ThrottleCase{"long past the limit",
                                   "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF", 40, 30000ms},
                      ThrottleCase{"a success ends the run", "FFFFFFS", 6, 0ms},
                      ThrottleCase{"a new run after a success", "FFFFFFSFFFF", 4, 1000ms},
                      ThrottleCase{"quiet a while, still held", "FFFFFw", 5, 2000ms},
                      ThrottleCase{"quiet long enough, forgotten", "FFFFFW", 5, 0ms},
                      ThrottleCase{"a failure after the quiet counts afresh", "FFFFFWF", 1, 0ms},
                      ThrottleCase{"slow guessing never adds up", "FWFWFWFWFWF", 1, 0ms}));

TEST(ThrottleBoundTest, ForgetsTheAddressIdleLongestWhenFull) {
    CAuthThrottle throttle;
    Clock::time_point now{};
    const auto address = [](std::size_t i) { return "198.51.100." + std::to_string(i); };
    for (std::size_t i = 0; i < CAuthThrottle::kMostAddresses; ++i) {
        for (int f = 0; f <= CAuthThrottle::kFreeFailures; ++f)
            throttle.Failed(address(i), now += 1ms);
    }
    ASSERT_EQ(throttle.size(), CAuthThrottle::kMostAddresses);
    // The first is busy again; the second is now the one idle longest.
    throttle.Failed(address(0), now += 1ms);
    throttle.Failed("203.0.113.1", now += 1ms);

    EXPECT_EQ(throttle.size(), CAuthThrottle::kMostAddresses);
    EXPECT_EQ(throttle.Delay(address(1), now), 0ms);
    EXPECT_EQ(throttle.Delay(address(0), now), 2000ms);
    EXPECT_EQ(throttle.Delay(address(2), now), 1000ms);
    EXPECT_EQ(throttle.Delay(address(CAuthThrottle::kMostAddresses - 1), now), 1000ms);
}

}  // namespace
}  // namespace tavelin
