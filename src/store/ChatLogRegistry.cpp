#include "ChatLogRegistry.h"

#include "platform/FileSystem.h"

namespace vostrelle {

ChatLog* ChatLogRegistry::GetLog(const std::string& displayName, bool save,
                                 const std::string& logFolder) {
  if (!save) return nullptr;
  // The display name becomes a folder name: one that would step out of the log folder
  // gets no log rather than writing elsewhere.
  if (displayName == "." || displayName == ".." || displayName.find('/') != std::string::npos)
    return nullptr;
  if (auto it = logs_.find(displayName); it != logs_.end()) return it->second.get();
  if (!PathExists(logFolder)) MakeDirectory(logFolder);
  const std::string roomFolder = JoinPath(logFolder, displayName);
  if (!PathExists(roomFolder)) MakeDirectory(roomFolder);
  auto& slot = logs_[displayName];
  slot = std::make_unique<ChatLog>(roomFolder);
  return slot.get();
}

void ChatLogRegistry::Remove(const std::string& displayName) {
  logs_.erase(displayName);
}

void ChatLogRegistry::TakeUpSettings(bool save) {
  if (!save) logs_.clear();
}

}  // namespace vostrelle
