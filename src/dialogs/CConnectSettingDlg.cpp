#include "dialogs/CConnectSettingDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "dialogs/AccessibleTexts.h"
#include "dialogs/CSelectAddressDlg.h"
#include "platform/Cp932.h"
#include "qt/QtText.h"
#include "qt/SingleLineEdit.h"
#include "store/AddressList.h"

namespace vostrelle {
namespace {

QLineEdit* MakeEdit(QWidget* parent, int id, int maxBytes = SingleLineRules::kNoLimit) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QStringLiteral("edit%1").arg(id));
  MakeSingleLineEdit(edit, maxBytes);
  return edit;
}

// The desktop's look for a box that can be read and copied but not typed in: the
// dialog's colour behind the text and no caret (a read-only box draws none); it keeps
// its Tab stop so that the keyboard and a screen reader still reach the value.
void MakeReadOnlyLook(QLineEdit* edit) {
  edit->setReadOnly(true);
  edit->setAttribute(Qt::WA_InputMethodEnabled, false);
  QPalette palette = edit->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
    palette.setColor(group, QPalette::Base, palette.color(group, QPalette::Window));
  edit->setPalette(palette);
}

}  // namespace

CConnectSettingDlg::CConnectSettingDlg(ConnectSetting& setting, QWidget* parent)
    : QDialog(parent), setting_(setting) {
  setWindowTitle(UiText("接続設定"));
  Interfaces = LocalInterfaces();
  ChooseAddress = [this](const std::vector<std::string>& addresses) {
    CSelectAddressDlg dialog(addresses, this);
    return dialog.exec() == QDialog::Accepted ? dialog.Selected() : -1;
  };
  Message = [this](const std::string& text) { ShowWarning(this, text); };

  // Created in tab order.
  nameEdit_ = MakeEdit(this, kNameId, kNameBytes);
  roomNameEdit_ = MakeEdit(this, kRoomNameId, kRoomNameBytes);
  realNameEdit_ = MakeEdit(this, kRealNameId, kRealNameBytes);
  connectToEdit_ = MakeEdit(this, kConnectToId);
  netMaskEdit_ = MakeEdit(this, kNetMaskId);
  // The address comes from a local network only: the boxes look and act read-only.
  for (QLineEdit* edit : {connectToEdit_, netMaskEdit_}) {
    MakeReadOnlyLook(edit);
    edit->installEventFilter(this);
  }
  connectToEdit_->setToolTip(
      UiText("部屋に届く宛先（ブロードキャストアドレス）です。「選択」で変えられます"));
  netMaskEdit_->setToolTip(
      UiText("接続先のネットワークのマスクです。「選択」で接続先と一緒に決まります"));
  select_ = new QPushButton(UiText("選択"), this);
  select_->setObjectName(QStringLiteral("button%1").arg(kSelectId));
  connect(select_, &QPushButton::clicked, this, &CConnectSettingDlg::OnSelect);
  connectAlsoEdit_ = MakeEdit(this, kConnectAlsoId);
  connectAlsoEdit_->setToolTip(
      UiText("ルーターやVPNの向こうの相手にも入室を知らせます。IPv4アドレス（相手のPCか、"
             "向こうのネットワークのブロードキャストアドレス）を空白で区切って書きます"));

  QDialogButtonBox* buttons = ConfirmButtons(this, UiText("決定"));

  QGridLayout* grid = LayOutFields();

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addSpacing(6);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  DescribeControls(this);
}

QGridLayout* CConnectSettingDlg::LayOutFields() {
  auto label = [this](const char* text, QWidget* buddy) {
    auto* result = new QLabel(UiText(text), this);
    result->setBuddy(buddy);
    return result;
  };
  auto* grid = new QGridLayout;
  grid->addWidget(label("名前(&N):", nameEdit_), 0, 0);
  grid->addWidget(nameEdit_, 0, 1, 1, 3);
  grid->addWidget(label("部屋名(&O):", roomNameEdit_), 1, 0);
  grid->addWidget(roomNameEdit_, 1, 1, 1, 3);
  grid->addWidget(label("本名(&R):", realNameEdit_), 2, 0);
  grid->addWidget(realNameEdit_, 2, 1, 1, 3);
  grid->addWidget(label("接続先(&C):", connectToEdit_), 3, 0);
  grid->addWidget(connectToEdit_, 3, 1);
  grid->addWidget(netMaskEdit_, 3, 2);
  grid->addWidget(select_, 3, 3);
  grid->addWidget(label("追加の接続先(&A):", connectAlsoEdit_), 4, 0);
  grid->addWidget(connectAlsoEdit_, 4, 1, 1, 3);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(2, 1);
  // Room for a full 64-byte real name and two dotted addresses.
  nameEdit_->setMinimumWidth(300);
  const int addressWidth =
      connectToEdit_->fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255")) + 16;
  connectToEdit_->setMinimumWidth(addressWidth);
  netMaskEdit_->setMinimumWidth(addressWidth);
  return grid;
}

