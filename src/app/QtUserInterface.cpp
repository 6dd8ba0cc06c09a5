#include "app/QtUserInterface.h"

#include <QApplication>
#include <QWidget>

#include "dialogs/CConnectListDlg.h"
#include "dialogs/CConnectSettingDlg.h"
#include "dialogs/CNameDlg.h"
#include "dialogs/COptionsSheet.h"
#include "qt/QtMessageBox.h"
#include "qt/QtText.h"
#include "views/CRoomMessageView.h"
#include "views/CSystemView.h"

namespace vostrelle {

MsgAnswer QtUserInterface::MessageBox(const std::string& text, const std::string& caption,
                                      MsgButtons buttons, MsgIcon icon) {
  return ShowMessageBox(owner_, text, caption, buttons, icon);
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
