#pragma once
// SIGTERM, SIGINT and SIGHUP (a logout, Ctrl+C, a closed terminal) as a Qt signal on the
// user-interface thread, so that the program can end in order: leave its rooms, stop
// its transfers, close its logs. The handler only writes the number to a pipe. A signal
// that was ignored at start (nohup, a background job) stays ignored, and once an end is
// under way a further SIGINT or SIGTERM ends the program at once.

#include <QObject>

class QSocketNotifier;

namespace vostrelle {

class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  // Catches the three signals for the life of this object; one object at a time. What
  // each did before comes back when the object goes.
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

  bool IsInstalled() const { return notifier_ != nullptr; }
  // Whether the signal is caught here (false for one that was ignored at start).
  static bool IsCaught(int signalNumber);
  // The program began to end on its own (its window closed): from now on SIGINT and
  // SIGTERM end it at once, as after a first signal.
  static void EndStarted();

 signals:
  // Once per signal caught, from the event loop.
  void Received(int signalNumber);

 private:
  void Drain();

  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace vostrelle
