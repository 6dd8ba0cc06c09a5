#pragma once
// A private LAN made of network namespaces, for tests that need broadcasts or real
// interfaces: hosts 1..n, each with eth0 = 10.77.<net>.<k>/24 on one bridge. Nothing
// it sends can leave this machine. Needs root; Create says why when it cannot.

#include <memory>
#include <string>
#include <vector>

namespace vostrelle::test {

class NetLab {
 public:
  // hosts: number of hosts; net: third octet of the LAN's addresses.
  static std::unique_ptr<NetLab> Create(int hosts, int net, std::string* whyNot);
  ~NetLab();

  // Moves the calling thread into host k's namespace (sockets made afterwards live
  // there); Leave returns it to the namespace it came from.
  bool Enter(int host);
  bool Leave();

  // Runs "ip -n <host's namespace> <arguments>", for changing a host's links and
  // addresses under a running test.
  bool Ip(int host, const std::string& arguments);

  std::string Address(int host) const;
  std::string Broadcast() const;
  int Hosts() const { return static_cast<int>(hostFds_.size()); }

 private:
  NetLab() = default;
  bool Run(const std::string& command);
  bool WaitLinksUp();
  static bool LinkReady(const std::string& line);
  static std::string Output(const std::string& command);

  std::string prefix_;
  int net_ = 0;
  int rootFd_ = -1;
  std::vector<int> hostFds_;
  std::vector<std::string> namespaces_;
};

}  // namespace vostrelle::test
