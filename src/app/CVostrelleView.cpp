#include "app/CVostrelleView.h"

#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QStatusBar>
#include <QTimerEvent>
#include <cstdlib>

#include "app/CInputBox.h"
#include "app/PastedImage.h"
#include "dialogs/DialogSupport.h"
#include "doc/CVostrelleDoc.h"
#include "net/RoomSession.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/UserInterface.h"
#include "qt/FontConvert.h"
#include "qt/QtText.h"
#include "qt/SingleLineEdit.h"
#include "store/AppSettings.h"
#include "views/CMessageView.h"
#include "views/CRoomMessageView.h"
#include "views/CSystemView.h"
#include "views/OfferDialogs.h"

namespace vostrelle {

CVostrelleView::CVostrelleView(CVostrelleDoc& doc, AppSettings& settings, QWidget* parent)
    : QWidget(parent), doc_(doc), settings_(settings), input_(new CInputBox(this)) {
  setObjectName(QStringLiteral("inputView"));
  setAccessibleName(QStringLiteral("チャット"));
  setAccessibleDescription(QStringLiteral("入力欄と部屋ごとのメッセージ"));
  input_->installEventFilter(this);
  ApplyFont();
}

CVostrelleView::~CVostrelleView() {
  doc_.RemoveView(this);
}

void CVostrelleView::OnInitialUpdate() {
  // A reconnect runs the initial update again: the system view and the timer that
  // exist already are kept.
  if (!systemView_) {
    systemView_ = new CSystemView(doc_, this);
    systemView_->installEventFilter(this);
    doc_.AddView(systemView_);
    systemView_->FindSiblingViews();
    systemView_->OnInitialUpdate();
  }
  CreateRoomViews();
  if (!timer_.isActive()) timer_.start(TickMs(), this);
}

void CVostrelleView::CreateRoomViews() {
  int first = -1;
  for (int index : doc_.TakePendingViews()) {
    RoomSession* session = doc_.Session(index);
    if (!session) continue;
    auto* view = new CRoomMessageView(doc_, this);
    view->installEventFilter(this);
    doc_.AddView(view);
    view->FindSiblingViews();
    view->SetSession(session);
    if (first < 0) first = index;
    SessionHint hint(session);
    doc_.UpdateAllViews(nullptr, kHintRoomViewCreated, &hint);
  }
  doc_.SelectRoom(first);
  LayoutChildren();
}

void CVostrelleView::OnUpdate(CView*, long hint, HintObject* object) {
  switch (hint) {
    case kHintInsertText:
      if (auto* text = dynamic_cast<TextHint*>(object)) {
        InsertText(input_, ToQString(text->Text));
        // The next words the user types belong behind the name.
        input_->setFocus(Qt::OtherFocusReason);
      }
      break;
    case kHintSessionCreated:
      CreateRoomViews();
      break;
    case kHintSettingsChanged:
      ApplyFont();
      LayoutChildren();
      break;
    default:
      break;
  }
}

void CVostrelleView::ApplyFont() {
  input_->setFont(ToQFont(settings_.Fonts[AppSettings::kMessageFont]));
}

void CVostrelleView::resizeEvent(QResizeEvent*) {
  LayoutChildren();
}

void CVostrelleView::LayoutChildren() {
  const int inputHeight = input_->sizeHint().height();
  input_->setGeometry(0, height() - inputHeight, width(), inputHeight);
  for (QObject* child : children()) {
    if (auto* view = dynamic_cast<CMessageView*>(child))
      view->setGeometry(0, 0, width(), height() - inputHeight);
  }
}

void CVostrelleView::ShowStatus(const QString& text) {
  if (auto* frame = qobject_cast<QMainWindow*>(window()))
    frame->statusBar()->showMessage(text, 10000);
}

int CVostrelleView::TickMs() {
  const char* text = std::getenv("VOSTRELLE_TEST_TICK_MS");
  const int ms = text ? std::atoi(text) : 0;
  return ms > 0 ? ms : kTickMs;
}

void CVostrelleView::Tick() {
  doc_.UpdateAllViews(this, kHintLivenessTick);
}

void CVostrelleView::timerEvent(QTimerEvent* event) {
  if (event->timerId() == timer_.timerId()) Tick();
  QWidget::timerEvent(event);
}

void CVostrelleView::Activate() {
  input_->setFocus(Qt::OtherFocusReason);
}

bool CVostrelleView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == input_) NoteInputKey(event);
  if (watched == input_ && HandleInputDrop(event)) return true;
  if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  if (watched == input_ && HandleInputKey(key)) return true;
  if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
    const bool forward = key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier);
    if (MoveFocus(forward)) return true;
  }
  return QWidget::eventFilter(watched, event);
}

