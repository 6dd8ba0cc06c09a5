#include "app/PortalHotKey.h"

#include <xkbcommon/xkbcommon.h>

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

#include "qt/GlobalHotKey.h"

namespace {

// One entry of the portal's shortcut lists: an id with its properties.
struct PortalShortcut {
  QString id;
  QVariantMap properties;
};

}  // namespace

Q_DECLARE_METATYPE(PortalShortcut)

namespace {

QDBusArgument& operator<<(QDBusArgument& out, const PortalShortcut& shortcut) {
  out.beginStructure();
  out << shortcut.id << shortcut.properties;
  out.endStructure();
  return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, PortalShortcut& shortcut) {
  in.beginStructure();
  in >> shortcut.id >> shortcut.properties;
  in.endStructure();
  return in;
}

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kShortcutId = QStringLiteral("toggle-window");

QString PathText(const QVariant& value) {
  if (value.canConvert<QDBusObjectPath>()) return value.value<QDBusObjectPath>().path();
  return value.toString();
}

}  // namespace

namespace vostrelle {

QString PortalTrigger(std::uint16_t virtualKey, unsigned modifiers) {
  const std::uint32_t keysym = VirtualKeyToKeysym(virtualKey);
  char name[64];
  if (!keysym || xkb_keysym_get_name(keysym, name, sizeof name) <= 0) return {};
  QStringList parts;
  if (modifiers & kModControl) parts << QStringLiteral("CTRL");
  if (modifiers & kModAlt) parts << QStringLiteral("ALT");
  if (modifiers & kModShift) parts << QStringLiteral("SHIFT");
  parts << QString::fromLatin1(name);
  return parts.join(QLatin1Char('+'));
}

PortalHotKey::PortalHotKey(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), bus_(bus) {
  qDBusRegisterMetaType<PortalShortcut>();
  qDBusRegisterMetaType<QList<PortalShortcut>>();
  bus_.connect(kPortal, kPortalPath, kShortcuts, QStringLiteral("Activated"), this,
               SLOT(OnActivated(QDBusMessage)));
}

PortalHotKey::~PortalHotKey() {
  CloseSession();
}

void PortalHotKey::Probe() {
  if (probed_ || !bus_.isConnected()) {
    if (!bus_.isConnected()) emit Availability(false);
    return;
  }
  probed_ = true;
  QDBusMessage get = QDBusMessage::createMethodCall(
      kPortal, kPortalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
      QStringLiteral("Get"));
  get << kShortcuts << QStringLiteral("version");
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(get), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    QDBusPendingReply<QDBusVariant> reply = *w;
    available_ = reply.isValid() && reply.value().variant().toUInt() >= 1;
    emit Availability(available_);
    if (available_ && wanted_) CreateSession();
  });
}

void PortalHotKey::Bind(std::uint16_t virtualKey, unsigned modifiers) {
  CloseSession();
  trigger_ = PortalTrigger(virtualKey, modifiers);
  wanted_ = !trigger_.isEmpty();
  if (wanted_ && available_) CreateSession();
}

void PortalHotKey::Unbind() {
  wanted_ = false;
  CloseSession();
}

QString PortalHotKey::NextToken() {
  return QStringLiteral("vostrelle%1").arg(++counter_);
}

void PortalHotKey::Request(const QString& method, const QList<QVariant>& arguments,
                           const QString& token) {
  // The answer comes as a signal on a path made from our bus name and the token: listen
  // there before asking, so a quick answer is not missed.
  QString sender = bus_.baseService().mid(1);
  sender.replace(QLatin1Char('.'), QLatin1Char('_'));
  const QString path =
      QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
  const char* slot = SLOT(OnResponse(uint, QVariantMap, QDBusMessage));
  const QString request = QStringLiteral("org.freedesktop.portal.Request");
  bus_.connect(kPortal, path, request, QStringLiteral("Response"), this, slot);
  pending_ = path;
  QDBusMessage call = QDBusMessage::createMethodCall(kPortal, kPortalPath, kShortcuts, method);
  call.setArguments(arguments);
  // Asked without waiting: a portal that is slow to answer must not hold up the window.
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, path, request, slot](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            const QDBusMessage reply = w->reply();
            if (pending_ != path) return;  // closed or asked again meanwhile
            if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
              bus_.disconnect(kPortal, path, request, QStringLiteral("Response"), this, slot);
              pending_.clear();
              stage_ = Stage::None;
              emit Bound(false);
              return;
            }
            // A portal older than the token scheme answers on a path of its own.
            const QString handle = PathText(reply.arguments().first());
            if (handle == path) return;
            bus_.connect(kPortal, handle, request, QStringLiteral("Response"), this, slot);
            pending_ = handle;
          });
}

void PortalHotKey::CreateSession() {
  const QVariantMap options{{QStringLiteral("handle_token"), NextToken()},
                            {QStringLiteral("session_handle_token"), NextToken()}};
  stage_ = Stage::Creating;
  Request(QStringLiteral("CreateSession"), {options},
          options.value(QStringLiteral("handle_token")).toString());
}

void PortalHotKey::BindShortcut() {
  const PortalShortcut shortcut{
      kShortcutId,
      {{QStringLiteral("description"), QStringLiteral("Vostrelle の表示・非表示を切り替える")},
       {QStringLiteral("preferred_trigger"), trigger_}}};
  const QString token = NextToken();
  const QList<QVariant> arguments{QVariant::fromValue(QDBusObjectPath(session_)),
                                  QVariant::fromValue(QList<PortalShortcut>{shortcut}), QString(),
                                  QVariantMap{{QStringLiteral("handle_token"), token}}};
  stage_ = Stage::Binding;
  Request(QStringLiteral("BindShortcuts"), arguments, token);
}

void PortalHotKey::OnResponse(uint response, const QVariantMap& results,
                              const QDBusMessage& message) {
  if (message.path() != pending_) return;
  pending_.clear();
  if (stage_ == Stage::Creating) {
    session_ =
        response == 0 ? PathText(results.value(QStringLiteral("session_handle"))) : QString();
    if (session_.isEmpty()) {
      stage_ = Stage::None;
      emit Bound(false);
      return;
    }
    BindShortcut();
    return;
  }
  if (stage_ != Stage::Binding) return;
  QList<PortalShortcut> bound;
  const QVariant list = results.value(QStringLiteral("shortcuts"));
  if (list.canConvert<QDBusArgument>()) list.value<QDBusArgument>() >> bound;
  boundTrigger_.clear();
  for (const PortalShortcut& s : bound)
    if (s.id == kShortcutId)
      boundTrigger_ = s.properties.value(QStringLiteral("trigger_description")).toString();
  const bool ok = response == 0 && !bound.isEmpty();
  stage_ = ok ? Stage::Bound : Stage::None;
  emit Bound(ok);
}

void PortalHotKey::OnActivated(const QDBusMessage& message) {
  // Read from the message: the portal's signal carries a timestamp and options that
  // are of no use here.
  const QList<QVariant> arguments = message.arguments();
  if (arguments.size() < 2 || stage_ != Stage::Bound) return;
  if (PathText(arguments.at(0)) == session_ && arguments.at(1).toString() == kShortcutId)
    emit Activated();
}

void PortalHotKey::CloseSession() {
  // A request still on its way is forgotten: its answer no longer matches.
  pending_.clear();
  stage_ = Stage::None;
  boundTrigger_.clear();
  if (session_.isEmpty()) return;
  QDBusMessage close = QDBusMessage::createMethodCall(
      kPortal, session_, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close"));
  bus_.call(close, QDBus::NoBlock);
  session_.clear();
}

}  // namespace vostrelle
