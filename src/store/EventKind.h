#pragma once
// What one line of a room is: the views colour it by this and the log writes it by it.

namespace vostrelle {

enum EventKind : int {
  kEventMessage = 1,     // a message from another member
  kEventNameCalled = 2,  // a message that contains the user's name in this room
  kEventOwnLine = 3,     // the user's own line
  kEventSystem = 4,      // a system text, already formatted
};

}  // namespace vostrelle
