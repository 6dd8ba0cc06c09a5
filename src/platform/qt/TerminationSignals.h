#pragma once
// SIGTERM, SIGINT and SIGHUP (a logout, Ctrl+C, a closed terminal) as a Qt signal on the
// user-interface thread, so that the program can end in order: leave its rooms, stop
// its transfers, close its logs. The handler only writes the number to a pipe.

#include <QObject>

class QSocketNotifier;

namespace vostrelle {

class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  // Catches the three signals for the life of this object; one object at a time.
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

  bool IsInstalled() const { return notifier_ != nullptr; }

 signals:
  // Once per signal caught, from the event loop.
  void Received(int signalNumber);

 private:
  void Drain();

  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace vostrelle
