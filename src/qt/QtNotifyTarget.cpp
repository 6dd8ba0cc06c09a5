#include "qt/QtNotifyTarget.h"

#include <QMetaObject>

namespace vostrelle {

void QtNotifyTarget::Wake() {
  // Runs on the posting thread with the queue locked: only queue a call, never deliver.
  // The list may have dropped the target before the call runs.
  std::weak_ptr<QtNotifyTarget> weak = weak_from_this();
  QMetaObject::invokeMethod(
      context_,
      [weak] {
        if (auto target = weak.lock()) target->DeliverPending();
      },
      Qt::QueuedConnection);
}

}  // namespace vostrelle
