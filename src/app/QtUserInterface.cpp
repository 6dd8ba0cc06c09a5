#include "app/QtUserInterface.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include "dialogs/CConnectListDlg.h"
#include "dialogs/CConnectSettingDlg.h"
#include "dialogs/CNameDlg.h"
#include "dialogs/COptionsSheet.h"
#include "platform/qt/QtText.h"
#include "views/CRoomMessageView.h"
#include "views/CSystemView.h"

namespace vostrelle {

MsgAnswer QtUserInterface::MessageBox(const std::string& text, const std::string& caption,
                                      MsgButtons buttons, MsgIcon icon) {
  QMessageBox box(owner_);
  box.setWindowTitle(caption.empty() ? QStringLiteral("Vostrelle") : ToQString(caption));
  box.setText(ToQString(text));
  QMessageBox::StandardButtons standard;
  switch (buttons) {
    case MsgButtons::Ok:
      standard = QMessageBox::Ok;
      break;
    case MsgButtons::OkCancel:
      standard = QMessageBox::Ok | QMessageBox::Cancel;
      break;
    case MsgButtons::YesNo:
      standard = QMessageBox::Yes | QMessageBox::No;
      break;
    case MsgButtons::YesNoCancel:
      standard = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
      break;
  }
  box.setStandardButtons(standard);
  // Without an icon of its own, a box gets the one a Windows program's box would:
  // the warning sign for OK boxes, the question mark for yes/no questions.
  if (icon == MsgIcon::Default) {
    icon = (buttons == MsgButtons::Ok || buttons == MsgButtons::OkCancel) ? MsgIcon::Warning
                                                                          : MsgIcon::Question;
  }
  switch (icon) {
    case MsgIcon::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case MsgIcon::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
    case MsgIcon::Error:
      box.setIcon(QMessageBox::Critical);
      break;
    case MsgIcon::Question:
      box.setIcon(QMessageBox::Question);
      break;
    default:
      box.setIcon(QMessageBox::NoIcon);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Ok:
      return MsgAnswer::Ok;
    case QMessageBox::Yes:
      return MsgAnswer::Yes;
    case QMessageBox::No:
      return MsgAnswer::No;
    default:
      return MsgAnswer::Cancel;
  }
}

bool QtUserInterface::EditConnectSetting(ConnectSetting& setting) {
  CConnectSettingDlg dialog(setting, owner_);
  return dialog.exec() == QDialog::Accepted;
}

int QtUserInterface::EditConnectList(std::vector<ConnectSetting>& list) {
  CConnectListDlg dialog(list, owner_);
  return dialog.exec();
}

bool QtUserInterface::AskName(std::string& name) {
  CNameDlg dialog(owner_);
  dialog.Name = name;
  if (dialog.exec() != QDialog::Accepted) return false;
  name = dialog.Name;
  return true;
}

bool QtUserInterface::EditOptions(AppSettings& copy) {
  return EditOptionsSheet(copy, owner_);
}

void QtUserInterface::SendCommand(int command) {
  if (commands_) commands_(command);
}

bool QtUserInterface::FocusIsMessageView() {
  for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget()) {
    if (dynamic_cast<CRoomMessageView*>(w) || dynamic_cast<CSystemView*>(w)) return true;
  }
  return false;
}

}  // namespace vostrelle
