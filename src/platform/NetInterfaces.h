#pragma once
// The local IPv4 interfaces, as the room-address selection needs them.

#include <string>
#include <string_view>
#include <vector>

#include "Ipv4.h"

namespace vostrelle {

// Flag bits with the values the interface-selection rules are written for.
enum InterfaceFlag : unsigned {
  kIfUp = 1,
  kIfBroadcast = 2,
  kIfLoopback = 4,
};

// What an interface leads to, as far as the system tells: a room is best on the
// network a physical card (or the default route) reaches, rarely on a bridge that
// only virtual machines or containers sit on.
enum class InterfaceKind {
  kOther,     // nothing known against it (a VLAN, a bond, a bridge over a real card)
  kPhysical,  // backed by a device
  kBridge,    // a virtual bridge or a container's link (virbr0, docker0, br-*, veth*)
  kVpn,       // a tunnel (tun, WireGuard)
  kLoopback,  // reaches this machine only
};

struct InterfaceInfo {
  unsigned flags = 0;
  Ipv4 address = 0;
  Ipv4 broadcast = 0;
  Ipv4 netmask = 0;
  std::string name;  // the system's interface name, e.g. "wlan0"
  InterfaceKind kind = InterfaceKind::kOther;
  bool defaultRoute = false;  // the IPv4 default route leaves through it
};

// What the system's device tree says about one interface.
struct InterfaceFacts {
  bool hasDevice = false;        // a device (a card) stands behind it
  bool isBridge = false;         // it is a bridge
  bool bridgeHasDevice = false;  // ... with a port that is a card
  bool isTunnel = false;         // tun/tap or WireGuard
};

InterfaceKind ClassifyInterface(std::string_view name, unsigned flags, Ipv4 address,
                                const InterfaceFacts& facts);

// The names of the interfaces that carry an IPv4 default route, from the text of the
// kernel's routing table (/proc/net/route).
std::vector<std::string> DefaultRouteInterfaces(std::string_view routeTable);

// The given interface indices, the likeliest network for a room first: the default
// route's, then physical ones, others, tunnels, virtual bridges, loopback; the query
// order within each.
std::vector<int> RankInterfaces(const std::vector<InterfaceInfo>& interfaces,
                                std::vector<int> indices);
// The index to propose without asking: the first of the ranked ones when it carries
// the default route or is a physical card, else the only one; -1 when the user must
// choose (or there is none).
int LikelyInterface(const std::vector<InterfaceInfo>& interfaces, const std::vector<int>& ranked);

// Appends up to maxEntries IPv4 interfaces in the order the system returns them.
// An interface that reports no broadcast address of its own (or its own address as
// the broadcast) gets address | ~netmask. Each entry is named and classified, and
// marked when the default route leaves through it. False when the query failed.
bool QueryInterfaceList(std::vector<InterfaceInfo>& out, std::size_t maxEntries = 20);

// Reverse lookup of an address; false when no name is known.
bool LookupHostName(Ipv4 address, std::string& name);

}  // namespace vostrelle
