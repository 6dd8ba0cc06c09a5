#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <utility>

#include "TempDir.h"
#include "store/AppSettings.h"
#include "store/CopySettingsFiles.h"
#include "store/CreateFolderPath.h"
#include "store/MyDocuments.h"

namespace vostrelle {
namespace {

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n";

std::string Connect(const std::string& inner) {
  return "<Connect>" + inner + "</Connect>";
}

const std::string kGood =
    "<Name>n</Name><RealName>r</RealName><ConnectTo>10.0.0.255</ConnectTo>"
    "<NetMask>255.255.255.0</NetMask><AutoConnect>1</AutoConnect>";

class AppSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { settings.SettingFolder = dir.Path(); }
  void WriteConnects(const std::string& body) {
    test::WriteFile(dir.File("connects.xml"), kDecl + "<Connects>" + body + "</Connects>");
  }
  void WriteOptions(const std::string& body) {
    test::WriteFile(dir.File("options.xml"), kDecl + "<Options>" + body + "</Options>");
  }
  test::TempDir dir;
  AppSettings settings;
};

TEST_F(AppSettingsTest, DefaultsWithoutFiles) {
  settings.ConfirmExit = true;
  settings.Connects.push_back({});
  ASSERT_TRUE(settings.LoadSettings());
  EXPECT_TRUE(settings.Connects.empty());
  EXPECT_FALSE(settings.ConfirmExit);
  EXPECT_FALSE(settings.MinimumStart);
  EXPECT_TRUE(settings.MinimumTray);
  EXPECT_TRUE(settings.TrayAnime);
  EXPECT_FALSE(settings.RestoreSize);
  EXPECT_FALSE(settings.UseHotkey);
  EXPECT_EQ(settings.KeyCode, 79);
  EXPECT_EQ(settings.Modifiers, 6);
  EXPECT_EQ(settings.Number, 0);
  EXPECT_TRUE(settings.Log.Save);
  EXPECT_EQ(settings.Log.SaveFolder, dir.Path() + "/log");
  EXPECT_EQ(settings.ReceiveFolder, GetMyDocumentsPath());
  for (const LOGFONTA& font : settings.Fonts) {
    EXPECT_EQ(font.lfHeight, -16);
    EXPECT_EQ(font.lfWeight, 400);
    EXPECT_EQ(font.lfCharSet, 128);
    EXPECT_STREQ(font.lfFaceName, "IPAGothic");
  }
}

TEST_F(AppSettingsTest, ConnectListStopsAtFirstBadEntry) {
  WriteConnects(
      "<Other></Other>" + Connect(kGood) +
      Connect("<Name>x</Name><ConnectTo>1.2.3.4</ConnectTo><NetMask>255.0.0.0</NetMask>") +
      Connect(kGood));
  settings.LoadSettings();
  ASSERT_EQ(settings.Connects.size(), 1u);
  EXPECT_EQ(settings.Connects[0].Name, "n");
  EXPECT_EQ(settings.Connects[0].RoomName, "");
  EXPECT_TRUE(settings.Connects[0].AutoConnect);

  WriteConnects(Connect("<Name>a</Name><RealName>b</RealName><ConnectTo>1.1.1.1</ConnectTo>"
                        "<NetMask>255.255.255.255</NetMask>") +
                Connect(kGood));
  settings.LoadSettings();
  EXPECT_TRUE(settings.Connects.empty());
}

TEST_F(AppSettingsTest, AddressesAreNormalised) {
  WriteConnects(
      Connect("<Name>n</Name><RealName>r</RealName><ConnectTo>192.168.001.010</ConnectTo>"
              "<NetMask>0xffffff00</NetMask><AutoConnect>0</AutoConnect>"));
  settings.LoadSettings();
  ASSERT_EQ(settings.Connects.size(), 1u);
  EXPECT_EQ(settings.Connects[0].ConnectTo, "192.168.1.8");
  EXPECT_EQ(settings.Connects[0].NetMask, "255.255.255.0");
  EXPECT_FALSE(settings.Connects[0].AutoConnect);
  settings.SaveConnects();
  EXPECT_EQ(test::ReadFile(dir.File("connects.xml")),
            kDecl +
                "<Connects><Connect><Name>n</Name><RoomName></RoomName><RealName>r</RealName>"
                "<ConnectTo>192.168.1.8</ConnectTo><NetMask>255.255.255.0</NetMask>"
                "<AutoConnect>0</AutoConnect></Connect></Connects>");
}

TEST_F(AppSettingsTest, OptionValueConventions) {
  WriteOptions(
      "<System><ConfirmExit>2</ConfirmExit></System><Hotkey><KeyCode>65615</KeyCode>"
      "<Modifiers>-1</Modifiers></Hotkey><OnePoint><Number>-3</Number></OnePoint>"
      "<FileTrans><ReceiveFolder></ReceiveFolder></FileTrans>"
      "<Font><Message>FFFFFFFF</Message></Font>");
  settings.Fonts[0].lfWeight = 700;
  settings.LoadSettings();
  EXPECT_TRUE(settings.ConfirmExit);
  EXPECT_FALSE(settings.MinimumStart);
  EXPECT_TRUE(settings.MinimumTray);
  EXPECT_EQ(settings.KeyCode, 79);
  EXPECT_EQ(settings.Modifiers, 0xFFFF);
  EXPECT_EQ(settings.Number, -3);
  EXPECT_EQ(settings.ReceiveFolder, "");
  // A short font value replaces only the leading bytes.
  EXPECT_EQ(settings.Fonts[0].lfHeight, -1);
  EXPECT_EQ(settings.Fonts[0].lfWeight, 700);
  settings.SaveOptions();
  EXPECT_NE(test::ReadFile(dir.File("options.xml")).find("<ConfirmExit>1</ConfirmExit>"),
            std::string::npos);
}

TEST_F(AppSettingsTest, RoundTripIsByteForByte) {
  settings.ConfirmExit = true;
  settings.MinimumStart = true;
  settings.MinimumTray = false;
  settings.TrayAnime = false;
  settings.RestoreSize = true;
  settings.UseHotkey = true;
  settings.KeyCode = 0x7A;
  settings.Modifiers = 9;
  settings.Number = 12;
  settings.ReceiveFolder = "/r/\x83\x5C&<>";
  settings.Log = {"/logs", false};
  for (int i = 0; i < 3; ++i) {
    LOGFONTA& f = settings.Fonts[i];
    f.lfHeight = -20 - i;
    f.lfWidth = 0x01020304;
    f.lfWeight = 700;
    f.lfItalic = 1;
    f.lfPitchAndFamily = 0xFE;
    std::strcpy(f.lfFaceName, "\x82\x6C\x82\x72 Gothic");
  }
  ConnectSetting c;
  c.ConnectTo = "10.1.2.3";
  c.NetMask = "255.255.0.0";
  c.Name = "名";
  c.RealName = "real";
  c.RoomName = "room";
  c.AutoConnect = true;
  settings.Connects = {c, c};
  settings.Connects[1].RoomName = "";
  settings.SaveConnects();
  settings.SaveOptions();
  const std::string options = test::ReadFile(dir.File("options.xml"));
  const std::string connects = test::ReadFile(dir.File("connects.xml"));
  EXPECT_NE(options.find("<Message>ECFFFFFF04030201"), std::string::npos);

  AppSettings loaded;
  loaded.SettingFolder = dir.Path();
  loaded.LoadSettings();
  // Saving what was loaded reproduces both files, so every field survived.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(loaded.Fonts[i].ToBytes(), settings.Fonts[i].ToBytes());
  loaded.SaveConnects();
  loaded.SaveOptions();
  EXPECT_EQ(test::ReadFile(dir.File("options.xml")), options);
  EXPECT_EQ(test::ReadFile(dir.File("connects.xml")), connects);
}

// Extra destinations are kept as written and written after AutoConnect; a setting
// without them writes no element, so such files read and write as before.
TEST_F(AppSettingsTest, ExtraDestinationsRoundTripAndAreWrittenOnlyWhenPresent) {
  const std::string withAlso =
      kDecl +
      "<Connects><Connect><Name>n</Name><RoomName></RoomName><RealName>r</RealName>"
      "<ConnectTo>10.0.0.255</ConnectTo><NetMask>255.255.255.0</NetMask>"
      "<AutoConnect>1</AutoConnect><ConnectAlso>10.1.0.5 10.2.0.255 oops</ConnectAlso>"
      "</Connect><Connect><Name>m</Name><RoomName>x</RoomName><RealName>r</RealName>"
      "<ConnectTo>10.0.0.255</ConnectTo><NetMask>255.255.255.0</NetMask>"
      "<AutoConnect>0</AutoConnect></Connect></Connects>";
  test::WriteFile(dir.File("connects.xml"), withAlso);
  settings.LoadSettings();
  ASSERT_EQ(settings.Connects.size(), 2u);
  EXPECT_EQ(settings.Connects[0].ConnectAlso, "10.1.0.5 10.2.0.255 oops");
  EXPECT_EQ(settings.Connects[1].ConnectAlso, "");
  settings.SaveConnects();
  EXPECT_EQ(test::ReadFile(dir.File("connects.xml")), withAlso);

  // The element may come anywhere among the others.
  WriteConnects(Connect("<ConnectAlso>10.3.0.1</ConnectAlso>" + kGood));
  settings.LoadSettings();
  ASSERT_EQ(settings.Connects.size(), 1u);
  EXPECT_EQ(settings.Connects[0].ConnectAlso, "10.3.0.1");

  // A new setting takes them over with the network.
  ConnectSetting fresh;
  fresh.PrefillFrom(settings.Connects[0]);
  EXPECT_EQ(fresh.ConnectAlso, "10.3.0.1");
}

TEST_F(AppSettingsTest, EmptyConnectListRoundTrips) {
  settings.SaveConnects();
  EXPECT_EQ(test::ReadFile(dir.File("connects.xml")), kDecl + "<Connects></Connects>");
  settings.LoadSettings();
  EXPECT_TRUE(settings.Connects.empty());
}

// A settings folder written with a closing backslash keeps its files inside; a 0x5C
// trail byte ("ソ") at the end is part of the name.
TEST_F(AppSettingsTest, FolderWithClosingBackslashKeepsItsFilesInside) {
  namespace fs = std::filesystem;
  // cp932 name -> the name on disk
  const std::pair<std::string, std::string> folders[] = {{"cfg", "cfg"}, {"\x83\x5C", "ソ"}};
  for (const auto& [name, native] : folders) {
    settings.SettingFolder = dir.File(name) + "\\";
    CreateFolderPath(settings.SettingFolder);
    ASSERT_TRUE(fs::is_directory(dir.File(native))) << native;
    ASSERT_TRUE(settings.LoadSettings());
    EXPECT_EQ(settings.Log.SaveFolder, dir.File(name) + "/log");
    ASSERT_TRUE(settings.SaveConnects());
    EXPECT_TRUE(fs::is_regular_file(dir.File(native) + "/connects.xml"));
  }
  // Nothing beside the two folders.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
}

// A save that cannot be written says so, with the writer's message, and a later good
// save clears it.
TEST_F(AppSettingsTest, FailedSaveIsReported) {
  settings.SettingFolder = dir.File("missing");
  EXPECT_FALSE(settings.SaveConnects());
  EXPECT_FALSE(settings.LastSaveError().empty());
  EXPECT_FALSE(settings.SaveOptions());
  settings.SettingFolder = dir.Path();
  EXPECT_TRUE(settings.SaveOptions());
  EXPECT_TRUE(settings.LastSaveError().empty());
}

TEST(MyDocuments, ReadsXdgDocumentsDir) {
  test::TempDir dir;
  const char* oldHome = std::getenv("HOME");
  const std::string savedHome = oldHome ? oldHome : "";
  ::setenv("HOME", dir.Path().c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
  EXPECT_EQ(GetMyDocumentsPath(), dir.Path());
  test::WriteFile(dir.File("user-dirs.dirs"), "# c\nXDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n");
  EXPECT_EQ(GetMyDocumentsPath(), dir.Path() + "/Docs");
  ::unsetenv("XDG_CONFIG_HOME");
  if (oldHome) ::setenv("HOME", savedHome.c_str(), 1);
}

TEST(CopySettingsFiles, CopiesBothFilesAndLeavesTheOldFolderAlone) {
  test::TempDir from, to;
  test::WriteFile(from.File("connects.xml"), "connects");
  test::WriteFile(from.File("options.xml"), "options");
  test::WriteFile(from.File("other.txt"), "not a setting");
  test::WriteFile(to.File("options.xml"), "older options");
  ASSERT_TRUE(CopySettingsFiles(from.Path(), to.Path()));
  EXPECT_EQ(test::ReadFile(to.File("connects.xml")), "connects");
  EXPECT_EQ(test::ReadFile(to.File("options.xml")), "options");
  EXPECT_FALSE(std::filesystem::exists(to.File("other.txt")));
  EXPECT_EQ(test::ReadFile(from.File("connects.xml")), "connects");
  EXPECT_EQ(test::ReadFile(from.File("options.xml")), "options");
  // The same folder, named once with a closing separator: nothing is emptied.
  ASSERT_TRUE(CopySettingsFiles(from.Path(), from.Path() + "/"));
  EXPECT_EQ(test::ReadFile(from.File("options.xml")), "options");
}

TEST(CopySettingsFiles, MissingFilesAreSkippedAndAnUnwritableTargetFails) {
  test::TempDir from, to;
  test::WriteFile(from.File("options.xml"), "options");
  ASSERT_TRUE(CopySettingsFiles(from.Path(), to.Path()));
  EXPECT_FALSE(std::filesystem::exists(to.File("connects.xml")));
  EXPECT_EQ(test::ReadFile(to.File("options.xml")), "options");
  EXPECT_FALSE(CopySettingsFiles(from.Path(), to.File("no/such/folder")));
}

}  // namespace
}  // namespace vostrelle
