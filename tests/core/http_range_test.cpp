// The byte range a player asks of a recording: what is served for every shape of header.

#include "core/HttpRange.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace tavelin {
namespace {

struct RangeCase {
    std::string header;
    std::uint64_t size;
    RangeAnswer answer;
    std::uint64_t first = 0;  // Partial only
    std::uint64_t last = 0;
};

void PrintTo(const RangeCase& c, std::ostream* os) {
    *os << "\"" << c.header << "\" of " << c.size;
}

class RangeTest : public ::testing::TestWithParam<RangeCase> {};

TEST_P(RangeTest, Answers) {
    const RangeCase& c = GetParam();
    ByteRange range{7, 7};
    EXPECT_EQ(ParseRange(c.header, c.size, range), c.answer);
    if (c.answer == RangeAnswer::Partial) {
        EXPECT_EQ(range.first, c.first);
        EXPECT_EQ(range.last, c.last);
    }
}

constexpr auto W = RangeAnswer::Whole;
constexpr auto P = RangeAnswer::Partial;
constexpr auto U = RangeAnswer::Unsatisfiable;

INSTANTIATE_TEST_SUITE_P(
    Headers, RangeTest,
    ::testing::Values(
        // None, and the three shapes.
        RangeCase{"", 1000, W}, RangeCase{"bytes=0-99", 1000, P, 0, 99},
        RangeCase{"bytes=0-0", 1000, P, 0, 0}, RangeCase{"bytes=500-", 1000, P, 500, 999},
        RangeCase{"bytes=0-", 1000, P, 0, 999}, RangeCase{"bytes=-100", 1000, P, 900, 999},
        RangeCase{"bytes=999-999", 1000, P, 999, 999}, RangeCase{"Bytes=1-2", 1000, P, 1, 2},
        RangeCase{" bytes=1-2 ", 1000, P, 1, 2},
        // Clamped to the size.
        RangeCase{"bytes=900-5000", 1000, P, 900, 999}, RangeCase{"bytes=-5000", 1000, P, 0, 999},
        RangeCase{"bytes=0-99999999999999999999999", 1000, P, 0, 999},
        RangeCase{"bytes=-99999999999999999999999", 1000, P, 0, 999},
        RangeCase{"bytes=0-18446744073709551615", 1000, P, 0, 999},
        // Past the end.
        RangeCase{"bytes=1000-", 1000, U}, RangeCase{"bytes=1000-2000", 1000, U},
        RangeCase{"bytes=99999999999999999999999-", 1000, U}, RangeCase{"bytes=-0", 1000, U},
        // Malformed or not one range: the whole file.
        RangeCase{"bytes=", 1000, W}, RangeCase{"bytes=-", 1000, W},
        RangeCase{"bytes=abc", 1000, W}, RangeCase{"bytes=5", 1000, W},
        RangeCase{"bytes=9-5", 1000, W}, RangeCase{"bytes=1-2-3", 1000, W},
        RangeCase{"bytes=--5", 1000, W}, RangeCase{"bytes=+1-2", 1000, W},
        RangeCase{"bytes=1 -2", 1000, W}, RangeCase{"bytes=0x10-20", 1000, W},
        RangeCase{"bytes=1-2,5-6", 1000, W}, RangeCase{"bytes=1-2,", 1000, W},
        RangeCase{"items=1-2", 1000, W}, RangeCase{"bytes 1-2", 1000, W},
        RangeCase{"bytes=0-" + std::string(300, '9'), 1000, W},
        RangeCase{std::string("bytes=1-2\0", 10), 1000, W},
        // An empty file has no byte to give.
        RangeCase{"", 0, W}, RangeCase{"bytes=0-", 0, U}, RangeCase{"bytes=0-0", 0, U},
        RangeCase{"bytes=-0", 0, U}, RangeCase{"bytes=-10", 0, W}));

}  // namespace
}  // namespace tavelin
