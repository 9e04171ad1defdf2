#include "core/StorageLimits.h"

#include <gtest/gtest.h>

#include <limits>

namespace tavelin {
namespace {

TEST(StorageLimitsText, SizesTakeTheLargestUnitUnder1024AndTheSummaryNamesThem) {
    struct Case {
        std::uint64_t bytes;
        const char* text;
    };
    for (const Case& c : {
             Case{0, "0 bytes"},
             Case{1, "1 byte"},
             Case{1023, "1023 bytes"},
             Case{1024, "1.0 KB"},
             Case{1048524, "1023.9 KB"},  // 1023.949 KB
             Case{1048525, "1.0 MB"},     // 1023.950 KB would round up to "1024.0 KB"
             Case{13207024435, "12.3 GB"},
             Case{std::numeric_limits<std::uint64_t>::max(), "16384.0 PB"},
         }) {
        EXPECT_EQ(ByteCountText(c.bytes), c.text) << c.bytes;
    }
    EXPECT_EQ(StorageSummaryText({}), "");
    EXPECT_EQ(StorageSummaryText({true, 1, 17, 0}), "1 recording, 17 bytes; 0 bytes free");
    EXPECT_EQ(StorageSummaryText({true, 143, 13207024435, 48425779200}),
              "143 recordings, 12.3 GB; 45.1 GB free");
}

}  // namespace
}  // namespace tavelin
