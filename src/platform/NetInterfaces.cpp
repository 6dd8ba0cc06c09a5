#include "NetInterfaces.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace vostrelle {

namespace {
Ipv4 AddressOf(const sockaddr* sa) {
  if (!sa || sa->sa_family != AF_INET) return 0;
  return reinterpret_cast<const sockaddr_in*>(sa)->sin_addr.s_addr;
}
}  // namespace

bool QueryInterfaceList(std::vector<InterfaceInfo>& out, std::size_t maxEntries) {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
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
    out.push_back(info);
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
