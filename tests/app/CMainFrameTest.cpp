// The window shell offscreen: the input line, the keys of the input view, the panes,
// the tray animation without a tray, and minimising without a tray.

#include <QBuffer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenuBar>
#include <QMimeData>
#include <QRegularExpression>
#include <QSplitter>
#include <QStatusBar>
#include <QtTest>

#include "../views/ViewTestSupport.h"
#include "app/CInputBox.h"
#include "app/CMainFrame.h"
#include "app/CVostrelleView.h"
#include "app/PastedImage.h"
#include "dialogs/CLogSearchDlg.h"
#include "doc/DocTestSupport.h"
#include "platform/CommandIds.h"
#include "platform/Cp932.h"
#include "qt/QtText.h"
#include "qt/SingleLineEdit.h"
#include "qt/TrayIcon.h"
#include "views/CMemberView.h"
#include "views/CMessageView.h"
#include "views/CRoomMessageView.h"
#include "views/CRoomView.h"
#include "views/CSystemView.h"
#include "views/OfferDialogs.h"

using namespace vostrelle;

namespace {

// Text as an input method delivers it (keyClicks refuses non-Latin-1 text).
void Commit(QWidget* w, const QString& text) {
  QInputMethodEvent event;
  event.setCommitString(text);
  QCoreApplication::sendEvent(w, &event);
}

struct Window {
  explicit Window(std::vector<ConnectSetting> connects,
                  const std::function<void(AppSettings&)>& adjust = {}) {
    h.settings.Connects = std::move(connects);
    if (adjust) adjust(h.settings);
    h.doc.RemoveView(&h.view);
    ok = h.doc.OnNewDocument();
    frame = std::make_unique<CMainFrame>(h.doc, h.settings, h.ui);
    frame->Create();
    h.doc.SendInitialUpdate();
    h.Pump();
    frame->show();
  }
  CInputBox* Input() const { return frame->InputView()->InputBox(); }
  QMenu* Menu(const QString& title) const {
    for (QMenu* menu : frame->menuBar()->findChildren<QMenu*>())
      if (menu->title() == title) return menu;
    return nullptr;
  }
  test::DocHarness h;
  bool ok = false;
  std::unique_ptr<CMainFrame> frame;
};

}  // namespace

class CMainFrameTest : public QObject {
  Q_OBJECT
 private slots:
  void InputLineHoldsAtMost256Cp932Bytes() {
    CInputBox box;
    Commit(&box, QString(128, QChar(0x3042)));  // "あ" x 128 = 256 bytes
    QCOMPARE(box.Cp932Text().size(), std::size_t{256});
    Commit(&box, QStringLiteral("い"));
    QCOMPARE(box.text().size(), 128);
    // Room for one single byte: a double-byte character does not fit, a single one does.
    box.clear();
    Commit(&box, QString(127, QChar(0x3042)) + QStringLiteral("b"));
    Commit(&box, QStringLiteral("い"));
    QCOMPARE(box.Cp932Text().size(), std::size_t{255});
    Commit(&box, QStringLiteral("x"));
    QCOMPARE(box.Cp932Text().size(), std::size_t{256});
    QVERIFY(box.text().endsWith(QStringLiteral("bx")));
    // A paste that does not fit is cut at a character boundary, not refused.
    box.clear();
    Commit(&box, QString(100, QChar(0x3042)));
    box.insert(QString(60, QChar(0x3044)) + QStringLiteral("end"));
    QCOMPARE(box.Cp932Text().size(), std::size_t{256});
    QVERIFY(box.text().endsWith(QString(28, QChar(0x3044))));
    // A character CP932 cannot hold becomes '?' as it arrives.
    box.clear();
    Commit(&box, QString::fromUtf8("a\xF0\x9F\x98\x80"
                                   "b"));
    QCOMPARE(box.text(), QStringLiteral("a?b"));
  }

  // A pasted text keeps its first line only; Enter sends that one line.
  void PasteKeepsTheFirstLine() {
    Window w({test::Setting("r")});
    w.h.Send(2, test::Packet("Join", "r", {{"Name", "peer"}}));
    w.h.Received(2);
    QGuiApplication::clipboard()->setText(QStringLiteral("一行目\r\n二行目\n"));
    QTest::keySequence(w.Input(), QKeySequence::Paste);
    QCOMPARE(w.Input()->text(), QStringLiteral("一行目"));
    QTest::keyClick(w.Input(), Qt::Key_Return);
    QCOMPARE(w.h.Received(2), std::vector<std::string>{"Message " + "一行目"_sjis});
  }

