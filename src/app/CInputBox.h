#pragma once
// The chat input line: a single-line edit of at most 256 CP932 bytes.

#include <QLineEdit>

namespace vostrelle {

class CInputBox : public QLineEdit {
  Q_OBJECT
 public:
  static constexpr int kId = 101;
  static constexpr int kLimitBytes = 256;
  explicit CInputBox(QWidget* parent = nullptr);

  // The text as CP932 bytes.
  std::string Cp932Text() const;
};

}  // namespace vostrelle
