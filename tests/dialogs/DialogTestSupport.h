#pragma once
// Helpers for driving the dialogs offscreen: modal windows, typed Japanese, fake
// networks and watched message boxes.

#include <QApplication>
#include <QInputMethodEvent>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/DialogSupport.h"
#include "platform/Ipv4.h"
#include "platform/NetInterfaces.h"
#include "qt/QtText.h"

namespace vostrelle::test {

// Runs action on the first modal window of type T once it is up.
template <typename T>
void WhenModal(std::function<void(T*)> action) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, action] {
    if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
      poll->stop();
      poll->deleteLater();
      action(window);
    }
  });
  poll->start(20);
}

// A window's push button by its command id.
inline QPushButton* Button(QWidget& window, int id) {
  return window.findChild<QPushButton*>(QStringLiteral("button%1").arg(id));
}

// Text as an input method delivers it (QTest::keyClicks takes Latin-1 only).
inline void Commit(QWidget* widget, const QString& text) {
  QInputMethodEvent event;
  event.setCommitString(text);
  QCoreApplication::sendEvent(widget, &event);
}

inline InterfaceInfo Interface(const char* address, const char* mask, const char* broadcast,
                               unsigned flags = kIfUp | kIfBroadcast) {
  InterfaceInfo info;
  info.flags = flags;
  info.address = InetAddr(address);
  info.netmask = InetAddr(mask);
  info.broadcast = InetAddr(broadcast);
  return info;
}

// A loopback entry first, so usable indices differ from list positions. The second
// network reports the limited broadcast, as some drivers do.
struct FakeNetworks {
  int usableCount = 0;
  int queries = 0;

  InterfaceSource Source() {
    return [this](std::vector<InterfaceInfo>& interfaces, std::vector<int>& usable) {
      ++queries;
      interfaces = {Interface("127.0.0.1", "255.0.0.0", "127.255.255.255", kIfUp | kIfLoopback),
                    Interface("192.168.1.20", "255.255.255.0", "192.168.1.255"),
                    Interface("10.1.2.3", "255.0.0.0", "255.255.255.255")};
      usable.clear();
      for (int i = 0; i < usableCount; ++i) usable.push_back(i + 1);
    };
  }
};

// Records the messages a dialog shows, as UTF-16 for comparing.
struct Messages {
  QStringList shown;
  MessageSink Sink() {
    return [this](const std::string& text) { shown << ToQString(text); };
  }
};

inline void SaveGrab(QWidget& widget, const char* name) {
  const QString dir = qEnvironmentVariable("VOSTRELLE_SCREENSHOTS");
  if (!dir.isEmpty()) widget.grab().save(dir + QLatin1Char('/') + QLatin1String(name));
}

}  // namespace vostrelle::test
