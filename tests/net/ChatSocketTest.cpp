#include <gtest/gtest.h>

#include "NetTestSupport.h"
#include "net/ChatSocket.h"

namespace vostrelle {
namespace {

using test::Addr;

struct Collector : ChatReceiver {
  std::vector<std::pair<FieldMap, Ipv4>> got;
  void Receive(const FieldMap& fields, Ipv4 sender) override { got.emplace_back(fields, sender); }
};

// A block of exactly size bytes whose Message value pads it out.
std::string BlockOfSize(std::size_t size) {
  const std::string head = "VSTP/1.0\r\nCommand: Message\r\nMessage: ";
  const std::string tail = "\r\n\r\n";
  return head + std::string(size - head.size() - tail.size(), 'x') + tail;
}

class ChatSocketTest : public ::testing::Test {
 protected:
  const std::uint16_t kPort = test::FreeUdpPort();
  void SetUp() override {
    ASSERT_TRUE(chat.Create(nullptr, Addr("127.0.0.1")));
    ASSERT_TRUE(peer.Open(0, false, Addr("127.0.0.2")));
  }
  // Sends bytes from the peer and runs one receive notification.
  void Deliver(const std::string& bytes) {
    ASSERT_TRUE(peer.SendTo(bytes, Addr("127.0.0.1"), kPort));
    pollfd p{chat.Socket().fd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 500), 1);
    chat.OnReceive();
  }
  Collector owner;
  ChatSocket chat{&owner, kPort};
  UdpSocket peer;
};

TEST_F(ChatSocketTest, DatagramSizeLimit) {
  Deliver(BlockOfSize(512));
  ASSERT_EQ(owner.got.size(), 1u);
  EXPECT_EQ(owner.got[0].first.at("Message").size(), 512u - 41u);
  EXPECT_EQ(owner.got[0].second, Addr("127.0.0.2"));
  Deliver(BlockOfSize(513));
  EXPECT_EQ(owner.got.size(), 1u);
}

TEST_F(ChatSocketTest, TextEndsAtFirstNulAndBadBlocksAreDropped) {
  std::string withNul = "VSTP/1.0\r\nCommand: Join\r\n";
  withNul += '\0';
  withNul += "Name: a\r\n\r\n";
  Deliver(withNul);
  Deliver("VSTP/1.1\r\nCommand: Join\r\n\r\n");
  EXPECT_TRUE(owner.got.empty());
  Deliver("VSTP/1.0\r\nCommand: Join\r\n\r\n");
  EXPECT_EQ(owner.got.size(), 1u);
}

TEST_F(ChatSocketTest, SendPacketBuildsOrReusesTheLastText) {
  UdpSocket listener;
  ASSERT_TRUE(listener.Open(kPort, false, Addr("127.0.0.2")));
  ASSERT_TRUE(chat.SendPacket({{"Command", "Part"}, {"Room", ""}}, Addr("127.0.0.2"), false));
  EXPECT_EQ(test::ReadPacket(listener).at("Command"), "Part");
  // Reuse sends the previous bytes whatever the map now says.
  ASSERT_TRUE(chat.SendPacket({{"Command", "Join"}}, Addr("127.0.0.2"), true));
  EXPECT_EQ(test::ReadPacket(listener).at("Command"), "Part");
  EXPECT_FALSE(chat.SendPacket({}, Addr("127.0.0.2"), false));
  EXPECT_TRUE(test::ReadPacket(listener, 100).empty());
}

}  // namespace
}  // namespace vostrelle