bool CConnectSettingDlg::eventFilter(QObject* watched, QEvent* event) {
  // A read-only line edit still takes an input method's commit: refuse it.
  if (event->type() == QEvent::InputMethod &&
      (watched == connectToEdit_ || watched == netMaskEdit_))
    return true;
  return QDialog::eventFilter(watched, event);
}

bool CConnectSettingDlg::Open() {
  opened_ = true;
  connectTo_ = setting_.ConnectTo;
  netMask_ = setting_.NetMask;
  if (connectTo_.empty()) {
    std::vector<InterfaceInfo> interfaces;
    std::vector<int> usable;
    Interfaces(interfaces, usable);
    if (usable.empty()) {
      Message("ネットワークに接続されていません。"_sjis);
      return false;
    }
    // The default route's network, or a card's; with only unlikely ones the user chooses.
    const int likely = LikelyInterface(interfaces, RankInterfaces(interfaces, usable));
    if (likely >= 0) {
      const InterfaceInfo& info = interfaces[static_cast<std::size_t>(likely)];
      connectTo_ = NetworkAddressText(info);
      netMask_ = InetNtoa(info.netmask);
    }
  }
  name_ = setting_.Name;
  realName_ = setting_.RealName;
  roomName_ = setting_.RoomName;
  connectAlso_ = setting_.ConnectAlso;
  ShowValues();
  (name_.empty() ? nameEdit_ : roomNameEdit_)->setFocus();
  return true;
}

int CConnectSettingDlg::exec() {
  if (!opened_ && !Open()) {
    opened_ = false;
    setResult(Rejected);
    return Rejected;
  }
  return QDialog::exec();
}

void CConnectSettingDlg::done(int result) {
  // A later opening starts again from the setting.
  opened_ = false;
  QDialog::done(result);
}

void CConnectSettingDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Shown without exec(): the same opening, ending at once if it fails.
  if (!opened_ && !Open()) QTimer::singleShot(0, this, &QDialog::reject);
}

void CConnectSettingDlg::TakeValues() {
  name_ = ToCp932(nameEdit_->text());
  roomName_ = ToCp932(roomNameEdit_->text());
  realName_ = ToCp932(realNameEdit_->text());
  // An input method left on gives full-width digits, dots, blanks and "、": the
  // compatibility form makes them the plain ones an address is written in.
  QString also = connectAlsoEdit_->text().normalized(QString::NormalizationForm_KC);
  also.replace(QChar(0x3001), QLatin1Char(','));
  connectAlso_ = ToCp932(also);
}

void CConnectSettingDlg::ShowValues() {
  nameEdit_->setText(ToQString(name_));
  roomNameEdit_->setText(ToQString(roomName_));
  realNameEdit_->setText(ToQString(realName_));
  connectToEdit_->setText(ToQString(connectTo_));
  netMaskEdit_->setText(ToQString(netMask_));
  connectAlsoEdit_->setText(ToQString(connectAlso_));
}

void CConnectSettingDlg::OnSelect() {
  TakeValues();
  std::vector<InterfaceInfo> interfaces;
  std::vector<int> usable;
  Interfaces(interfaces, usable);
  // The likeliest first: the chooser opens with it selected.
  const std::vector<int> ranked = RankInterfaces(interfaces, usable);
  std::vector<std::string> choices;
  for (int index : ranked) choices.push_back(NetworkChoiceText(interfaces[index]));
  const int chosen = ChooseAddress(choices);
  if (chosen < 0 || chosen >= static_cast<int>(ranked.size())) return;
  const InterfaceInfo& info = interfaces[ranked[chosen]];
  connectTo_ = NetworkAddressText(info);
  netMask_ = InetNtoa(info.netmask);
  ShowValues();
}

void CConnectSettingDlg::accept() {
  TakeValues();
  if (name_.empty()) {
    Message("名前が無いです。"_sjis);
    return;
  }
  if (realName_.empty()) {
    Message("本名が無いです。"_sjis);
    return;
  }
  if (connectTo_.empty()) {
    OnSelect();
    if (connectTo_.empty()) return;
  }
  if (!CheckConnectAlso()) return;
  setting_.ConnectTo = connectTo_;
  setting_.ConnectAlso = connectAlso_;
  setting_.NetMask = netMask_;
  setting_.Name = name_;
  setting_.RealName = realName_;
  setting_.RoomName = roomName_;
  setting_.AutoConnect = true;
  QDialog::accept();
}

bool CConnectSettingDlg::CheckConnectAlso() {
  std::vector<Ipv4> addresses;
  std::string bad;
  if (!ParseAddressList(connectAlso_, addresses, &bad)) {
    Message("追加の接続先の「"_sjis + bad + "」はIPv4アドレスではありません。"_sjis);
    connectAlsoEdit_->setFocus();
    const int at = connectAlsoEdit_->text().indexOf(ToQString(bad));
    if (at >= 0) connectAlsoEdit_->setSelection(at, static_cast<int>(ToQString(bad).size()));
    return false;
  }
  connectAlso_ = FormatAddressList(addresses);
  return true;
}

}  // namespace vostrelle
