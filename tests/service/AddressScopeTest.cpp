#include "AddressScope.h"

#include <gtest/gtest.h>

namespace verinox::checkd {
namespace {

TEST(AddressScope, OnlyInternetAddressesArePublic) {
    for (const std::string address :
         {"8.8.8.8", "193.99.144.80", "172.32.0.1", "100.128.0.1", "2a00:1450:4001::1b"}) {
        EXPECT_TRUE(isPublicAddress(address)) << address;
    }
    for (const std::string address : {"10.1.2.3",
                                      "172.16.0.1",
                                      "172.31.255.255",
                                      "192.168.1.1",
                                      "127.0.0.1",
                                      "127.9.9.9",
                                      "169.254.169.254",
                                      "100.64.0.1",
                                      "0.0.0.0",
                                      "224.0.0.1",
                                      "255.255.255.255",
                                      "192.0.2.10",
                                      "::1",
                                      "::",
                                      "fe80::1",
                                      "fd00::1",
                                      "fc00::1",
                                      "ff02::1",
                                      "2001:db8::1",
                                      "::ffff:10.0.0.1",
                                      "::ffff:127.0.0.1",
                                      "not-an-address",
                                      ""}) {
        EXPECT_FALSE(isPublicAddress(address)) << address;
    }
}

}  // namespace
}  // namespace verinox::checkd
