// What the program adds for a Linux desktop, offscreen: the name-call notification
// while the window is out of sight, the system view's line when there is no
// notification area, the hot key greyed where it cannot work, and the start at login.

#include <QCheckBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/CMainFrame.h"
#include "app/CVostrelleView.h"
#include "app/DesktopIntegration.h"
#include "app/PortalHotKey.h"
#include "dialogs/CHotKeyCtrl.h"
#include "dialogs/COptionsSheet.h"
#include "dialogs/CSystemPage.h"
#include "doc/DocTestSupport.h"
#include "platform/Cp932.h"
#include "qt/GlobalHotKey.h"
#include "qt/TrayIcon.h"
#include "res/Icons.h"
#include "store/Autostart.h"
#include "views/CSystemView.h"

using namespace vostrelle;

namespace {

struct RecordingNotifier : DesktopNotifier {
  explicit RecordingNotifier(QStringList* log) : log(log) {}
  void Notify(const QString& title, const QString& body) override {
    log->append(title + "|" + body);
  }
  void Click() { Activated(); }
  QStringList* log;
};

struct Window {
  explicit Window(std::vector<ConnectSetting> connects) {
    h.settings.Connects = std::move(connects);
    h.doc.RemoveView(&h.view);
    h.doc.OnNewDocument();
    frame = std::make_unique<CMainFrame>(h.doc, h.settings, h.ui);
    frame->Create();
    auto notifier = std::make_unique<RecordingNotifier>(&notes);
    notifierPtr = notifier.get();
    frame->SetNotifier(std::move(notifier));
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
  RecordingNotifier* notifierPtr = nullptr;
};

QByteArray ReadAll(const std::string& path) {
  QFile file(QString::fromStdString(path));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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

  // Without a tray the notification is the way back: its click shows the window at the
  // room whose line named the user, whichever room was selected before.
  void NotificationClickShowsTheRoomThatCalled() {
    Window w({test::Setting("one"), test::Setting("two")});
    w.h.doc.SelectRoom(0);
    w.frame->showMinimized();
    QCoreApplication::sendPostedEvents();
    w.h.Send(2, test::Packet("Message", "two", {{"Name", "peer"}, {"Message", "me?"}}));
    QCOMPARE(w.notes.size(), 1);
    QCOMPARE(w.h.doc.CurrentRoom(), 0);
    w.notifierPtr->Click();
    QVERIFY(w.frame->isVisible());
    QVERIFY(!w.frame->isMinimized());
    QCOMPARE(w.h.doc.CurrentRoom(), 1);
    QCOMPARE(w.h.doc.CurrentSession()->RoomDisplayName(), std::string("two"));

    // After a reconnect the notified room is gone: the click only shows the window.
    w.frame->showMinimized();
    w.h.doc.OnNewDocument();
    w.h.doc.SendInitialUpdate();
    w.h.doc.SelectRoom(0);
    w.notifierPtr->Click();
    QVERIFY(!w.frame->isMinimized());
    QCOMPARE(w.h.doc.CurrentRoom(), 0);
  }

  // At scale 2 a 16-pixel tray slot takes the 32-pixel drawing, not a blown-up 16.
  void TrayIconsAreDrawnForScaleTwo() {
    QList<QIcon> icons{TrayIdleIcon()};
    for (int i = 0; i < kTrayAnimationFrames; ++i) icons.append(TrayAnimationIcon(i));
    for (int i = 0; i < icons.size(); ++i) {
      const QString name =
          i == 0 ? QStringLiteral("tray-idle") : QStringLiteral("tray-anim%1").arg(i);
      for (int size : {32, 48}) {
        const QImage drawn(QStringLiteral(":/vostrelle/icons/%1-%2.png").arg(name).arg(size));
        QVERIFY2(!drawn.isNull(), qPrintable(name));
        const QPixmap shown = icons[i].pixmap(QSize(size / 2, size / 2), 2.0);
        QCOMPARE(shown.size(), QSize(size, size));
        // Both as the pixmap holds them (premultiplied), so only the picture counts.
        QImage image = shown.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(1.0);
        QCOMPARE(image, drawn.convertToFormat(QImage::Format_ARGB32_Premultiplied));
      }
    }
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
      // It names the way that works on every desktop.
      QVERIFY(note->text().contains(QStringLiteral("vostrelle --toggle")));
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

  // The portal names the options' key by its keysym, modifiers first, as desktops
  // write shortcuts; a key without a keysym is not offered at all.
  void PortalTriggerNamesTheKey() {
    QCOMPARE(PortalTrigger(0x4F, kModControl | kModAlt), QStringLiteral("CTRL+ALT+o"));
    QCOMPARE(PortalTrigger(0x7B, kModShift), QStringLiteral("SHIFT+F12"));
    QCOMPARE(PortalTrigger(0x20, kModControl | kModAlt | kModShift),
             QStringLiteral("CTRL+ALT+SHIFT+space"));
    QCOMPARE(PortalTrigger(0x0D, 0), QStringLiteral("Return"));
    QCOMPARE(PortalTrigger(0x31, kModAlt), QStringLiteral("ALT+1"));
    QVERIFY(PortalTrigger(0, kModControl).isEmpty());
    QVERIFY(PortalTrigger(0x1234, kModControl).isEmpty());
  }

  // The options show the autostart entry's state as the desktop left it, and write the
  // entry only when the user changed it.
  void StartAtLoginFollowsTheAutostartEntry() {
    QTemporaryDir config;
    QVERIFY(config.isValid());
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    AutostartEntry entry(config.path().toStdString(), "example.pendrake.vostrelle");
    QVERIFY(entry.Enable("/usr/bin/vostrelle"));
    // The desktop's own settings turned it off.
    {
      QFile file(QString::fromStdString(entry.Path()));
      QVERIFY(file.open(QIODevice::Append));
      file.write("Hidden=true\n");
    }
    // Runs the sheet: shows what the box says, sets it to want, confirms.
    const auto edit = [](bool want) {
      bool shown = !want;
      QTimer::singleShot(0, [&] {
        auto* sheet = qobject_cast<COptionsSheet*>(QApplication::activeModalWidget());
        if (!sheet) return;
        auto* box = sheet->findChild<QCheckBox*>(QStringLiteral("checkStartAtLogin"));
        shown = box->isChecked();
        box->setChecked(want);
        sheet->accept();
      });
      AppSettings settings;
      if (!EditOptionsSheet(settings, nullptr)) return std::optional<bool>();
      return std::optional<bool>(shown);
    };
    QCOMPARE(edit(true), std::optional<bool>(false));
    QVERIFY(entry.IsEnabled());
    QVERIFY(!ReadAll(entry.Path()).contains("Hidden"));
    QVERIFY(ReadAll(entry.Path()).contains(" --minimized\n"));
    QCOMPARE(edit(true), std::optional<bool>(true));
    QCOMPARE(edit(false), std::optional<bool>(true));
    QVERIFY(!QFile::exists(QString::fromStdString(entry.Path())));
    QCOMPARE(edit(false), std::optional<bool>(false));
    if (saved.isNull())
      qunsetenv("XDG_CONFIG_HOME");
    else
      qputenv("XDG_CONFIG_HOME", saved);
  }
};

QTEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
