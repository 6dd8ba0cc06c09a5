// The start-at-login entry: what is written is a valid desktop entry that starts the
// program minimised, and its state is read back as a desktop's settings leave it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "store/Autostart.h"
#include "TempDir.h"

using namespace vostrelle;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

namespace {

const char* const kId = "example.pendrake.vostrelle";

// desktop-file-validate's verdict: empty when valid, else what it printed.
std::string Validate(const std::string& path) {
  const std::string command = "desktop-file-validate '" + path + "' 2>&1";
  FILE* out = popen(command.c_str(), "r");
  std::string text;
  char buffer[256];
  while (out && std::fgets(buffer, sizeof buffer, out)) text += buffer;
  const int status = out ? pclose(out) : -1;
  return status == 0 ? std::string() : (text.empty() ? "failed" : text);
}

}  // namespace

TEST(AutostartTest, WrittenEntryIsValidAndStartsMinimised) {
  if (std::system("command -v desktop-file-validate >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "desktop-file-validate is not installed";
  TempDir dir;
  AutostartEntry entry(dir.Path() + "/config", kId);
  EXPECT_EQ(entry.Path(), dir.Path() + "/config/autostart/example.pendrake.vostrelle.desktop");
  EXPECT_FALSE(entry.IsEnabled());
  // The folder is made; a path with characters the Exec rules reserve is quoted.
  ASSERT_TRUE(entry.Enable("/opt/my apps/$vostrelle")) << entry.LastError();
  EXPECT_TRUE(entry.IsEnabled());
  EXPECT_EQ(Validate(entry.Path()), "");
  const std::string text = ReadFile(entry.Path());
  EXPECT_NE(text.find("Exec=\"/opt/my apps/\\\\$vostrelle\" --minimized\n"), std::string::npos)
      << text;
  EXPECT_FALSE(std::filesystem::exists(entry.Path() + ".new"));

  ASSERT_TRUE(entry.Enable("/usr/bin/vostrelle"));
  EXPECT_EQ(Validate(entry.Path()), "");
  EXPECT_NE(ReadFile(entry.Path()).find("Exec=/usr/bin/vostrelle --minimized\n"),
            std::string::npos);
}

TEST(AutostartTest, DesktopSwitchesItOffWithoutDeletingIt) {
  TempDir dir;
  AutostartEntry entry(dir.Path(), kId);
  ASSERT_TRUE(entry.Enable("/usr/bin/vostrelle"));
  const std::string written = ReadFile(entry.Path());

  // As GNOME's and KDE's settings leave an entry they turned off.
  WriteFile(entry.Path(), written + "Hidden=true\n");
  EXPECT_FALSE(entry.IsEnabled());
  WriteFile(entry.Path(), written + "X-GNOME-Autostart-enabled = false\n");
  EXPECT_FALSE(entry.IsEnabled());
  // Switched back on by the desktop; a key of another group says nothing.
  WriteFile(entry.Path(), written + "Hidden=false\n[Desktop Action x]\nHidden=true\n");
  EXPECT_TRUE(entry.IsEnabled());

  // Turned on again here: the new entry no longer carries the desktop's switch.
  WriteFile(entry.Path(), written + "Hidden=true\n");
  ASSERT_TRUE(entry.Enable("/usr/bin/vostrelle"));
  EXPECT_TRUE(entry.IsEnabled());
  EXPECT_EQ(ReadFile(entry.Path()), written);

  ASSERT_TRUE(entry.Disable());
  EXPECT_FALSE(std::filesystem::exists(entry.Path()));
  EXPECT_FALSE(entry.IsEnabled());
  EXPECT_TRUE(entry.Disable()) << "an entry that is not there is off already";
}

TEST(AutostartTest, ConfigHomeFromTheEnvironment) {
  const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = savedConfig ? savedConfig : "";
  setenv("XDG_CONFIG_HOME", "/x/conf", 1);
  EXPECT_EQ(AutostartEntry::ForUser(kId).Path(), "/x/conf/autostart/example.pendrake.vostrelle.desktop");
  // A relative value is invalid: the home folder's .config then.
  setenv("XDG_CONFIG_HOME", "conf", 1);
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  EXPECT_EQ(AutostartEntry::ForUser(kId).Path(),
            home + "/.config/autostart/example.pendrake.vostrelle.desktop");
  if (savedConfig)
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

TEST(AutostartTest, FailureIsToldWithThePath) {
  TempDir dir;
  // A file where the autostart folder should be.
  WriteFile(dir.File("autostart"), "x");
  AutostartEntry entry(dir.Path(), kId);
  EXPECT_FALSE(entry.Enable("/usr/bin/vostrelle"));
  EXPECT_NE(entry.LastError().find(entry.Path()), std::string::npos) << entry.LastError();
  EXPECT_FALSE(entry.IsEnabled());
}
