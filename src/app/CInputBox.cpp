#include "app/CInputBox.h"

#include "platform/qt/QtText.h"

namespace vostrelle {
namespace {

int Cp932Bytes(const QString& text) {
  return static_cast<int>(ToCp932(text).size());
}

}  // namespace

CInputBox::CInputBox(QWidget* parent) : QLineEdit(parent) {
  setObjectName(QStringLiteral("inputBox"));
  setAccessibleName(QStringLiteral("入力欄"));
  setAccessibleDescription(QStringLiteral("Enter で選択中の部屋に発言を送ります"));
  // textChanged also follows setText, insert() and input-method commits.
  connect(this, &QLineEdit::textChanged, this, &CInputBox::OnTextEdited);
}

std::string CInputBox::Cp932Text() const {
  return ToCp932(text());
}

void CInputBox::OnTextEdited() {
  const QString now = text();
  if (now == accepted_) return;
  // What changed: the old text keeps a common head and tail, the middle is new.
  int head = 0;
  const int oldLen = static_cast<int>(accepted_.size());
  const int newLen = static_cast<int>(now.size());
  while (head < oldLen && head < newLen && accepted_[head] == now[head]) ++head;
  int tail = 0;
  while (tail < oldLen - head && tail < newLen - head &&
         accepted_[oldLen - 1 - tail] == now[newLen - 1 - tail])
    ++tail;
  // Surrogate pairs stay whole.
  if (head > 0 && now[head - 1].isHighSurrogate()) --head;
  QString inserted = ToQString(ToCp932(now.mid(head, newLen - head - tail)));
  const QString before = now.left(head);
  const QString after = now.right(tail);
  const int room = kLimitBytes - Cp932Bytes(before) - Cp932Bytes(after);
  // Cut the insertion to what fits, character by character from its end.
  while (!inserted.isEmpty() && Cp932Bytes(inserted) > room) inserted.chop(1);
  const QString result = before + inserted + after;
  accepted_ = result;
  if (result != now) {
    const QSignalBlocker block(this);
    setText(result);
    setCursorPosition(static_cast<int>(before.size() + inserted.size()));
  }
}

}  // namespace vostrelle
