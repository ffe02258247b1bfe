#include "AddressScope.h"

#include <arpa/inet.h>

#include <array>
#include <cstdint>

namespace verinox::checkd {
namespace {

struct Range4 {
    std::uint32_t network;
    int prefix;
};

constexpr std::array<Range4, 12> kNonPublic4 = {{
    {0x00000000, 8},   // this network
    {0x0A000000, 8},   // private
    {0x64400000, 10},  // shared address space
    {0x7F000000, 8},   // loopback
    {0xA9FE0000, 16},  // link-local
    {0xAC100000, 12},  // private
    {0xC0000000, 24},  // protocol assignments
    {0xC0000200, 24},  // documentation
    {0xC0A80000, 16},  // private
    {0xC6120000, 15},  // benchmarking
    {0xE0000000, 4},   // multicast
    {0xF0000000, 4},   // reserved and broadcast
}};

bool isPublic4(std::uint32_t address) {
    for (const auto& range : kNonPublic4) {
        const std::uint32_t mask = ~std::uint32_t{0} << (32 - range.prefix);
        if ((address & mask) == range.network) {
            return false;
        }
    }
    return true;
}

bool isPublic6(const in6_addr& address) {
    const std::uint8_t* b = address.s6_addr;
    if (IN6_IS_ADDR_V4MAPPED(&address)) {
        return isPublic4(static_cast<std::uint32_t>(b[12]) << 24 | b[13] << 16 | b[14] << 8 |
                         b[15]);
    }
    return !(IN6_IS_ADDR_UNSPECIFIED(&address) || IN6_IS_ADDR_LOOPBACK(&address) ||
             IN6_IS_ADDR_LINKLOCAL(&address) || IN6_IS_ADDR_SITELOCAL(&address) ||
             IN6_IS_ADDR_MULTICAST(&address) || (b[0] & 0xFE) == 0xFC ||       // unique local
             (b[0] == 0x20 && b[1] == 0x01 && b[2] == 0x0D && b[3] == 0xB8));  // documentation
}

}  // namespace

bool isPublicAddress(const std::string& numericAddress) {
    in_addr v4{};
    if (inet_pton(AF_INET, numericAddress.c_str(), &v4) == 1) {
        return isPublic4(ntohl(v4.s_addr));
    }
    in6_addr v6{};
    if (inet_pton(AF_INET6, numericAddress.c_str(), &v6) == 1) {
        return isPublic6(v6);
    }
    return false;
}

}  // namespace verinox::checkd
