#pragma once
// The chat input line. It holds what an ANSI edit box of 256 bytes would: CP932 text
// of at most that many bytes, a character CP932 cannot hold turned into '?' as it
// arrives, and an insertion that does not fit cut at a character boundary.

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

 private:
  void OnTextEdited();
  QString accepted_;  // the last text within the rules
};

}  // namespace vostrelle
