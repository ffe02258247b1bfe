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

// IANA's IPv4 special-purpose registry, multicast and the reserved block. Ranges the registry
// calls globally reachable (AS112, AMT, anycast relays) are refused too: no mail exchanger lives
// there.
constexpr std::array<Range4, 19> kSpecial4 = {{
    {0x00000000, 8},   // this network
    {0x0A000000, 8},   // private
    {0x64400000, 10},  // shared address space
    {0x7F000000, 8},   // loopback
    {0xA9FE0000, 16},  // link-local
    {0xAC100000, 12},  // private
    {0xC0000000, 24},  // protocol assignments
    {0xC0000200, 24},  // documentation (TEST-NET-1)
    {0xC01FC400, 24},  // AS112-v4
    {0xC034C100, 24},  // AMT
    {0xC0586300, 24},  // 6to4 relay anycast
    {0xC0A80000, 16},  // private
    {0xC0AF3000, 24},  // direct delegation AS112
    {0xC6120000, 15},  // benchmarking
    {0xC6336400, 24},  // documentation (TEST-NET-2)
    {0xCB007100, 24},  // documentation (TEST-NET-3)
    {0xE0000000, 4},   // multicast
    {0xF0000000, 4},   // reserved
    {0xFFFFFFFF, 32},  // limited broadcast
}};

struct Range6 {
    std::array<std::uint8_t, 16> network;
    int prefix;
};

// Inside global unicast (2000::/3): the special-purpose blocks. Everything outside 2000::/3 is
// refused as a whole (loopback, unspecified, IPv4-compatible ::/96, NAT64 64:ff9b::/96 and
// 64:ff9b:1::/48, discard 100::/64, unique local, link- and site-local, multicast), apart from
// IPv4-mapped addresses, which are the IPv4 host itself.
constexpr std::array<Range6, 6> kSpecial6 = {{
    {{0x20, 0x01}, 23},                          // IETF protocol assignments, Teredo
    {{0x20, 0x01, 0x0d, 0xb8}, 32},              // documentation
    {{0x20, 0x02}, 16},                          // 6to4
    {{0x26, 0x20, 0x00, 0x4f, 0x80, 0x00}, 48},  // direct delegation AS112
    {{0x3f, 0xff}, 20},                          // documentation
    {{0x5f, 0x00}, 16},                          // segment routing
}};

bool isPublic4(std::uint32_t address) {
    for (const auto& range : kSpecial4) {
        const std::uint32_t mask = range.prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - range.prefix);
        if ((address & mask) == range.network) {
            return false;
        }
    }
    return true;
}

bool inRange(const in6_addr& address, const Range6& range) {
    for (int bit = 0; bit < range.prefix; bit += 8) {
        const int bits = std::min(8, range.prefix - bit);
        const auto mask = static_cast<std::uint8_t>(0xFF << (8 - bits));
        if ((address.s6_addr[bit / 8] & mask) != (range.network[bit / 8] & mask)) {
            return false;
        }
    }
    return true;
}

std::uint32_t embeddedIpv4(const in6_addr& address) {
    const std::uint8_t* b = address.s6_addr;
    return static_cast<std::uint32_t>(b[12]) << 24 | static_cast<std::uint32_t>(b[13]) << 16 |
           static_cast<std::uint32_t>(b[14]) << 8 | b[15];
}

bool isPublic6(const in6_addr& address) {
    if (IN6_IS_ADDR_V4MAPPED(&address)) {
        return isPublic4(embeddedIpv4(address));
    }
    if ((address.s6_addr[0] & 0xE0) != 0x20) {
        return false;
    }
    for (const auto& range : kSpecial6) {
        if (inRange(address, range)) {
            return false;
        }
    }
    return true;
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

std::optional<std::string> canonicalAddress(const std::string& numericAddress) {
    char text[INET6_ADDRSTRLEN];
    in_addr v4{};
    if (inet_pton(AF_INET, numericAddress.c_str(), &v4) == 1) {
        return inet_ntop(AF_INET, &v4, text, sizeof text);
    }
    in6_addr v6{};
    if (inet_pton(AF_INET6, numericAddress.c_str(), &v6) != 1) {
        return std::nullopt;
    }
    if (IN6_IS_ADDR_V4MAPPED(&v6)) {
        v4.s_addr = htonl(embeddedIpv4(v6));
        return inet_ntop(AF_INET, &v4, text, sizeof text);
    }
    return inet_ntop(AF_INET6, &v6, text, sizeof text);
}

}  // namespace verinox::checkd
