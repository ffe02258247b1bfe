#pragma once

#include <string>

namespace verinox::checkd {

// True for numeric IPv4/IPv6 addresses that a mail exchanger on the Internet can have; false for
// private, loopback, link-local, unspecified, multicast and reserved ranges, and for non-addresses.
// Keeps the service from being used to reach into the network it runs in.
bool isPublicAddress(const std::string& numericAddress);

}  // namespace verinox::checkd