  // Whatever a correction changed, the insertion is one undo step and the edits before
  // it stay undoable: a paste of two lines, text CP932 cannot hold, the byte limit, the
  // context menu's paste and a member's name put in by the program.
  void CorrectedInsertionsUndoInOneStep() {
    CInputBox box;
    box.show();
    QTest::keyClicks(&box, "ab");
    QGuiApplication::clipboard()->setText(QStringLiteral("一行目\r\n二行目"));
    QTest::keySequence(&box, QKeySequence::Paste);
    QCOMPARE(box.text(), QStringLiteral("ab一行目"));
    QCOMPARE(box.cursorPosition(), 5);
    QTest::keySequence(&box, QKeySequence::Undo);
    QCOMPARE(box.text(), QStringLiteral("ab"));
    QTest::keySequence(&box, QKeySequence::Undo);
    QCOMPARE(box.text(), QString());
    QTest::keySequence(&box, QKeySequence::Redo);
    QTest::keySequence(&box, QKeySequence::Redo);
    QCOMPARE(box.text(), QStringLiteral("ab一行目"));

    // Replacing a selection: the undo brings the selected text back.
    box.setSelection(0, 2);
    Commit(&box, QString::fromUtf8("x\xF0\x9F\x98\x80"));
    QCOMPARE(box.text(), QStringLiteral("x?一行目"));
    QTest::keySequence(&box, QKeySequence::Undo);
    QCOMPARE(box.text(), QStringLiteral("ab一行目"));

    // At the limit: what fits goes in, as one step.
    box.setText(QString(127, QChar(0x3042)));
    box.setModified(true);
    Commit(&box, QStringLiteral("xい"));
    QCOMPARE(box.Cp932Text().size(), std::size_t{255});
    QVERIFY(box.text().endsWith(QStringLiteral("x")));
    QTest::keySequence(&box, QKeySequence::Undo);
    QCOMPARE(box.text(), QString(127, QChar(0x3042)));

    // The context menu's paste.
    box.clear();
    QTest::keyClicks(&box, "c");
    QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                box.mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(&box, &menuEvent);
    QTRY_VERIFY(QApplication::activePopupWidget());
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QAction* paste = PasteAction(*menu);
    QVERIFY(paste);
    paste->trigger();
    menu->close();
    QCOMPARE(box.text(), QStringLiteral("c一行目"));
    QTest::keySequence(&box, QKeySequence::Undo);
    QCOMPARE(box.text(), QStringLiteral("c"));

    // A name put in by the program near the limit.
    box.setText(QString(127, QChar(0x3042)));
    InsertText(&box, QStringLiteral("zい"));
    QCOMPARE(box.text(), QString(127, QChar(0x3042)) + QStringLiteral("z"));
    QTest::keySequence(&box, QKeySequence::Undo);
    QCOMPARE(box.text(), QString(127, QChar(0x3042)));
  }

