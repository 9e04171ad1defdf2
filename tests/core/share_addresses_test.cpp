// The machine's addresses the settings dialog shows to other devices: only ones another
// device can reach, IPv4 first (the URLs made of them are checked with the dialog).

#include "core/ShareAddresses.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace tavelin {
namespace {

TEST(ShareAddressesTest, TheMachineAddressesAreReachableOnesIpv4First) {
    const std::vector<std::string> addresses = MachineAddresses();
    bool seenV6 = false;
    for (const std::string& address : addresses) {
        SCOPED_TRACE(address);
        EXPECT_EQ(std::count(addresses.begin(), addresses.end(), address), 1);
        in_addr v4{};
        in6_addr v6{};
        if (::inet_pton(AF_INET, address.c_str(), &v4) == 1) {
            EXPECT_FALSE(seenV6) << "IPv4 first";
            const std::uint32_t host = ntohl(v4.s_addr);
            EXPECT_NE(host >> 24, 127u);
            EXPECT_NE(host >> 16, 0xA9FEu);
        } else {
            ASSERT_EQ(::inet_pton(AF_INET6, address.c_str(), &v6), 1);
            seenV6 = true;
            EXPECT_FALSE(IN6_IS_ADDR_LOOPBACK(&v6));
            EXPECT_FALSE(IN6_IS_ADDR_LINKLOCAL(&v6));
        }
    }
}

}  // namespace
}  // namespace tavelin
