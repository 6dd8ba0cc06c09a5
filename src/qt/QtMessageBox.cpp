#include "qt/QtMessageBox.h"

#include <QMessageBox>

#include "qt/QtText.h"

namespace vostrelle {
namespace {

QMessageBox::Icon BoxIcon(MsgIcon icon, MsgButtons buttons) {
  switch (icon) {
    case MsgIcon::Information:
      return QMessageBox::Information;
    case MsgIcon::Warning:
      return QMessageBox::Warning;
    case MsgIcon::Error:
      return QMessageBox::Critical;
    case MsgIcon::Question:
      return QMessageBox::Question;
    case MsgIcon::None:
      return QMessageBox::NoIcon;
    case MsgIcon::Default:
      break;
  }
  return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? QMessageBox::Question
                                                                            : QMessageBox::Warning;
}

QMessageBox::StandardButtons BoxButtons(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok:
      return QMessageBox::Ok;
    case MsgButtons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

}  // namespace

MsgAnswer ShowMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                         MsgButtons buttons, MsgIcon icon) {
  QMessageBox box(owner);
  box.setWindowTitle(caption.empty() ? QStringLiteral("Vostrelle") : ToQString(caption));
  box.setText(ToQString(text));
  box.setIcon(BoxIcon(icon, buttons));
  box.setStandardButtons(BoxButtons(buttons));
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

}  // namespace vostrelle
