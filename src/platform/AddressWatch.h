#pragma once
// Hears from the kernel whenever an IPv4 address is added to or removed from an
// interface (its routing messages: no network manager needed, no polling).

#include <functional>

namespace vostrelle {

class SocketNotifier;

class AddressWatch {
 public:
  AddressWatch() = default;
  ~AddressWatch();
  AddressWatch(const AddressWatch&) = delete;
  AddressWatch& operator=(const AddressWatch&) = delete;

  // onChange runs on the notifier's thread once per burst of messages, after all that
  // had arrived were read. False when the kernel refused the subscription.
  bool Open(SocketNotifier* notifier, std::function<void()> onChange);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  // Reads what is waiting; true when at least one address message was among it.
  bool Drain();

 private:
  int fd_ = -1;
  SocketNotifier* notifier_ = nullptr;
};

}  // namespace vostrelle
