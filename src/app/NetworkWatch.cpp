#include "app/NetworkWatch.h"

#include <algorithm>

#ifdef VOSTRELLE_HAVE_DBUS
#include <QDBusConnection>
#endif

namespace vostrelle {

NetworkWatch::NetworkWatch(CVostrelleDoc& doc, SocketNotifier* notifier,
                           std::chrono::milliseconds tick, AwayDetector::Clock clock,
                           std::chrono::milliseconds checkInterval, QObject* parent)
    : QObject(parent),
      keeper_(doc, tick),
      // A busy event loop may hold a check up by a moment; that is no absence.
      away_(checkInterval, std::chrono::milliseconds(3000), std::move(clock)) {
  // Without the kernel's messages the rooms simply keep what they had at start.
  if (notifier) addresses_.Open(notifier, [this] { keeper_.OnAddressesChanged(); });
  check_.setInterval(checkInterval);
  connect(&check_, &QTimer::timeout, this, [this] { CheckAway(false); });
  check_.start();
#ifdef VOSTRELLE_HAVE_DBUS
  // The clocks notice a sleep too, within one check; logind tells it at once.
  QDBusConnection::systemBus().connect(
      QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
      QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
      SLOT(OnPrepareForSleep(bool)));
#endif
}

void NetworkWatch::OnPrepareForSleep(bool sleeping) {
  if (!sleeping) CheckAway(true);
}

void NetworkWatch::CheckAway(bool woke) {
  std::chrono::milliseconds away = away_.Check();
  // Told of a wake, even a sleep shorter than the checks' slack counts.
  if (woke) away = std::max(away, away_.LastSlept());
  keeper_.OnAway(away);
}

}  // namespace vostrelle
