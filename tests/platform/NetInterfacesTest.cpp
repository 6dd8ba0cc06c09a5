// Which local network a new room is proposed on: classification, the default route
// read from the routing table, and the ranking, all from tables (no query here).

#include <gtest/gtest.h>

#include "platform/Ipv4.h"
#include "platform/NetInterfaces.h"

using namespace vostrelle;

namespace {

InterfaceInfo Entry(const char* name, const char* address, InterfaceKind kind,
                    bool defaultRoute = false) {
  InterfaceInfo info;
  info.flags = kIfUp | kIfBroadcast;
  info.name = name;
  info.address = InetAddr(address);
  info.netmask = InetAddr("255.255.255.0");
  info.broadcast = info.address | ~info.netmask;
  info.kind = kind;
  info.defaultRoute = defaultRoute;
  return info;
}

std::vector<std::string> Names(const std::vector<InterfaceInfo>& table,
                               const std::vector<int>& order) {
  std::vector<std::string> names;
  for (int i : order) names.push_back(table[static_cast<std::size_t>(i)].name);
  return names;
}

}  // namespace

TEST(NetInterfaces, ClassifiesFromTheDeviceTreeAndTheName) {
  const Ipv4 lan = InetAddr("192.168.1.20");
  InterfaceFacts card;
  card.hasDevice = true;
  EXPECT_EQ(ClassifyInterface("wlan0", kIfUp | kIfBroadcast, lan, card), InterfaceKind::kPhysical);
  EXPECT_EQ(ClassifyInterface("lo", kIfUp | kIfLoopback, InetAddr("127.0.0.1"), {}),
            InterfaceKind::kLoopback);
  // Not flagged loopback, but 127/8 reaches this machine only.
  EXPECT_EQ(ClassifyInterface("dummy0", kIfUp | kIfBroadcast, InetAddr("127.1.2.3"), {}),
            InterfaceKind::kLoopback);
  InterfaceFacts bridge;
  bridge.isBridge = true;
  EXPECT_EQ(ClassifyInterface("virbr0", kIfUp | kIfBroadcast, lan, bridge), InterfaceKind::kBridge);
  EXPECT_EQ(ClassifyInterface("lan", kIfUp | kIfBroadcast, lan, bridge), InterfaceKind::kBridge);
  // A bridge over a card is the machine's real LAN.
  bridge.bridgeHasDevice = true;
  EXPECT_EQ(ClassifyInterface("br0", kIfUp | kIfBroadcast, lan, bridge), InterfaceKind::kOther);
  for (const char* name : {"docker0", "br-1a2b3c", "veth12ab", "virbr1"})
    EXPECT_EQ(ClassifyInterface(name, kIfUp | kIfBroadcast, lan, {}), InterfaceKind::kBridge)
        << name;
  InterfaceFacts tunnel;
  tunnel.isTunnel = true;
  EXPECT_EQ(ClassifyInterface("office", kIfUp, lan, tunnel), InterfaceKind::kVpn);
  EXPECT_EQ(ClassifyInterface("wg0", kIfUp, lan, {}), InterfaceKind::kVpn);
  EXPECT_EQ(ClassifyInterface("tun0", kIfUp, lan, {}), InterfaceKind::kVpn);
  // A VLAN or a bond has no device of its own but may well be the LAN.
  EXPECT_EQ(ClassifyInterface("eth0.10", kIfUp | kIfBroadcast, lan, {}), InterfaceKind::kOther);
}

TEST(NetInterfaces, DefaultRouteComesFromTheRoutingTable) {
  const char table[] =
      "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
      "virbr0\t007AA8C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
      "wlan0\t00000000\t0101A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
      "wlan0\t0001A8C0\t00000000\t0001\t0\t0\t600\t00FFFFFF\t0\t0\t0\n"
      "eth9\t00000000\t0101A8C0\t0002\t0\t0\t100\t00000000\t0\t0\t0\n"  // not up
      "broken line\n";
  EXPECT_EQ(DefaultRouteInterfaces(table), std::vector<std::string>{"wlan0"});
  EXPECT_TRUE(DefaultRouteInterfaces("").empty());
  EXPECT_TRUE(DefaultRouteInterfaces("Iface\tDestination\n").empty());
}

TEST(NetInterfaces, RanksTheDefaultRouteFirstAndBridgesLast) {
  // In the order a machine with virtual machines, containers and a VPN lists them.
  const std::vector<InterfaceInfo> table = {
      Entry("lo", "127.0.0.1", InterfaceKind::kLoopback),
      Entry("virbr0", "192.168.122.1", InterfaceKind::kBridge),
      Entry("docker0", "172.17.0.1", InterfaceKind::kBridge),
      Entry("tun0", "10.8.0.2", InterfaceKind::kVpn),
      Entry("eth1", "10.0.5.3", InterfaceKind::kPhysical),
      Entry("wlan0", "192.168.1.20", InterfaceKind::kPhysical, true),
  };
  const std::vector<int> ranked = RankInterfaces(table, {0, 1, 2, 3, 4, 5});
  EXPECT_EQ(Names(table, ranked),
            (std::vector<std::string>{"wlan0", "eth1", "tun0", "virbr0", "docker0", "lo"}));
  EXPECT_EQ(LikelyInterface(table, ranked), 5);
  // Only the given indices are ranked; stray ones are dropped.
  EXPECT_EQ(Names(table, RankInterfaces(table, {2, 1, 9, -1})),
            (std::vector<std::string>{"docker0", "virbr0"}));
}

TEST(NetInterfaces, ProposesOnlyALikelyNetwork) {
  std::vector<InterfaceInfo> table = {
      Entry("virbr0", "192.168.122.1", InterfaceKind::kBridge),
      Entry("eth0", "192.168.1.20", InterfaceKind::kPhysical),
  };
  // No default route: the first card that is up.
  EXPECT_EQ(LikelyInterface(table, RankInterfaces(table, {0, 1})), 1);
  // A bridge carrying the default route (a card bridged for virtual machines) wins.
  table[0].defaultRoute = true;
  EXPECT_EQ(LikelyInterface(table, RankInterfaces(table, {0, 1})), 0);
  // Only unlikely ones: the user chooses; a single one is taken as it is.
  const std::vector<InterfaceInfo> virtualOnly = {
      Entry("virbr0", "192.168.122.1", InterfaceKind::kBridge),
      Entry("docker0", "172.17.0.1", InterfaceKind::kBridge),
  };
  EXPECT_EQ(LikelyInterface(virtualOnly, RankInterfaces(virtualOnly, {0, 1})), -1);
  EXPECT_EQ(LikelyInterface(virtualOnly, RankInterfaces(virtualOnly, {1})), 1);
  EXPECT_EQ(LikelyInterface(virtualOnly, {}), -1);
}
