#include "app/SingleInstance.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace vostrelle {

namespace {

constexpr int kCallTimeoutMs = 5000;

const char* MethodOf(InstanceCommand command) {
  switch (command) {
    case InstanceCommand::Hide:
      return "Hide";
    case InstanceCommand::Toggle:
      return "Toggle";
    case InstanceCommand::None:
    case InstanceCommand::Show:
      break;
  }
  return "Show";
}

QDBusMessage Call(const char* method) {
  const QString id = QString::fromLatin1(kApplicationId);
  return QDBusMessage::createMethodCall(id, InstanceObjectPath(), id, QString::fromLatin1(method));
}

}  // namespace

QString InstanceObjectPath() {
  return QLatin1Char('/') + QString::fromLatin1(kApplicationId).replace(QLatin1Char('.'), QLatin1Char('/'));
}

CommandLine ParseCommandLine(const QStringList& arguments) {
  CommandLine line;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == QLatin1String("--show"))
      line.command = InstanceCommand::Show;
    else if (a == QLatin1String("--hide"))
      line.command = InstanceCommand::Hide;
    else if (a == QLatin1String("--toggle"))
      line.command = InstanceCommand::Toggle;
    else if (a == QLatin1String("--minimized"))
      line.minimized = true;
  }
  return line;
}

RemoteResult SendToRunningInstance(InstanceCommand command, QDBusConnection bus) {
  if (!bus.isConnected()) return RemoteResult::NoBus;
  // The launcher's token lets the running window take the focus on Wayland; it is
  // this start's to give away, since this start opens no window.
  const QString token = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
  if (!token.isEmpty() && command != InstanceCommand::Hide) {
    QDBusMessage give = Call("SetActivationToken");
    give << token;
    bus.call(give, QDBus::Block, kCallTimeoutMs);
  }
  const QDBusMessage reply = bus.call(Call(MethodOf(command)), QDBus::Block, kCallTimeoutMs);
  if (reply.type() == QDBusMessage::ReplyMessage) return RemoteResult::Done;
  const QString error = reply.errorName();
  if (error == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
      error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
    return RemoteResult::NotRunning;
  return RemoteResult::Failed;
}

InstanceService::InstanceService(Handler handler, QDBusConnection bus, QObject* parent)
    : QObject(parent), handler_(std::move(handler)), bus_(std::move(bus)) {}

InstanceService::~InstanceService() {
  if (!registered_) return;
  bus_.unregisterObject(InstanceObjectPath());
  bus_.unregisterService(QString::fromLatin1(kApplicationId));
}

InstanceService::Claim InstanceService::Register() {
  if (!bus_.isConnected() || !bus_.interface()) return Claim::NoBus;
  // The object first: a caller who sees the name must find something to call.
  if (!bus_.registerObject(InstanceObjectPath(), this, QDBusConnection::ExportScriptableSlots))
    return Claim::NoBus;
  const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
      bus_.interface()->registerService(QString::fromLatin1(kApplicationId),
                                        QDBusConnectionInterface::DontQueueService,
                                        QDBusConnectionInterface::DontAllowReplacement);
  const bool owned = reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
  if (!owned) {
    bus_.unregisterObject(InstanceObjectPath());
    return reply.isValid() ? Claim::Taken : Claim::NoBus;
  }
  registered_ = true;
  return Claim::Owned;
}

void InstanceService::Show() { Run(InstanceCommand::Show); }
void InstanceService::Hide() { Run(InstanceCommand::Hide); }
void InstanceService::Toggle() { Run(InstanceCommand::Toggle); }

void InstanceService::SetActivationToken(const QString& token) {
  // Qt's Wayland plugin takes the token from here when the window asks to be activated.
  if (!token.isEmpty()) qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
}

void InstanceService::Run(InstanceCommand command) {
  if (handler_) handler_(command);
}

}  // namespace vostrelle
