#include <gtest/gtest.h>

#include "platform/Cp932.h"
#include "platform/FileSystem.h"

using namespace vostrelle;

namespace {
const std::string kSo = "\x83\x5C";  // ソ: its trail byte is the backslash byte
}

TEST(Cp932Bytes, LeadByteRanges) {
  EXPECT_FALSE(IsLeadByte(0x80));
  EXPECT_TRUE(IsLeadByte(0x81));
  EXPECT_TRUE(IsLeadByte(0x9F));
  EXPECT_FALSE(IsLeadByte(0xA0));
  EXPECT_FALSE(IsLeadByte(0xDF));  // half-width katakana are single bytes
  EXPECT_TRUE(IsLeadByte(0xE0));
  EXPECT_TRUE(IsLeadByte(0xFC));
  EXPECT_FALSE(IsLeadByte(0xFD));
}

TEST(Cp932Bytes, SearchNeverMatchesInsideADoubleByteCharacter) {
  EXPECT_EQ(FindMultibyte(kSo + "a\\", "\\"), 3u);
  EXPECT_EQ(FindMultibyte(kSo, "\\"), std::string::npos);
  // "\x5C\x83" would match across the boundary of ソ and a following lead byte.
  EXPECT_EQ(FindMultibyte("a" + kSo + "\x83\x5C", "\x5C\x83"), std::string::npos);
  EXPECT_EQ(FindMultibyte("abc", ""), 0u);
  EXPECT_EQ(FindMultibyte("abc", "c", 2), 2u);
  EXPECT_EQ(FindMultibyte("abc", "a", 1), std::string::npos);
  EXPECT_EQ(FindMultibyte("ab", "abc"), std::string::npos);
  // A lone lead byte at the end is stepped over as one byte.
  EXPECT_EQ(FindMultibyte("a\x83", "\x83"), 1u);
}

TEST(Cp932Bytes, EndsWithBackslashIgnoresTrailBytes) {
  EXPECT_TRUE(EndsWithSingleByte("C:\\dir\\", '\\'));
  EXPECT_FALSE(EndsWithSingleByte("C:\\" + kSo, '\\'));
  EXPECT_TRUE(EndsWithSingleByte(kSo + "\\", '\\'));
  EXPECT_FALSE(EndsWithSingleByte("", '\\'));
}

TEST(Cp932Bytes, TruncateKeepsWholeCharacters) {
  const std::string eight = "\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8\x82\xA9\x82\xAB\x82\xAD";
  EXPECT_EQ(TruncateCp932(eight, 16), eight);
  EXPECT_EQ(TruncateCp932(eight + "x", 16), eight);
  EXPECT_EQ(TruncateCp932("a" + eight, 16), "a" + eight.substr(0, 14));
  EXPECT_EQ(TruncateCp932("abc", 0), "");
}

// Rows taken from Windows' CP932 decoding table.
struct Row {
  const char* cp932;
  const char* utf8;
};

void PrintTo(const Row& r, std::ostream* os) {
  for (const char* p = r.cp932; *p; ++p)
    *os << std::hex << (static_cast<unsigned>(*p) & 0xFF) << ' ';
}

class Cp932Table : public ::testing::TestWithParam<Row> {};

TEST_P(Cp932Table, DecodesAndEncodesLikeWindows) {
  const Row& r = GetParam();
  EXPECT_EQ(Cp932ToUtf8(r.cp932), r.utf8);
  bool lossless = false;
  EXPECT_EQ(Utf8ToCp932(r.utf8, &lossless), r.cp932);
  EXPECT_TRUE(lossless);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Cp932Table,
    ::testing::Values(Row{"\x5C", "\\"}, Row{"\x7E", "~"}, Row{"\x1A\x1C\x7F", "\x1A\x1C\x7F"},
                      Row{"\x83\x5C", "ソ"}, Row{"\x8E\x47\x92\x6B", "雑談"},
                      Row{"\x81\x60", "\xEF\xBD\x9E"},  // U+FF5E fullwidth tilde
                      Row{"\x87\x40", "①"},             // NEC extension
                      Row{"\xFA\x40", "ⅰ"},             // IBM extension
                      Row{"\xB1", "ｱ"}, Row{"\x80", "\xC2\x80"}, Row{"\xA0", "\xEF\xA3\xB0"},
                      Row{"\xFD", "\xEF\xA3\xB1"}, Row{"\xFE", "\xEF\xA3\xB2"},
                      Row{"\xFF", "\xEF\xA3\xB3"}),
    [](const auto& info) { return "row" + std::to_string(info.index); });

TEST(Cp932Convert, InputMethodVariantsMapToWindowsBytes) {
  // Linux input methods produce the JIS forms of these characters.
  EXPECT_EQ(Utf8ToCp932("\xE3\x80\x9C"), "\x81\x60");  // U+301C wave dash
  EXPECT_EQ(Utf8ToCp932("\xE2\x88\x92"), "\x81\x7C");  // U+2212 minus
}

TEST(Cp932Convert, InvalidBytesBecomeReplacementCharacters) {
  // 0x81 followed by a byte that is no trail byte, and a lead byte cut off at the end.
  EXPECT_EQ(Cp932ToUtf8("a\x81\x20z"), "a\xEF\xBF\xBD z");
  EXPECT_EQ(Cp932ToUtf8("a\x82"), "a\xEF\xBF\xBD");
  std::string exact;
  EXPECT_FALSE(Cp932ToUtf8Exact("a\x82", exact));
  EXPECT_TRUE(Cp932ToUtf8Exact("\x8E\x47", exact));
  EXPECT_EQ(exact, "雑");
}

TEST(Cp932Convert, UnmappableCharactersBecomeQuestionMarks) {
  bool lossless = true;
  EXPECT_EQ(Utf8ToCp932("a\xF0\x9F\x98\x80"
                        "b",
                        &lossless),
            "a?b");  // an emoji
  EXPECT_FALSE(lossless);
  EXPECT_EQ(Utf8ToCp932("\xFF\xFE", &lossless), "??");  // not UTF-8 at all
  EXPECT_FALSE(lossless);
  std::string out;
  EXPECT_FALSE(Utf8ToCp932Exact("\xF0\x9F\x98\x80", out));
}

// Received files and settings files join their folder this way: a closing backslash is
// a separator, a 0x5C trail byte is not.
TEST(JoinPath, ClosingBackslashIsASeparator) {
  EXPECT_EQ(JoinPath("/r", "f"), "/r/f");
  EXPECT_EQ(JoinPath("/r/", "f"), "/r/f");
  EXPECT_EQ(JoinPath("/r\\", "f"), "/r/f");
  EXPECT_EQ(JoinPath("", "f"), "f");
  EXPECT_EQ(JoinPath("\\", "f"), "/f");
  EXPECT_EQ(JoinPath("/\x83\x5C", "f"), "/\x83\x5C/f");    // ソ
  EXPECT_EQ(JoinPath("/\x83\x5C\\", "f"), "/\x83\x5C/f");  // ソ then a backslash
}
