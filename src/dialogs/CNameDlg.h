#pragma once
// Asks for a new name (at most 16 CP932 bytes).

#include <QDialog>
#include <string>

#include "dialogs/DialogSupport.h"

class QLineEdit;

namespace vostrelle {

class CNameDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kNameId = 1000;
  static constexpr int kNameBytes = 16;

  explicit CNameDlg(QWidget* parent = nullptr);

  // Set before exec() (CP932); after OK, the entered name.
  std::string Name;
  MessageSink Message;  // the warning box unless replaced

  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLineEdit* edit_;
};

}  // namespace vostrelle
