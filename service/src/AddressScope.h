#pragma once

#include <optional>
#include <string>

namespace verinox::checkd {

// True for numeric IPv4/IPv6 addresses that a mail exchanger on the Internet can have; false for
// every range of IANA's special-purpose address registries (private, loopback, link-local,
// documentation, benchmarking, translation and tunnelling prefixes, ...), multicast, reserved
// space, and for non-addresses. An IPv4-mapped IPv6 address is judged by its IPv4 address.
// Keeps the service from being used to reach into the network it runs in.
bool isPublicAddress(const std::string& numericAddress);

// One spelling per host: IPv4-mapped IPv6 addresses become IPv4, IPv6 is compressed in lower
// case. Nullopt for text that is no numeric address.
std::optional<std::string> canonicalAddress(const std::string& numericAddress);

}  // namespace verinox::checkd