  void EnterSendsToTheSelectedRoomOnly() {
    Window w({test::Setting("r")});
    QVERIFY(w.ok);
    w.h.Send(2, test::Packet("Join", "r", {{"Name", "peer"}}));
    w.h.Received(2);
    QVERIFY(w.h.doc.CurrentSession());
    Commit(w.Input(), QStringLiteral("こんにちは"));
    QTest::keyClick(w.Input(), Qt::Key_Return);
    QCOMPARE(w.Input()->text(), QString());
    QCOMPARE(w.h.Received(2), std::vector<std::string>{"Message " + "こんにちは"_sjis});
    // Empty line: nothing.
    QTest::keyClick(w.Input(), Qt::Key_Return);
    QVERIFY(w.h.Received(2).empty());
    // No room selected: the line stays in the box and the status bar says why.
    QTest::keyClick(w.Input(), Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(w.h.doc.CurrentRoom(), -1);
    Commit(w.Input(), QStringLiteral("kept"));
    QTest::keyClick(w.Input(), Qt::Key_Return);
    QCOMPARE(w.Input()->text(), QStringLiteral("kept"));
    QVERIFY(w.h.Received(2).empty());
    QVERIFY(w.frame->statusBar()->currentMessage().contains(QStringLiteral("部屋")));
    w.Input()->clear();
    QTest::keyClick(w.Input(), Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(w.h.doc.CurrentRoom(), 0);
    QTest::keyClick(w.Input(), Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(w.h.doc.CurrentRoom(), -1);
  }

  void NoRoomAtStartShowsTheSystemView() {
    Window w({});
    QCOMPARE(w.h.doc.CurrentRoom(), -1);
    QVERIFY(w.frame->InputView()->SystemView());
    QVERIFY(w.frame->InputView()->SystemView()->isVisible());
    QTest::keyClick(w.Input(), Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(w.h.doc.CurrentRoom(), -1);
    w.frame->OnCommand(cmd::kLeaveRoom);
    QCOMPARE(w.h.doc.CurrentRoom(), -1);
  }

  void WindowsFoldersAreToldOnceInTheSystemViewAndTheStatusBar() {
    Window w({}, [](AppSettings& settings) {
      settings.SettingFolder = "/srv/chat";
      settings.ReceiveFolder = "/srv/in";
      settings.Log.SaveFolder = "D:\\チャットログ"_sjis;
    });
    const QString text = w.frame->InputView()->SystemView()->toPlainText();
    QVERIFY2(
        text.contains(QStringLiteral("※ ログの保存先「D:\\チャットログ」はWindowsのフォルダのため、"
                                     "ログは「/srv/chat/log」に保存します。")),
        qPrintable(text));
    QVERIFY(!text.contains(QStringLiteral("受信フォルダ")));  // /srv/in is a folder here
    QCoreApplication::processEvents();                        // the bar is told from the event loop
    QCOMPARE(w.frame->statusBar()->currentMessage(),
             QStringLiteral("※ Windowsのフォルダ設定は使えないため、既定のフォルダに保存します。"));
    // Once: the views set up again add nothing.
    w.h.doc.SendInitialUpdate();
    QCOMPARE(w.frame->InputView()->SystemView()->toPlainText().count(
                 QStringLiteral("Windowsのフォルダのため")),
             1);
    // The search looks where the logs really go, not in the folder from Windows.
    w.frame->OnCommand(cmd::kLogSearch);
    auto* search = w.frame->findChild<CLogSearchDlg*>();
    QVERIFY(search);
    QCOMPARE(search->LogFolder(), std::string("/srv/chat/log"));
    search->close();
  }

  // Ctrl+V with a picture and no text keeps it as a PNG in the settings folder and
  // offers it after the question; declined, the file is not kept. Text pastes as text.
  void PastedPictureIsKeptAndOffered() {
    Window w({test::Setting("r")});
    w.h.Send(2, test::Packet("Join", "r", {{"Name", "peer"}}));
    CMemberView* members = w.frame->MemberView();
    QTRY_COMPARE(members->topLevelItemCount(), 2);
    test::RunPosted();  // the shown room view fills the list once more
    members->setCurrentItem(members->topLevelItem(1));
    const QDir pasted(QString::fromStdString(w.h.dir.File("pasted")));
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::blue);
    bool send = false;
    int asked = 0;
    test::DialogAnswerer answer([&](QDialog* dialog) {
      if (!qobject_cast<ImageOfferDialog*>(dialog)) return;  // the send window
      ++asked;
      send ? dialog->accept() : dialog->reject();
    });
    QGuiApplication::clipboard()->setImage(image);
    QTest::keySequence(w.Input(), QKeySequence::Paste);
    QCOMPARE(asked, 1);
    QVERIFY(pasted.entryList(QDir::Files).isEmpty());
    QCOMPARE(w.h.doc.SendList()->Count(), 0);

    send = true;
    QTest::keySequence(w.Input(), QKeySequence::Paste);
    QCOMPARE(asked, 2);
    const QStringList files = pasted.entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    QVERIFY(QRegularExpression(QStringLiteral("^image-\\d{8}-\\d{6}\\.png$"))
                .match(files[0])
                .hasMatch());
    const QImage kept(pasted.filePath(files[0]));
    QCOMPARE(kept.size(), QSize(40, 30));
    QCOMPARE(kept.pixelColor(5, 5), QColor(Qt::blue));
    QCOMPARE(w.h.doc.SendList()->Count(), 1);
    QCOMPARE(w.h.doc.SendList()->Item(0).LocalPath, pasted.filePath(files[0]).toStdString());
    QVERIFY(w.Input()->text().isEmpty());

    // A picture that comes with text pastes the text.
    auto* both = new QMimeData;
    both->setImageData(image);
    both->setText(QStringLiteral("caption"));
    QGuiApplication::clipboard()->setMimeData(both);
    QTest::keySequence(w.Input(), QKeySequence::Paste);
    QCOMPARE(w.Input()->text(), QStringLiteral("caption"));
    QCOMPARE(asked, 2);

    // No folder to keep it in: told, nothing offered.
    QVERIFY(QDir().rename(pasted.path(), pasted.path() + QStringLiteral("-old")));
    test::WriteFile(w.h.dir.File("pasted"), "a file, not a folder");
    QGuiApplication::clipboard()->setImage(image);
    QTest::keySequence(w.Input(), QKeySequence::Paste);
    QCOMPARE(w.h.ui.messages.back(), "貼り付けた画像を保存できませんでした。"_sjis);
    QCOMPARE(asked, 2);
    QCOMPARE(w.h.doc.SendList()->Count(), 1);
  }

  // A paste takes the next free name and keeps the clipboard's PNG bytes as they are.
  void PasteNeverReplacesAFile() {
    test::TempDir dir;
    const QString folder = QString::fromStdString(dir.File("pasted"));
    QVERIFY(QDir().mkpath(folder));
    const std::string stem = dir.File("pasted/image-20261209-050403");
    test::WriteFile(stem + ".png", "old");
    test::WriteFile(stem + "-1.png", "old 1");
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(Qt::green);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(image.save(&buffer, "PNG", 0));
    QMimeData data;
    data.setData(QStringLiteral("image/png"), png);
    const QDateTime at(QDate(2026, 12, 9), QTime(5, 4, 3));
    QCOMPARE(SavePastedImage(data, folder, at), QString::fromStdString(stem + "-2.png"));
    QCOMPARE(test::ReadFile(stem + "-2.png"), png.toStdString());
    QCOMPARE(test::ReadFile(stem + ".png"), std::string("old"));
    QCOMPARE(test::ReadFile(stem + "-1.png"), std::string("old 1"));
    // Bytes that are no picture are not kept.
    QMimeData junk;
    junk.setData(QStringLiteral("image/png"), "not a picture");
    QVERIFY(SavePastedImage(junk, folder, at).isEmpty());
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 3);
  }

  // Files dropped on the input line go to the selected member and leave the line as it
  // was; a folder is refused; dropped text still lands in the line.
  void FilesDroppedOnTheInputLineAreOffered() {
    Window w({test::Setting("r")});
    w.h.Send(2, test::Packet("Join", "r", {{"Name", "peer"}}));
    CMemberView* members = w.frame->MemberView();
    QTRY_COMPARE(members->topLevelItemCount(), 2);
    test::RunPosted();  // the shown room view fills the list once more
    members->setCurrentItem(members->topLevelItem(1));
    test::WriteFile(w.h.dir.File("doc.txt"), "text");
    auto drop = [&](QMimeData& data) {
      const QPoint at(5, 5);
      QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
      QCoreApplication::sendEvent(w.Input(), &enter);
      QDropEvent event(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
      QCoreApplication::sendEvent(w.Input(), &event);
      test::RunPosted();
      return enter.isAccepted() && event.isAccepted();
    };
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString(w.h.dir.File("doc.txt")))});
    files.setText(QString::fromStdString(w.h.dir.File("doc.txt")));  // as file managers add
    QVERIFY(drop(files));
    QCOMPARE(w.h.doc.SendList()->Count(), 1);
    QCOMPARE(w.h.doc.SendList()->Item(0).LocalPath, w.h.dir.File("doc.txt"));
    QVERIFY(w.Input()->text().isEmpty());

    QMimeData folder;
    folder.setUrls({QUrl::fromLocalFile(QString::fromStdString(w.h.dir.Path()))});
    QVERIFY(drop(folder));
    QCOMPARE(w.h.ui.messages.back(),
             "フォルダは送信できません。中のファイルを選んで送ってください。"_sjis);
    QCOMPARE(w.h.doc.SendList()->Count(), 1);

    QMimeData text;
    text.setText(QStringLiteral("dropped words"));
    QVERIFY(drop(text));
    QCOMPARE(w.Input()->text(), QStringLiteral("dropped words"));
  }

