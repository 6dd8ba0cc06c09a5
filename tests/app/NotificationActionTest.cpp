// The click on a name-call notification, over a session bus of the test's own. No
// notification server runs headless here without a display of its own, so a small
// stand-in owns org.freedesktop.Notifications: it answers Notify with an id, keeps the
// actions it was given, and sends the two signals a server sends on a click:
// ActivationToken, then ActionInvoked.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QtTest>

#include "app/DesktopIntegration.h"
#include "support/PrivateSessionBus.h"

using namespace vostrelle;

namespace {

std::string gBusAddress;
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

class FakeServer : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
 public:
  explicit FakeServer(QDBusConnection bus) : bus_(bus) {
    bus_.registerObject(kPath, this, QDBusConnection::ExportAllSlots);
    bus_.registerService(kService);
  }
  ~FakeServer() override {
    bus_.unregisterService(kService);
    bus_.unregisterObject(kPath);
  }
  void Click(uint id, const QString& token) {
    if (!token.isEmpty()) Emit(QStringLiteral("ActivationToken"), {id, token});
    Emit(QStringLiteral("ActionInvoked"), {id, QStringLiteral("default")});
  }
  QStringList actions;
  int notifies = 0;
  uint nextId = 40;

 public slots:
  QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }
  uint Notify(const QString&, uint replaces, const QString&, const QString&, const QString&,
              const QStringList& acts, const QVariantMap&, int) {
    actions = acts;
    ++notifies;
    return replaces ? replaces : ++nextId;
  }

 private:
  void Emit(const QString& name, const QVariantList& args) {
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kService, name);
    signal.setArguments(args);
    bus_.send(signal);
  }
  QDBusConnection bus_;
};

}  // namespace

class NotificationActionTest : public QObject {
  Q_OBJECT
 private slots:
  void ClickOnOurNotificationActivatesWithItsToken() {
    QVERIFY2(!gBusAddress.empty(), "dbus-daemon did not start");
    const QString name = QStringLiteral("server");
    {
      FakeServer server(QDBusConnection::connectToBus(QString::fromStdString(gBusAddress), name));
      qunsetenv("XDG_ACTIVATION_TOKEN");
      FreedesktopNotifier notifier(nullptr);
      int activated = 0;
      QByteArray tokenThen;
      notifier.SetActivationHandler([&] {
        ++activated;
        tokenThen = qgetenv("XDG_ACTIVATION_TOKEN");
      });
      notifier.Notify(QStringLiteral("名前を呼ばれました - r"), QStringLiteral("[peer] me"));
      QTRY_COMPARE(server.actions.value(0), QStringLiteral("default"));
      QCOMPARE(server.actions.size(), 2);  // the action and its label
      const uint ours = server.nextId;

      // Another program's notification clicked: not ours.
      server.Click(ours + 100, QStringLiteral("token-other"));
      // Ours; the signals arrive in order, so ours comes after the other.
      server.Click(ours, QStringLiteral("token-ours"));
      QTRY_COMPARE(activated, 1);
      QCOMPARE(tokenThen, QByteArray("token-ours"));

      // A second call replaces the first bubble: its click still counts, once.
      notifier.Notify(QStringLiteral("名前を呼ばれました - r"), QStringLiteral("[peer] me again"));
      QTRY_COMPARE(server.notifies, 2);
      QCOMPARE(activated, 1);
      server.Click(ours, QString());
      QTRY_COMPARE(activated, 2);
    }
    QDBusConnection::disconnectFromBus(name);
    qunsetenv("XDG_ACTIVATION_TOKEN");
  }
};

int main(int argc, char* argv[]) {
  return test::RunOnPrivateSessionBus<NotificationActionTest>(argc, argv, &gBusAddress);
}

#include "NotificationActionTest.moc"
