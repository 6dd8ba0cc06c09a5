// The chat views on the offscreen platform: hints in, rows and text out.

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QContextMenuEvent>
#include <QGlyphRun>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QRawFont>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QUrl>
#include <QtTest>
#include <cstdlib>
#include <ctime>

#include "../store/TempDir.h"
#include "ViewTestSupport.h"
#include "platform/Cp932.h"
#include "views/OfferDialogs.h"
#include "views/ViewIds.h"

using namespace vostrelle;
using namespace vostrelle::test;

namespace {

const QColor kBlue(0, 0, 255);

bool IsBold(const QTextCharFormat& format) {
  return format.fontWeight() >= QFont::Bold;
}

LOGFONTA Font(std::int32_t height, const char* face = "IPAGothic") {
  LOGFONTA font;
  font.lfHeight = height;
  font.lfWeight = 400;
  font.lfCharSet = 128;
  std::strncpy(font.lfFaceName, face, sizeof font.lfFaceName - 1);
  return font;
}

}  // namespace

class ViewsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // Stamps are local time; make it the same everywhere.
    qputenv("TZ", "UTC");
    tzset();
  }

  // Every kind in a room view and in the all-message view, with stamp and bold runs.
  void eventLinesInRoomAndAllViews() {
    ViewHarness v;
    v.Start({Setting("a"), Setting("")});
    v.Join(2, "a", "peer");
    v.Join(3, "", "dflt");
    CRoomMessageView& room = *v.RoomView(0);
    RoomSession* a = room.Session();
    QCOMPARE(v.h.doc.CurrentSession(), a);

    v.Say(2, "a", "peer", "hello");
    v.Say(2, "a", "peer", "meさん、こんにちは"_sjis);
    a->EnterLine("自分の行"_sjis);
    EventBatch stray(a, v.h.now, true);
    stray.Add(static_cast<EventKind>(99), 0, "never");
    stray.Add(kEventMessage, 7, "late", "gone");  // index past the table: the carried name
    v.h.doc.UpdateAllViews(nullptr, kHintEvents, &stray);

    const QStringList lines = Lines(room);
    QCOMPARE(lines.mid(lines.size() - 5),
             (QStringList{"22:13 " + Q("peerが参加しました。"), "22:13 [peer] hello",
                          "22:13 [peer] " + Q("meさん、こんにちは"), "22:13 (me) " + Q("自分の行"),
                          "22:13 [gone] late"}));
    const int n = static_cast<int>(lines.size());
    for (int line = n - 5; line < n; ++line) {
      QCOMPARE(FormatAt(room, line, 0).foreground().color(), kBlue);
      QCOMPARE(FormatAt(room, line, 5).foreground().color(), kBlue);  // the blank
      QVERIFY(FormatAt(room, line, 6).foreground().color() != kBlue);
      QCOMPARE(IsBold(FormatAt(room, line, 6)), line == n - 3);
      QVERIFY(!IsBold(FormatAt(room, line, 0)));
    }

    // The selected room's events stay out of the all-message view; the others carry
    // the room's label, "(Default)" for the empty name, bold when the user is named.
    QVERIFY(!v.all.toPlainText().contains("hello"));
    v.Say(3, "", "dflt", "x me y");
    v.Say(3, "", "dflt", "plain");
    const QStringList all = Lines(v.all);
    QCOMPARE(all.mid(all.size() - 2),
             (QStringList{"22:13 {(Default)}[dflt] x me y", "22:13 {(Default)}[dflt] plain"}));
    QVERIFY(IsBold(FormatAt(v.all, static_cast<int>(all.size()) - 2, 6)));
    QVERIFY(!IsBold(FormatAt(v.all, static_cast<int>(all.size()) - 1, 6)));
    QVERIFY(Lines(v.all).contains("22:13 {(Default)}" + Q("dfltが参加しました。")));
    // The other room's own view has the same line in bold without a label.
    CRoomMessageView& other = *v.RoomView(1);
    QVERIFY(IsBold(FormatAt(other, static_cast<int>(Lines(other).size()) - 2, 6)));
    QVERIFY(!v.system->toPlainText().contains("hello"));
  }

  void unusedAndFailedJoin() {
    ViewHarness v;
    v.Start({});
    CRoomMessageView unused(v.h.doc);
    v.h.doc.AddView(&unused);
    unused.AppendText("old");
    unused.SetSession(nullptr);
    QCOMPARE(unused.toPlainText(), Q("未使用"));

    // No socket: the Join cannot be sent. The view says so once; no row for the room.
    RoomSession lonely(Setting("z"), nullptr, &v.h.ui);
    CRoomMessageView failed(v.h.doc);
    v.h.doc.AddView(&failed);
    failed.SetSession(&lonely);
    QCOMPARE(failed.toPlainText(), Q("送信失敗\n"));
    QVERIFY(!lonely.IsJoined());
    SessionHint created(&lonely);
    v.h.doc.UpdateAllViews(nullptr, kHintRoomViewCreated, &created);
    QCOMPARE(v.RoomRows(), QStringList{"System|-"});
  }

  // A read-only QTextEdit inserts input-method commits; the message views take no
  // input-method text at all, composing or committed, and do not ask for it.
  void messageViewsTakeNoInputMethodText() {
    ViewHarness v;
    v.Start({Setting("a")});
    v.Join(2, "a", "peer");
    for (CMessageView* view : std::vector<CMessageView*>{v.RoomView(0), &v.all, v.system}) {
      const QString before = view->toPlainText();
      QInputMethodQueryEvent query(Qt::ImEnabled);
      QCoreApplication::sendEvent(view, &query);
      QVERIFY(!query.value(Qt::ImEnabled).toBool());
      QInputMethodEvent compose(QStringLiteral("かんじ"), {});
      QCoreApplication::sendEvent(view, &compose);
      QInputMethodEvent commit;
      commit.setCommitString(QStringLiteral("漢字"));
      QCoreApplication::sendEvent(view, &commit);
      QCOMPARE(view->toPlainText(), before);
    }
  }

  // Hint 2: the chosen view shows after its parent was laid out, the others hide on
  // the second pass, the caption and the member list follow the shown view.
  void selectionShowsOneViewAtATime() {
    ViewHarness v;
    v.Start({Setting("a"), Setting("")});
    v.Join(2, "a", "pa");
    CRoomMessageView* a = v.RoomView(0);
    CRoomMessageView* b = v.RoomView(1);
    QCOMPARE(v.Visible(), std::vector<CMessageView*>{a});
    QCOMPARE(v.h.doc.GetTitle(), std::string("a(127.0.0.1)"));
    QCOMPARE(v.MemberRows(), (QStringList{"me|127.0.0.1|1", "pa|127.0.0.2|0"}));

    std::vector<std::string> order;
    v.h.view.onHint = [&](long hint, HintObject* object) {
      if (hint == kHintSelectRoom)
        order.push_back(std::to_string(v.Visible().size()) +
                        (static_cast<RoomSelectHint*>(object)->Show ? "s" : "h"));
    };
    const int resizes = v.pane.resizes;
    v.h.ui.focusInMessageView = true;
    v.h.doc.SelectRoom(1);
    // The recorder was added first, so it sees each pass before the views do.
    QCOMPARE(order, (std::vector<std::string>{"1s", "2h"}));
    QCOMPARE(v.Visible(), std::vector<CMessageView*>{b});
    QVERIFY(v.pane.resizes > resizes);
    QCOMPARE(v.pane.focusWidget(), static_cast<QWidget*>(b));
    RunPosted();
    QCOMPARE(v.h.doc.GetTitle(), std::string("(127.0.0.1)"));  // empty RoomName
    QCOMPARE(v.MemberRows(), QStringList{"me|127.0.0.1|1"});

    // With the focus in the input box it stays there.
    QLineEdit input(&v.pane);
    input.show();
    input.setFocus();
    v.h.ui.focusInMessageView = false;
    v.h.doc.SelectRoom(-1);
    QCOMPARE(v.Visible(), std::vector<CMessageView*>{v.system});
    QCOMPARE(v.pane.focusWidget(), static_cast<QWidget*>(&input));
    RunPosted();
    QCOMPARE(v.h.doc.GetTitle(), std::string("System"));
    QCOMPARE(v.members.topLevelItemCount(), 0);
    QCOMPARE(v.rooms.CurrentRow(), 0);

    // Selecting the shown view again changes nothing.
    v.h.doc.SelectRoom(-1);
    QCOMPARE(v.Visible(), std::vector<CMessageView*>{v.system});
  }

  // Leaving the selected room: the next view shows first, the old one closes itself
  // afterwards and leaves the document; its row goes and the mark moves.
  void leavingRoomClosesItsView() {
    ViewHarness v;
    v.Start({Setting("a"), Setting("b"), Setting("c")});
    QCOMPARE(v.RoomRows(), (QStringList{"System|-", "a|127.0.0.1", "b|127.0.0.1", "c|127.0.0.1"}));
    v.h.doc.SelectRoom(1);
    QCOMPARE(v.rooms.CurrentRow(), 2);
    QPointer<CRoomMessageView> b = v.RoomView(1);

    v.h.doc.OnLeaveRoom();
    QCOMPARE(v.Visible(), std::vector<CMessageView*>{v.RoomView(2)});
    QVERIFY(b);  // closed later, from the event queue
    QVERIFY(!b->Session());
    RunPosted();
    QVERIFY(!b);
    QCOMPARE(
        std::count(v.h.doc.Views().begin(), v.h.doc.Views().end(), static_cast<CView*>(b.data())),
        0);
    QCOMPARE(v.RoomRows(), (QStringList{"System|-", "a|127.0.0.1", "c|127.0.0.1"}));
    QCOMPARE(v.rooms.CurrentRow(), 2);  // c moved up into the old row
    QVERIFY(v.rooms.topLevelItem(2)->icon(0).cacheKey() !=
            v.rooms.topLevelItem(1)->icon(0).cacheKey());

    // A row above the mark goes: the mark follows its row up.
    v.h.doc.SelectRoom(1);
    SessionHint gone(v.h.doc.Session(0));
    v.h.doc.UpdateAllViews(nullptr, kHintSessionLeaving, &gone);
    QCOMPARE(v.rooms.CurrentRow(), 1);
    QCOMPARE(v.RoomRows(), (QStringList{"System|-", "c|127.0.0.1"}));
    // The marked room itself goes (the selection did not move): the row that moves up
    // into its place, here none, takes the mark.
    SessionHint marked(v.h.doc.Session(1));
    v.h.doc.UpdateAllViews(nullptr, kHintSessionLeaving, &marked);
    QCOMPARE(v.RoomRows(), QStringList{"System|-"});
    QCOMPARE(v.rooms.CurrentRow(), 1);
  }

  void tickAndMemberCommandReachOnlyTheirRoom() {
    ViewHarness v;
    v.Start({Setting("a"), Setting("b")});
    v.Join(2, "a", "pa");
    v.Join(3, "b", "pb");
    RoomSession* a = v.h.doc.Session(0);
    RoomSession* b = v.h.doc.Session(1);
    v.h.doc.UpdateAllViews(nullptr, kHintLivenessTick);
    QCOMPARE(a->Member(1)->MissCount, 1u);
    QCOMPARE(b->Member(1)->MissCount, 1u);

    // Information about row 0 (the user's own record) answers at once, in room a only.
    v.members.setCurrentItem(v.members.topLevelItem(0));
    v.members.OnInformation();
    QVERIFY(Lines(*v.RoomView(0)).contains("22:13 " + Q("名前: me")));
    QVERIFY(!v.RoomView(1)->toPlainText().contains(Q("名前")));
    QVERIFY(!v.all.toPlainText().contains(Q("名前")));
  }

  // Every stamp is drawn in the same font, whatever script its line begins with; the
  // desktop's generic face would give a line in katakana a stamp in another font.
  void stampsShareOneFontWhateverTheLineBeginsWith() {
    ViewHarness v;
    v.h.settings.Fonts[AppSettings::kMessageFont] = Font(-16, "Sans Serif");
    v.Start({Setting("a")});
    v.Join(2, "a", "カトウ"_sjis);
    v.members.setCurrentItem(v.members.topLevelItem(0));
    v.members.OnInformation();
    CRoomMessageView& room = *v.RoomView(0);
    const QStringList lines = Lines(room);
    QCOMPARE(lines.back(), "22:13 " + Q("バージョン: Vostrelle ver 1.02"));
    QTextDocument* document = room.document();
    const auto stampFont = [&](int line) {
      const QTextBlock block = document->findBlockByNumber(line);
      document->documentLayout()->blockBoundingRect(block);  // lays the block out
      const QList<QGlyphRun> runs = block.layout()->glyphRuns(0, 5);
      return runs.isEmpty() ? QString() : runs.front().rawFont().familyName();
    };
    const QString first = stampFont(0);
    QVERIFY(!first.isEmpty());
    for (int line = 1; line < lines.size(); ++line) QCOMPARE(stampFont(line), first);
  }

  // Rows follow the selected room's table through joins, renames and removals.
  void memberRowsFollowTheTable() {
    ViewHarness v;
    v.Start({Setting("a"), Setting("b")});
    v.Join(2, "a", "p2");
    v.Join(3, "a", "p3");
    v.Join(4, "a", "p4");
    v.Join(5, "b", "other");  // not selected: no row
    QCOMPARE(v.MemberRows(),
             (QStringList{"me|127.0.0.1|1", "p2|127.0.0.2|0", "p3|127.0.0.3|0", "p4|127.0.0.4|0"}));
    QCOMPARE(v.members.topLevelItem(1)->text(1), QStringLiteral("host-127.0.0.2"));

    v.h.Send(3, Packet("Part", "a"));
    QCOMPARE(v.MemberRows(), (QStringList{"me|127.0.0.1|1", "p2|127.0.0.2|0", "p4|127.0.0.4|0"}));
    v.Say(4, "a", "新しい名前"_sjis, "hi");
    QCOMPARE(v.MemberRows(),
             (QStringList{"me|127.0.0.1|1", "p2|127.0.0.2|0", Q("新しい名前") + "|127.0.0.4|0"}));
    v.h.Send(2, Packet("Part", "a"));
    v.Join(3, "a", "back");
    QCOMPARE(v.MemberRows(),
             (QStringList{"me|127.0.0.1|1", Q("新しい名前") + "|127.0.0.4|0", "back|127.0.0.3|0"}));

    v.h.doc.SelectRoom(1);
    RunPosted();
    QCOMPARE(v.MemberRows(), (QStringList{"me|127.0.0.1|1", "other|127.0.0.5|0"}));
  }

  // The real host column: the address at once, the name when the lookup answers
  // (127.0.0.1 is "localhost" in every hosts file), without waiting for it.
  void hostNamesArriveWithoutHoldingUpTheRow() {
    ViewHarness v;
    v.Start({Setting("a")});
    v.Join(2, "a", "p2");
    CMemberView real(v.h.doc, v.h.ui);
    real.ShowMembers(*v.h.doc.Session(0));
    QCOMPARE(real.topLevelItemCount(), 2);
    QCOMPARE(real.topLevelItem(0)->text(CMemberView::kHostColumn), QStringLiteral("127.0.0.1"));
    QTRY_COMPARE(real.topLevelItem(0)->text(CMemberView::kHostColumn), QStringLiteral("localhost"));
    // Found once: the rows shown again have the name at once.
    real.ShowMembers(*v.h.doc.Session(0));
    QCOMPARE(real.topLevelItem(0)->text(CMemberView::kHostColumn), QStringLiteral("localhost"));
  }

  void doubleClickInsertsTheName() {
    ViewHarness v;
    v.Start({Setting("a")});
    v.Join(2, "a", "ソフト表示"_sjis);  // 0x5C as a trail byte
    std::vector<std::string> texts;
    v.h.view.onHint = [&](long hint, HintObject* object) {
      if (hint == kHintInsertText) texts.push_back(static_cast<TextHint*>(object)->Text);
    };
    v.members.resize(300, 200);
    v.members.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v.members));
    const QRect row = v.members.visualItemRect(v.members.topLevelItem(1));
    QTest::mouseDClick(v.members.viewport(), Qt::LeftButton, {}, row.center());
    QCOMPARE(texts, std::vector<std::string>{"ソフト表示"_sjis});
    QTest::mouseDClick(v.members.viewport(), Qt::LeftButton, {}, QPoint(10, 190));
    QCOMPARE(texts.size(), 1u);
  }

  void sendFileFromMenuAndByDrop() {
    ViewHarness v;
    v.Start({Setting("a")});
    v.Join(2, "a", "peer");
    v.members.files = {"/tmp/one.txt", QString::fromUtf8("/tmp/二.bin")};

    // The own row: no dialog at all.
    v.members.setCurrentItem(v.members.topLevelItem(0));
    v.members.OnSendFile();
    QCOMPARE(v.members.dialogs, 0);

    v.members.setCurrentItem(v.members.topLevelItem(1));
    v.members.OnSendFile();
    QCOMPARE(v.requests.got, (std::vector<std::pair<int, std::string>>{{1, "/tmp/one.txt"},
                                                                       {1, "/tmp/二.bin"_sjis}}));

    // Drops: a copy on a peer's row, refused on the own row, on empty space and for
    // data without local files.
    v.members.resize(300, 200);
    v.members.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v.members));
    QWidget* port = v.members.viewport();
    const QPoint own = v.members.visualItemRect(v.members.topLevelItem(0)).center();
    const QPoint peer = v.members.visualItemRect(v.members.topLevelItem(1)).center();
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/tmp/d1"), QUrl::fromLocalFile("/tmp/d2")});
    QMimeData text;
    text.setText("not files");
    // Drag moves and drops go to the widget that accepted the drag's enter.
    auto enter = [&](const QPoint& at, QMimeData* data) {
      QDragEnterEvent event(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, {});
      QCoreApplication::sendEvent(port, &event);
      return event.isAccepted();
    };
    auto accepts = [&](const QPoint& at, QMimeData* data) {
      if (!enter(at, data)) return false;
      QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, {});
      QCoreApplication::sendEvent(port, &move);
      return move.isAccepted() && move.dropAction() == Qt::CopyAction;
    };
    QVERIFY(accepts(peer, &files));
    QVERIFY(!accepts(own, &files));
    QVERIFY(!accepts(QPoint(10, 190), &files));
    QVERIFY(!accepts(peer, &text));

    v.requests.got.clear();
    QVERIFY(enter(own, &files));
    QDropEvent onOwn(own, Qt::CopyAction, &files, Qt::LeftButton, {});
    QCoreApplication::sendEvent(port, &onOwn);
    QVERIFY(v.requests.got.empty());
    QVERIFY(enter(peer, &files));
    QDropEvent onPeer(peer, Qt::CopyAction, &files, Qt::LeftButton, {});
    QCoreApplication::sendEvent(port, &onPeer);
    QCOMPARE(v.requests.got,
             (std::vector<std::pair<int, std::string>>{{1, "/tmp/d1"}, {1, "/tmp/d2"}}));

    // A name with no Shift_JIS form is refused with a message, never mangled.
    v.requests.got.clear();
    v.members.files = {QString::fromUtf8("/tmp/emoji-\xF0\x9F\x98\x80.txt"), "/tmp/ok"};
    v.members.OnSendFile();
    QCOMPARE(v.requests.got, (std::vector<std::pair<int, std::string>>{{1, "/tmp/ok"}}));
    QCOMPARE(v.h.ui.messages.size(), 1u);
  }

  // Files dropped on a room's messages go to the selected member, or to the one picked
  // in the chooser; folders are refused with a message, on the member list as well.
  void dropsOnMessagesGoToAMember() {
    ViewHarness v;
    v.Start({Setting("a"), Setting("b")});
    v.Join(2, "a", "peer");
    v.Join(3, "a", "other");
    TempDir dir;
    WriteFile(dir.File("f1"), "one");
    const QString file = QString::fromStdString(dir.File("f1"));
    const QString folder = QString::fromStdString(dir.Path());
    using Got = std::vector<std::pair<int, std::string>>;
    const Got toOther{{2, dir.File("f1")}};
    auto drop = [&](QWidget* port, const QStringList& paths, QPoint at = QPoint(5, 5)) {
      QMimeData data;
      QList<QUrl> urls;
      for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
      data.setUrls(urls);
      QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
      QCoreApplication::sendEvent(port, &enter);
      if (!enter.isAccepted()) return false;
      QDropEvent event(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
      QCoreApplication::sendEvent(port, &event);
      RunPosted();  // the offer runs once the drop has ended
      return event.isAccepted() && event.dropAction() == Qt::CopyAction;
    };
    QWidget* room = v.RoomView(0)->viewport();
    QMimeData text;
    text.setText("words");
    QDragEnterEvent textEnter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, {});
    QCoreApplication::sendEvent(room, &textEnter);
    QVERIFY(!textEnter.isAccepted());

    // The selected member takes them without a question.
    int pick = -1;
    QStringList names;
    QString title, listName;
    DialogAnswerer answer([&](QDialog* dialog) {
      auto* chooser = qobject_cast<MemberChooser*>(dialog);
      if (!chooser) return dialog->reject();
      title = chooser->windowTitle();
      listName = chooser->List()->accessibleName();
      names.clear();
      for (int i = 0; i < chooser->List()->count(); ++i) names << chooser->List()->item(i)->text();
      chooser->List()->setCurrentRow(pick);
      pick < 0 ? chooser->reject() : chooser->accept();
    });
    v.members.setCurrentItem(v.members.topLevelItem(2));
    QVERIFY(drop(room, {file}));
    QCOMPARE(v.requests.got, toOther);
    QCOMPARE(answer.shown, 0);

    // Nobody selected, or only the user: the chooser lists the others.
    for (int own : {0, 1}) {
      v.requests.got.clear();
      v.members.clearSelection();
      if (own) v.members.setCurrentItem(v.members.topLevelItem(0));
      pick = 1;
      QVERIFY(drop(room, {file}));
      QCOMPARE(v.requests.got, toOther);
    }
    QCOMPARE(answer.shown, 2);
    QCOMPARE(names, (QStringList{"peer", "other"}));
    QCOMPARE(title, Q("送信先の選択"));
    QCOMPARE(listName, Q("送信先のメンバー"));
    v.requests.got.clear();
    pick = -1;
    QVERIFY(drop(room, {file}));
    QVERIFY(v.requests.got.empty());

    // A folder among files: told once, the files still go; a folder alone on a row: told.
    const QString refused = Q("フォルダは送信できません。中のファイルを選んで送ってください。");
    v.members.setCurrentItem(v.members.topLevelItem(1));
    QVERIFY(drop(room, {folder, file}));
    QCOMPARE(v.requests.got, (Got{{1, dir.File("f1")}}));
    QCOMPARE(v.h.ui.messages, std::vector<std::string>{ToCp932(refused)});
    v.members.resize(300, 200);
    v.members.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v.members));
    const QPoint peerRow = v.members.visualItemRect(v.members.topLevelItem(1)).center();
    QVERIFY(drop(v.members.viewport(), {folder}, peerRow));
    QCOMPARE(v.requests.got.size(), 1u);
    QCOMPARE(v.h.ui.messages.size(), 2u);
    QCOMPARE(ToQString(v.h.ui.messages.back()), refused);

    // A room with nobody else: said so, no chooser.
    v.h.doc.SelectRoom(1);
    RunPosted();
    QVERIFY(drop(v.RoomView(1)->viewport(), {file}));
    QCOMPARE(ToQString(v.h.ui.messages.back()),
             Q("この部屋にはファイルを送れるメンバーがいません。"));
    QCOMPARE(answer.shown, 3);
    QCOMPARE(v.requests.got.size(), 1u);
  }

  // A pasted picture is shown, scaled down, with the member's name before it goes; the
  // member is picked first when nobody is selected.
  void pastedPictureIsShownBeforeItGoes() {
    ViewHarness v;
    v.Start({Setting("a")});
    v.Join(2, "a", "peer");
    TempDir dir;
    QImage big(1000, 500, QImage::Format_RGB32);
    big.fill(Qt::red);
    QVERIFY(big.save(QString::fromStdString(dir.File("p.png")), "PNG"));
    bool send = false;
    QStringList seen;
    QSize shown;
    QString question;
    DialogAnswerer answer([&](QDialog* dialog) {
      seen << dialog->windowTitle();
      auto* offer = qobject_cast<ImageOfferDialog*>(dialog);
      if (!offer) return dialog->accept();  // the chooser: its first member
      shown = offer->Picture()->pixmap().size();
      seen << offer->Picture()->accessibleName();
      for (QLabel* label : offer->findChildren<QLabel*>())
        if (label != offer->Picture()) question = label->text();
      send ? offer->accept() : offer->reject();
    });
    auto offer = [&] {
      OfferFilesHint hint({dir.File("p.png")}, true);
      v.h.doc.UpdateAllViews(nullptr, kHintOfferFiles, &hint);
      return hint.Offered;
    };
    v.members.setCurrentItem(v.members.topLevelItem(1));
    QVERIFY(!offer());
    QVERIFY(v.requests.got.empty());
    QCOMPARE(seen, (QStringList{Q("画像の送信"), Q("貼り付けた画像")}));
    QCOMPARE(shown, QSize(320, 160));
    QCOMPARE(question, Q("この画像を peer さんに送りますか？"));

    send = true;
    seen.clear();
    v.members.clearSelection();
    QVERIFY(offer());
    QCOMPARE(seen, (QStringList{Q("送信先の選択"), Q("画像の送信"), Q("貼り付けた画像")}));
    QCOMPARE(v.requests.got, (std::vector<std::pair<int, std::string>>{{1, dir.File("p.png")}}));
  }

  void contextMenuOnRowsOnly() {
    ViewHarness v;
    v.Start({Setting("a")});
    v.members.resize(300, 200);
    v.members.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v.members));
    const QPoint row = v.members.visualItemRect(v.members.topLevelItem(0)).center();
    QStringList seen;
    auto openAt = [&](QPoint at, QContextMenuEvent::Reason reason) {
      QTimer::singleShot(0, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
          for (QAction* action : menu->actions()) seen << action->text();
          QTest::keyClick(menu, Qt::Key_I);  // the mnemonic of 情報取得(&I)
        }
      });
      QContextMenuEvent event(reason, at, v.members.viewport()->mapToGlobal(at));
      QCoreApplication::sendEvent(v.members.viewport(), &event);
      QCoreApplication::processEvents();
    };
    openAt(QPoint(10, 190), QContextMenuEvent::Mouse);
    QVERIFY(seen.isEmpty());
    openAt(row, QContextMenuEvent::Keyboard);
    QVERIFY(seen.isEmpty());

    v.members.setCurrentItem(v.members.topLevelItem(0));
    openAt(row, QContextMenuEvent::Mouse);
    QCOMPARE(seen, (QStringList{Q("情報取得(&I)"), Q("ファイル送信")}));
    QVERIFY(v.RoomView(0)->toPlainText().contains(Q("名前: me")));
  }

  void roomRowsAndClicks() {
    ViewHarness v;
    v.Start({Setting("a"), Setting("")});
    QCOMPARE(v.RoomRows(), (QStringList{"System|-", "a|127.0.0.1", "(Default)|127.0.0.1"}));
    QCOMPARE(v.rooms.RowSession(2), v.h.doc.Session(1));
    QCOMPARE(v.rooms.CurrentRow(), 1);

    v.rooms.OnRowClicked(2);
    QCOMPARE(v.h.doc.CurrentRoom(), 1);
    QCOMPARE(v.rooms.CurrentRow(), 2);
    v.rooms.OnRowClicked(0);
    QCOMPARE(v.h.doc.CurrentRoom(), -1);
    QCOMPARE(v.rooms.CurrentRow(), 0);
    v.rooms.OnRowClicked(3);
    QCOMPARE(v.h.ui.messages, std::vector<std::string>{"Viewがありません。"_sjis});
    QCOMPARE(v.h.doc.CurrentRoom(), -1);

    // A real click selects, and so does moving by keyboard: the highlight is the view.
    v.rooms.resize(300, 200);
    v.rooms.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v.rooms));
    QTest::mouseClick(v.rooms.viewport(), Qt::LeftButton, {},
                      v.rooms.visualItemRect(v.rooms.topLevelItem(1)).center());
    QCOMPARE(v.h.doc.CurrentRoom(), 0);
    v.rooms.setFocus();
    QTest::keyClick(&v.rooms, Qt::Key_Down);
    QCOMPARE(v.h.doc.CurrentRoom(), 1);
    QCOMPARE(v.rooms.currentItem(), v.rooms.topLevelItem(2));
  }

  // Ctrl+Up/Down in a message view step through the rooms and the system view, and the
  // key is used up.
  void ctrlArrowsStepRooms() {
    ViewHarness v;
    v.Start({Setting("a"), Setting("b")});
    auto press = [&](QWidget* view, Qt::Key key) {
      QKeyEvent event(QEvent::KeyPress, key, Qt::ControlModifier);
      QCoreApplication::sendEvent(view, &event);
      return event.isAccepted();
    };
    QVERIFY(press(v.RoomView(0), Qt::Key_Down));
    QCOMPARE(v.h.doc.CurrentRoom(), 1);
    QVERIFY(press(v.RoomView(1), Qt::Key_Down));  // past the last room: the system view
    QCOMPARE(v.Visible(), std::vector<CMessageView*>{v.system});
    QVERIFY(press(v.system, Qt::Key_Up));
    QCOMPARE(v.h.doc.CurrentRoom(), 1);
  }

  void systemViewWelcomeAndTips() {
    ViewHarness v;
    v.Start({});
    QStringList lines = Lines(*v.system);
    QCOMPARE(lines.value(0), Q("ようこそ！ Vostrelle ver 1.02へ"));
    QCOMPARE(lines.mid(1), (QStringList{"************************", Q("●ワンポイント"),
                                        Q("ワンポイントでは、知っているとちょっと役に立つ小技を"
                                          "紹介していきます。"),
                                        "************************"}));
    QCOMPARE(v.h.settings.Number, 1);
    QVERIFY(!IsBold(FormatAt(*v.system, 0, 0)));
    QVERIFY(FormatAt(*v.system, 0, 0).foreground().color() != kBlue);

    // Set up again: the next tip; tip 3 spans two lines.
    v.h.settings.Number = 3;
    v.system->OnInitialUpdate();
    lines = Lines(*v.system);
    QCOMPARE(lines.size(), 6);
    QVERIFY(lines[3].startsWith(Q("メンバーウィンドウの名前を")));
    QCOMPARE(lines[4], Q("長い名前や複雑な名前の人を呼ぶときに便利です。"));
    QCOMPARE(v.h.settings.Number, 4);
  }

  // Hint 8 gives every view its new font from the settings; stamps stay blue and bold
  // lines bold.
  void fontChangeRelayout() {
    ViewHarness v;
    v.Start({Setting("a")});
    v.Join(2, "a", "peer");
    v.Say(2, "a", "peer", "call me");
    CRoomMessageView& room = *v.RoomView(0);
    const int last = static_cast<int>(Lines(room).size()) - 1;
    QVERIFY(IsBold(FormatAt(room, last, 6)));
    const qreal heightBefore = room.document()->size().height();

    v.h.settings.Fonts[AppSettings::kMessageFont] = Font(-28);
    v.h.settings.Fonts[AppSettings::kMemberViewFont] = Font(20);  // a cell height
    v.h.settings.Fonts[AppSettings::kRoomViewFont] = Font(-18);
    v.h.doc.UpdateAllViews(nullptr, kHintSettingsChanged);

    QCOMPARE(room.font().pixelSize(), 28);
    QCOMPARE(v.all.font().pixelSize(), 28);
    QCOMPARE(room.document()->defaultFont().pixelSize(), 28);
    QVERIFY(v.members.font().pixelSize() > 0 && v.members.font().pixelSize() < 20);
    QCOMPARE(v.rooms.font().pixelSize(), 18);
    QVERIFY(room.document()->size().height() > heightBefore);
    QCOMPARE(FormatAt(room, last, 0).foreground().color(), kBlue);
    QVERIFY(IsBold(FormatAt(room, last, 6)));
    QVERIFY(!IsBold(FormatAt(room, last - 1, 6)));
  }

  // The user's selection keeps its colours; the caret ends behind the new line.
  void appendLeavesSelectionAlone() {
    ViewHarness v;
    v.Start({Setting("a")});
    CRoomMessageView& room = *v.RoomView(0);
    QTextCursor select(room.document());
    select.setPosition(0);
    select.setPosition(8, QTextCursor::KeepAnchor);
    room.setTextCursor(select);
    v.Say(2, "a", "peer", "new");
    QCOMPARE(FormatAt(room, 0, 0).foreground().color(), kBlue);
    QCOMPARE(FormatAt(room, 0, 6).foreground().color() == kBlue, false);
    QVERIFY(!room.textCursor().hasSelection());
    QCOMPARE(room.textCursor().position(), room.document()->characterCount() - 1);
  }

  void textStopsAtTheLimit() {
    ViewHarness v;
    v.Start({});
    CMessageView view(v.h.doc);
    const std::string block(1 << 20, 'x');
    for (int i = 0; i < 15; ++i) view.AppendText(block + "\n");
    const int used = view.document()->characterCount() - 1;
    view.AppendText(std::string(CMessageView::kTextLimit - used - 3, 'y'));
    view.AppendText("abcdef");
    QCOMPARE(view.document()->characterCount() - 1, CMessageView::kTextLimit);
    QVERIFY(view.toPlainText().endsWith("yabc"));
    view.AppendText("more");
    QCOMPARE(view.document()->characterCount() - 1, CMessageView::kTextLimit);
  }
};

QTEST_MAIN(ViewsTest)
#include "ViewsTest.moc"
