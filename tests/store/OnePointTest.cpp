#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"
#include "store/AppSettings.h"
#include "store/OnePoint.h"

using namespace vostrelle;
using vostrelle::test::TempDir;

namespace {

struct Sink : TipSink {
  std::vector<std::string> pieces;
  void AppendText(const std::string& text) override { pieces.push_back(text); }
};

class OnePointTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings.SettingFolder = dir.Path();
    settings.LoadSettings();
  }
  // The tip shown at this start, as the Number stored afterwards.
  int Start() {
    Sink sink;
    ShowOnePoint(settings, sink);
    AppSettings reread;
    reread.SettingFolder = dir.Path();
    reread.LoadSettings();
    last = sink.pieces;
    return reread.Number;
  }
  TempDir dir;
  AppSettings settings;
  std::vector<std::string> last;
};

}  // namespace

TEST_F(OnePointTest, TheResourceIsTheExactShiftJisDocument) {
  const std::string_view doc = OnePointResource();
  EXPECT_EQ(doc.size(), 750u);
  EXPECT_EQ(doc.substr(0, 44),
            std::string_view("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n"));
}

TEST_F(OnePointTest, SuccessiveStartsWalkThroughTheTipsAndWrapAround) {
  EXPECT_EQ(Start(), 1);  // no options file: tip 0, and the file is written
  ASSERT_EQ(last.size(), 5u);
  EXPECT_EQ(last[0], "************************\r\n");
  EXPECT_EQ(last[1], "\x81\x9C\x83\x8F\x83\x93\x83\x7C\x83\x43\x83\x93\x83\x67\r\n");
  EXPECT_EQ(last[3], "\r\n");
  EXPECT_EQ(last[4], last[0]);
  for (int n = 2; n <= 7; ++n) EXPECT_EQ(Start(), n);
  // The last tip; then the first again.
  EXPECT_NE(last[2].find("\x8D\xC5\x8C\xE3"), std::string::npos);  // 最後
  EXPECT_EQ(Start(), 1);
}

TEST_F(OnePointTest, TipsThreeAndFiveKeepTheirLineBreak) {
  settings.Number = 3;
  Start();
  EXPECT_NE(last[2].find("\r\n"), std::string::npos);
  settings.Number = 5;
  Start();
  EXPECT_NE(last[2].find("\r\n"), std::string::npos);
  settings.Number = 4;
  Start();
  EXPECT_EQ(last[2].find("\r\n"), std::string::npos);
}

TEST_F(OnePointTest, OutOfRangeNumbersShowTheFirstTip) {
  for (int n : {-3, 100}) {
    settings.Number = n;
    EXPECT_EQ(Start(), 1);
  }
}

TEST_F(OnePointTest, NoTipsMeansNothingShownAndNothingSaved) {
  settings.Number = 4;
  Sink sink;
  ShowOnePoint(settings, sink, "<?xml version=\"1.0\"?><OnePoint></OnePoint>");
  EXPECT_TRUE(sink.pieces.empty());
  EXPECT_EQ(settings.Number, 4);
  ShowOnePoint(settings, sink, "");
  EXPECT_TRUE(sink.pieces.empty());
  EXPECT_FALSE(std::filesystem::exists(dir.File("options.xml")));
}
