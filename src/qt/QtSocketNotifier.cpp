#include "qt/QtSocketNotifier.h"

#include <poll.h>

namespace vostrelle {
namespace {
constexpr int kBurst = 64;
}  // namespace

QtSocketNotifier::~QtSocketNotifier() {
  for (auto& [fd, notifier] : notifiers_) Retire(notifier);
}

void QtSocketNotifier::Retire(QSocketNotifier* notifier) {
  if (!notifier) return;
  notifier->setEnabled(false);
  QObject::disconnect(notifier, nullptr, nullptr, nullptr);
  notifier->deleteLater();
}

void QtSocketNotifier::Watch(int fd, std::function<void()> onReadable) {
  Unwatch(fd);
  auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
  // The handler is shared with the connection so that it outlives an Unwatch from
  // inside itself.
  auto handler = std::make_shared<std::function<void()>>(std::move(onReadable));
  QPointer<QSocketNotifier> self = notifier;
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [handler, self, fd] {
    auto keep = handler;
    // A burst is taken in one go, up to a bound: one event-loop turn (and one repaint
    // of the views) per datagram would leave a flooded window far behind, while the
    // bound keeps input and painting flowing.
    for (int turn = 0; turn < kBurst; ++turn) {
      (*keep)();
      if (!self || !self->isEnabled()) return;
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 0) <= 0 || !(p.revents & POLLIN)) return;
    }
  });
  notifiers_[fd] = notifier;
}

void QtSocketNotifier::Unwatch(int fd) {
  auto it = notifiers_.find(fd);
  if (it == notifiers_.end()) return;
  QPointer<QSocketNotifier> notifier = it->second;
  notifiers_.erase(it);
  Retire(notifier);
}

}  // namespace vostrelle
