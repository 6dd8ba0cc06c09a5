#pragma once
// One room's daily chat log: "%Y%m%d.txt" in the room's log folder, opened for append
// and never truncated, CP932 lines ended by CR LF.

#include <ctime>
#include <string>

#include "EventKind.h"

namespace vostrelle {

class ChatLog {
 public:
  // folder is the room's log folder (CP932). Nothing touches the disk yet.
  explicit ChatLog(std::string folder);
  ~ChatLog();
  ChatLog(const ChatLog&) = delete;
  ChatLog& operator=(const ChatLog&) = delete;

  bool Open();
  void Close();
  // Switches to the file of time's local date when that differs from the current one.
  void CheckDate(std::time_t time);
  // Appends the line's bytes. A line that cannot be written is dropped (false); after a
  // failed write the file is closed, so the next line tries to open it again.
  bool Write(const std::string& line);

  bool IsOpen() const { return fd_ >= 0; }
  const std::string& FileName() const { return fileName_; }
  const std::string& Folder() const { return folder_; }

 private:
  std::string fileName_;
  std::string folder_;
  int fd_ = -1;
};

// "%Y%m%d.txt" and "%H:%M" of a time, in local time.
std::string LogFileNameFor(std::time_t time);
std::string LogTimeText(std::time_t time);

// One log line for an entry of the given kind; empty for a value outside the enum.
std::string FormatLogLine(EventKind kind, const std::string& timeText, const std::string& name,
                          const std::string& text);

}  // namespace vostrelle
