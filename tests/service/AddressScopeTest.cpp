#include "AddressScope.h"

#include <gtest/gtest.h>

namespace verinox::checkd {
namespace {

TEST(AddressScope, OnlyInternetAddressesArePublic) {
    for (const std::string address :
         {"8.8.8.8", "193.99.144.80", "172.32.0.1", "100.128.0.1", "198.51.99.1", "203.0.114.1",
          "2a00:1450:4001::1b", "2001:4860::1", "::ffff:8.8.8.8"}) {
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
                                      "240.1.2.3",
                                      "192.0.0.9",
                                      "192.0.2.10",
                                      "198.51.100.7",
                                      "203.0.113.200",
                                      "198.18.0.1",
                                      "192.88.99.1",
                                      "192.31.196.1",
                                      "192.175.48.1",
                                      "::1",
                                      "::",
                                      "::7f00:1",
                                      "::8.8.8.8",
                                      "fe80::1",
                                      "fec0::1",
                                      "fd00::1",
                                      "fc00::1",
                                      "ff02::1",
                                      "2001:db8::1",
                                      "3fff::1",
                                      "64:ff9b::7f00:1",
                                      "64:ff9b::808:808",
                                      "64:ff9b:1::1",
                                      "2002:7f00:1::1",
                                      "2002:808:808::1",
                                      "2001::1",
                                      "2001:0:4136:e378:8000:63bf:3fff:fdd2",
                                      "2001:2::1",
                                      "2001:10::1",
                                      "100::1",
                                      "5f00::1",
                                      "2620:4f:8000::1",
                                      "::ffff:10.0.0.1",
                                      "::ffff:127.0.0.1",
                                      "::ffff:0:127.0.0.1",
                                      "not-an-address",
                                      ""}) {
        EXPECT_FALSE(isPublicAddress(address)) << address;
    }
}

TEST(AddressScope, CanonicalAddressIsOneSpellingPerHost) {
    EXPECT_EQ(canonicalAddress("127.0.0.3"), "127.0.0.3");
    EXPECT_EQ(canonicalAddress("::ffff:127.0.0.3"), "127.0.0.3");
    EXPECT_EQ(canonicalAddress("::FFFF:7f00:3"), "127.0.0.3");
    EXPECT_EQ(canonicalAddress("2001:DB8:0:0::1"), "2001:db8::1");
    EXPECT_EQ(canonicalAddress("h3.test"), std::nullopt);
}

}  // namespace
}  // namespace verinox::checkd
