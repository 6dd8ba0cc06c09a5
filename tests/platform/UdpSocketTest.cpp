#include <arpa/inet.h>
#include <gtest/gtest.h>

#include "platform/SocketNotifier.h"
#include "platform/UdpSocket.h"

using namespace vostrelle;

namespace {
const Ipv4 kLoopback = htonl(INADDR_LOOPBACK);
}

TEST(UdpSocket, DatagramsArriveThroughTheNotifierWithTheirTrueLength) {
  PollLoop loop;  // outlives the sockets that it watches
  UdpSocket rx, tx;
  ASSERT_TRUE(rx.Open(0, false, kLoopback));
  ASSERT_TRUE(tx.Open(0, false, kLoopback));
  std::vector<long> lengths;
  rx.SetNotifier(&loop, [&] {
    char buf[513] = {};
    Ipv4 from = 0;
    lengths.push_back(rx.Receive(buf, 512, &from));
    EXPECT_EQ(from, kLoopback);
  });
  ASSERT_TRUE(tx.SendTo(std::string(512, 'a'), kLoopback, rx.LocalPort()));
  ASSERT_TRUE(tx.SendTo(std::string(513, 'b'), kLoopback, rx.LocalPort()));
  loop.RunUntilQuiet(50);
  EXPECT_EQ(lengths, (std::vector<long>{512, 513}));
}

TEST(UdpSocket, APortInUseCannotBeBoundTwice) {
  UdpSocket a, b;
  ASSERT_TRUE(a.Open(0, true, kLoopback));
  EXPECT_FALSE(b.Open(a.LocalPort(), true, kLoopback));
}

TEST(UdpSocket, ClosingStopsTheNotifications) {
  PollLoop loop;
  UdpSocket s;
  ASSERT_TRUE(s.Open(0, false, kLoopback));
  s.SetNotifier(&loop, [] {});
  EXPECT_EQ(loop.watched(), 1u);
  s.Close();
  EXPECT_EQ(loop.watched(), 0u);
  EXPECT_FALSE(s.SendTo("x", kLoopback, 9));
}
