#pragma once
// The document's chat logs: one per room display name, made on demand.

#include <map>
#include <memory>
#include <string>

#include "ChatLog.h"

namespace vostrelle {

class ChatLogRegistry {
 public:
  // The log of a room display name, or nullptr while logging is off. Creates the log
  // folder and the room folder (one level each) when they are missing.
  ChatLog* GetLog(const std::string& displayName, bool save, const std::string& logFolder);
  // Closes and forgets the log of that display name.
  void Remove(const std::string& displayName);
  // After the options changed: with logging off every log is closed and forgotten.
  void TakeUpSettings(bool save);
  std::size_t Count() const { return logs_.size(); }

 private:
  std::map<std::string, std::unique_ptr<ChatLog>> logs_;
};

}  // namespace vostrelle