  void MemberNameReplacesTheSelection() {
    Window w({test::Setting("r")});
    Commit(w.Input(), QStringLiteral("hello world"));
    w.Input()->setSelection(6, 5);
    TextHint hint("佐藤"_sjis);
    w.h.doc.UpdateAllViews(nullptr, kHintInsertText, &hint);
    QCOMPARE(w.Input()->text(), QStringLiteral("hello 佐藤"));
  }

  // The double click puts the name at the caret and the keyboard focus behind it.
  void DoubleClickedNameTakesTheFocusToTheInputLine() {
    Window w({test::Setting("r")});
    w.h.Send(2, test::Packet("Join", "r", {{"Name", "peer"}}));
    w.frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.frame.get()));
    Commit(w.Input(), QStringLiteral("hi  there"));
    w.Input()->setCursorPosition(3);
    CMemberView* members = w.frame->MemberView();
    members->setFocus();
    QTRY_COMPARE(members->topLevelItemCount(), 2);
    const QRect row = members->visualItemRect(members->topLevelItem(1));
    QTest::mouseDClick(members->viewport(), Qt::LeftButton, {}, row.center());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Input()));
    QCOMPARE(w.Input()->text(), QStringLiteral("hi peer there"));
    QVERIFY(!w.Input()->hasSelectedText());
    QCOMPARE(w.Input()->cursorPosition(), 7);
    QTest::keyClicks(QApplication::focusWidget(), ",");
    QCOMPARE(w.Input()->text(), QStringLiteral("hi peer, there"));
  }

  void TabMovesBetweenInputAndVisibleMessageView() {
    Window w({test::Setting("r")});
    w.frame->activateWindow();
    w.frame->InputView()->Activate();
    QVERIFY(QTest::qWaitForWindowActive(w.frame.get()));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Input()));
    QTest::keyClick(w.Input(), Qt::Key_Tab);
    auto* room = dynamic_cast<CRoomMessageView*>(QApplication::focusWidget());
    QVERIFY(room);
    QVERIFY(room->isVisible());
    QTest::keyClick(room, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Input()));
    QTest::keyClick(w.Input(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(room));
  }

  void FontChangeRelaysTheInputLine() {
    Window w({test::Setting("r")});
    w.frame->resize(800, 600);
    QApplication::processEvents();
    const int before = w.Input()->height();
    w.h.settings.Fonts[AppSettings::kMessageFont].lfHeight = -40;
    w.h.doc.UpdateAllViews(nullptr, kHintSettingsChanged);
    const int after = w.Input()->height();
    QVERIFY2(after > before, qPrintable(QString("%1 -> %2").arg(before).arg(after)));
    // Message views fill what the input line leaves.
    CVostrelleView* view = w.frame->InputView();
    for (QObject* child : view->children()) {
      if (auto* m = dynamic_cast<CMessageView*>(child)) {
        QCOMPARE(m->height() + after, view->height());
        QCOMPARE(m->width(), view->width());
      }
    }
    QCOMPARE(w.Input()->y() + after, view->height());
  }

  // The member list shows name, host and address of a typical member without
  // scrolling: a four-kanji name and a 192.168.x.x address.
  void MemberColumnsFitAtTheStartSize() {
    Window w({test::Setting("r")});
    w.h.Send(2, test::Packet("Join", "r", {{"Name", "山田太郎"_sjis}}));
    auto* rows = w.frame->findChild<QSplitter*>(QStringLiteral("rows"));
    QVERIFY(rows);
    const QList<int> heights = rows->sizes();
    QVERIFY(qAbs(heights[0] - 3 * heights[1]) <= 4);
    auto* top = qobject_cast<QSplitter*>(rows->widget(0));
    auto* bottom = qobject_cast<QSplitter*>(rows->widget(1));
    QCOMPARE(top->widget(0), static_cast<QWidget*>(w.frame->InputView()));
    QCOMPARE(top->sizes(), bottom->sizes());
    QVERIFY(top->sizes()[0] >= top->sizes()[1]);
    auto* members = w.frame->findChild<CMemberView*>();
    QCOMPARE(members->topLevelItemCount(), 2);
    // The widest texts the three columns may hold for such a member.
    members->topLevelItem(1)->setText(CMemberView::kHostColumn, QStringLiteral("192.168.100.200"));
    members->topLevelItem(1)->setText(CMemberView::kAddressColumn,
                                      QStringLiteral("192.168.100.200"));
    members->AutoSizeColumns();
    int needed = 0;
    for (int column = 0; column < members->columnCount(); ++column)
      needed += members->header()->sectionSize(column);
    QVERIFY2(needed <= members->viewport()->width(),
             qPrintable(QStringLiteral("%1 > %2").arg(needed).arg(members->viewport()->width())));
  }

  // Whatever changes the shown view, the room list highlights its row; moving through
  // the list by keyboard shows the room moved to.
  void RoomListHighlightsTheShownView() {
    Window w({test::Setting("a"), test::Setting("b")});
    auto* rooms = w.frame->findChild<CRoomView*>();
    QVERIFY(rooms);
    auto highlighted = [rooms] {
      const QList<QTreeWidgetItem*> selected = rooms->selectedItems();
      return selected.size() == 1 ? rooms->indexOfTopLevelItem(selected.front()) : -1;
    };
    QCOMPARE(w.h.doc.CurrentRoom(), 0);
    QCOMPARE(highlighted(), 1);
    QTest::keyClick(w.Input(), Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(highlighted(), 2);
    // Leaving the last room shows the system view: "System" is highlighted, not the
    // row that went.
    w.frame->OnCommand(cmd::kLeaveRoom);
    QCOMPARE(w.h.doc.CurrentRoom(), -1);
    QCOMPARE(rooms->topLevelItemCount(), 2);
    QCOMPARE(highlighted(), 0);
    QCOMPARE(rooms->CurrentRow(), 0);
    // A click, then a key in the list: each shows what it highlights.
    const QRect first = rooms->visualItemRect(rooms->topLevelItem(1));
    QTest::mouseClick(rooms->viewport(), Qt::LeftButton, {}, first.center());
    QCOMPARE(w.h.doc.CurrentRoom(), 0);
    QCOMPARE(highlighted(), 1);
    rooms->setFocus();
    QTest::keyClick(rooms, Qt::Key_Up);
    QCOMPARE(w.h.doc.CurrentRoom(), -1);
    QCOMPARE(highlighted(), 0);
    QCOMPARE(rooms->CurrentRow(), 0);
  }

  void NameCallWithoutTrayIsSilentAndKeyStopsIt() {
    Window w({test::Setting("r")});
    QVERIFY(!w.frame->Tray()->IsAdded());  // no notification area offscreen
    w.frame->OnCommand(cmd::kNameCalled);
    w.frame->OnCommand(cmd::kNameCalled);
    QTest::keyClick(w.Input(), Qt::Key_A);
    QVERIFY(!w.frame->Tray()->IsAnimating());
  }

  // Keys the input method takes reach the input line as composition or commit text,
  // and a menu shortcut only as a shortcut override: each stops the animation too.
  void InputMethodAndShortcutKeysStopTheAnimation() {
    Window w({test::Setting("r")});
    w.frame->activateWindow();
    w.frame->InputView()->Activate();
    QVERIFY(QTest::qWaitForWindowActive(w.frame.get()));
    TrayIcon* tray = w.frame->Tray();
    w.frame->OnCommand(cmd::kNameCalled);
    QVERIFY(tray->IsAnimating());
    QInputMethodEvent compose(QStringLiteral("かん"), {});
    QCoreApplication::sendEvent(w.Input(), &compose);
    QVERIFY(!tray->IsAnimating());
    w.frame->OnCommand(cmd::kNameCalled);
    Commit(w.Input(), QStringLiteral("漢"));
    QVERIFY(!tray->IsAnimating());
    w.frame->OnCommand(cmd::kNameCalled);
    QTest::keyClick(w.Input(), Qt::Key_F6);  // next pane
    QVERIFY(QApplication::focusWidget() != w.Input());
    QVERIFY(!tray->IsAnimating());
  }

  // Without a notification area a hidden window could never come back: minimising
  // keeps it a minimised window.
  void MinimiseWithoutTrayDoesNotHide() {
    Window w({});
    w.h.settings.MinimumTray = true;
    w.frame->showMinimized();
    QVERIFY(w.frame->isMinimized());
    QCoreApplication::sendPostedEvents();  // a hide would be queued from the state change
    QVERIFY(w.frame->isVisible());
    // Said once in the status bar too, for a user who is not looking at the system view.
    const QString notice = QString::fromUtf8(
        "※ 通知領域（タスクトレイ）が見つからないため、最小化してもトレイには潜みません。");
    QCOMPARE(w.frame->statusBar()->currentMessage(), notice);
    QVERIFY(w.frame->InputView()->SystemView()->toPlainText().contains(notice));
    w.frame->showNormal();
    w.frame->statusBar()->clearMessage();
    w.frame->showMinimized();
    QVERIFY(w.frame->isMinimized());
    QCOMPARE(w.frame->statusBar()->currentMessage(), QString());
  }

  void CaptionFollowsTheDocumentTitle() {
    Window w({});
    w.h.doc.DeleteContents();
    QCOMPARE(w.frame->windowTitle(), QStringLiteral("未接続 - Vostrelle"));
  }

  // A command's state is the state when its key is pressed, not what the menu last showed.
  void ShortcutsFollowTheStateNotTheMenu() {
    Window w({test::Setting("r")});
    w.frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.frame.get()));
    QAction* rename = w.frame->Action(cmd::kRename);
    QSignalSpy renames(rename, &QAction::triggered);
    QTest::keyClick(w.Input(), Qt::Key_Down, Qt::ControlModifier);  // the system view
    QCOMPARE(w.h.doc.CurrentRoom(), -1);
    emit w.Menu(QStringLiteral("コマンド(&C)"))->aboutToShow();
    QVERIFY(!rename->isEnabled());
    QTest::keyClick(w.Input(), Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(w.h.doc.CurrentRoom(), 0);
    QTest::keyClick(w.Input(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(renames.count(), 1);
    // And back: without a room the key does nothing.
    QTest::keyClick(w.Input(), Qt::Key_Up, Qt::ControlModifier);
    QTest::keyClick(w.Input(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(renames.count(), 1);
    QVERIFY(!rename->isEnabled());
  }

  // Back from the tray (hidden while minimised) or by the hot key: as it was before.
  void RestoreKeepsMaximisedAndTheMemberSelection() {
    Window w({test::Setting("r")});
    w.h.Send(2, test::Packet("Join", "r", {{"Name", "peer"}}));
    w.h.Pump();
    QApplication::processEvents();  // the room view's first show fills the list
    CMemberView* members = w.frame->MemberView();
    QCOMPARE(members->topLevelItemCount(), 2);
    members->topLevelItem(1)->setSelected(true);
    w.frame->showMaximized();
    for (auto restore : {&CMainFrame::RestoreWindow, &CMainFrame::ToggleMinimized}) {
      w.frame->showMinimized();
      w.frame->hide();
      (w.frame.get()->*restore)();
      QApplication::processEvents();  // what a shown view posts to itself
      QVERIFY(w.frame->isVisible());
      QVERIFY(!w.frame->isMinimized());
      QVERIFY(w.frame->isMaximized());
      QCOMPARE(members->topLevelItemCount(), 2);
      QVERIFY(members->topLevelItem(1)->isSelected());
    }
  }

  void TopmostTogglesAndKeepsGeometry() {
    Window w({});
    w.frame->setGeometry(50, 60, 700, 500);
    QApplication::processEvents();
    const QRect before = w.frame->geometry();
    w.frame->OnCommand(CMainFrame::kTopmost);
    QVERIFY(w.frame->IsTopmost());
    QVERIFY(w.frame->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(w.frame->isVisible());
    QCOMPARE(w.frame->geometry().size(), before.size());
    QVERIFY(w.frame->Action(CMainFrame::kTopmost)->isChecked());
    w.frame->OnCommand(CMainFrame::kTopmost);
    QVERIFY(!(w.frame->windowFlags() & Qt::WindowStaysOnTopHint));
  }
};

QTEST_MAIN(CMainFrameTest)
#include "CMainFrameTest.moc"
