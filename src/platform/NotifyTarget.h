#pragma once
// Messages from worker threads to the user-interface thread. Any thread may post; the
// messages are handed, one at a time and in the order posted, to one handler on the
// user-interface thread. A backend only has to say how that thread is woken: the Qt
// one posts an event whose handler calls DeliverPending(); tests drain the queue.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

namespace vostrelle {

// Message numbers are WM_APP based, as the protocol's lists number them.
inline constexpr unsigned kWmApp = 0x8000;

class NotifyTarget {
 public:
  // Answers whether the message was handled; unhandled ones are dropped.
  using Handler = std::function<bool(unsigned message, std::uintptr_t wParam)>;

  NotifyTarget() = default;
  NotifyTarget(const NotifyTarget&) = delete;
  NotifyTarget& operator=(const NotifyTarget&) = delete;
  virtual ~NotifyTarget() = default;

  // Any thread. Dropped (false) once the target is closed.
  bool Post(unsigned message, std::uintptr_t wParam);

  // User-interface thread.
  void SetHandler(Handler handler);
  // Hands every queued message to the handler; returns how many were handed. Taking one
  // message per turn keeps the order even when a handler runs a nested event loop.
  std::size_t DeliverPending();
  // No message is delivered or accepted any more; what is queued is discarded. Workers
  // may hold the target longer than its list lives, so posting must stay harmless.
  virtual void Close();
  // Closes the target and gives what was still queued, for messages that carry a
  // resource (an accepted socket) that must not be dropped unseen.
  std::deque<std::pair<unsigned, std::uintptr_t>> CloseAndTake();
  bool IsClosed() const;
  std::size_t Pending() const;

 protected:
  // Called with the queue lock held whenever the queue turns non-empty; must not block
  // and must not call back into the target. Runs on the posting thread.
  virtual void Wake() = 0;

 private:
  mutable std::mutex mutex_;
  std::deque<std::pair<unsigned, std::uintptr_t>> queue_;
  Handler handler_;
  bool closed_ = false;
};

// The core implementation: nothing wakes a loop; the owner pumps the queue itself.
class QueueNotifyTarget : public NotifyTarget {
 public:
  std::size_t Drain() { return DeliverPending(); }
  // Delivers messages as they come until done() holds or timeoutMs passes; true when
  // done() held. done is checked after each batch, on the calling thread.
  bool PumpUntil(const std::function<bool()>& done, int timeoutMs);

 protected:
  void Wake() override;

 private:
  std::mutex wakeMutex_;
  std::condition_variable wakeCv_;
  std::uint64_t wakes_ = 0;
};

}  // namespace vostrelle
