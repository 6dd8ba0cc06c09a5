// The platform layer on a private LAN: interface query and broadcast between hosts.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include "platform/NetInterfaces.h"
#include "platform/SocketNotifier.h"
#include "platform/UdpSocket.h"
#include "support/NetLab.h"

using namespace vostrelle;

TEST(NetLabPlatform, HostsSeeTheirInterfaceAndEachOthersBroadcasts) {
  std::string why;
  auto lab = test::NetLab::Create(2, 1, &why);
  if (!lab) GTEST_SKIP() << "no private LAN: " << why;

  PollLoop loop;
  UdpSocket s1, s2;
  ASSERT_TRUE(lab->Enter(1));
  std::vector<InterfaceInfo> ifs;
  ASSERT_TRUE(QueryInterfaceList(ifs));
  ASSERT_TRUE(s1.Open(41001, true));
  ASSERT_TRUE(lab->Enter(2));
  ASSERT_TRUE(s2.Open(41001, true));
  ASSERT_TRUE(lab->Leave());

  bool found = false;
  for (const InterfaceInfo& i : ifs) {
    if (i.address != InetAddr(lab->Address(1))) continue;
    found = true;
    EXPECT_EQ(i.netmask, InetAddr("255.255.255.0"));
    EXPECT_EQ(i.broadcast, InetAddr(lab->Broadcast()));
    EXPECT_EQ(i.flags & (kIfUp | kIfBroadcast | kIfLoopback), unsigned(kIfUp | kIfBroadcast));
  }
  EXPECT_TRUE(found);

  std::vector<Ipv4> from1, from2;
  auto reader = [](UdpSocket& s, std::vector<Ipv4>& seen) {
    return [&s, &seen] {
      char buf[64];
      Ipv4 from = 0;
      if (s.Receive(buf, sizeof buf, &from) >= 0) seen.push_back(from);
    };
  };
  s1.SetNotifier(&loop, reader(s1, from1));
  s2.SetNotifier(&loop, reader(s2, from2));
  ASSERT_TRUE(s1.SendTo("hello", InetAddr(lab->Broadcast()), 41001));
  // The broadcast reaches the other host and comes back to the sender itself.
  ASSERT_TRUE(loop.RunUntil([&] { return !from1.empty() && !from2.empty(); }));
  EXPECT_EQ(from2, std::vector<Ipv4>{InetAddr(lab->Address(1))});
  EXPECT_EQ(from1, std::vector<Ipv4>{InetAddr(lab->Address(1))});
}
