#pragma once
// The manners of a Windows single-line ANSI edit for a QLineEdit holding CP932 text.
// What the user puts in (typing, pasting, dropping, an input-method commit, insert())
// is checked as it arrives: a paste keeps only what comes before its first line
// break, a character CP932 cannot hold becomes '?', and with a byte limit whatever
// would not fit is cut from the end of the insertion at a character boundary. A text
// the program sets with setText() is left exactly as it is, even when it is longer
// than the limit, as EM_LIMITTEXT never cuts a text set by the program.
//
// A corrected insertion is one undo step like any other. QLineEdit forgets its undo
// history when a validator changes the text, so where the user's action can be
// followed (a key, an input-method commit, a drop, a middle-click or menu paste,
// InsertText) the validator refuses the raw insertion, which QLineEdit takes back
// cleanly, and the corrected text is then inserted as an ordinary edit.

#include <QPointer>
#include <QValidator>
#include <optional>

class QAction;
class QLineEdit;
class QMenu;

namespace vostrelle {

class SingleLineRules : public QValidator {
  Q_OBJECT

 public:
  static constexpr int kNoLimit = 0;
  // maxBytes counts CP932 bytes; kNoLimit for none.
  SingleLineRules(QLineEdit* edit, int maxBytes);
  State validate(QString& input, int& pos) const override;

  // Runs an edit of the user's (or insert()) so that a correction it needs is applied
  // as one undo step.
  template <typename Edit>
  bool Follow(Edit&& edit) {
    QPointer<SingleLineRules> alive(this);
    ++following_;
    const bool result = edit();
    if (!alive) return result;  // the edit went with the event
    --following_;
    Settle();
    return result;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The corrected form of an insertion that was refused.
  struct Pending {
    QString before;   // the text before it
    QString refused;  // the text it would have made
    int head = 0;     // where it began
    int removed = 0;  // characters it replaced
    int inserted = 0;
    QString kept;  // what goes in instead
  };
  void Settle();
  void ShowContextMenu(const QPoint& where);

  QLineEdit* edit_;
  int maxBytes_;
  QString last_;  // the text before the change being validated
  int following_ = 0;
  mutable std::optional<Pending> pending_;
};

// Gives edit the rules above; the rules belong to the edit.
void MakeSingleLineEdit(QLineEdit* edit, int maxBytes = SingleLineRules::kNoLimit);
// Inserts text at the caret as the user's own insertion would be (replacing the
// selection, corrected as one undo step).
void InsertText(QLineEdit* edit, const QString& text);
// The paste entry of a line edit's standard context menu.
QAction* PasteAction(const QMenu& menu);

}  // namespace vostrelle
