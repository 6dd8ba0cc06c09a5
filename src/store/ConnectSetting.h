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

  // Equal when ConnectTo and RoomName are equal, byte for byte.
  friend bool operator==(const ConnectSetting& a, const ConnectSetting& b) {
    return a.ConnectTo == b.ConnectTo && a.RoomName == b.RoomName;
  }

  // A new setting prefilled from another: ConnectTo, NetMask, RealName and Name.
  void PrefillFrom(const ConnectSetting& other) {
    ConnectTo = other.ConnectTo;
    NetMask = other.NetMask;
    RealName = other.RealName;
    Name = other.Name;
  }
};

}  // namespace vostrelle
