#pragma once
// What a Linux desktop adds around the window: a notification when somebody calls the
// user's name while the window is out of sight, and whether this session lets a
// program grab a global hot key at all.

#include <QObject>
#include <QString>
#include <functional>
#include <string>

namespace vostrelle {

// Shows one desktop notification. The frame owns one; tests give it a recording one.
class DesktopNotifier {
 public:
  virtual ~DesktopNotifier() = default;
  virtual void Notify(const QString& title, const QString& body) = 0;
  // Run when the user clicks the latest notification (its default action).
  void SetActivationHandler(std::function<void()> handler) { activated_ = std::move(handler); }

 protected:
  void Activated() {
    if (activated_) activated_();
  }

 private:
  std::function<void()> activated_;
};

// org.freedesktop.Notifications on the session bus; where no bus or no notification
// service answers, the balloon of the tray icon found under trayOwner (if it shows).
// A click on the notification (its default action) is the activation; the token the
// server hands over with it lets the window come forward on Wayland.
class FreedesktopNotifier : public QObject, public DesktopNotifier {
  Q_OBJECT
 public:
  explicit FreedesktopNotifier(QObject* trayOwner, QObject* parent = nullptr);
  void Notify(const QString& title, const QString& body) override;

 private slots:
  void OnActionInvoked(uint id, const QString& action);
  void OnActivationToken(uint id, const QString& token);

 private:
  void ShowInTray(const QString& title, const QString& body);

  QObject* trayOwner_;
  bool bodyMarkup_ = false;  // the service reads the body as markup: escape it
  unsigned lastId_ = 0;      // a new call replaces the previous bubble, not stacks
};

// The notification's texts for a line that named the user, from its CP932 pieces.
QString NameCallTitle(const std::string& roomLabel);
QString NameCallBody(const std::string& name, const std::string& line);

// False on Wayland and wherever Qt has no X11 connection: no key grab can work there.
bool GlobalHotKeysPossible();

}  // namespace vostrelle
