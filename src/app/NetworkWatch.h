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

  // notifier: where the kernel's address messages are heard; nullptr hears none.
  NetworkWatch(CVostrelleDoc& doc, SocketNotifier* notifier, std::chrono::milliseconds tick,
               AwayDetector::Clock clock = ReadSystemClocks,
               std::chrono::milliseconds checkInterval = kCheckInterval, QObject* parent = nullptr);

 private slots:
  // logind's word that the machine is about to sleep (true) or has woken (false).
  void OnPrepareForSleep(bool sleeping);

 private:
  void CheckAway(bool woke);

  RoomKeeper keeper_;
  AwayDetector away_;
  AddressWatch addresses_;
  QTimer check_;
};

}  // namespace vostrelle