void CVostrelleView::NoteInputKey(QEvent* event) {
  // Every key meant for the input line counts: one that ends as a menu shortcut reaches
  // it only as a shortcut override, and one the input method takes arrives as
  // composition or commit text instead of a key press.
  bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
  if (event->type() == QEvent::InputMethod) {
    const auto* im = static_cast<QInputMethodEvent*>(event);
    key = !im->commitString().isEmpty() || !im->preeditString().isEmpty();
  }
  if (key && keyListener_) keyListener_();
}

bool CVostrelleView::HandleInputDrop(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
  // Anything but local files (text, links) drops into the line as before.
  return TakeFileDrop(static_cast<QDropEvent*>(event), doc_, this);
}

bool CVostrelleView::PasteImage() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (!IsPastableImage(data)) return false;
  std::string folder;
  if (!ToNativePath(settings_.SettingFolder, folder)) folder.clear();
  const QString path =
      folder.empty() ? QString()
                     : SavePastedImage(*data,
                                       QDir(QFile::decodeName(QByteArray::fromStdString(folder)))
                                           .filePath(QStringLiteral("pasted")),
                                       QDateTime::currentDateTime());
  if (path.isEmpty()) {
    doc_.Ui().MessageBox("貼り付けた画像を保存できませんでした。"_sjis, {}, MsgButtons::Ok,
                         MsgIcon::Warning);
    return true;
  }
  // A picture nobody was sent is not kept.
  if (!PostOfferFiles(doc_, {path}, true)) QFile::remove(path);
  return true;
}

bool CVostrelleView::HandleInputKey(QKeyEvent* key) {
  if (key->matches(QKeySequence::Paste) && PasteImage()) return true;
  if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
    const std::string text = input_->Cp932Text();
    if (text.empty()) return true;
    RoomSession* session = doc_.CurrentSession();
    if (!session || !session->IsJoined()) {
      // Nothing would carry the line: it stays for the user to take to a room.
      ShowStatus(UiText("送信先の部屋がありません。部屋一覧から部屋を選んでください。"));
      return true;
    }
    input_->clear();
    // Not sent from here: the document shows and logs the line first, then sends it.
    session->EnterLine(text);
    return true;
  }
  if (key->modifiers() & Qt::ControlModifier) {
    if (key->key() == Qt::Key_Up) {
      doc_.StepRoom(-1);
      return true;
    }
    if (key->key() == Qt::Key_Down) {
      doc_.StepRoom(+1);
      return true;
    }
  }
  return false;
}

bool CVostrelleView::MoveFocus(bool forward) {
  // The children in creation order, as a dialog's tab order would walk them.
  std::vector<QWidget*> stops;
  for (QObject* child : children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (w && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
      stops.push_back(w);
  }
  if (stops.empty()) return false;
  QWidget* focus = focusWidget();
  int at = -1;
  for (std::size_t i = 0; i < stops.size(); ++i) {
    if (stops[i] == focus || stops[i]->isAncestorOf(focus)) at = static_cast<int>(i);
  }
  const int n = static_cast<int>(stops.size());
  const int next = at < 0 ? 0 : (at + (forward ? 1 : n - 1)) % n;
  stops[static_cast<std::size_t>(next)]->setFocus(forward ? Qt::TabFocusReason
                                                          : Qt::BacktabFocusReason);
  return true;
}

}  // namespace vostrelle
