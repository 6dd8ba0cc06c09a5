#pragma once
// Worker messages delivered on the Qt event loop: a post wakes the loop with one
// queued call, which hands over everything that is pending.

#include <QObject>
#include <memory>

#include "platform/NotifyTarget.h"

namespace vostrelle {

class QtNotifyTarget : public NotifyTarget, public std::enable_shared_from_this<QtNotifyTarget> {
 public:
  // Make it with std::make_shared. context lives on the user-interface thread and
  // outlives every target (the application object does).
  explicit QtNotifyTarget(QObject* context) : context_(context) {}

 protected:
  void Wake() override;

 private:
  QObject* context_;
};

}  // namespace vostrelle
