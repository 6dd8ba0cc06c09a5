#pragma once
// What the document hands to the views (hint 9) and then to the room's log for one
// event of a room.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "platform/Document.h"
#include "store/EventKind.h"

namespace vostrelle {

class RoomSession;

struct EventEntry {
  EventKind Kind;
  int Member;        // index into the session's member table; 0 for system texts
  std::string Text;  // CP932, without a line end
  // The name the notification carried, for when the table changed before the log
  // line is written.
  std::string Name;
};

class EventBatch : public HintObject {
 public:
  EventBatch(RoomSession* session, std::int64_t time, bool isCurrent)
      : Session(session), Time(time), IsCurrent(isCurrent) {}

  void Add(EventKind kind, int member, std::string text, std::string name = {}) {
    Entries.push_back({kind, member, std::move(text), std::move(name)});
  }

  std::vector<EventEntry> Entries;
  RoomSession* Session;  // not owned
  std::int64_t Time;     // seconds since 1970-01-01 UTC, one for all entries
  bool IsCurrent;
};

// The system texts, CP932, filled in.
namespace event_text {
std::string Connected(const std::string& roomDisplayName, const std::string& connectTo);
std::string InfoName(const std::string& name);
std::string InfoRealName(const std::string& realName);
std::string InfoVersion(const std::string& version);
std::string Joined(const std::string& name);
std::string Removed(const std::string& name, int reason);
std::string Renamed(const std::string& oldName, const std::string& newName);
// Follows the user's own line when it could not go out to the room's members.
std::string SendFailed();
// A room to join at start whose network has no local address yet.
std::string WaitingForNetwork(const std::string& roomDisplayName, const std::string& connectTo);
}  // namespace event_text

}  // namespace vostrelle
