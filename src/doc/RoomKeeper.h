#pragma once
// Keeps the rooms in touch when the machine does not sit still: a network that comes up
// late, a changed address, a sleep or a stall. It only ever sends an ordinary "Join" or
// "Notice", at moments the others cannot tell from a user who just came in.

#include <chrono>
#include <string>

namespace vostrelle {

class CVostrelleDoc;

class RoomKeeper {
 public:
  // tick: the liveness tick; the others drop a silent member after six of theirs.
  RoomKeeper(CVostrelleDoc& doc, std::chrono::milliseconds tick);

  // The program was away this long (asleep or held up). Longer than the drop time, the
  // others have dropped us: every joined room says "Join". Shorter, they may have polled
  // us in vain: every member hears a "Notice".
  void OnAway(std::chrono::milliseconds away);
  // Local addresses came or went: rooms waiting for their network join, rooms whose
  // address changed announce themselves from the new one.
  void OnAddressesChanged();

 private:
  CVostrelleDoc& doc_;
  std::chrono::milliseconds tick_;
};

}  // namespace vostrelle
