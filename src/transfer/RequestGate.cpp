#include "RequestGate.h"

namespace vostrelle {

bool RequestGate::Admit(int fd, Ipv4 address) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (static_cast<int>(slots_.size()) >= kMaxWaiting) return false;
  const bool stranger = members_.count(address) == 0;
  int& count = perAddress_[address];
  if (count >= (stranger ? kPerStranger : kPerMember) ||
      (stranger && strangers_ >= kMaxStrangers)) {
    if (count == 0) perAddress_.erase(address);
    return false;
  }
  ++count;
  if (stranger) ++strangers_;
  slots_[fd] = Slot{address, stranger};
  return true;
}

void RequestGate::Release(int fd) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto slot = slots_.find(fd);
  if (slot == slots_.end()) return;
  const auto count = perAddress_.find(slot->second.Address);
  if (count != perAddress_.end() && --count->second <= 0) perAddress_.erase(count);
  if (slot->second.Stranger) --strangers_;
  slots_.erase(slot);
}

void RequestGate::SetMembers(std::set<Ipv4> members) {
  std::lock_guard<std::mutex> lock(mutex_);
  members_ = std::move(members);
}

int RequestGate::Waiting() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(slots_.size());
}

}  // namespace vostrelle
