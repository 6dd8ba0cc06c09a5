#include "app/QtUserInterface.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

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

bool QtUserInterface::EditConnectSetting(ConnectSetting&) {
  return false;
}

int QtUserInterface::EditConnectList(std::vector<ConnectSetting>&) {
  return 0;
}

bool QtUserInterface::AskName(std::string&) {
  return false;
}

bool QtUserInterface::EditOptions(AppSettings&) {
  return false;
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
