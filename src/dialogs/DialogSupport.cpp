#include "dialogs/DialogSupport.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDialogButtonBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "net/RoomSession.h"
#include "platform/Cp932.h"
#include "qt/QtText.h"

namespace vostrelle {

QString UiText(const char* utf8) {
  return ToQString(Utf8ToCp932(utf8));
}

void ShowWarning(QWidget* parent, const std::string& text) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Vostrelle"), ToQString(text),
                  QMessageBox::Ok, parent);
  box.exec();
}

InterfaceSource LocalInterfaces() {
  return [](std::vector<InterfaceInfo>& interfaces, std::vector<int>& usable) {
    QueryLocalInterfaces(interfaces, usable);
  };
}

std::string NetworkAddressText(const InterfaceInfo& info) {
  return InetNtoa((info.broadcast & ~info.netmask) | (info.address & info.netmask));
}

std::string NetworkChoiceText(const InterfaceInfo& info) {
  std::string text = info.name.empty() ? std::string() : info.name + " ― "_sjis;
  text += NetworkAddressText(info);
  switch (info.kind) {
    case InterfaceKind::kBridge:
      text += "（仮想ブリッジ）"_sjis;
      break;
    case InterfaceKind::kVpn:
      text += "（VPN）"_sjis;
      break;
    case InterfaceKind::kLoopback:
      text += "（このコンピューターのみ）"_sjis;
      break;
    default:
      break;
  }
  return text;
}

void PlainButtons(QDialogButtonBox* buttons) {
  for (QAbstractButton* button : buttons->buttons()) button->setIcon(QIcon());
}

QDialogButtonBox* ConfirmButtons(QDialog* dialog, const QString& okText) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  ok->setText(okText);
  ok->setDefault(true);
  buttons->button(QDialogButtonBox::Cancel)->setText(UiText("キャンセル"));
  PlainButtons(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

QLabel* FolderInUseNote(QLineEdit* edit, const FolderResolver& resolve) {
  auto* note = new QLabel(edit->parentWidget());
  note->setObjectName(edit->objectName() + QStringLiteral("InUse"));
  note->setTextFormat(Qt::PlainText);
  note->setWordWrap(true);
  note->hide();
  QObject::connect(edit, &QLineEdit::textChanged, note, [note, &resolve](const QString& text) {
    const std::string stored = ToCp932(text);
    const std::string used = resolve ? resolve(stored) : stored;
    note->setVisible(used != stored);
    if (used != stored) note->setText(UiText("実際の保存先: ") + ToQString(used));
  });
  return note;
}

}  // namespace vostrelle
