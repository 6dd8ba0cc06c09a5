// The program's Japanese texts are written once, in UTF-8, as "…"_sjis literals. These
// tests read the sources themselves: every such text must have CP932 bytes for each of
// its characters (a '?' on screen or in a log would be a bug nobody sees in review), and
// no CP932 text may hide behind hex escapes or a run-time conversion of a literal.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Cp932.h"

namespace vostrelle {
namespace {

namespace fs = std::filesystem;

struct SourceFile {
  std::string path;
  std::string text;
};

std::vector<SourceFile> Sources() {
  std::vector<SourceFile> files;
  for (const auto& entry : fs::recursive_directory_iterator(VOSTRELLE_SOURCE_DIR "/src")) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".h" && ext != ".cpp") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    files.push_back({entry.path().string(), text.str()});
  }
  return files;
}

// The literal's bytes: the few escapes texts use, and UTF-8 as it stands.
std::string Unescape(const std::string& body) {
  std::string out;
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i] != '\\' || i + 1 == body.size()) {
      out += body[i];
      continue;
    }
    const char c = body[++i];
    if (c == 'r')
      out += '\r';
    else if (c == 'n')
      out += '\n';
    else if (c == 't')
      out += '\t';
    else
      out += c;
  }
  return out;
}

TEST(SourceTexts, EveryJapaneseTextHasCp932Bytes) {
  const std::regex literal(R"re("((?:[^"\\\n]|\\.)*)"_sjis)re");
  int count = 0;
  for (const SourceFile& file : Sources()) {
    for (std::sregex_iterator it(file.text.begin(), file.text.end(), literal), end; it != end;
         ++it) {
      const std::string utf8 = Unescape((*it)[1].str());
      std::string cp932;
      EXPECT_TRUE(Utf8ToCp932Exact(utf8, cp932)) << file.path << ": " << utf8;
      EXPECT_EQ(Cp932ToUtf8(cp932), utf8) << file.path;
      ++count;
    }
  }
  EXPECT_GT(count, 50);  // the scan found the texts at all
}

TEST(SourceTexts, NoTextIsWrittenAsEscapedBytesOrConvertedAtRunTime) {
  // A string literal holding a CP932 lead byte written as an escape.
  const std::regex escaped(
      R"re("(?:[^"\\\n]|\\.)*\\x(?:[89][0-9A-Fa-f]|[Ee][0-9A-Fa-f]|[Ff][0-9A-Ca-c]))re");
  const std::regex converted(R"re(\bSjis\s*\()re");
  for (const SourceFile& file : Sources()) {
    EXPECT_FALSE(std::regex_search(file.text, escaped)) << file.path;
    EXPECT_FALSE(std::regex_search(file.text, converted)) << file.path;
  }
}

TEST(SourceTexts, ALiteralConvertsOnceAndKeepsItsBytes) {
  const std::string& first = "ソ表\\"_sjis;
  EXPECT_EQ(first, "\x83\x5C\x95\x5C\x5C");
  EXPECT_EQ(&first, &"ソ表\\"_sjis);
}

}  // namespace
}  // namespace vostrelle
