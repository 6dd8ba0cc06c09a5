#include "dialogs/DialogSupport.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDialogButtonBox>
#include <QIcon>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "net/RoomSession.h"
#include "platform/Cp932.h"
#include "platform/qt/QtText.h"

namespace vostrelle {
namespace {

int Cp932Bytes(const QString& text) {
  return static_cast<int>(ToCp932(text).size());
}

// Length in QChars of the code point that ends at index end (exclusive).
int CodePointBefore(const QString& text, int end) {
  if (end >= 2 && text[end - 1].isLowSurrogate() && text[end - 2].isHighSurrogate()) return 2;
  return 1;
}

}  // namespace

QString UiText(const char* utf8) {
  return ToQString(Sjis(utf8));
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

QValidator::State Cp932LimitValidator::validate(QString& input, int& pos) const {
  // Characters without a CP932 form become '?' one by one (a surrogate pair is one).
  bool lossless = true;
  ToCp932(input, &lossless);
  if (!lossless) {
    QString mapped;
    int newPos = pos;
    for (int i = 0; i < input.size();) {
      const int width =
          (input[i].isHighSurrogate() && i + 1 < input.size() && input[i + 1].isLowSurrogate()) ? 2
                                                                                                : 1;
      const QString one = input.mid(i, width);
      bool ok = true;
      ToCp932(one, &ok);
      if (ok) {
        mapped += one;
      } else {
        mapped += QLatin1Char('?');
        if (i < pos) newPos -= width - 1;
      }
      i += width;
    }
    input = mapped;
    pos = newPos;
  }
  // What was just typed or pasted ends at the cursor: drop it from its end until the
  // text fits; a text set as a whole is cut from its end.
  while (Cp932Bytes(input) > maxBytes_ && !input.isEmpty()) {
    const int end = pos > 0 ? pos : static_cast<int>(input.size());
    const int width = CodePointBefore(input, end);
    input.remove(end - width, width);
    if (pos > 0) pos -= width;
  }
  return Acceptable;
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

void LimitCp932Bytes(QLineEdit* edit, int maxBytes) {
  edit->setValidator(new Cp932LimitValidator(maxBytes, edit));
}

}  // namespace vostrelle
