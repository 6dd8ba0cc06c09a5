#include "app/NetworkWatch.h"

namespace vostrelle {

NetworkWatch::NetworkWatch(CVostrelleDoc& doc, SocketNotifier& notifier,
                           std::chrono::milliseconds tick, QObject* parent)
    : QObject(parent),
      keeper_(doc, tick),
      // A busy event loop may hold a check up by a moment; that is no absence.
      away_(kCheckInterval, std::chrono::milliseconds(3000)) {
  // Without the kernel's messages the rooms simply keep what they had at start.
  addresses_.Open(&notifier, [this] { keeper_.OnAddressesChanged(); });
  check_.setInterval(kCheckInterval);
  connect(&check_, &QTimer::timeout, this, [this] { keeper_.OnAway(away_.Check()); });
  check_.start();
}

}  // namespace vostrelle
