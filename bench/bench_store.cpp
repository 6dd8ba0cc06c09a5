// Settings files and chat logs on the real file system (a folder under /tmp).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "store/AppSettings.h"
#include "store/ChatLog.h"

using namespace vostrelle;

namespace {

class Folder {
 public:
  Folder() {
    char pattern[] = "/tmp/vostrelle-bench-XXXXXX";
    path_ = ::mkdtemp(pattern) ? pattern : "";
  }
  ~Folder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// One connection with a Japanese name, options changed from their defaults.
void Typical(AppSettings& settings, const std::string& folder) {
  settings.SettingFolder = folder;
  ConnectSetting c;
  c.ConnectTo = "192.168.1.255";
  c.NetMask = "255.255.255.0";
  c.Name = "\x8e\x52\x93\x63";                      // 山田
  c.RealName = "\x8e\x52\x93\x63\x91\xbe\x98\x59";  // 山田太郎
  c.RoomName = "\x8a\x4a\x94\xad";                  // 開発
  c.AutoConnect = true;
  settings.Connects = {c};
  settings.ConfirmExit = true;
  settings.UseHotkey = true;
  settings.Number = 7;
  settings.ReceiveFolder = "/home/yamada/Documents";
  for (LOGFONTA& font : settings.Fonts) font = AppSettings::DefaultStockFont();
  settings.Log.SaveFolder = folder + "/log";
}

void BM_SaveOptionsLoadSettings(benchmark::State& state) {
  Folder folder;
  AppSettings settings;
  Typical(settings, folder.Path());
  settings.SaveConnects();
  for (auto _ : state) {
    settings.SaveOptions();
    settings.LoadSettings();
  }
  if (settings.Connects.size() != 1 || settings.Number != 7) state.SkipWithError("lost settings");
}
BENCHMARK(BM_SaveOptionsLoadSettings)->Unit(benchmark::kMicrosecond);

void BM_LoadSettings(benchmark::State& state) {
  Folder folder;
  AppSettings settings;
  Typical(settings, folder.Path());
  settings.SaveConnects();
  settings.SaveOptions();
  for (auto _ : state) settings.LoadSettings();
}
BENCHMARK(BM_LoadSettings)->Unit(benchmark::kMicrosecond);

void BM_SaveOptions(benchmark::State& state) {
  Folder folder;
  AppSettings settings;
  Typical(settings, folder.Path());
  for (auto _ : state) settings.SaveOptions();
}
BENCHMARK(BM_SaveOptions)->Unit(benchmark::kMicrosecond);

// A member's line of ordinary length: time, name, 20 double-byte characters.
std::string TypicalLine() {
  std::string text;
  for (int i = 0; i < 20; ++i) text += "\x82\xa0";  // あ
  return FormatLogLine(kEventMessage, "12:34", "\x8e\x52\x93\x63", text);
}

void BM_ChatLogWrite(benchmark::State& state) {
  Folder folder;
  ChatLog log(folder.Path());
  const std::string line = TypicalLine();
  if (!log.Open()) return state.SkipWithError("cannot open the log");
  for (auto _ : state) benchmark::DoNotOptimize(log.Write(line));
  state.SetBytesProcessed(state.iterations() * static_cast<long>(line.size()));
  state.counters["line_bytes"] = static_cast<double>(line.size());
}
BENCHMARK(BM_ChatLogWrite);

void BM_BareAppendWrite(benchmark::State& state) {
  Folder folder;
  const std::string line = TypicalLine();
  const std::string path = folder.Path() + "/" + LogFileNameFor(std::time(nullptr));
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return state.SkipWithError("cannot open the file");
  for (auto _ : state) benchmark::DoNotOptimize(::write(fd, line.data(), line.size()));
  ::close(fd);
  state.SetBytesProcessed(state.iterations() * static_cast<long>(line.size()));
}
BENCHMARK(BM_BareAppendWrite);

}  // namespace

BENCHMARK_MAIN();
