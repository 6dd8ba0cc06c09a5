#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "store/ChatLog.h"
#include "store/ChatLogRegistry.h"

using namespace vostrelle;
namespace fs = std::filesystem;

namespace {

class ChatLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    char tmpl[] = "/tmp/vostrelle-log-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  std::string dir_;
};

// 2003-12-25 09:05 UTC
constexpr std::time_t kChristmas = 1072343100;

}  // namespace

TEST_F(ChatLogTest, LinesGoToTheDayFileInTheirFormats) {
  ChatLog log(dir_);
  log.CheckDate(kChristmas);
  EXPECT_EQ(log.FileName(), "20031225.txt");
  const std::string t = LogTimeText(kChristmas);
  EXPECT_EQ(t, "09:05");
  EXPECT_TRUE(log.Write(FormatLogLine(kEventOwnLine, t, "me", "hello")));
  EXPECT_TRUE(log.Write(FormatLogLine(kEventMessage, t, "\x83\x5C", "hi")));
  EXPECT_TRUE(log.Write(FormatLogLine(
      kEventSystem, t, "", "x\x82\xAA\x8E\x51\x89\xC1\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42")));
  EXPECT_EQ(FormatLogLine(static_cast<EventKind>(5), t, "a", "b"), "");
  EXPECT_EQ(Read(fs::path(dir_) / "20031225.txt"),
            "09:05 (me) hello\r\n09:05 [\x83\x5C] hi\r\n"
            "09:05 x\x82\xAA\x8E\x51\x89\xC1\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42\r\n");
}

TEST_F(ChatLogTest, ALaterRunAppendsAndANewDaySwitchesFiles) {
  {
    ChatLog log(dir_);
    log.CheckDate(kChristmas);
    log.Write("a\r\n");
  }
  ChatLog log(dir_);
  log.CheckDate(kChristmas);
  log.Write("b\r\n");
  EXPECT_TRUE(log.IsOpen());
  log.CheckDate(kChristmas + 86400);
  EXPECT_FALSE(log.IsOpen());
  log.Write("c\r\n");
  EXPECT_EQ(Read(fs::path(dir_) / "20031225.txt"), "a\r\nb\r\n");
  EXPECT_EQ(Read(fs::path(dir_) / "20031226.txt"), "c\r\n");
}

TEST_F(ChatLogTest, AFailedWriteDropsTheLineAndTheNextOneTriesAgain) {
  ChatLog log(dir_);
  log.CheckDate(kChristmas);
  // The day file stands for a full disk.
  fs::create_symlink("/dev/full", fs::path(dir_) / "20031225.txt");
  EXPECT_FALSE(log.Write("lost\r\n"));
  EXPECT_FALSE(log.IsOpen());
  fs::remove(fs::path(dir_) / "20031225.txt");
  EXPECT_TRUE(log.Write("kept\r\n"));
  EXPECT_EQ(Read(fs::path(dir_) / "20031225.txt"), "kept\r\n");
}

TEST_F(ChatLogTest, RegistryMakesRoomFoldersOnlyWhileLoggingIsOn) {
  ChatLogRegistry reg;
  const std::string logFolder = dir_ + "/log";
  EXPECT_EQ(reg.GetLog("(Default)", false, logFolder), nullptr);
  EXPECT_FALSE(fs::exists(logFolder));

  ChatLog* a = reg.GetLog("(Default)", true, logFolder);
  ASSERT_NE(a, nullptr);
  EXPECT_TRUE(fs::is_directory(logFolder + "/(Default)"));
  EXPECT_EQ(reg.GetLog("(Default)", true, logFolder), a);  // one log per display name

  ChatLog* b = reg.GetLog("\x8E\x47\x92\x6B", true, logFolder);  // 雑談
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(fs::is_directory(logFolder + "/雑談"));  // a real UTF-8 folder name
  EXPECT_TRUE(b->Write("x\r\n"));

  reg.Remove("(Default)");
  EXPECT_EQ(reg.Count(), 1u);
  reg.TakeUpSettings(true);
  EXPECT_EQ(reg.Count(), 1u);
  reg.TakeUpSettings(false);
  EXPECT_EQ(reg.Count(), 0u);
}

TEST_F(ChatLogTest, AMissingParentFolderWritesNothingAndKeepsGoing) {
  ChatLogRegistry reg;
  ChatLog* log = reg.GetLog("room", true, dir_ + "/no/such/log");
  ASSERT_NE(log, nullptr);
  EXPECT_FALSE(log->Write("x\r\n"));
  EXPECT_FALSE(log->Write("y\r\n"));
  EXPECT_FALSE(fs::exists(dir_ + "/no"));
}

TEST_F(ChatLogTest, RoomNamesThatWouldLeaveTheLogFolderGetNoLog) {
  ChatLogRegistry reg;
  const std::string logFolder = dir_ + "/log";
  EXPECT_EQ(reg.GetLog("..", true, logFolder), nullptr);
  EXPECT_EQ(reg.GetLog(".", true, logFolder), nullptr);
  EXPECT_EQ(reg.GetLog("a/b", true, logFolder), nullptr);
  EXPECT_NE(reg.GetLog("\x83\x5C", true, logFolder), nullptr);  // ソ: 0x5C only as a trail byte
}
