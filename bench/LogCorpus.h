#pragma once
// Ten years of daily logs of five rooms (about 18,000 files of Japanese lines, CP932,
// CR LF), with one word in 1 line out of 10,000: the corpus the log search benchmarks
// search, made once a run in a temporary folder.
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/Cp932.h"

namespace vostrelle::bench {

const char* const kRooms[] = {"(Default)", "開発", "営業", "総務", "雑談"};
const char* const kNames[] = {"田中", "鈴木", "佐藤", "高橋", "伊藤", "渡辺"};
const char* const kTexts[] = {
    "おはようございます。今日もよろしくお願いします。",
    "会議室の予約は３階の第２会議室で取りました",
    "資料を共有フォルダに置いておきます",
    "了解です、確認します",
    "お昼どうしますか？駅前のラーメン屋に行きませんか",
    "サーバーの再起動は 18:00 以降にお願いします",
    "見積書のPDFを送りました。ご確認ください",
    "今週の進捗はＷｉｋｉにまとめてあります",
    "少し席を外します",
    "ありがとうございます！助かりました",
};
const char kNeedle[] = "合言葉は北極星";

class Corpus {
 public:
  Corpus() {
    char pattern[] = "/tmp/vostrelle-logsearch-XXXXXX";
    path_ = ::mkdtemp(pattern) ? pattern : "";
    std::mt19937 rng(21);
    const std::string needle = Utf8ToCp932(kNeedle);
    std::vector<std::string> texts;
    for (const char* t : kTexts) texts.push_back(Utf8ToCp932(t));
    std::size_t lines = 0;
    for (const char* room : kRooms) {
      const auto dir = std::filesystem::path(path_) / room;
      std::filesystem::create_directories(dir);
      std::tm day{};
      day.tm_year = 2015 - 1900;
      day.tm_mon = 0;
      day.tm_mday = 1;
      day.tm_hour = 12;
      for (int d = 0; d < 3650; ++d) {
        std::tm t = day;
        t.tm_mday += d;
        std::mktime(&t);
        char name[16];
        std::strftime(name, sizeof name, "%Y%m%d.txt", &t);
        std::string bytes;
        const int count = 20 + static_cast<int>(rng() % 60);
        for (int i = 0; i < count; ++i, ++lines) {
          char time[8];
          std::snprintf(time, sizeof time, "%02d:%02d", 9 + i * 10 / count, i % 60);
          const std::string who = Utf8ToCp932(kNames[rng() % 6]);
          bytes += time;
          bytes += (rng() % 5 == 0) ? " (" + who + ") " : " [" + who + "] ";
          bytes += lines % 10000 == 9999 ? texts[rng() % 10] + needle : texts[rng() % 10];
          bytes += "\r\n";
        }
        std::ofstream((dir / name).string(), std::ios::binary) << bytes;
        ++files_;
      }
    }
    lines_ = lines;
  }
  ~Corpus() {
    std::error_code ec;
    // Kept where asked, so that the start-up benchmark can open the program on it.
    if (const char* keep = std::getenv("VOSTRELLE_KEEP_CORPUS")) {
      std::filesystem::rename(path_, keep, ec);
      if (!ec) return;
    }
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }
  std::size_t Files() const { return files_; }
  std::size_t Lines() const { return lines_; }

 private:
  std::string path_;
  std::size_t files_ = 0, lines_ = 0;
};

inline Corpus& TheCorpus() {
  static Corpus corpus;
  return corpus;
}

}  // namespace vostrelle::bench
