#pragma once
// One file being sent or received. Lists own their entries; each worker owns a copy.

#include <cstdint>
#include <string>

#include "net/ProtocolTable.h"
#include "platform/Ipv4.h"

namespace vostrelle {

class RoomSession;

enum class TransferState : std::int32_t {
  Waiting = 0,
  AwaitingResponse = 1,
  Transferring = 2,
  Failed = 3,
  Done = 4,
};

struct TransferItem {
  TransferState State = TransferState::Waiting;
  std::uint32_t BytesDone = 0;
  std::uint32_t Size = 0;
  std::int32_t Port = kFilePort;
  Ipv4 MemberAddress = 0;
  RoomSession* Session = nullptr;  // not owned; cleared when the session goes away
  std::string LocalPath;           // CP932
  std::string NativePath;          // a received file's LocalPath as the system spells it
  std::string ID;
  std::string Room;
  std::string MemberName;
  std::string FileName;

  // An entry is identified by (member address, ID, room), strings compared exactly.
  bool Matches(Ipv4 address, const std::string& id, const std::string& room) const {
    return MemberAddress == address && ID == id && Room == room;
  }
};

}  // namespace vostrelle
