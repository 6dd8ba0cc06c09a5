#pragma once
// The local IPv4 interfaces, as the room-address selection needs them.

#include <vector>

#include "Ipv4.h"

namespace vostrelle {

// Flag bits with the values the interface-selection rules are written for.
enum InterfaceFlag : unsigned {
  kIfUp = 1,
  kIfBroadcast = 2,
  kIfLoopback = 4,
};

struct InterfaceInfo {
  unsigned flags = 0;
  Ipv4 address = 0;
  Ipv4 broadcast = 0;
  Ipv4 netmask = 0;
};

// Appends up to maxEntries IPv4 interfaces in the order the system returns them.
// An interface that reports no broadcast address of its own (or its own address as
// the broadcast) gets address | ~netmask. False when the query failed.
bool QueryInterfaceList(std::vector<InterfaceInfo>& out, std::size_t maxEntries = 20);

// Reverse lookup of an address; false when no name is known.
bool LookupHostName(Ipv4 address, std::string& name);

}  // namespace vostrelle
