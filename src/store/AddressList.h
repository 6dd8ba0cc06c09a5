#pragma once
// A connection's extra destinations: IPv4 addresses written in dotted decimal and
// separated by blanks (or commas), as the user types them and connects.xml keeps them.

#include <string>
#include <vector>

#include "platform/Ipv4.h"

namespace vostrelle {

// The addresses in their order, each once. False at the first word that is not four
// decimal parts of 0..255, or that is 0.0.0.0 or 255.255.255.255 (neither can be sent
// to); then *bad (if given) holds that word and addresses holds the ones before it.
bool ParseAddressList(const std::string& text, std::vector<Ipv4>& addresses,
                      std::string* bad = nullptr);

// The addresses a text names, skipping the words that are not addresses.
std::vector<Ipv4> AddressesIn(const std::string& text);

// Dotted decimal, one blank between two.
std::string FormatAddressList(const std::vector<Ipv4>& addresses);

// True when sender is the extra address itself, or lies in the block a broadcast
// address closes: an address ending in n one bits stands for the 2^n addresses that
// share its other bits (10.1.2.255 for 10.1.2.0-255, 10.1.2.127 for 10.1.2.0-127).
bool ExtraAddressCovers(Ipv4 extra, Ipv4 sender);

}  // namespace vostrelle
