#pragma once
// One stored connection: the room a user can join.

#include <string>

namespace vostrelle {

struct ConnectSetting {
  std::string ConnectTo;  // dotted-decimal IPv4
  std::string NetMask;    // dotted-decimal IPv4
  std::string Name;
  std::string RealName;
  std::string RoomName;  // empty = the default room
  bool AutoConnect = false;
  // Further destinations of "Join" beyond the local network (hosts, or another
  // network's broadcast address), blank-separated dotted IPv4; kept as written.
  std::string ConnectAlso;

  // Equal when ConnectTo and RoomName are equal, byte for byte.
  friend bool operator==(const ConnectSetting& a, const ConnectSetting& b) {
    return a.ConnectTo == b.ConnectTo && a.RoomName == b.RoomName;
  }

  // A new setting prefilled from another: ConnectTo, NetMask, RealName and Name, and
  // the extra destinations, which belong to the network rather than to the room.
  void PrefillFrom(const ConnectSetting& other) {
    ConnectTo = other.ConnectTo;
    ConnectAlso = other.ConnectAlso;
    NetMask = other.NetMask;
    RealName = other.RealName;
    Name = other.Name;
  }
};

}  // namespace vostrelle
