#pragma once
// Searching the daily chat logs of every room: one folder per room under the log folder,
// one "%Y%m%d.txt" file a day, CP932 lines ended by CR LF. Matching is what a Japanese
// user expects: never inside a double-byte character, ASCII letters alike in either case,
// full-width and half-width letters and digits alike. Runs on any thread; the caller
// cancels it with an atomic flag, which is looked at between lines.

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vostrelle {

// Matches a set of words (all of them, anywhere in a line) in CP932 text.
class LogMatcher {
 public:
  // words are CP932; empty words are ignored. With no word left nothing matches.
  explicit LogMatcher(const std::vector<std::string>& words);

  bool Empty() const { return words_.empty(); }
  // True when every word occurs in line; marks (when given) receive the byte ranges
  // (offset, length) of every occurrence, in order and not overlapping.
  bool Match(std::string_view line, std::vector<std::pair<std::size_t, std::size_t>>* marks) const;
  // A quick test on a whole file: false only when no line of it can match.
  bool MayMatch(std::string_view text) const;

  // One character folded: ASCII letters to lower case, full-width letters and digits to
  // their ASCII lower-case form. Any other character stays as it is.
  static std::string Fold(std::string_view cp932);

 private:
  std::vector<std::string> words_;     // folded
  std::vector<std::string> literals_;  // a run of each word that no folding touches
};

struct LogHit {
  std::string Room;           // CP932 display name (the room's folder)
  int Date = 0;               // yyyymmdd from the file name
  std::size_t LineIndex = 0;  // 0-based line in the file
  std::string Line;           // CP932, without its line end
  std::vector<std::pair<std::size_t, std::size_t>> Marks;
  std::string Time() const;  // "HH:MM" at the start of the line, or empty
};

struct LogSearchQuery {
  std::vector<std::string> Words;  // CP932
  std::string Room;                // CP932 display name; empty for every room
  int FromDate = 0;                // yyyymmdd, inclusive
  int ToDate = 99999999;
  std::size_t MaxHits = 5000;  // the search stops after this many
};

struct LogFileRef {
  std::string Room;
  int Date = 0;
  std::string Path;  // CP932
};

// Every log file of the log folder that the query's room and dates allow, newest
// first (by date, then by room name).
std::vector<LogFileRef> ListLogFiles(const std::string& logFolder, const LogSearchQuery& query);

// The lines of a log file's bytes: split at LF, a CR before it dropped. A last line
// without its end (a file being written, or cut short) is kept as it is.
std::vector<std::string_view> SplitLogLines(std::string_view text);

// Reads a whole file (CP932 path); false when it cannot be opened. A file cut short is
// read as far as it goes.
bool ReadLogFile(const std::string& path, std::string& bytes);

// The whole search. sink gets the hits newest first (files newest first, lines of a
// file from its last to its first) and returns false to stop. Returns the number of
// files looked at. cancel is checked between files and between lines.
std::size_t SearchLogs(const std::string& logFolder, const LogSearchQuery& query,
                       const std::atomic<bool>& cancel, const std::function<bool(LogHit&&)>& sink);

}  // namespace vostrelle
