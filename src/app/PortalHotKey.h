#pragma once
// The hot key through the desktop portal's global shortcuts, for sessions where no X11
// key grab sees the keys (Wayland). The desktop owns the key: it may ask the user to
// confirm it, or give another; the program only hears that it was pressed.

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <cstdint>

class QDBusMessage;

namespace vostrelle {

// The portal's name of a key with modifiers (kModAlt | kModControl | kModShift), as
// "CTRL+ALT+v"; empty for a key that has no X keysym.
QString PortalTrigger(std::uint16_t virtualKey, unsigned modifiers);

class PortalHotKey : public QObject {
  Q_OBJECT

 public:
  explicit PortalHotKey(const QDBusConnection& bus, QObject* parent = nullptr);
  ~PortalHotKey() override;

  // Asks the session bus whether the portal offers global shortcuts; Availability
  // answers once.
  void Probe();
  bool IsAvailable() const { return available_; }
  // Binds the key in a new session, closing the one before; a key given before the
  // portal answered is bound once it has.
  void Bind(std::uint16_t virtualKey, unsigned modifiers);
  void Unbind();
  // The trigger the desktop reported for the bound key (may differ from the one asked).
  QString BoundTrigger() const { return boundTrigger_; }

 signals:
  void Availability(bool available);
  // The desktop answered the binding: true when the key is the program's.
  void Bound(bool ok);
  void Activated();

 private slots:
  void OnResponse(uint response, const QVariantMap& results, const QDBusMessage& message);
  void OnActivated(const QDBusMessage& message);

 private:
  enum class Stage { None, Creating, Binding, Bound };
  // Calls method; its Response is awaited on pending_, and a call that fails ends the
  // binding with Bound(false).
  void Request(const QString& method, const QList<QVariant>& arguments, const QString& token);
  QString NextToken();
  void CreateSession();
  void BindShortcut();
  void CloseSession();

  QDBusConnection bus_;
  bool probed_ = false;
  bool available_ = false;
  bool wanted_ = false;
  QString trigger_;
  QString boundTrigger_;
  Stage stage_ = Stage::None;
  QString pending_;  // the request path whose Response is awaited
  QString session_;
  unsigned counter_ = 0;
};

}  // namespace vostrelle
