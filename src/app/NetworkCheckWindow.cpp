#include "app/NetworkCheckWindow.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <memory>

#include "doc/CVostrelleDoc.h"
#include "platform/Cp932.h"
#include "qt/QtText.h"
#include "store/AddressList.h"

namespace vostrelle {
namespace {

constexpr int kToolMs = 5000;

}  // namespace

NetworkCheckWindow::NetworkCheckWindow(CVostrelleDoc& doc, QWidget* parent)
    : QDialog(parent), doc_(doc) {
  setWindowTitle(QStringLiteral("ネットワークの確認"));
  Interfaces = LocalInterfaces();
  RunTool = [this](const QString& program, const QStringList& arguments,
                   std::function<void(const ToolAnswer&)> done) {
    RunProcess(program, arguments, std::move(done));
  };
  UfwConfig = UfwConfText;
  Ports = PortsReport;

  report_ = new QPlainTextEdit(this);
  report_->setReadOnly(true);
  report_->setAccessibleName(QStringLiteral("確認結果"));
  report_->setMinimumSize(560, 320);
  address_ = new QLineEdit(this);
  address_->setToolTip(
      QStringLiteral("選択中の部屋から、このアドレスへ入室を知らせて、応答があるかを確かめます"));
  auto* label = new QLabel(QStringLiteral("試すアドレス(&T):"), this);
  label->setBuddy(address_);
  try_ = new QPushButton(QStringLiteral("試す"), this);
  result_ = new QLabel(this);
  result_->setWordWrap(true);
  result_->setAccessibleName(QStringLiteral("試した結果"));
  auto* again = new QPushButton(QStringLiteral("再確認(&R)"), this);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("閉じる"));
  buttons->addButton(again, QDialogButtonBox::ActionRole);

