#include "app/DesktopIntegration.h"

#include <QGuiApplication>
#include <QSystemTrayIcon>

#include "qt/QtText.h"

#ifdef VOSTRELLE_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#endif

namespace vostrelle {
namespace {

#ifdef VOSTRELLE_HAVE_DBUS
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

QDBusMessage NotificationCall(const QString& method) {
  return QDBusMessage::createMethodCall(kService, kPath, kService, method);
}
#endif

}  // namespace

FreedesktopNotifier::FreedesktopNotifier(QObject* trayOwner, QObject* parent)
    : QObject(parent), trayOwner_(trayOwner) {
#ifdef VOSTRELLE_HAVE_DBUS
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  // The server tells every client of every click; the id says which was ours.
  bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
              SLOT(OnActionInvoked(uint, QString)));
  bus.connect(kService, kPath, kService, QStringLiteral("ActivationToken"), this,
              SLOT(OnActivationToken(uint, QString)));
  // Asked once, without waiting: the answer is long back before the first name call.
  auto* watcher = new QDBusPendingCallWatcher(
      bus.asyncCall(NotificationCall(QStringLiteral("GetCapabilities"))), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    QDBusPendingReply<QStringList> reply = *w;
    if (reply.isValid()) bodyMarkup_ = reply.value().contains(QStringLiteral("body-markup"));
    w->deleteLater();
  });
#endif
}

void FreedesktopNotifier::Notify(const QString& title, const QString& body) {
#ifdef VOSTRELLE_HAVE_DBUS
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected()) {
    QDBusMessage call = NotificationCall(QStringLiteral("Notify"));
    const QVariantMap hints = {{QStringLiteral("desktop-entry"), QStringLiteral("vostrelle")},
                               {QStringLiteral("category"), QStringLiteral("im.received")}};
    call << QStringLiteral("Vostrelle") << lastId_ << QStringLiteral("vostrelle") << title
         << (bodyMarkup_ ? body.toHtmlEscaped() : body)
         << QStringList{QStringLiteral("default"), QStringLiteral("表示する")} << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, title, body](QDBusPendingCallWatcher* w) {
              QDBusPendingReply<unsigned> reply = *w;
              if (reply.isValid())
                lastId_ = reply.value();
              else
                ShowInTray(title, body);  // no notification service on this bus
              w->deleteLater();
            });
    return;
  }
#endif
  ShowInTray(title, body);
}

void FreedesktopNotifier::OnActionInvoked(uint id, const QString& action) {
  if (id == 0 || id != lastId_ || action != QLatin1String("default")) return;
  Activated();
}

void FreedesktopNotifier::OnActivationToken(uint id, const QString& token) {
  // Comes just before the action; Qt's Wayland plugin takes it from the environment
  // when the window next asks to be activated.
  if (id == 0 || id != lastId_ || token.isEmpty()) return;
  qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
}

void FreedesktopNotifier::ShowInTray(const QString& title, const QString& body) {
  auto* tray = trayOwner_ ? trayOwner_->findChild<QSystemTrayIcon*>() : nullptr;
  if (tray && tray->isVisible()) tray->showMessage(title, body, QSystemTrayIcon::Information);
}

QString NameCallTitle(const std::string& roomLabel) {
  return QStringLiteral("名前を呼ばれました - %1").arg(ToQString(roomLabel));
}

QString NameCallBody(const std::string& name, const std::string& line) {
  return QStringLiteral("[%1] %2").arg(ToQString(name), ToQString(line));
}

bool GlobalHotKeysPossible() {
  if (QGuiApplication::platformName().startsWith(QStringLiteral("wayland"))) return false;
#if QT_CONFIG(xcb)
  // Offscreen and other platforms give the interface without a connection.
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 && x11->connection();
#else
  return false;
#endif
}

}  // namespace vostrelle
