#pragma once
// Delivers "a socket is readable" on the user-interface thread. The program installs
// the Qt implementation; core tests and benchmarks use PollLoop.

#include <functional>
#include <map>

namespace vostrelle {

class SocketNotifier {
 public:
  virtual ~SocketNotifier() = default;
  // Calls onReadable on the user-interface thread each time fd has data. Watching an
  // fd again replaces its handler.
  virtual void Watch(int fd, std::function<void()> onReadable) = 0;
  // Stops the notifications for fd; safe to call from inside its own handler.
  virtual void Unwatch(int fd) = 0;
};

// A small poll(2)-based loop for code that runs without a window system.
class PollLoop : public SocketNotifier {
 public:
  void Watch(int fd, std::function<void()> onReadable) override;
  void Unwatch(int fd) override;
  // Waits up to timeoutMs for readiness and runs the handlers of the ready fds once.
  // Returns the number of handlers run.
  int RunOnce(int timeoutMs);
  // Runs until a wait of quietMs passes with nothing ready, or maxMs has passed.
  void RunUntilQuiet(int quietMs, int maxMs = 5000);
  // Runs until done() holds, checked after every wake, or maxMs has passed. Returns
  // whether done() held.
  bool RunUntil(const std::function<bool()>& done, int maxMs = 10000);
  std::size_t watched() const { return handlers_.size(); }

 private:
  std::map<int, std::function<void()>> handlers_;
};

}  // namespace vostrelle
