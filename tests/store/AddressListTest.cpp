#include <gtest/gtest.h>

#include "store/AddressList.h"

namespace vostrelle {
namespace {

Ipv4 A(const char* text) {
  return InetAddr(text);
}

TEST(AddressList, ParsesBlankOrCommaSeparatedAddressesOnceEach) {
  std::vector<Ipv4> addresses;
  std::string bad = "untouched";
  EXPECT_TRUE(ParseAddressList("  10.1.2.3\t192.168.5.255, 10.1.2.3,,  ", addresses, &bad));
  EXPECT_EQ(addresses, (std::vector<Ipv4>{A("10.1.2.3"), A("192.168.5.255")}));
  EXPECT_EQ(bad, "untouched");
  EXPECT_EQ(FormatAddressList(addresses), "10.1.2.3 192.168.5.255");

  EXPECT_TRUE(ParseAddressList("", addresses));
  EXPECT_TRUE(addresses.empty());
  EXPECT_EQ(FormatAddressList(addresses), "");
}

// Only four decimal parts: the short, octal and hex forms the settings reader accepts
// for ConnectTo are refused in typed text, where they are nearly always slips.
TEST(AddressList, RefusesTheFirstWordThatIsNoAddress) {
  std::vector<Ipv4> addresses;
  for (const char* word : {"10.1.2", "10.1.2.3.4", "10.1.2.256", "10.1.2.0003", "0x0a.1.2.3",
                           "10.1.2.3x", "host.example", "0.0.0.0", "255.255.255.255", "10..2.3",
                           "-1.2.3.4", "\x82\x50\x82\x4f.1.2.3"}) {
    std::string bad;
    EXPECT_FALSE(ParseAddressList(std::string("10.9.9.9 ") + word + " 10.8.8.8", addresses, &bad))
        << word;
    EXPECT_EQ(bad, word);
    EXPECT_EQ(addresses, (std::vector<Ipv4>{A("10.9.9.9")})) << word;
  }
  // Leading zeros within three digits are plain decimal, not octal.
  ASSERT_TRUE(ParseAddressList("010.001.002.009", addresses));
  EXPECT_EQ(addresses, (std::vector<Ipv4>{A("10.1.2.9")}));
}

TEST(AddressList, AddressesInSkipsWhatIsNoAddress) {
  EXPECT_EQ(AddressesIn("bad 10.1.2.3 10.1.2 0.0.0.0 10.4.5.6 10.1.2.3"),
            (std::vector<Ipv4>{A("10.1.2.3"), A("10.4.5.6")}));
}

TEST(AddressList, AnExtraAddressCoversItselfAndTheBlockItsOneBitsClose) {
  // A network's broadcast address covers that network.
  EXPECT_TRUE(ExtraAddressCovers(A("10.77.2.255"), A("10.77.2.0")));
  EXPECT_TRUE(ExtraAddressCovers(A("10.77.2.255"), A("10.77.2.17")));
  EXPECT_FALSE(ExtraAddressCovers(A("10.77.2.255"), A("10.77.3.17")));
  EXPECT_FALSE(ExtraAddressCovers(A("10.77.2.255"), A("10.78.2.17")));
  // A /25 and a /16.
  EXPECT_TRUE(ExtraAddressCovers(A("192.168.1.127"), A("192.168.1.100")));
  EXPECT_FALSE(ExtraAddressCovers(A("192.168.1.127"), A("192.168.1.128")));
  EXPECT_TRUE(ExtraAddressCovers(A("172.16.255.255"), A("172.16.4.9")));
  // A host address ending in a zero bit covers itself alone.
  EXPECT_TRUE(ExtraAddressCovers(A("10.8.0.6"), A("10.8.0.6")));
  EXPECT_FALSE(ExtraAddressCovers(A("10.8.0.6"), A("10.8.0.7")));
  EXPECT_FALSE(ExtraAddressCovers(A("10.8.0.6"), A("10.8.0.4")));
}

}  // namespace
}  // namespace vostrelle