  auto* trial = new QHBoxLayout;
  trial->addWidget(label);
  trial->addWidget(address_, 1);
  trial->addWidget(try_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(report_, 1);
  layout->addLayout(trial);
  layout->addWidget(result_);
  layout->addWidget(buttons);

  connect(try_, &QPushButton::clicked, this, &NetworkCheckWindow::OnTry);
  connect(address_, &QLineEdit::returnPressed, this, &NetworkCheckWindow::OnTry);
  connect(again, &QPushButton::clicked, this, &NetworkCheckWindow::Refresh);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  poll_.setInterval(50);
  connect(&poll_, &QTimer::timeout, this, &NetworkCheckWindow::OnPoll);
}

void NetworkCheckWindow::RunProcess(const QString& program, const QStringList& arguments,
                                    std::function<void(const ToolAnswer&)> done) {
  // The tools live in sbin, which a user's PATH often lacks.
  const QString path = QStandardPaths::findExecutable(
      program, {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin"), QStringLiteral("/sbin"),
                QStringLiteral("/bin")});
  if (path.isEmpty()) {
    done(ToolAnswer{});
    return;
  }
  auto* process = new QProcess(this);
  process->setProcessChannelMode(QProcess::MergedChannels);
  auto finish = std::make_shared<std::function<void(const ToolAnswer&)>>(std::move(done));
  connect(process, &QProcess::finished, this,
          [process, finish](int code, QProcess::ExitStatus how) {
            ToolAnswer answer;
            answer.ran = how == QProcess::NormalExit;
            answer.exitCode = code;
            answer.output = process->readAll().toStdString();
            (*finish)(answer);
            process->deleteLater();
          });
  connect(process, &QProcess::errorOccurred, this, [process, finish](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    (*finish)(ToolAnswer{});
    process->deleteLater();
  });
  // A tool that hangs (a bus that does not answer) is stopped; "finished" then says so.
  QTimer::singleShot(kToolMs, process, [process] { process->kill(); });
  process->start(path, arguments);
}

void NetworkCheckWindow::Refresh() {
  const int generation = ++generation_;
  std::vector<InterfaceInfo> interfaces;
  std::vector<int> usable;
  Interfaces(interfaces, usable);
  const auto now = std::chrono::steady_clock::now();
  rooms_.clear();
  for (int i = 0; i < doc_.SessionCount(); ++i)
    rooms_ += RoomReport(*doc_.Session(i), interfaces, now) + "\n";
  if (rooms_.empty()) rooms_ = "部屋はありません。\n\n"_sjis;
  ports_ = Ports();
  ufw_ = "ufw: 確かめています…\n"_sjis;
  firewalld_ = "firewalld: 確かめています…\n"_sjis;
  Render();
  const std::string conf = UfwConfig();
  RunTool(QStringLiteral("ufw"), {QStringLiteral("status"), QStringLiteral("verbose")},
          [this, conf, generation](const ToolAnswer& answer) {
            if (generation != generation_) return;
            ufw_ = UfwReport(conf, answer);
            Render();
          });
  AskFirewalld();
}

void NetworkCheckWindow::AskFirewalld() {
  const int generation = generation_;
  auto answers = std::make_shared<std::vector<ToolAnswer>>();
  // The state first; only a running firewalld is asked about the ports, one at a time.
  auto next = std::make_shared<std::function<void(const ToolAnswer&)>>();
  *next = [this, generation, answers, next](const ToolAnswer& answer) {
    if (generation != generation_) return;
    answers->push_back(answer);
    static const char* const kQueries[] = {"--query-service=vostrelle", "--query-port=28888/udp",
                                           "--query-port=28889/tcp"};
    const std::size_t asked = answers->size();
    const bool running = (*answers)[0].ran && (*answers)[0].exitCode == 0;
    if (running && asked < 4) {
      RunTool(QStringLiteral("firewall-cmd"), {QString::fromLatin1(kQueries[asked - 1])}, *next);
      return;
    }
    answers->resize(4);
    firewalld_ = FirewalldReport((*answers)[0], (*answers)[1], (*answers)[2], (*answers)[3]);
    Render();
    *next = nullptr;  // the chain is done: let go of itself
  };
  RunTool(QStringLiteral("firewall-cmd"), {QStringLiteral("--state")}, *next);
}

void NetworkCheckWindow::Render() {
  const std::string text =
      rooms_ + "ポート\n"_sjis + ports_ + "\nファイアウォール\n"_sjis + ufw_ + firewalld_;
  report_->setPlainText(ToQString(text));
}

QString NetworkCheckWindow::ReportText() const {
  return report_->toPlainText();
}

QString NetworkCheckWindow::ResultText() const {
  return result_->text();
}

void NetworkCheckWindow::OnTry() {
  if (poll_.isActive()) return;
  std::vector<Ipv4> addresses;
  std::string bad;
  const std::string text = ToCp932(address_->text().trimmed());
  if (!ParseAddressList(text, addresses, &bad) || addresses.size() != 1) {
    result_->setText(ToQString("「"_sjis + (bad.empty() ? text : bad) +
                               "」はIPv4アドレスではありません。"_sjis));
    return;
  }
  RoomSession* room = doc_.CurrentSession();
  if (!room || !room->IsJoined()) {
    result_->setText(QStringLiteral("入室している部屋を選んでから試してください。"));
    return;
  }
  FieldMap fields;
  trialStart_ = std::chrono::steady_clock::now();
  if (!room->SendToAddress("Join", fields, addresses[0])) {
    result_->setText(QStringLiteral("送れませんでした。経路があるか確かめてください。"));
    return;
  }
  trialRoom_ = room;
  trialAddress_ = addresses[0];
  result_->setText(QStringLiteral("応答を待っています…"));
  try_->setEnabled(false);
  poll_.start();
}

void NetworkCheckWindow::OnPoll() {
  using namespace std::chrono;
  const auto waited = duration_cast<milliseconds>(steady_clock::now() - trialStart_).count();
  // The room may have gone (再接続) while we waited.
  const bool alive = doc_.IndexOf(trialRoom_) >= 0;
  const std::string address = InetNtoa(trialAddress_);
  if (alive && AnsweredSince(*trialRoom_, trialAddress_, trialStart_)) {
    result_->setText(ToQString(address + " から応答がありました（"_sjis + std::to_string(waited) +
                               " ミリ秒）。"_sjis));
  } else if (!alive || waited >= kAnswerMs) {
    std::string text = address + " から3秒以内に応答がありませんでした。"_sjis;
    if (alive && !trialRoom_->ContainsAddress(trialAddress_))
      text +=
          "このアドレスは部屋のネットワークにも追加の接続先にも入っていないので、"
          "応答しても受け取れません。"_sjis;
    result_->setText(ToQString(text));
  } else {
    return;
  }
  poll_.stop();
  try_->setEnabled(true);
  Refresh();
}

void ShowNetworkCheck(QWidget* parent, CVostrelleDoc& doc) {
  NetworkCheckWindow window(doc, parent);
  window.Refresh();
  window.exec();
}

}  // namespace vostrelle
