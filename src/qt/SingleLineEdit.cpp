#include "qt/SingleLineEdit.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>

#include "qt/QtText.h"

namespace vostrelle {
namespace {

int Cp932Bytes(const QString& text) {
  return static_cast<int>(ToCp932(text).size());
}

bool IsLineBreak(QChar c) {
  return c == u'\r' || c == u'\n' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

// Number of QChars of the code point starting at i.
int CodePointAt(const QString& text, int i) {
  return (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2 : 1;
}

int CommonPrefix(const QString& a, const QString& b) {
  int n = 0;
  while (n < a.size() && n < b.size() && a[n] == b[n]) ++n;
  if (n > 0 && b[n - 1].isHighSurrogate()) --n;  // a surrogate pair stays whole
  return n;
}

// Where the new text differs from the old: [head, head + length) of now is new, the
// rest was there before. After an insertion the cursor stands at its end, which tells
// "ab" + "b" apart from "a" + "b" + "b"; without that the common head and tail decide.
struct Change {
  int head = 0;
  int length = 0;
};

Change FindChange(const QString& old, const QString& now, int cursor) {
  const int oldLen = static_cast<int>(old.size());
  const int newLen = static_cast<int>(now.size());
  const int tail = newLen - cursor;
  if (cursor >= 0 && tail >= 0 && tail <= oldLen && old.endsWith(now.right(tail))) {
    const int head = std::min({CommonPrefix(old, now), oldLen - tail, cursor});
    return {head, cursor - head};
  }
  const int head = CommonPrefix(old, now);
  int common = 0;
  while (common < oldLen - head && common < newLen - head &&
         old[oldLen - 1 - common] == now[newLen - 1 - common])
    ++common;
  if (common > 0 && now[newLen - common].isLowSurrogate()) --common;
  return {head, newLen - head - common};
}

// The insertion as a Windows single-line edit takes it: up to the first line break,
// every character CP932 cannot hold as '?', and at most room bytes (room < 0: none).
QString Admit(const QString& inserted, int room, bool limited) {
  QString kept;
  for (int i = 0; i < inserted.size();) {
    if (IsLineBreak(inserted[i])) break;
    const int width = CodePointAt(inserted, i);
    const QString one = inserted.mid(i, width);
    bool lossless = true;
    const std::string bytes = ToCp932(one, &lossless);
    if (limited) {
      room -= static_cast<int>(bytes.size());
      if (room < 0) break;
    }
    kept += lossless ? one : QStringLiteral("?");
    i += width;
  }
  return kept;
}

}  // namespace

QAction* PasteAction(const QMenu& menu) {
  // Named by newer Qt versions; older ones are known by their text alone.
  const QString paste = QCoreApplication::translate("QLineEdit", "&Paste");
  for (QAction* action : menu.actions()) {
    if (action->objectName() == QLatin1String("edit-paste") ||
        action->text().section(u'\t', 0, 0) == paste)
      return action;
  }
  return nullptr;
}

SingleLineRules::SingleLineRules(QLineEdit* edit, int maxBytes)
    : QValidator(edit), edit_(edit), maxBytes_(maxBytes), last_(edit->text()) {
  connect(edit, &QLineEdit::textChanged, this, [this] { last_ = edit_->text(); });
  edit->installEventFilter(this);
}

bool SingleLineRules::eventFilter(QObject* watched, QEvent* event) {
  if (watched != edit_ || following_ > 0) return QValidator::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::InputMethod:
    case QEvent::Drop:
    case QEvent::MouseButtonRelease:
      // The edit handles the event here, so that a correction can follow at once.
      return Follow([&] { return static_cast<QObject*>(edit_)->event(event); });
    case QEvent::ContextMenu:
      if (edit_->contextMenuPolicy() != Qt::DefaultContextMenu) break;
      ShowContextMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
      return true;
    default:
      break;
  }
  return QValidator::eventFilter(watched, event);
}

void SingleLineRules::ShowContextMenu(const QPoint& where) {
  // The edit's own menu, its paste followed like a key's.
  QMenu* menu = edit_->createStandardContextMenu();
  if (QAction* paste = PasteAction(*menu)) {
    disconnect(paste, &QAction::triggered, edit_, nullptr);
    connect(paste, &QAction::triggered, this, [this] {
      Follow([this] {
        edit_->paste();
        return true;
      });
    });
  }
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(where);
}

void SingleLineRules::Settle() {
  if (!pending_) return;
  const Pending p = *std::move(pending_);
  pending_.reset();
  if (edit_->text() == p.before) {
    // Taken back, with the selection it replaced: put the corrected text in its place.
    const bool placed =
        p.removed > 0
            ? edit_->selectionStart() == p.head && edit_->selectedText().size() == p.removed
            : !edit_->hasSelectedText() && edit_->cursorPosition() == p.head;
    if (!placed) edit_->setSelection(p.head, p.removed);
    edit_->insert(p.kept);
  } else if (edit_->text() == p.refused) {
    // An edit QLineEdit does not take back: correct it where it stands.
    edit_->setSelection(p.head, p.inserted);
    edit_->insert(p.kept);
  }
}

QValidator::State SingleLineRules::validate(QString& input, int& pos) const {
  // setText() leaves the edit unmodified: a text the program sets is kept whole.
  if (!edit_->isModified() || input == last_) return Acceptable;
  const Change change = FindChange(last_, input, pos);
  const QString inserted = input.mid(change.head, change.length);
  const QString before = input.left(change.head);
  const QString after = input.mid(change.head + change.length);
  const bool limited = maxBytes_ != kNoLimit;
  const int room = limited ? maxBytes_ - Cp932Bytes(before) - Cp932Bytes(after) : 0;
  const QString kept = Admit(inserted, room, limited);
  if (kept == inserted) return Acceptable;
  if (following_ > 0) {
    const int removed = static_cast<int>(last_.size() - after.size()) - change.head;
    pending_ = Pending{last_, input, change.head, removed, change.length, kept};
    return Invalid;
  }
  input = before + kept + after;
  const int end = change.head + change.length;
  if (pos >= end)
    pos += static_cast<int>(kept.size()) - change.length;
  else if (pos > change.head + kept.size())
    pos = change.head + static_cast<int>(kept.size());
  return Acceptable;
}

void MakeSingleLineEdit(QLineEdit* edit, int maxBytes) {
  edit->setValidator(new SingleLineRules(edit, maxBytes));
}

void InsertText(QLineEdit* edit, const QString& text) {
  auto* rules = qobject_cast<SingleLineRules*>(const_cast<QValidator*>(edit->validator()));
  if (!rules) {
    edit->insert(text);
    return;
  }
  rules->Follow([&] {
    edit->insert(text);
    return true;
  });
}

}  // namespace vostrelle
