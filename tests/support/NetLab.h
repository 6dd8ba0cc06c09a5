#pragma once
// A private LAN made of network namespaces, for tests that need broadcasts or real
// interfaces: hosts 1..n, each with eth0 = 10.77.<net>.<k>/24 on one bridge. Nothing
// it sends can leave this machine. Needs root; Create says why when it cannot.
// CreateRouted makes two such networks joined by a router host.

#include <memory>
#include <string>
#include <vector>

namespace vostrelle::test {

class NetLab {
 public:
  // hosts: number of hosts; net: third octet of the LAN's addresses.
  static std::unique_ptr<NetLab> Create(int hosts, int net, std::string* whyNot);
  // Two networks, hosts 1..perNet on 10.77.<net>.0/24 and perNet+1..2*perNet on
  // 10.77.<otherNet>.0/24 (host k has the address ending in k on either), joined by a
  // router at .254 on both that forwards unicast only, as routers do: a broadcast stays
  // on its own network. Each host's default route goes through the router.
  static std::unique_ptr<NetLab> CreateRouted(int perNet, int net, int otherNet,
                                              std::string* whyNot);
  ~NetLab();

  // Moves the calling thread into host k's namespace (sockets made afterwards live
  // there); Leave returns it to the namespace it came from.
  bool Enter(int host);
  bool Leave();

  // Runs "ip -n <host's namespace> <arguments>", for changing a host's links and
  // addresses under a running test.
  bool Ip(int host, const std::string& arguments);

  std::string Address(int host) const;
  // The broadcast address of the first network, or of host k's network.
  std::string Broadcast() const;
  std::string Broadcast(int host) const;
  int Hosts() const { return static_cast<int>(hostFds_.size()); }

 private:
  NetLab() = default;
  bool Run(const std::string& command);
  // A bridge namespace with one bridge per network.
  bool MakeBridges(int bridges);
  // Host k on bridge brN with address 10.77.<net>.<k>.
  bool AddHost(int k, int net, int bridge);
  bool AddRouter(int net, int otherNet);
  bool WaitLinksUp();
  static std::unique_ptr<NetLab> Begin(int net, const char* kind, std::string* whyNot);
  static bool LinkReady(const std::string& line);
  static std::string Output(const std::string& command);

  std::string prefix_;
  int net_ = 0;
  std::vector<int> hostNets_;            // third octet of each host's address
  std::vector<std::string> extraLinks_;  // further "ip -n ns link show dev x" to wait for
  int rootFd_ = -1;
  std::vector<int> hostFds_;
  std::vector<std::string> namespaces_;
};

}  // namespace vostrelle::test
