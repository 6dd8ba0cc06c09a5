#include "platform/qt/QtSocketNotifier.h"

namespace vostrelle {

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
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [handler] {
    auto keep = handler;
    (*keep)();
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
