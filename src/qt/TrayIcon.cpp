#include "qt/TrayIcon.h"

#include <QSystemTrayIcon>

#include "res/Icons.h"

#ifdef VOSTRELLE_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#endif

namespace vostrelle {

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {
  timer_.setInterval(kAnimationIntervalMs);
  connect(&timer_, &QTimer::timeout, this, &TrayIcon::OnAnimationTimer);
}

TrayIcon::~TrayIcon() {
  // Not Remove(): a virtual call would no longer reach a derived class here.
  timer_.stop();
  delete tray_;
}

bool TrayIcon::Add() {
  if (!added_) added_ = AddNativeIcon();
  return added_;
}

void TrayIcon::Remove() {
  if (!added_) return;
  RemoveNativeIcon();
  added_ = false;
}

void TrayIcon::StartAnimation() {
  if (timer_.isActive()) return;
  frame_ = 0;
  timer_.start();
}

void TrayIcon::StopAnimation() {
  if (!timer_.isActive()) return;
  timer_.stop();
  if (added_) SetNativeIcon(0);
}

void TrayIcon::OnAnimationTimer() {
  if (!added_) return;
  SetNativeIcon(frame_ + 1);
  frame_ = (frame_ + 1) % kTrayAnimationFrames;
}

bool TrayIcon::AddNativeIcon() {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
  if (!tray_) {
    tray_ = new QSystemTrayIcon(TrayIdleIcon(), this);
    AskForHostKind();
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
      if (AsksForWindow(r, statusNotifier_)) emit Activated();
    });
  }
  tray_->show();
  return tray_->isVisible();
}

// Qt puts the icon on a StatusNotifier host whenever the watcher on the session bus says
// a host is registered; the same question tells which kind we got. It is asked without
// waiting, so a slow bus never holds up the window; until the answer comes, the icon
// takes the XEmbed tray's double click.
void TrayIcon::AskForHostKind() {
#ifdef VOSTRELLE_HAVE_DBUS
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
  QDBusMessage get = QDBusMessage::createMethodCall(
      watcher, QStringLiteral("/StatusNotifierWatcher"),
      QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  get << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
  auto* pending = new QDBusPendingCallWatcher(bus.asyncCall(get), this);
  connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
    const QDBusPendingReply<QDBusVariant> reply = *call;
    statusNotifier_ = !reply.isError() && reply.value().variant().toBool();
    call->deleteLater();
    emit HostKindKnown();
  });
#endif
}

bool TrayIcon::AsksForWindow(int reason, bool statusNotifierHost) {
  if (reason == QSystemTrayIcon::DoubleClick) return true;
  return statusNotifierHost && reason == QSystemTrayIcon::Trigger;
}

void TrayIcon::SetNativeIcon(int image) {
  if (tray_) tray_->setIcon(image == 0 ? TrayIdleIcon() : TrayAnimationIcon(image - 1));
}

void TrayIcon::RemoveNativeIcon() {
  if (tray_) tray_->hide();
}

}  // namespace vostrelle
