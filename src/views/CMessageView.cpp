#include "views/CMessageView.h"

#include <QCoreApplication>
#include <QFontInfo>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextCursor>
#include <cstdarg>
#include <cstdio>

#include "doc/CVostrelleDoc.h"
#include "doc/ViewHint.h"
#include "qt/FontConvert.h"
#include "qt/QtText.h"
#include "store/AppSettings.h"
#include "store/ChatLog.h"
#include "views/CAllMessageView.h"
#include "views/CMemberView.h"
#include "views/OfferDialogs.h"

namespace vostrelle {

CMessageView::CMessageView(CVostrelleDoc& doc, QWidget* parent) : QTextEdit(parent), doc_(doc) {
  setReadOnly(true);
  // The text only grows; an undo history would keep a second copy of it.
  setUndoRedoEnabled(false);
  setAcceptRichText(false);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  ApplyFont(doc_.Settings().Fonts[AppSettings::kMessageFont], false);
}

CMessageView::~CMessageView() {
  doc_.RemoveView(this);
}

void CMessageView::OnUpdate(CView*, long hint, HintObject*) {
  if (hint == kHintSettingsChanged)
    ApplyFont(doc_.Settings().Fonts[AppSettings::kMessageFont], true);
}

void CMessageView::AppendText(const std::string& text) {
  QString qtext = ToQString(text);
  qtext.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  // characterCount() counts the final paragraph separator, which is not text.
  const qsizetype room = kTextLimit - (document()->characterCount() - 1);
  if (room <= 0 || qtext.isEmpty()) return;
  if (qtext.size() > room) {
    qsizetype cut = room;
    if (qtext.at(cut - 1).isHighSurrogate()) --cut;
    qtext.truncate(cut);
  }
  // A cursor of our own at the end: the user's selection is left alone until the
  // caret moves behind the new text, and nothing walks the whole document.
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(qtext, format_);
  if (lineDepth_ == 0) MoveCaretToEnd();
}

void CMessageView::MoveCaretToEnd() {
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  setTextCursor(cursor);
}

CMessageView::Line::Line(CMessageView& view) : view_(view), cursor_(view.document()) {
  ++view_.lineDepth_;
  cursor_.beginEditBlock();
}

CMessageView::Line::~Line() {
  cursor_.endEditBlock();
  if (--view_.lineDepth_ == 0) view_.MoveCaretToEnd();
}

void CMessageView::VAppend(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int size = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (size < 0) return;
  std::string text(static_cast<std::size_t>(size) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format, args);
  text.resize(static_cast<std::size_t>(size));
  AppendText(text);
}

void CMessageView::AppendFormatted(const char* format, ...) {
  va_list args;
  va_start(args, format);
  VAppend(format, args);
  va_end(args);
}

void CMessageView::AddTimeStamp(std::int64_t time) {
  Line line(*this);
  const QTextCharFormat saved = format_;
  format_.setForeground(QColor(0, 0, 255));
  AppendText(LogTimeText(static_cast<std::time_t>(time)) + " ");
  format_ = saved;
}

void CMessageView::PrintLine(std::int64_t time, const char* format, ...) {
  Line line(*this);
  AddTimeStamp(time);
  va_list args;
  va_start(args, format);
  VAppend(format, args);
  va_end(args);
}

void CMessageView::PrintLineBold(std::int64_t time, const char* format, ...) {
  Line line(*this);
  AddTimeStamp(time);
  const QTextCharFormat saved = format_;
  format_.setFontWeight(QFont::Bold);
  va_list args;
  va_start(args, format);
  VAppend(format, args);
  va_end(args);
  format_ = saved;
}

void CMessageView::ApplyFont(const LOGFONTA& font, bool reapply) {
  // The text's runs carry colour and bold only, so the new font reaches all of it
  // through the document's default font; reapply needs no pass over the text. The
  // relayout that follows happens once, with updates held back.
  (void)reapply;
  // A generic or missing face lets Qt choose a font per script: a line that begins in
  // katakana ("バージョン: ...") would draw its stamp in the Japanese font, smaller than
  // the others. Asking for the face it resolves to, by name, keeps one font for all.
  QFont qfont = ToQFont(font);
  qfont.setFamily(QFontInfo(qfont).family());
  const bool updates = updatesEnabled();
  setUpdatesEnabled(false);
  setFont(qfont);
  setUpdatesEnabled(updates);
}

void CMessageView::ClearText() {
  clear();
  format_ = QTextCharFormat();
}

void CMessageView::FindSiblingViews() {
  allMessageView_ = nullptr;
  memberView_ = nullptr;
  for (CView* view : doc_.Views()) {
    if (auto* all = dynamic_cast<CAllMessageView*>(view)) allMessageView_ = all;
    if (auto* members = dynamic_cast<CMemberView*>(view)) memberView_ = members;
  }
}

CAllMessageView* CMessageView::AllMessageView() const {
  return allMessageView_;
}

CMemberView* CMessageView::MemberView() const {
  return memberView_;
}

void CMessageView::keyPressEvent(QKeyEvent* event) {
  if (event->modifiers() & Qt::ControlModifier) {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
      doc_.StepRoom(event->key() == Qt::Key_Up ? -1 : +1);
      event->accept();
      return;
    }
  }
  QTextEdit::keyPressEvent(event);
}

void CMessageView::inputMethodEvent(QInputMethodEvent* event) {
  event->ignore();
}

QVariant CMessageView::inputMethodQuery(Qt::InputMethodQuery query) const {
  if (query == Qt::ImEnabled) return false;
  return QVariant();
}

void CMessageView::setVisible(bool visible) {
  const bool shown = visible && isHidden();
  QTextEdit::setVisible(visible);
  // Later, from the event queue, like a posted command.
  if (shown)
    QMetaObject::invokeMethod(
        this, [this] { OnWindowShown(); }, Qt::QueuedConnection);
}

void CMessageView::HandleSelect(HintObject* object, bool chosen) {
  auto* select = dynamic_cast<RoomSelectHint*>(object);
  if (!select) return;
  if (!select->Show) {
    if (!isHidden() && !chosen) hide();
    return;
  }
  if (!chosen) return;
  // The parent lays its children out again before the view appears.
  if (QWidget* parent = parentWidget()) {
    QResizeEvent resize(parent->size(), parent->size());
    QCoreApplication::sendEvent(parent, &resize);
  }
  show();
  if (select->Focus) setFocus();
}

void CMessageView::dragEnterEvent(QDragEnterEvent* event) {
  if (!TakeFileDrop(event, doc_, this)) event->ignore();
}

void CMessageView::dragMoveEvent(QDragMoveEvent* event) {
  if (!TakeFileDrop(event, doc_, this)) event->ignore();
}

void CMessageView::dropEvent(QDropEvent* event) {
  if (!TakeFileDrop(event, doc_, this)) event->ignore();
}

}  // namespace vostrelle
