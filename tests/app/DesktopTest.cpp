// What the program adds for a Linux desktop, offscreen: the name-call notification
// while the window is out of sight, the system view's line when there is no
// notification area, and the hot key greyed where it cannot work.

#include <QCheckBox>
#include <QLabel>
#include <QtTest>

#include "app/CMainFrame.h"
#include "app/CVostrelleView.h"
#include "app/DesktopIntegration.h"
#include "dialogs/CHotKeyCtrl.h"
#include "dialogs/COptionsSheet.h"
#include "dialogs/CSystemPage.h"
#include "doc/DocTestSupport.h"
#include "platform/Cp932.h"
#include "platform/qt/TrayIcon.h"
#include "views/CSystemView.h"

using namespace vostrelle;

namespace {

struct RecordingNotifier : DesktopNotifier {
  explicit RecordingNotifier(QStringList* log) : log(log) {}
  void Notify(const QString& title, const QString& body) override {
    log->append(title + "|" + body);
  }
  QStringList* log;
};

struct Window {
  explicit Window(std::vector<ConnectSetting> connects) {
    h.settings.Connects = std::move(connects);
    h.doc.RemoveView(&h.view);
    h.doc.OnNewDocument();
    frame = std::make_unique<CMainFrame>(h.doc, h.settings, h.ui);
    frame->Create();
    frame->SetNotifier(std::make_unique<RecordingNotifier>(&notes));
    h.doc.SendInitialUpdate();
    h.Pump();
  }
  void Say(const char* text) {
    h.Send(2, test::Packet("Message", "r", {{"Name", "peer"}, {"Message", Utf8ToCp932(text)}}));
  }
  // Lines of the system view that carry the no-tray note.
  int NoteLines() const {
    const QString text = frame->InputView()->SystemView()->toPlainText();
    return static_cast<int>(text.count(QStringLiteral("通知領域")));
  }
  test::DocHarness h;
  std::unique_ptr<CMainFrame> frame;
  QStringList notes;
};

}  // namespace

class DesktopTest : public QObject {
  Q_OBJECT
 private slots:
  void NameCallNotifiesOnlyWhileOutOfSight() {
    Window w({test::Setting("r")});
    w.frame->show();
    w.frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.frame.get()));
    w.Say("hi me");
    QVERIFY2(w.notes.isEmpty(), "the user is looking at the window");

    // Behind another window.
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QVERIFY(w.frame->IsOutOfSight());
    w.Say("me, are you there?");
    QCOMPARE(w.notes,
             QStringList{QStringLiteral("名前を呼ばれました - r|[peer] me, are you there?")});
    // A line that does not name the user is no call.
    w.Say("hello all");
    QCOMPARE(w.notes.size(), 1);

    other.hide();
    w.frame->showMinimized();
    QVERIFY(w.frame->isMinimized());
    QCoreApplication::sendPostedEvents();
    w.Say("ねえ me");
    QCOMPARE(w.notes.size(), 2);
    QCOMPARE(w.notes.last(), QStringLiteral("名前を呼ばれました - r|[peer] ねえ me"));

    w.frame->hide();
    w.Say("me!");
    QCOMPARE(w.notes.size(), 3);
  }

  void NameCallInTheDefaultRoomNamesItSo() {
    Window w({test::Setting("")});
    w.h.Send(2, test::Packet("Message", "", {{"Name", "peer"}, {"Message", "me"}}));
    QCOMPARE(w.notes, QStringList{QStringLiteral("名前を呼ばれました - (Default)|[peer] me")});
  }

  // Offscreen has no notification area: the note stands once below the tip, also
  // after a reconnect runs the initial update again.
  void NoTrayIsSaidOnceInTheSystemView() {
    Window w({});
    QVERIFY(!w.frame->Tray()->IsAdded());
    QCOMPARE(w.NoteLines(), 1);
    const QStringList lines = w.frame->InputView()->SystemView()->toPlainText().split('\n');
    QVERIFY(lines.first().startsWith(QStringLiteral("ようこそ！")));
    QVERIFY(lines.indexOf(QRegularExpression(QStringLiteral(".*通知領域.*"))) >
            lines.indexOf(QStringLiteral("●ワンポイント")));
    w.h.doc.OnNewDocument();
    w.h.doc.SendInitialUpdate();
    QCOMPARE(w.NoteLines(), 1);
  }

  void SystemViewNoteBeforeAndAfterItsText() {
    test::DocHarness h;
    CSystemView early(h.doc);
    early.SetDesktopNote("note A"_sjis);
    QVERIFY(early.toPlainText().isEmpty());
    early.OnInitialUpdate();
    QVERIFY(early.toPlainText().trimmed().endsWith(QStringLiteral("\nnote A")));
    early.SetDesktopNote("note A"_sjis);
    QCOMPARE(early.toPlainText().count(QStringLiteral("note A")), 1);
    h.doc.RemoveView(&early);
  }

  // Offscreen, like Wayland, has no X11 connection: the frame marks hot keys
  // unavailable and the page greys them without losing the stored key.
  void HotKeyGreyedWhereNoGrabCanWork() {
    QVERIFY(!GlobalHotKeysPossible());
    Window w({});
    QVERIFY(!CSystemPage::HotKeysAvailable());

    AppSettings settings;
    settings.UseHotkey = true;
    settings.KeyCode = 'K';
    settings.Modifiers = 2;
    {
      COptionsSheet sheet;
      sheet.LoadFrom(settings);
      sheet.show();
      auto* note = sheet.findChild<QLabel*>(QStringLiteral("hotkeyNote"));
      auto* use = sheet.findChild<QCheckBox*>(QStringLiteral("check1056"));
      auto* key = sheet.findChild<CHotKeyCtrl*>(QStringLiteral("hotkey1054"));
      QVERIFY(note && use && key);
      QVERIFY(note->isVisible());
      QVERIFY(note->text().contains(QStringLiteral("Wayland")));
      QVERIFY(!use->isEnabled());
      QVERIFY(use->isChecked());
      QVERIFY(!key->isEnabled());
      sheet.accept();
      sheet.StoreTo(settings);
    }
    QVERIFY(settings.UseHotkey);
    QCOMPARE(int(settings.KeyCode), int('K'));
    QCOMPARE(int(settings.Modifiers), 2);

    // On X11 the page is as before.
    CSystemPage::SetHotKeysAvailable(true);
    COptionsSheet sheet;
    sheet.LoadFrom(settings);
    sheet.show();
    QVERIFY(!sheet.findChild<QLabel*>(QStringLiteral("hotkeyNote"))->isVisible());
    QVERIFY(sheet.findChild<QCheckBox*>(QStringLiteral("check1056"))->isEnabled());
    QVERIFY(sheet.findChild<CHotKeyCtrl*>(QStringLiteral("hotkey1054"))->isEnabled());
  }
};

QTEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
