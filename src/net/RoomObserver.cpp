#include "RoomObserver.h"

namespace vostrelle {

void RoomObserver::OnFileOffered(RoomSession*, int, const std::string&, const std::string&,
                                 std::uint32_t, std::uint32_t) {}
void RoomObserver::OnSendFileRequest(RoomSession*, int, const std::string&) {}
void RoomObserver::OnLeaving(RoomSession*) {}
void RoomObserver::OnInformation(RoomSession*, const std::string&, const std::string&,
                                 const std::string&) {}
void RoomObserver::OnMemberAdded(RoomSession*, int) {}
void RoomObserver::OnMemberRemoved(RoomSession*, int, int) {}
void RoomObserver::OnJoined(RoomSession*) {}
void RoomObserver::OnMessage(RoomSession*, int, const std::string&, const std::string&) {}
void RoomObserver::OnLineEntered(RoomSession*, int, const std::string&, const std::string&) {}
void RoomObserver::OnMemberRenamed(RoomSession*, int, const std::string&, const std::string&) {}
void RoomObserver::OnSessionDestroyed(RoomSession*) {
  session_ = nullptr;
}
void RoomObserver::OnAttached(RoomSession*) {}

}  // namespace vostrelle
