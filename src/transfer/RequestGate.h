#pragma once
// The admission of accepted connections that have not named their entry yet.

#include <map>
#include <mutex>
#include <set>

#include "platform/Ipv4.h"

namespace vostrelle {

// Counts the accepted connections that have not yet been matched to an entry (their
// request is still awaited, or names nothing to send), so that idle, slow or merely
// numerous peers cannot take a thread and a descriptor each without limit. Members
// the send list expects a request from get room of their own, so a stranger flooding
// the port cannot lock out a receiver. Shared by the listener (admits), the workers
// (release once matched to an entry or ended) and the list (names the members).
class RequestGate {
 public:
  static constexpr int kMaxWaiting = 64;
  static constexpr int kMaxStrangers = 16;
  static constexpr int kPerStranger = 4;
  static constexpr int kPerMember = 8;

  // Takes a slot for the connection fd from address; false when it must be closed.
  bool Admit(int fd, Ipv4 address);
  // Gives the slot of fd back; call before fd is closed (the number is reused).
  void Release(int fd);
  void SetMembers(std::set<Ipv4> members);
  int Waiting() const;

 private:
  struct Slot {
    Ipv4 Address;
    bool Stranger;
  };
  mutable std::mutex mutex_;
  std::map<int, Slot> slots_;
  std::map<Ipv4, int> perAddress_;
  std::set<Ipv4> members_;
  int strangers_ = 0;
};

}  // namespace vostrelle
