#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"
#include "platform/Cp932.h"
#include "store/LogSearch.h"

namespace vostrelle {
namespace {

using test::TempDir;
using test::WriteFile;

struct MatchCase {
  const char* name;
  std::string line;  // CP932
  std::string word;  // CP932
  bool match;
};

TEST(LogMatcher, MatchingRules) {
  const MatchCase cases[] = {
      // Two-byte boundaries: trail bytes that look like ASCII never start or end a match.
      {"yen sign inside so", "ソ"_sjis, "\\", false},
      {"yen sign inside hyo", "表示"_sjis, "\\", false},
      {"real backslash", "a\\b", "\\", true},
      {"backslash after so", "ソ"_sjis + "\\", "\\", true},
      {"trail byte A", "ア"_sjis, "A", false},
      {"trail byte a folded", "ア"_sjis, "a", false},
      {"straddling two chars", "あい"_sjis, std::string("\xA0\x82", 2), false},
      {"kanji whole", "09:00 [太郎] 会議は表参道で"_sjis, "表参道"_sjis, true},
      {"kanji absent", "会議は表参道で"_sjis, "参道場"_sjis, false},
      // Case.
      {"ascii case", "meet at Hokkaido", "hOKKAIDO", true},
      {"ascii other letters", "abc", "abd", false},
      // Width.
      {"full-width line, ascii word", "ＡＢＣ１２３です"_sjis, "abc123", true},
      {"ascii line, full-width word", "room ABC123", "ａｂｃ１２３"_sjis, true},
      {"mixed widths", "Ａb３"_sjis, "aＢ3"_sjis, true},
      {"width is not kana", "ｱｲｳ"_sjis, "アイウ"_sjis, false},
      // Broken text: a lone lead byte at the end of a line matches nothing and breaks nothing.
      {"cut character at end", std::string("abc\x83"), "abc", true},
      {"cut character is not so", std::string("abc\x83"), "ソ"_sjis, false},
      // A lead byte takes the letter after it as its trail byte.
      {"lead byte eats a letter",
       std::string("\x83"
                   "abc"),
       "abc", false},
      {"letters after it still match",
       std::string("\x83"
                   "abc"),
       "bc", true},
  };
  for (const auto& c : cases) {
    const LogMatcher m({c.word});
    EXPECT_EQ(m.Match(c.line, nullptr), c.match) << c.name;
  }
}

TEST(LogMatcher, AllWordsAndMarks) {
  const LogMatcher m({"abc", "です"_sjis});
  std::vector<std::pair<std::size_t, std::size_t>> marks;
  const std::string line = "09:00 [x] ＡＢＣです abc"_sjis;
  ASSERT_TRUE(m.Match(line, &marks));
  // Full-width ＡＢＣ is 6 bytes at 10, です 4 bytes right after, abc at the end.
  ASSERT_EQ(marks.size(), 3u);
  EXPECT_EQ(marks[0], std::make_pair(std::size_t{10}, std::size_t{6}));
  EXPECT_EQ(marks[1], std::make_pair(std::size_t{16}, std::size_t{4}));
  EXPECT_EQ(marks[2], std::make_pair(line.size() - 3, std::size_t{3}));
  EXPECT_FALSE(m.Match("abc only", nullptr));
  EXPECT_TRUE(LogMatcher({"", ""}).Empty());
}

class LogSearchFolder : public ::testing::Test {
 protected:
  void Day(const std::string& roomUtf8, const std::string& file, const std::string& bytes) {
    const auto dir = std::filesystem::path(dir_.Path()) / roomUtf8;
    std::filesystem::create_directories(dir);
    WriteFile((dir / file).string(), bytes);
  }
  std::vector<LogHit> Run(LogSearchQuery q) {
    std::vector<LogHit> hits;
    std::atomic<bool> cancel{false};
    SearchLogs(dir_.Path(), q, cancel, [&](LogHit&& h) {
      hits.push_back(std::move(h));
      return true;
    });
    return hits;
  }
  TempDir dir_;
};

TEST_F(LogSearchFolder, NewestFirstAcrossRoomsAndLines) {
  Day("(Default)", "20240101.txt", "09:00 [a] 鍵は棚\r\n10:00 [b] 鍵なし\r\n"_sjis);
  Day("開発", "20250315.txt", "08:00 (me) 鍵の件\r\n"_sjis);
  Day("開発", "notes.txt", "鍵\r\n"_sjis);    // not a day's log
  Day("開発", "2025031.txt", "鍵\r\n"_sjis);  // not a day's log either
  LogSearchQuery q;
  q.Words = {"鍵"_sjis};
  const auto hits = Run(q);
  ASSERT_EQ(hits.size(), 3u);
  EXPECT_EQ(hits[0].Room, "開発"_sjis);
  EXPECT_EQ(hits[0].Date, 20250315);
  EXPECT_EQ(hits[0].Time(), "08:00");
  EXPECT_EQ(hits[1].Line, "10:00 [b] 鍵なし"_sjis);
  EXPECT_EQ(hits[1].LineIndex, 1u);
  EXPECT_EQ(hits[2].Line, "09:00 [a] 鍵は棚"_sjis);

  q.Room = "(Default)"_sjis;
  EXPECT_EQ(Run(q).size(), 2u);
  q.Room.clear();
  q.FromDate = 20250101;
  EXPECT_EQ(Run(q).size(), 1u);
  q.FromDate = 0;
  q.ToDate = 20241231;
  EXPECT_EQ(Run(q).size(), 2u);
  q.MaxHits = 1;
  EXPECT_EQ(Run(q).size(), 1u);
}

TEST_F(LogSearchFolder, HalfWrittenAndForeignFilesReadAsFarAsTheyGo) {
  // No line end at the end, a character cut in half, a lone LF line from another program,
  // and NUL bytes: everything before the damage is still found.
  Day("r", "20240102.txt",
      "09:00 [a] 一行目 key\r\n09:01 [b] 二行目 KEY\n"_sjis + std::string("x\0y key", 7) + "\r\n" +
          "09:02 [c] ｋｅｙ 途中"_sjis + "\x83");
  LogSearchQuery q;
  q.Words = {"key"};
  const auto hits = Run(q);
  ASSERT_EQ(hits.size(), 4u);
  EXPECT_EQ(hits[0].Line, "09:02 [c] ｋｅｙ 途中"_sjis + "\x83");
  EXPECT_EQ(hits[1].Line, std::string("x\0y key", 7));
  EXPECT_EQ(hits[2].Line, "09:01 [b] 二行目 KEY"_sjis);
  q.Words = {""};
  EXPECT_EQ(Run(q).size(), 0u);
}

TEST_F(LogSearchFolder, CancelStopsAtOnce) {
  std::string many;
  for (int i = 0; i < 100; ++i) many += "12:00 [a] hit\r\n";
  Day("r", "20240101.txt", many);
  Day("r", "20240102.txt", many);
  LogSearchQuery q;
  q.Words = {"hit"};
  std::atomic<bool> cancel{true};
  std::size_t n = 0;
  EXPECT_EQ(SearchLogs(dir_.Path(), q, cancel, [&](LogHit&&) { return ++n, true; }), 0u);
  EXPECT_EQ(n, 0u);
  // Cancelled from another thread's point of view while the first file is being read.
  cancel = false;
  SearchLogs(dir_.Path(), q, cancel, [&](LogHit&&) {
    ++n;
    cancel = true;
    return true;
  });
  EXPECT_EQ(n, 1u);
}

}  // namespace
}  // namespace vostrelle
