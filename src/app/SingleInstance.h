#pragma once
// One instance per user, and the command line that drives it. The first start owns
// the application id on the session bus; a later start by the same user finds it there,
// hands over what it was asked to do (bring the window forward, hide it, toggle it) and
// ends. Another user has a bus of their own, so their start goes on as before.

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <functional>

#include "platform/Version.h"

namespace vostrelle {

enum class InstanceCommand { None, Show, Hide, Toggle };

struct CommandLine {
  InstanceCommand command = InstanceCommand::None;
  bool minimized = false;  // start minimised (a start at login)
};

// The options this program knows; any other argument is ignored.
CommandLine ParseCommandLine(const QStringList& arguments);

enum class RemoteResult { NoBus, NotRunning, Failed, Done };

// Asks the instance that owns the application id on this bus to carry out the command
// (None = bring it forward). With the activation token the desktop gave this start, the
// running window may come forward on Wayland.
RemoteResult SendToRunningInstance(InstanceCommand command,
                                   QDBusConnection bus = QDBusConnection::sessionBus());

// The running instance's end: the object that answers Show, Hide and Toggle.
class InstanceService : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "example.pendrake.vostrelle")
 public:
  using Handler = std::function<void(InstanceCommand)>;
  explicit InstanceService(Handler handler, QDBusConnection bus = QDBusConnection::sessionBus(),
                           QObject* parent = nullptr);
  ~InstanceService() override;

  enum class Claim { NoBus, Taken, Owned };
  // Takes the application id on the bus, without queueing behind its owner.
  Claim Register();

 public slots:
  Q_SCRIPTABLE void Show();
  Q_SCRIPTABLE void Hide();
  Q_SCRIPTABLE void Toggle();
  // A token the desktop gave the caller; used by the next Show or Toggle.
  Q_SCRIPTABLE void SetActivationToken(const QString& token);

 private:
  void Run(InstanceCommand command);

  Handler handler_;
  QDBusConnection bus_;
  bool registered_ = false;
};

// The object path under which the service answers.
QString InstanceObjectPath();

}  // namespace vostrelle
