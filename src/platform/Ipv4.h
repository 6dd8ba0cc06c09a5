#pragma once
// IPv4 addresses are 32-bit values in network byte order throughout the program.

#include <cstdint>
#include <string>

namespace vostrelle {

using Ipv4 = std::uint32_t;  // network byte order

constexpr Ipv4 kInaddrNone = 0xFFFFFFFFu;

// inet_addr semantics: octal and hex parts, short forms; an unparsable text (and
// "255.255.255.255") gives kInaddrNone.
Ipv4 InetAddr(const std::string& text);

// Dotted decimal, four parts.
std::string InetNtoa(Ipv4 address);

}  // namespace vostrelle
