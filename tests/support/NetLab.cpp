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
  if (host < 1 || host >= static_cast<int>(namespaces_.size())) return false;
  return Run("ip -n " + namespaces_[static_cast<std::size_t>(host)] + " " + arguments);
}

bool NetLab::Run(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::unique_ptr<NetLab> NetLab::Create(int hosts, int net, std::string* whyNot) {
  auto fail = [&](const std::string& why) {
    if (whyNot) *whyNot = why;
    return nullptr;
  };
  if (geteuid() != 0) return fail("network namespaces need root");
  if (std::system("command -v ip >/dev/null 2>&1") != 0) return fail("the ip command is missing");
  std::unique_ptr<NetLab> lab(new NetLab);
  lab->net_ = net;
  lab->prefix_ = "vt" + std::to_string(getpid() % 100000) + "n" + std::to_string(net % 100);
  lab->rootFd_ = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
  if (lab->rootFd_ < 0) return fail("cannot open this process's network namespace");
  const std::string& p = lab->prefix_;
  const std::string br = p + "br";
  if (!lab->Run("ip netns add " + br)) return fail("cannot create network namespaces here");
  lab->namespaces_.push_back(br);
  if (!lab->Run("ip -n " + br + " link add br0 type bridge") ||
      !lab->Run("ip -n " + br + " link set br0 up"))
    return fail("cannot create a bridge");
  const std::string prefix3 = "10.77." + std::to_string(net) + ".";
  for (int k = 1; k <= hosts; ++k) {
    const std::string ns = p + "h" + std::to_string(k);
    const std::string a = p + "a" + std::to_string(k), b = p + "b" + std::to_string(k);
    if (!lab->Run("ip netns add " + ns)) return fail("cannot create a host namespace");
    lab->namespaces_.push_back(ns);
    const bool ok = lab->Run("ip link add " + a + " type veth peer name " + b) &&
                    lab->Run("ip link set " + a + " netns " + ns) &&
                    lab->Run("ip link set " + b + " netns " + br) &&
                    lab->Run("ip -n " + ns + " link set " + a + " name eth0") &&
                    lab->Run("ip -n " + ns + " addr add " + prefix3 + std::to_string(k) +
                             "/24 brd " + prefix3 + "255 dev eth0") &&
                    lab->Run("ip -n " + ns + " link set eth0 up") &&
                    lab->Run("ip -n " + ns + " link set lo up") &&
                    lab->Run("ip -n " + br + " link set " + b + " master br0") &&
                    lab->Run("ip -n " + br + " link set " + b + " up");
    if (!ok) return fail("cannot wire host " + std::to_string(k));
    const int fd = ::open(("/var/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fail("cannot open a host namespace");
    lab->hostFds_.push_back(fd);
  }
  if (!lab->WaitLinksUp()) return fail("the lab's links did not come up");
  return lab;
}

// A veth end drops what is sent on it until the kernel has seen its carrier and given it
// a queue, which can take up to a second after "link set up". Wait for that on every
// host and every bridge port, so a test's first datagram is not lost.
bool NetLab::WaitLinksUp() {
  std::vector<std::string> links;
  for (std::size_t k = 1; k < namespaces_.size(); ++k) {
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
  return "10.77." + std::to_string(net_) + "." + std::to_string(host);
}

std::string NetLab::Broadcast() const {
  return "10.77." + std::to_string(net_) + ".255";
}

}  // namespace vostrelle::test
