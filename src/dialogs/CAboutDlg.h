#pragma once
// The version-information box.

#include <QDialog>

namespace vostrelle {

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kVersionId = 1021;
  static constexpr int kLegalId = 1022;

  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace vostrelle
