#pragma once
// ネットワークの確認: what each room uses and hears, whether the ports are bound and a
// firewall lets them in, and a trial "Join" to one address that says whether a
// "Notice" came back within three seconds.

#include <QDialog>
#include <QTimer>
#include <chrono>
#include <functional>
#include <string>

#include "dialogs/DialogSupport.h"
#include "doc/NetworkCheck.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace vostrelle {

class CVostrelleDoc;

class NetworkCheckWindow : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kAnswerMs = 3000;
  // Runs program with arguments and calls done with its answer (not ran when it is not
  // installed or did not finish within a few seconds).
  using ToolRunner = std::function<void(const QString& program, const QStringList& arguments,
                                        std::function<void(const ToolAnswer&)> done)>;

  explicit NetworkCheckWindow(CVostrelleDoc& doc, QWidget* parent = nullptr);

  InterfaceSource Interfaces;              // the real query unless replaced
  ToolRunner RunTool;                      // QProcess unless replaced
  std::function<std::string()> UfwConfig;  // /etc/ufw/ufw.conf unless replaced
  std::function<std::string()> Ports;      // PortsReport unless replaced

  // Gathers everything again; the firewalls' answers arrive later.
  void Refresh();
  QString ReportText() const;
  QString ResultText() const;
  QLineEdit* AddressEdit() const { return address_; }

 private:
  void Render();
  void AskFirewalld();
  void OnTry();
  void OnPoll();
  void RunProcess(const QString& program, const QStringList& arguments,
                  std::function<void(const ToolAnswer&)> done);

  CVostrelleDoc& doc_;
  std::string rooms_, ports_, ufw_, firewalld_;
  QPlainTextEdit* report_;
  QLineEdit* address_;
  QPushButton* try_;
  QLabel* result_;
  QTimer poll_;
  // The trial under way: its room, address and start.
  RoomSession* trialRoom_ = nullptr;
  Ipv4 trialAddress_ = 0;
  std::chrono::steady_clock::time_point trialStart_;
  int generation_ = 0;  // answers of an earlier Refresh are dropped
};

// Opens the window modally.
void ShowNetworkCheck(QWidget* parent, CVostrelleDoc& doc);

}  // namespace vostrelle
