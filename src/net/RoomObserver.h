#pragma once
// What a room session reports, slot by slot, to the objects attached to it.

#include <cstdint>
#include <string>

namespace vostrelle {

class RoomSession;

// Why a member record is removed. The session itself uses only Left and Dropped.
enum RemovalReason : int {
  kRemovalLeft = 0,     // a "Part", or a repeated "Join"
  kRemovalDropped = 1,  // silent too long
};

class RoomObserver {
 public:
  virtual void OnFileOffered(RoomSession* session, int member, const std::string& id,
                             const std::string& fileName, std::uint32_t fileSize,
                             std::uint32_t port);
  virtual void OnSendFileRequest(RoomSession* session, int member, const std::string& path);
  virtual void OnLeaving(RoomSession* session);
  virtual void OnInformation(RoomSession* session, const std::string& name,
                             const std::string& realName, const std::string& version);
  virtual void OnMemberAdded(RoomSession* session, int member);
  // The record is still in the table during the call.
  virtual void OnMemberRemoved(RoomSession* session, int member, int reason);
  virtual void OnJoined(RoomSession* session);
  virtual void OnMessage(RoomSession* session, int member, const std::string& name,
                         const std::string& text);
  virtual void OnLineEntered(RoomSession* session, int member, const std::string& name,
                             const std::string& text);
  virtual void OnMemberRenamed(RoomSession* session, int member, const std::string& oldName,
                               const std::string& newName);
  // The session is being destroyed; the base forgets its pointer.
  virtual void OnSessionDestroyed(RoomSession* session);
  virtual void OnAttached(RoomSession* session);
  virtual ~RoomObserver() = default;

  // The session that notified last (it stores itself before every notification).
  RoomSession* Session() const { return session_; }
  void SetSession(RoomSession* session) { session_ = session; }

 private:
  RoomSession* session_ = nullptr;
};

}  // namespace vostrelle
