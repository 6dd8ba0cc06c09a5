#pragma once
// The manners of a Windows single-line ANSI edit for a QLineEdit holding CP932 text.
// What the user puts in (typing, pasting, dropping, an input-method commit, insert())
// is checked as it arrives: a paste keeps only what comes before its first line
// break, a character CP932 cannot hold becomes '?', and with a byte limit whatever
// would not fit is cut from the end of the insertion at a character boundary. A text
// the program sets with setText() is left exactly as it is, even when it is longer
// than the limit, as EM_LIMITTEXT never cuts a text set by the program.

#include <QValidator>

class QLineEdit;

namespace vostrelle {

class SingleLineRules : public QValidator {
  Q_OBJECT

 public:
  static constexpr int kNoLimit = 0;
  // maxBytes counts CP932 bytes; kNoLimit for none.
  SingleLineRules(QLineEdit* edit, int maxBytes);
  State validate(QString& input, int& pos) const override;

 private:
  QLineEdit* edit_;
  int maxBytes_;
  QString last_;  // the text before the change being validated
};

// Gives edit the rules above; the rules belong to the edit.
void MakeSingleLineEdit(QLineEdit* edit, int maxBytes = SingleLineRules::kNoLimit);

}  // namespace vostrelle
