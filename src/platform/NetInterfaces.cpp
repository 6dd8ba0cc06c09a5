#include "NetInterfaces.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vostrelle {

namespace {
Ipv4 AddressOf(const sockaddr* sa) {
  if (!sa || sa->sa_family != AF_INET) return 0;
  return reinterpret_cast<const sockaddr_in*>(sa)->sin_addr.s_addr;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Read from /sys/class/net: present in every network namespace, no daemon needed.
InterfaceFacts ReadFacts(const std::string& name) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path base = fs::path("/sys/class/net") / name;
  InterfaceFacts facts;
  facts.hasDevice = fs::exists(base / "device", ec);
  facts.isBridge = fs::exists(base / "bridge", ec);
  if (facts.isBridge) {
    for (const auto& port : fs::directory_iterator(base / "brif", ec))
      if (fs::exists(fs::path("/sys/class/net") / port.path().filename() / "device", ec))
        facts.bridgeHasDevice = true;
  }
  facts.isTunnel = fs::exists(base / "tun_flags", ec);
  std::ifstream uevent(base / "uevent");
  std::string line;
  while (std::getline(uevent, line))
    if (line == "DEVTYPE=wireguard") facts.isTunnel = true;
  return facts;
}

std::string ReadRouteTable() {
  std::ifstream in("/proc/net/route");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

int KindRank(InterfaceKind kind) {
  switch (kind) {
    case InterfaceKind::kPhysical:
      return 1;
    case InterfaceKind::kOther:
      return 2;
    case InterfaceKind::kVpn:
      return 3;
    case InterfaceKind::kBridge:
      return 4;
    case InterfaceKind::kLoopback:
      return 5;
  }
  return 5;
}

int Rank(const InterfaceInfo& info) {
  if (info.kind == InterfaceKind::kLoopback) return KindRank(info.kind);
  return info.defaultRoute ? 0 : KindRank(info.kind);
}
}  // namespace

InterfaceKind ClassifyInterface(std::string_view name, unsigned flags, Ipv4 address,
                                const InterfaceFacts& facts) {
  // 127.0.0.0/8 in network byte order: the first byte is the lowest.
  if ((flags & kIfLoopback) || (address & 0xFFu) == 127) return InterfaceKind::kLoopback;
  if (facts.hasDevice) return InterfaceKind::kPhysical;
  if (facts.isTunnel || StartsWith(name, "tun") || StartsWith(name, "wg"))
    return InterfaceKind::kVpn;
  // A bridge with a card among its ports is how many machines reach their real LAN.
  if (facts.isBridge && facts.bridgeHasDevice) return InterfaceKind::kOther;
  if (facts.isBridge || StartsWith(name, "virbr") || StartsWith(name, "docker") ||
      StartsWith(name, "br-") || StartsWith(name, "veth") || StartsWith(name, "vnet") ||
      StartsWith(name, "lxcbr") || StartsWith(name, "podman") || StartsWith(name, "cni"))
    return InterfaceKind::kBridge;
  return InterfaceKind::kOther;
}

std::vector<std::string> DefaultRouteInterfaces(std::string_view routeTable) {
  // Columns: Iface Destination Gateway Flags RefCnt Use Metric Mask ...; hexadecimal.
  std::vector<std::string> names;
  std::istringstream in{std::string(routeTable)};
  std::string line;
  std::getline(in, line);  // the title line
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string iface, destination, gateway, flags, refcnt, use, metric, mask;
    if (!(fields >> iface >> destination >> gateway >> flags >> refcnt >> use >> metric >> mask))
      continue;
    const unsigned long up = std::strtoul(flags.c_str(), nullptr, 16) & 1u;  // RTF_UP
    if (up && std::strtoul(destination.c_str(), nullptr, 16) == 0 &&
        std::strtoul(mask.c_str(), nullptr, 16) == 0 &&
        std::find(names.begin(), names.end(), iface) == names.end())
      names.push_back(iface);
  }
  return names;
}

std::vector<int> RankInterfaces(const std::vector<InterfaceInfo>& interfaces,
                                std::vector<int> indices) {
  std::erase_if(indices,
                [&](int i) { return i < 0 || static_cast<std::size_t>(i) >= interfaces.size(); });
  std::stable_sort(indices.begin(), indices.end(), [&](int a, int b) {
    return Rank(interfaces[static_cast<std::size_t>(a)]) <
           Rank(interfaces[static_cast<std::size_t>(b)]);
  });
  return indices;
}

int LikelyInterface(const std::vector<InterfaceInfo>& interfaces, const std::vector<int>& ranked) {
  if (ranked.empty()) return -1;
  const InterfaceInfo& first = interfaces[static_cast<std::size_t>(ranked.front())];
  if (first.kind != InterfaceKind::kLoopback &&
      (first.defaultRoute || first.kind == InterfaceKind::kPhysical))
    return ranked.front();
  return ranked.size() == 1 ? ranked.front() : -1;
}

bool QueryInterfaceList(std::vector<InterfaceInfo>& out, std::size_t maxEntries) {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  const std::vector<std::string> routed = DefaultRouteInterfaces(ReadRouteTable());
  std::size_t taken = 0;
  for (ifaddrs* ifa = list; ifa && taken < maxEntries; ifa = ifa->ifa_next) {
    if (!ifa->ifa_addr || ifa->ifa_addr->sa_family != AF_INET) continue;
    InterfaceInfo info;
    if (ifa->ifa_flags & IFF_UP) info.flags |= kIfUp;
    if (ifa->ifa_flags & IFF_BROADCAST) info.flags |= kIfBroadcast;
    if (ifa->ifa_flags & IFF_LOOPBACK) info.flags |= kIfLoopback;
    info.address = AddressOf(ifa->ifa_addr);
    info.netmask = AddressOf(ifa->ifa_netmask);
    info.broadcast = (ifa->ifa_flags & IFF_BROADCAST) ? AddressOf(ifa->ifa_broadaddr) : 0;
    if (info.broadcast == 0 || info.broadcast == info.address)
      info.broadcast = info.address | ~info.netmask;
    info.name = ifa->ifa_name ? ifa->ifa_name : "";
    info.kind = ClassifyInterface(info.name, info.flags, info.address, ReadFacts(info.name));
    info.defaultRoute = std::find(routed.begin(), routed.end(), info.name) != routed.end();
    out.push_back(std::move(info));
    ++taken;
  }
  freeifaddrs(list);
  return true;
}

bool LookupHostName(Ipv4 address, std::string& name) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = address;
  char host[NI_MAXHOST];
  if (getnameinfo(reinterpret_cast<sockaddr*>(&sa), sizeof sa, host, sizeof host, nullptr, 0,
                  NI_NAMEREQD) != 0)
    return false;
  name = host;
  return true;
}

}  // namespace vostrelle
