#pragma once
// Tells the rooms' keeper when the local addresses change and when the program comes
// back from a sleep or a stall.

#include <QObject>
#include <QTimer>
#include <chrono>

#include "doc/RoomKeeper.h"
#include "platform/AddressWatch.h"
#include "platform/AwayDetector.h"

namespace vostrelle {

class CVostrelleDoc;
class SocketNotifier;

class NetworkWatch : public QObject {
  Q_OBJECT
 public:
  // How often the clocks are compared: a wake is noticed within this time.
  static constexpr std::chrono::milliseconds kCheckInterval{2000};

  NetworkWatch(CVostrelleDoc& doc, SocketNotifier& notifier, std::chrono::milliseconds tick,
               QObject* parent = nullptr);

 private:
  RoomKeeper keeper_;
  AwayDetector away_;
  AddressWatch addresses_;
  QTimer check_;
};

}  // namespace vostrelle
