#include "qt/TerminationSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace vostrelle {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int kCount = sizeof kSignals / sizeof kSignals[0];
int pipeFds[2] = {-1, -1};
// What each signal did before; restored when the catcher goes.
struct sigaction previous[kCount];
bool caught[kCount] = {};
// Set once an end is under way: asked for by a signal or begun by the program.
volatile sig_atomic_t ending = 0;

// Only async-signal-safe calls here: one write, errno kept for the interrupted code.
void OnSignal(int signalNumber) {
  // A second Ctrl+C (or SIGTERM) while the end hangs: end now, as the default action
  // does. Logs go out a whole line per write and settings through a renamed temporary
  // file, so what is on disk stays whole.
  if (ending && signalNumber != SIGHUP) {
    ::signal(signalNumber, SIG_DFL);
    ::raise(signalNumber);
    return;
  }
  ending = 1;
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(signalNumber);
  [[maybe_unused]] const ssize_t n = write(pipeFds[1], &byte, 1);
  errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
  if (pipeFds[0] >= 0 || pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::Drain);
  ending = 0;
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int i = 0; i < kCount; ++i) {
    caught[i] = false;
    if (sigaction(kSignals[i], nullptr, &previous[i]) != 0) continue;
    // Ignored by whoever started us (nohup, a background job): it stays ignored.
    if (!(previous[i].sa_flags & SA_SIGINFO) && previous[i].sa_handler == SIG_IGN) continue;
    caught[i] = sigaction(kSignals[i], &action, nullptr) == 0;
  }
}

TerminationSignals::~TerminationSignals() {
  if (!notifier_) return;
  for (int i = 0; i < kCount; ++i) {
    if (caught[i]) sigaction(kSignals[i], &previous[i], nullptr);
    caught[i] = false;
  }
  delete notifier_;
  close(pipeFds[0]);
  close(pipeFds[1]);
  pipeFds[0] = pipeFds[1] = -1;
}

bool TerminationSignals::IsCaught(int signalNumber) {
  for (int i = 0; i < kCount; ++i)
    if (kSignals[i] == signalNumber) return caught[i];
  return false;
}

void TerminationSignals::EndStarted() {
  ending = 1;
}

void TerminationSignals::Drain() {
  unsigned char byte;
  while (read(pipeFds[0], &byte, 1) == 1) emit Received(byte);
}

}  // namespace vostrelle
