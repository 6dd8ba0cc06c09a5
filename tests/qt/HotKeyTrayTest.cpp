// The hot key's key mapping and its failure without X11; the tray animation; drawn marks
// at scale 2.

#include <X11/keysym.h>

#include <QPainter>
#include <QtTest>
#include <vector>

#include "qt/DrawnIcon.h"
#include "qt/GlobalHotKey.h"
#include "qt/TrayIcon.h"

using namespace vostrelle;

namespace {

// A notification area that always takes the icon, recording the images it is given.
class RecordingTray : public TrayIcon {
 public:
  bool accept = true;
  std::vector<int> images;
  void Tick() { OnAnimationTimer(); }

 protected:
  bool AddNativeIcon() override { return accept; }
  void SetNativeIcon(int image) override { images.push_back(image); }
  void RemoveNativeIcon() override {}
};

// The real icon, with the animation steps run by the test instead of the timer.
class SteppedTray : public TrayIcon {
 public:
  void Tick() { OnAnimationTimer(); }
};

}  // namespace

class HotKeyTrayTest : public QObject {
  Q_OBJECT

 private slots:
  // A drawn mark comes in 16, 32 and 48 pixels, and a screen at scale 2 gets the
  // 32-pixel drawing: a line one unit wide is two sharp pixels, not a blurred four.
  void drawnMarksStaySharpAtScaleTwo() {
    const QIcon icon = DrawnIcon([](QPainter& p) {
      p.setRenderHint(QPainter::Antialiasing, false);
      p.fillRect(QRectF(8, 0, 1, 16), Qt::black);
    });
    QCOMPARE(icon.availableSizes(), (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));
    const QImage image = icon.pixmap(QSize(16, 16), 2.0).toImage();
    QCOMPARE(image.size(), QSize(32, 32));
    for (int x = 14; x < 20; ++x) {
      const bool inked = x == 16 || x == 17;
      QCOMPARE(qAlpha(image.pixel(x, 5)), inked ? 255 : 0);
    }
  }

  void virtualKeysToKeysyms_data() {
    QTest::addColumn<int>("vk");
    QTest::addColumn<uint>("keysym");
    QTest::newRow("O, the default") << 0x4F << uint(XK_o);
    QTest::newRow("A") << 0x41 << uint(XK_a);
    QTest::newRow("0") << 0x30 << uint(XK_0);
    // 0x61 is VK_NUMPAD1, not a lower-case letter.
    QTest::newRow("numpad 1") << 0x61 << uint(XK_KP_1);
    QTest::newRow("numpad divide") << 0x6F << uint(XK_KP_Divide);
    QTest::newRow("F1") << 0x70 << uint(XK_F1);
    QTest::newRow("F24") << 0x87 << uint(XK_F24);
    QTest::newRow("space") << 0x20 << uint(XK_space);
    QTest::newRow("delete") << 0x2E << uint(XK_Delete);
    QTest::newRow("OEM 5 backslash") << 0xDC << uint(XK_backslash);
    QTest::newRow("shift alone") << 0x10 << 0u;
    QTest::newRow("past F24") << 0x88 << 0u;
    QTest::newRow("0xFF") << 0xFF << 0u;
  }
  void virtualKeysToKeysyms() {
    QFETCH(int, vk);
    QFETCH(uint, keysym);
    QCOMPARE(uint(VirtualKeyToKeysym(static_cast<std::uint16_t>(vk))), keysym);
  }

  void hotKeyControlFlagsBecomeRegistrationFlags() {
    QCOMPARE(HotKeyControlToModifiers(6), kModControl | kModAlt);  // the default Ctrl+Alt
    QCOMPARE(HotKeyControlToModifiers(1), kModShift);
    QCOMPARE(HotKeyControlToModifiers(4), kModAlt);
    QCOMPARE(HotKeyControlToModifiers(8), 0u);  // the extended-key flag is dropped
    QCOMPARE(HotKeyControlToModifiers(0xFF), kModShift | kModControl | kModAlt);
  }

  void registeringWithoutX11FailsSilently() {
    GlobalHotKey hotKey;
    QSignalSpy activated(&hotKey, &GlobalHotKey::Activated);
    QVERIFY(!hotKey.Register(0x4F, kModControl | kModAlt));
    QVERIFY(!hotKey.IsRegistered());
    hotKey.Unregister();
    QVERIFY(!hotKey.Register(0x4F, kModControl | kModAlt));  // and again after a release
    QCOMPARE(activated.count(), 0);
  }

  void noNotificationAreaMeansNoIconAndNoFrames() {
    SteppedTray tray;
    QVERIFY(!tray.Add());
    QVERIFY(!tray.IsAdded());
    tray.StartAnimation();
    QVERIFY(tray.IsAnimating());
    for (int i = 0; i < 3; ++i) tray.Tick();
    QCOMPARE(tray.NextFrame(), 0);  // a missing icon is never changed
    tray.StopAnimation();
    QVERIFY(!tray.IsAnimating());
    tray.Remove();
  }

  void framesCycleAndStopRestoresTheIdleImage() {
    RecordingTray tray;
    QVERIFY(tray.Add());
    tray.StartAnimation();
    for (int i = 0; i < 5; ++i) tray.Tick();
    QCOMPARE(tray.images, (std::vector<int>{1, 2, 3, 4, 1}));
    tray.StopAnimation();
    QCOMPARE(tray.images.back(), 0);
    tray.images.clear();
    tray.StopAnimation();  // not animating: nothing is touched
    QVERIFY(tray.images.empty());
  }

  void secondNameCallDoesNotRestart() {
    RecordingTray tray;
    tray.Add();
    tray.StartAnimation();
    tray.Tick();
    tray.Tick();
    tray.StartAnimation();
    tray.Tick();
    QCOMPARE(tray.images, (std::vector<int>{1, 2, 3}));
    tray.StopAnimation();
    tray.images.clear();
    tray.StartAnimation();  // after a stop it starts over
    tray.Tick();
    QCOMPARE(tray.images, (std::vector<int>{1}));
  }

  void timerDrivesTheAnimation() {
    RecordingTray tray;
    tray.Add();
    tray.StartAnimation();
    QTRY_VERIFY_WITH_TIMEOUT(tray.images.size() >= 2, 2000);
    QCOMPARE(tray.images[0], 1);
    QCOMPARE(tray.images[1], 2);
  }
};

QTEST_MAIN(HotKeyTrayTest)
#include "HotKeyTrayTest.moc"
