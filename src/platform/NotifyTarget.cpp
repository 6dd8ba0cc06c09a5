#include "NotifyTarget.h"

#include <chrono>

namespace vostrelle {

bool NotifyTarget::Post(unsigned message, std::uintptr_t wParam) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (closed_) return false;
  const bool wasEmpty = queue_.empty();
  queue_.emplace_back(message, wParam);
  if (wasEmpty) Wake();
  return true;
}

void NotifyTarget::SetHandler(Handler handler) {
  std::lock_guard<std::mutex> lock(mutex_);
  handler_ = std::move(handler);
}

std::size_t NotifyTarget::DeliverPending() {
  std::size_t delivered = 0;
  for (;;) {
    std::pair<unsigned, std::uintptr_t> message;
    Handler handler;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (closed_ || queue_.empty()) return delivered;
      message = queue_.front();
      queue_.pop_front();
      handler = handler_;
    }
    ++delivered;
    if (handler) handler(message.first, message.second);
  }
}

void NotifyTarget::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  queue_.clear();
  handler_ = nullptr;
}

std::deque<std::pair<unsigned, std::uintptr_t>> NotifyTarget::CloseAndTake() {
  std::deque<std::pair<unsigned, std::uintptr_t>> taken;
  {
    // Closed in the same step: nothing posted later can slip in and be dropped.
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    taken.swap(queue_);
  }
  Close();
  return taken;
}

bool NotifyTarget::IsClosed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return closed_;
}

std::size_t NotifyTarget::Pending() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_.size();
}

void QueueNotifyTarget::Wake() {
  std::lock_guard<std::mutex> lock(wakeMutex_);
  ++wakes_;
  wakeCv_.notify_all();
}

bool QueueNotifyTarget::PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    std::uint64_t seen;
    {
      std::lock_guard<std::mutex> lock(wakeMutex_);
      seen = wakes_;
    }
    DeliverPending();
    if (done()) return true;
    std::unique_lock<std::mutex> lock(wakeMutex_);
    // A short slice as well: done() may turn true without a message (a thread ending).
    const auto slice =
        std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(20));
    wakeCv_.wait_until(lock, slice, [&] { return wakes_ != seen; });
    if (std::chrono::steady_clock::now() >= deadline) {
      lock.unlock();
      DeliverPending();
      return done();
    }
  }
}

}  // namespace vostrelle
