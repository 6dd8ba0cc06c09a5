#include "ChatLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FileSystem.h"

namespace vostrelle {

namespace {
std::string FormatLocal(std::time_t time, const char* pattern) {
  std::tm tm{};
  localtime_r(&time, &tm);
  char buf[32];
  const std::size_t n = std::strftime(buf, sizeof buf, pattern, &tm);
  return std::string(buf, n);
}
}  // namespace

std::string LogFileNameFor(std::time_t time) {
  return FormatLocal(time, "%Y%m%d.txt");
}
std::string LogTimeText(std::time_t time) {
  return FormatLocal(time, "%H:%M");
}

std::string FormatLogLine(EventKind kind, const std::string& timeText, const std::string& name,
                          const std::string& text) {
  switch (kind) {
    case kEventMessage:
    case kEventNameCalled:
      return timeText + " [" + name + "] " + text + "\r\n";
    case kEventOwnLine:
      return timeText + " (" + name + ") " + text + "\r\n";
    case kEventSystem:
      return timeText + " " + text + "\r\n";
    default:
      return {};
  }
}

ChatLog::ChatLog(std::string folder)
    : fileName_(LogFileNameFor(std::time(nullptr))), folder_(std::move(folder)) {}

ChatLog::~ChatLog() {
  Close();
}

bool ChatLog::Open() {
  Close();
  // Others may read the file while we hold it, but not write it.
  fd_ = OpenExclusive(JoinPath(folder_, fileName_), O_WRONLY | O_CREAT | O_APPEND);
  return fd_ >= 0;
}

void ChatLog::Close() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
}

void ChatLog::CheckDate(std::time_t time) {
  std::string name = LogFileNameFor(time);
  if (name != fileName_) {
    Close();
    fileName_ = std::move(name);
  }
}

bool ChatLog::Write(const std::string& line) {
  if (!IsOpen() && !Open()) return false;
  // One write call per line, so that nothing already logged is lost on a crash.
  const char* p = line.c_str();
  std::size_t left = line.size();
  while (left > 0) {
    const ssize_t n = ::write(fd_, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Close();  // a full disk: drop the line, try again with the next one
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace vostrelle
