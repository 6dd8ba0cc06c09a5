#include "SocketNotifier.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace vostrelle {

void PollLoop::Watch(int fd, std::function<void()> onReadable) {
  handlers_[fd] = std::move(onReadable);
}

void PollLoop::Unwatch(int fd) {
  handlers_.erase(fd);
}

int PollLoop::RunOnce(int timeoutMs) {
  std::vector<pollfd> fds;
  fds.reserve(handlers_.size());
  for (const auto& [fd, handler] : handlers_) fds.push_back({fd, POLLIN, 0});
  if (fds.empty()) return 0;
  if (poll(fds.data(), fds.size(), timeoutMs) <= 0) return 0;
  int ran = 0;
  for (const pollfd& p : fds) {
    if (!(p.revents & (POLLIN | POLLERR | POLLHUP))) continue;
    auto it = handlers_.find(p.fd);
    if (it == handlers_.end()) continue;  // unwatched by an earlier handler
    auto handler = it->second;            // the handler may unwatch itself
    handler();
    ++ran;
  }
  return ran;
}

void PollLoop::RunUntilQuiet(int quietMs, int maxMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
  while (std::chrono::steady_clock::now() < end) {
    if (RunOnce(quietMs) == 0) return;
  }
}

bool PollLoop::RunUntil(const std::function<bool()>& done, int maxMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
  while (!done()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    RunOnce(static_cast<int>(std::min<long long>(left.count(), 100)));
  }
  return true;
}

}  // namespace vostrelle
