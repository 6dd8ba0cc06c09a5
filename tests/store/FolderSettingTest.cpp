#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "TempDir.h"
#include "platform/Cp932.h"
#include "store/AppSettings.h"
#include "store/ChatLogRegistry.h"
#include "store/FolderSetting.h"

namespace vostrelle {
namespace {

TEST(FolderSetting, TellsWindowsFoldersFromOurs) {
  for (const char* windows : {"C:\\Documents and Settings\\taro", "d:/logs", "C:", "c:log",
                              "\\\\server\\share\\chat", "//server/share"})
    EXPECT_TRUE(IsWindowsFolder(windows)) << windows;
  for (const char* here : {"", "/home/taro", "log", "chat\\log", "\\\\", "///tmp", "1:/x"})
    EXPECT_FALSE(IsWindowsFolder(here)) << here;
  // The CP932 trail byte 0x5C of a kanji is no separator at the start of a name.
  EXPECT_FALSE(IsWindowsFolder("表示"_sjis));
}

TEST(FolderSetting, ResolvesAgainstTheSettingsFolderNeverTheWorkingDirectory) {
  EXPECT_EQ(ResolveFolder("log", "/s", "/fb"), "/s/log");
  EXPECT_EQ(ResolveFolder("a/b", "/s/", "/fb"), "/s/a/b");
  EXPECT_EQ(ResolveFolder("/var/x", "/s", "/fb"), "/var/x");
  EXPECT_EQ(ResolveFolder("D:\\x", "/s", "/fb"), "/fb");
  EXPECT_EQ(ResolveFolder("", "/s", "/fb"), "");  // an empty receive folder stays empty
}

class WindowsOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* home = std::getenv("HOME");
    savedHome_ = home ? home : "";
    hadHome_ = home != nullptr;
    ::setenv("HOME", home_.Path().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", home_.File("none").c_str(), 1);
    settings.SettingFolder = dir.Path();
  }
  void TearDown() override {
    ::unsetenv("XDG_CONFIG_HOME");
    if (hadHome_) ::setenv("HOME", savedHome_.c_str(), 1);
  }
  test::TempDir home_;
  test::TempDir dir;
  AppSettings settings;
  std::string savedHome_;
  bool hadHome_ = false;
};

TEST_F(WindowsOptionsTest, UsesDefaultsForThisRunAndKeepsTheStoredTexts) {
  const std::string receive = "C:\\Documents and Settings\\taro\\デスクトップ"_sjis;
  const std::string log = "D:\\チャットログ"_sjis;
  const std::string file =
      "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<Options><FileTrans>"
      "<ReceiveFolder>" +
      receive +
      "</ReceiveFolder></FileTrans><Log><Save>1"
      "</Save><SaveFolder>" +
      log + "</SaveFolder></Log></Options>";
  test::WriteFile(dir.File("options.xml"), file);
  settings.LoadSettings();
  EXPECT_EQ(settings.ReceiveFolderInUse(), home_.Path());
  EXPECT_EQ(settings.LogFolderInUse(), dir.File("log"));

  const std::string notice = Cp932ToUtf8(WindowsFolderNotice(settings));
  EXPECT_NE(notice.find("受信フォルダ「C:\\Documents and Settings\\taro\\デスクトップ」"),
            std::string::npos)
      << notice;
  EXPECT_NE(notice.find("「" + home_.Path() + "」に保存"), std::string::npos) << notice;
  EXPECT_NE(notice.find("ログの保存先「D:\\チャットログ」"), std::string::npos) << notice;
  EXPECT_NE(notice.find("\r\n"), std::string::npos);

  settings.SaveOptions();
  const std::string saved = test::ReadFile(dir.File("options.xml"));
  EXPECT_NE(saved.find("<ReceiveFolder>" + receive + "</ReceiveFolder>"), std::string::npos);
  EXPECT_NE(saved.find("<SaveFolder>" + log + "</SaveFolder>"), std::string::npos);
}

TEST_F(WindowsOptionsTest, RelativeLogFolderLandsInsideTheSettingsFolder) {
  settings.LoadSettings();
  EXPECT_TRUE(WindowsFolderNotice(settings).empty());
  settings.Log.SaveFolder = "chatlog";
  settings.ReceiveFolder = "in";
  EXPECT_EQ(settings.ReceiveFolderInUse(), dir.File("in"));
  ChatLogRegistry logs;
  ChatLog* chat = logs.GetLog("room", true, settings.LogFolderInUse());
  ASSERT_NE(chat, nullptr);
  EXPECT_TRUE(chat->Write("x\r\n"));
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("chatlog/room")));
}

}  // namespace
}  // namespace vostrelle
