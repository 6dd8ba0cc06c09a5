#include "NetLab.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cstdlib>

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
  return lab;
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
