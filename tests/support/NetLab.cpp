#include "NetLab.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace vostrelle::test {

bool NetLab::Ip(int host, const std::string& arguments) {
  if (host < 1 || host > Hosts()) return false;
  return Run("ip -n " + namespaces_[static_cast<std::size_t>(host)] + " " + arguments);
}

bool NetLab::Run(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// The part both kinds of lab share: root, the ip command, a name of this run's own and
// the way back to this process's namespace; nullptr with why set where one is missing.
std::unique_ptr<NetLab> NetLab::Begin(int net, const char* kind, std::string* whyNot) {
  auto fail = [&](const std::string& why) {
    if (whyNot) *whyNot = why;
    return nullptr;
  };
  if (geteuid() != 0) return fail("network namespaces need root");
  if (std::system("command -v ip >/dev/null 2>&1") != 0) return fail("the ip command is missing");
  std::unique_ptr<NetLab> lab(new NetLab);
  lab->net_ = net;
  lab->prefix_ = "vt" + std::to_string(getpid() % 100000) + kind + std::to_string(net % 100);
  lab->rootFd_ = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
  if (lab->rootFd_ < 0) return fail("cannot open this process's network namespace");
  return lab;
}

std::unique_ptr<NetLab> NetLab::Create(int hosts, int net, std::string* whyNot) {
  auto fail = [&](const std::string& why) {
    if (whyNot) *whyNot = why;
    return nullptr;
  };
  std::unique_ptr<NetLab> lab = Begin(net, "n", whyNot);
  if (!lab) return nullptr;
  if (!lab->MakeBridges(1)) return fail("cannot create network namespaces and a bridge here");
  for (int k = 1; k <= hosts; ++k)
    if (!lab->AddHost(k, net, 0)) return fail("cannot wire host " + std::to_string(k));
  if (!lab->WaitLinksUp()) return fail("the lab's links did not come up");
  return lab;
}

std::unique_ptr<NetLab> NetLab::CreateRouted(int perNet, int net, int otherNet,
                                             std::string* whyNot) {
  auto fail = [&](const std::string& why) {
    if (whyNot) *whyNot = why;
    return nullptr;
  };
  std::unique_ptr<NetLab> lab = Begin(net, "r", whyNot);
  if (!lab) return nullptr;
  if (!lab->MakeBridges(2)) return fail("cannot create network namespaces and bridges here");
  for (int k = 1; k <= 2 * perNet; ++k) {
    const bool first = k <= perNet;
    if (!lab->AddHost(k, first ? net : otherNet, first ? 0 : 1))
      return fail("cannot wire host " + std::to_string(k));
  }
  if (!lab->AddRouter(net, otherNet)) return fail("cannot set up the router");
  for (int k = 1; k <= 2 * perNet; ++k) {
    const std::string router = "10.77." + std::to_string(k <= perNet ? net : otherNet) + ".254";
    if (!lab->Ip(k, "route add default via " + router)) return fail("cannot route a host");
  }
  if (!lab->WaitLinksUp()) return fail("the lab's links did not come up");
  return lab;
}

bool NetLab::MakeBridges(int bridges) {
  const std::string br = prefix_ + "br";
  if (!Run("ip netns add " + br)) return false;
  namespaces_.push_back(br);
  for (int i = 0; i < bridges; ++i) {
    const std::string name = "br" + std::to_string(i);
    if (!Run("ip -n " + br + " link add " + name + " type bridge") ||
        !Run("ip -n " + br + " link set " + name + " up"))
      return false;
  }
  return true;
}

bool NetLab::AddHost(int k, int net, int bridge) {
  const std::string br = namespaces_[0];  // a copy: the list grows below
  const std::string ns = prefix_ + "h" + std::to_string(k);
  const std::string a = prefix_ + "a" + std::to_string(k), b = prefix_ + "b" + std::to_string(k);
  const std::string prefix3 = "10.77." + std::to_string(net) + ".";
  if (!Run("ip netns add " + ns)) return false;
  namespaces_.push_back(ns);
  hostNets_.push_back(net);
  const bool ok =
      Run("ip link add " + a + " type veth peer name " + b) &&
      Run("ip link set " + a + " netns " + ns) && Run("ip link set " + b + " netns " + br) &&
      Run("ip -n " + ns + " link set " + a + " name eth0") &&
      Run("ip -n " + ns + " addr add " + prefix3 + std::to_string(k) + "/24 brd " + prefix3 +
          "255 dev eth0") &&
      Run("ip -n " + ns + " link set eth0 up") && Run("ip -n " + ns + " link set lo up") &&
      Run("ip -n " + br + " link set " + b + " master br" + std::to_string(bridge)) &&
      Run("ip -n " + br + " link set " + b + " up");
  if (!ok) return false;
  const int fd = ::open(("/var/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  hostFds_.push_back(fd);
  return true;
}

// Linux forwards unicast between its interfaces once ip_forward is on, and never a
// broadcast (bc_forwarding stays off): the router of a small office.
bool NetLab::AddRouter(int net, int otherNet) {
  const std::string br = namespaces_[0];  // a copy: the list grows below
  const std::string ns = prefix_ + "rt";
  if (!Run("ip netns add " + ns)) return false;
  namespaces_.push_back(ns);
  if (!Run("ip netns exec " + ns + " sysctl -qw net.ipv4.ip_forward=1") ||
      !Run("ip -n " + ns + " link set lo up"))
    return false;
  const int nets[2] = {net, otherNet};
  for (int i = 0; i < 2; ++i) {
    const std::string side = std::to_string(i);
    const std::string a = prefix_ + "ra" + side, b = prefix_ + "rb" + side;
    const std::string prefix3 = "10.77." + std::to_string(nets[i]) + ".";
    const bool ok = Run("ip link add " + a + " type veth peer name " + b) &&
                    Run("ip link set " + a + " netns " + ns) &&
                    Run("ip link set " + b + " netns " + br) &&
                    Run("ip -n " + ns + " link set " + a + " name eth" + side) &&
                    Run("ip -n " + ns + " addr add " + prefix3 + "254/24 brd " + prefix3 +
                        "255 dev eth" + side) &&
                    Run("ip -n " + ns + " link set eth" + side + " up") &&
                    Run("ip -n " + br + " link set " + b + " master br" + side) &&
                    Run("ip -n " + br + " link set " + b + " up");
    if (!ok) return false;
    extraLinks_.push_back("ip -n " + ns + " -o link show dev eth" + side);
    extraLinks_.push_back("ip -n " + br + " -o link show dev " + b);
  }
  return true;
}

// A veth end drops what is sent on it until the kernel has seen its carrier and given it
// a queue, which can take up to a second after "link set up". Wait for that on every
// host and every bridge port, so a test's first datagram is not lost.
bool NetLab::WaitLinksUp() {
  std::vector<std::string> links = extraLinks_;
  for (std::size_t k = 1; k <= hostFds_.size(); ++k) {
    links.push_back("ip -n " + namespaces_[k] + " -o link show dev eth0");
    links.push_back("ip -n " + namespaces_[0] + " -o link show dev " + prefix_ + "b" +
                    std::to_string(k));
  }
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (const std::string& command : links) {
    while (!LinkReady(Output(command))) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  return true;
}

bool NetLab::LinkReady(const std::string& line) {
  return line.find("state UP") != std::string::npos && line.find("qdisc noop") == std::string::npos;
}

std::string NetLab::Output(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return out;
  char buf[512];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  ::pclose(pipe);
  return out;
}

NetLab::~NetLab() {
  Leave();
  for (int fd : hostFds_) ::close(fd);
  if (rootFd_ >= 0) ::close(rootFd_);
  for (const std::string& ns : namespaces_) Run("ip netns del " + ns);
}

bool NetLab::Enter(int host) {
  if (host < 1 || host > Hosts()) return false;
  return setns(hostFds_[host - 1], CLONE_NEWNET) == 0;
}

bool NetLab::Leave() {
  return rootFd_ >= 0 && setns(rootFd_, CLONE_NEWNET) == 0;
}

std::string NetLab::Address(int host) const {
  const int net =
      host >= 1 && host <= Hosts() ? hostNets_[static_cast<std::size_t>(host - 1)] : net_;
  return "10.77." + std::to_string(net) + "." + std::to_string(host);
}

std::string NetLab::Broadcast() const {
  return "10.77." + std::to_string(net_) + ".255";
}

std::string NetLab::Broadcast(int host) const {
  const int net =
      host >= 1 && host <= Hosts() ? hostNets_[static_cast<std::size_t>(host - 1)] : net_;
  return "10.77." + std::to_string(net) + ".255";
}

}  // namespace vostrelle::test
