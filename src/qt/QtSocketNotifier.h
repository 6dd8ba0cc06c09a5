#pragma once
// Socket readiness on the Qt event loop.

#include <QPointer>
#include <QSocketNotifier>
#include <functional>
#include <map>
#include <memory>

#include "platform/SocketNotifier.h"

namespace vostrelle {

class QtSocketNotifier : public SocketNotifier {
 public:
  QtSocketNotifier() = default;
  ~QtSocketNotifier() override;
  QtSocketNotifier(const QtSocketNotifier&) = delete;
  QtSocketNotifier& operator=(const QtSocketNotifier&) = delete;

  void Watch(int fd, std::function<void()> onReadable) override;
  void Unwatch(int fd) override;
  std::size_t watched() const { return notifiers_.size(); }

 private:
  // A notifier may be running its own handler when it is dropped, so it is disabled
  // at once and deleted by the event loop.
  static void Retire(QSocketNotifier* notifier);

  std::map<int, QPointer<QSocketNotifier>> notifiers_;
};

}  // namespace vostrelle
