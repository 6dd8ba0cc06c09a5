#include "LogSearch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/Cp932.h"
#include "platform/FileSystem.h"

namespace vostrelle {
namespace {

bool IsTrailByte(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// Length of the character at pos: a lead byte without a valid trail byte after it (a
// broken file, a line cut short) stands alone, so a line end is never swallowed.
std::size_t CharLength(std::string_view s, std::size_t pos) {
  const auto c = static_cast<unsigned char>(s[pos]);
  if (IsLeadByte(c) && pos + 1 < s.size() && IsTrailByte(static_cast<unsigned char>(s[pos + 1])))
    return 2;
  return 1;
}

// The ASCII form of a full-width letter or digit, or 0: ０-９ 0x824F-0x8258,
// Ａ-Ｚ 0x8260-0x8279, ａ-ｚ 0x8281-0x829A.
char FoldWide(unsigned char lead, unsigned char trail) {
  if (lead != 0x82) return 0;
  if (trail >= 0x4F && trail <= 0x58) return static_cast<char>('0' + (trail - 0x4F));
  if (trail >= 0x60 && trail <= 0x79) return static_cast<char>('a' + (trail - 0x60));
  if (trail >= 0x81 && trail <= 0x9A) return static_cast<char>('a' + (trail - 0x81));
  return 0;
}

char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsFoldable(std::string_view s, std::size_t pos, std::size_t len) {
  if (len == 2) return FoldWide(s[pos], s[pos + 1]) != 0;
  const char c = s[pos];
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// The folded form of a line and, for each folded byte, the original offset of the
// character it came from (the size of the line at the end).
void FoldWithMap(std::string_view line, std::string& folded, std::vector<std::size_t>& map,
                 std::vector<bool>& start) {
  folded.clear();
  map.clear();
  start.clear();
  for (std::size_t pos = 0; pos < line.size();) {
    const std::size_t len = CharLength(line, pos);
    if (len == 2) {
      const char wide = FoldWide(line[pos], line[pos + 1]);
      if (wide) {
        folded.push_back(wide);
        map.push_back(pos);
        start.push_back(true);
      } else {
        folded.append(line.substr(pos, 2));
        map.push_back(pos);
        map.push_back(pos);
        start.push_back(true);
        start.push_back(false);
      }
    } else {
      folded.push_back(FoldAscii(line[pos]));
      map.push_back(pos);
      start.push_back(true);
    }
    pos += len;
  }
  map.push_back(line.size());
}

}  // namespace

std::string LogMatcher::Fold(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t pos = 0; pos < s.size();) {
    const std::size_t len = CharLength(s, pos);
    const char wide = len == 2 ? FoldWide(s[pos], s[pos + 1]) : 0;
    if (wide)
      out.push_back(wide);
    else if (len == 2)
      out.append(s.substr(pos, 2));
    else
      out.push_back(FoldAscii(s[pos]));
    pos += len;
  }
  return out;
}

LogMatcher::LogMatcher(const std::vector<std::string>& words) {
  for (const auto& w : words) {
    if (w.empty()) continue;
    words_.push_back(Fold(w));
    // The longest run of characters that look the same in every form: the file's raw
    // bytes must hold it somewhere for any line to match.
    std::string best, run;
    for (std::size_t pos = 0; pos <= w.size();) {
      const std::size_t len = pos < w.size() ? CharLength(w, pos) : 0;
      if (pos == w.size() || IsFoldable(w, pos, len) || (len == 1 && w[pos] == '\n')) {
        if (run.size() > best.size()) best = run;
        run.clear();
        if (pos == w.size()) break;
      } else {
        run.append(w.substr(pos, len));
      }
      pos += len;
    }
    literals_.push_back(best);
  }
}

bool LogMatcher::MayMatch(std::string_view text) const {
  if (words_.empty()) return false;
  for (const auto& lit : literals_) {
    if (lit.empty()) continue;
    if (text.find(lit) == std::string_view::npos) return false;
  }
  return true;
}

bool LogMatcher::Match(std::string_view line,
                       std::vector<std::pair<std::size_t, std::size_t>>* marks) const {
  if (words_.empty()) return false;
  // Most lines hold none of the literal runs; they are ruled out without folding.
  for (const auto& lit : literals_)
    if (!lit.empty() && line.find(lit) == std::string_view::npos) return false;
  thread_local std::string folded;
  thread_local std::vector<std::size_t> map;
  thread_local std::vector<bool> start;
  FoldWithMap(line, folded, map, start);
  std::vector<std::pair<std::size_t, std::size_t>> found;
  for (const auto& w : words_) {
    bool any = false;
    for (std::size_t pos = folded.find(w); pos != std::string::npos;
         pos = folded.find(w, pos + 1)) {
      const std::size_t stop = pos + w.size();
      // Inside a double-byte character at either end: not a match.
      if (!start[pos] || (stop < folded.size() && !start[stop])) continue;
      any = true;
      if (!marks) break;
      found.emplace_back(map[pos], map[stop] - map[pos]);
      pos += w.size() - 1;
    }
    if (!any) return false;
  }
  if (marks) {
    std::sort(found.begin(), found.end());
    marks->clear();
    for (const auto& m : found) {
      if (!marks->empty() && m.first < marks->back().first + marks->back().second) {
        auto& last = marks->back();
        last.second = std::max(last.first + last.second, m.first + m.second) - last.first;
      } else {
        marks->push_back(m);
      }
    }
  }
  return true;
}

std::string LogHit::Time() const {
  if (Line.size() >= 5 && Line[2] == ':' && std::isdigit(static_cast<unsigned char>(Line[0])) &&
      std::isdigit(static_cast<unsigned char>(Line[1])) &&
      std::isdigit(static_cast<unsigned char>(Line[3])) &&
      std::isdigit(static_cast<unsigned char>(Line[4])))
    return Line.substr(0, 5);
  return {};
}

namespace {

// "yyyymmdd.txt" -> yyyymmdd, or 0.
int DateOfFileName(std::string_view name) {
  if (name.size() != 12 || name.substr(8) != ".txt") return 0;
  int date = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    if (name[i] < '0' || name[i] > '9') return 0;
    date = date * 10 + (name[i] - '0');
  }
  return date;
}

std::vector<std::string> ListDir(const std::string& native, bool folders) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(native.c_str());
  if (!dir) return names;
  while (dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    bool isDir = e->d_type == DT_DIR;
    if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
      struct stat st {};
      isDir = ::stat((native + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    if (isDir == folders) names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

}  // namespace

std::vector<LogFileRef> ListLogFiles(const std::string& logFolder, const LogSearchQuery& query) {
  std::vector<LogFileRef> files;
  std::string nativeLog;
  if (!ToNativePath(logFolder, nativeLog)) return files;
  for (const auto& folder : ListDir(nativeLog, true)) {
    std::string room;
    if (!FromNativePath(folder, room)) continue;
    if (!query.Room.empty() && room != query.Room) continue;
    const std::string roomPath = JoinPath(logFolder, room);
    for (const auto& name : ListDir(nativeLog + "/" + folder, false)) {
      const int date = DateOfFileName(name);
      if (!date || date < query.FromDate || date > query.ToDate) continue;
      files.push_back({room, date, JoinPath(roomPath, name)});
    }
  }
  std::sort(files.begin(), files.end(), [](const LogFileRef& a, const LogFileRef& b) {
    return a.Date != b.Date ? a.Date > b.Date : a.Room < b.Room;
  });
  return files;
}

std::vector<std::string_view> SplitLogLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    std::size_t stop = end;
    if (stop > pos && text[stop - 1] == '\r') --stop;
    lines.push_back(text.substr(pos, stop - pos));
    pos = next;
  }
  return lines;
}

bool ReadLogFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  std::string native;
  if (!ToNativePath(path, native)) return false;
  const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && st.st_size > 0) bytes.reserve(static_cast<std::size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;  // an error part way keeps what was read
    bytes.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return true;
}

std::size_t SearchLogs(const std::string& logFolder, const LogSearchQuery& query,
                       const std::atomic<bool>& cancel, const std::function<bool(LogHit&&)>& sink) {
  const LogMatcher matcher(query.Words);
  if (matcher.Empty()) return 0;
  std::size_t looked = 0, hits = 0;
  std::string bytes;
  for (const auto& file : ListLogFiles(logFolder, query)) {
    if (cancel.load(std::memory_order_relaxed)) break;
    ++looked;
    if (!ReadLogFile(file.Path, bytes) || !matcher.MayMatch(bytes)) continue;
    const auto lines = SplitLogLines(bytes);
    for (std::size_t i = lines.size(); i-- > 0;) {
      if (cancel.load(std::memory_order_relaxed)) return looked;
      LogHit hit;
      if (!matcher.Match(lines[i], &hit.Marks)) continue;
      hit.Room = file.Room;
      hit.Date = file.Date;
      hit.LineIndex = i;
      hit.Line = std::string(lines[i]);
      if (!sink(std::move(hit)) || ++hits >= query.MaxHits) return looked;
    }
  }
  return looked;
}

}  // namespace vostrelle
