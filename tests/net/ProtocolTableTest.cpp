#include <gtest/gtest.h>

#include "net/ProtocolTable.h"

namespace vostrelle {
namespace {

TEST(ProtocolTable, LengthLimitsCountBytes) {
  const auto& t = ProtocolTable::Instance();
  auto ok = [&](const char* field, std::string value) {
    return t.WithinLimits(FieldMap{{field, std::move(value)}});
  };
  // Eight double-byte characters are 16 bytes.
  std::string eightKana;
  for (int i = 0; i < 8; ++i) eightKana += "\x83\x41";
  EXPECT_TRUE(ok("Name", eightKana));
  EXPECT_FALSE(ok("Name", eightKana + "a"));
  EXPECT_FALSE(ok("Name", ""));
  EXPECT_TRUE(ok("Room", ""));
  EXPECT_FALSE(ok("Room", std::string(17, 'r')));
  EXPECT_TRUE(ok("Message", std::string(256, 'm')));
  EXPECT_FALSE(ok("Message", std::string(257, 'm')));
  EXPECT_FALSE(ok("Message", ""));
  EXPECT_TRUE(ok("RealName", std::string(64, 'r')));
  EXPECT_FALSE(ok("RealName", std::string(65, 'r')));
  EXPECT_FALSE(ok("Version", std::string(65, 'v')));
  EXPECT_FALSE(ok("Version", ""));
  // Unlimited fields are never checked.
  EXPECT_TRUE(ok("FileName", std::string(400, 'f')));
  EXPECT_TRUE(ok("Command", ""));
  // One bad field spoils the whole map.
  EXPECT_FALSE(t.WithinLimits(FieldMap{{"Name", "a"}, {"Message", std::string(257, 'm')}}));
}

}  // namespace
}  // namespace vostrelle
