#include <gtest/gtest.h>

#include "net/HeaderBlock.h"

namespace vostrelle {
namespace {

struct ParseCase {
  const char* label;
  std::string text;
  bool ok;
  FieldMap fields;  // checked only when ok
};

TEST(HeaderBlock, ParseCases) {
  const std::string m = "VSTP/1.0\r\n";
  const std::vector<ParseCase> cases = {
      {"no fields", m + "\r\n", true, {}},
      {"empty value", m + "Room: \r\n\r\n", true, {{"Room", ""}}},
      {"only first colon-space splits", m + "Message: a: b\r\n\r\n", true, {{"Message", "a: b"}}},
      {"last occurrence wins", m + "Name: a\r\nName: b\r\n\r\n", true, {{"Name", "b"}}},
      {"names are case-sensitive",
       m + "Name: a\r\nname: b\r\n\r\n",
       true,
       {{"Name", "a"}, {"name", "b"}}},
      {"trailing bytes ignored", m + "ID: 1\r\n\r\nraw file data", true, {{"ID", "1"}}},
      {"empty text", "", false, {}},
      {"no line end", "VSTP/1.0", false, {}},
      {"empty first line", "\r\n\r\n", false, {}},
      {"lower-case magic", "vstp/1.0\r\n\r\n", false, {}},
      {"other version", "VSTP/1.1\r\n\r\n", false, {}},
      {"magic with trailing blank", "VSTP/1.0 \r\n\r\n", false, {}},
      {"colon without blank", m + "Name:a\r\n\r\n", false, {}},
      {"missing empty line", m + "Name: a\r\n", false, {}},
      {"bare LF line ends", "VSTP/1.0\n\n", false, {}},
  };
  for (const auto& c : cases) {
    FieldMap fields;
    EXPECT_EQ(HeaderBlock::Parse(c.text, fields), c.ok) << c.label;
    if (c.ok) {
      EXPECT_EQ(fields, c.fields) << c.label;
    }
  }
}

TEST(HeaderBlock, BuildEmptyMapFails) {
  std::string text = "stale";
  EXPECT_FALSE(HeaderBlock::Build({}, text));
  EXPECT_EQ(text, "VSTP/1.0\r\n");
}

TEST(HeaderBlock, DoubleByteValuesRoundTrip) {
  // "ソ" (0x83 0x5C) has a backslash trail byte; "表" (0x95 0x5C) likewise.
  const FieldMap in = {{"Name", "\x83\x5C\x95\x5C"}, {"Message", "a\x83\x41: b"}};
  std::string text;
  ASSERT_TRUE(HeaderBlock::Build(in, text));
  FieldMap out;
  ASSERT_TRUE(HeaderBlock::Parse(text, out));
  EXPECT_EQ(out, in);
}

}  // namespace
}  // namespace vostrelle
