#include <arpa/inet.h>
#include <gtest/gtest.h>

#include "platform/Ipv4.h"

using namespace vostrelle;

TEST(Ipv4, TextFormsFollowInetAddr) {
  EXPECT_EQ(InetNtoa(InetAddr("192.168.1.255")), "192.168.1.255");
  EXPECT_EQ(InetNtoa(InetAddr("192.168.001.010")), "192.168.1.8");  // octal parts
  EXPECT_EQ(InetNtoa(InetAddr("0x7f.1")), "127.0.0.1");             // hex and short form
  EXPECT_EQ(InetAddr("255.255.255.255"), kInaddrNone);
  EXPECT_EQ(InetAddr("not an address"), kInaddrNone);
  EXPECT_EQ(InetAddr("10.0.0.1"), htonl(0x0A000001));
}
