// The hot key on a real X server: a private Xvfb, keys typed with xdotool. Skips when
// either is missing.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QtTest>
#include <cstdlib>
#include <string>

#include "qt/GlobalHotKey.h"
#include "qt/TrayIcon.h"

using namespace vostrelle;

namespace {

pid_t xvfb = -1;

// Starts Xvfb on a display it picks itself; returns ":N", or empty on failure.
std::string StartXvfb() {
  int fds[2];
  if (pipe(fds) != 0) return {};
  xvfb = fork();
  if (xvfb == 0) {
    close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-noreset", "-terminate",
           "-screen", "0", "320x240x24", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  char c;
  while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  return number.empty() ? std::string() : ":" + number;
}

void StopXvfb() {
  if (xvfb > 0) {
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
  }
}

// A second X client standing for another program.
struct OtherClient {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  ~OtherClient() { xcb_disconnect(connection); }
  // The server lets go of a client's grabs only when it gets round to the closed
  // connection; a window of the client's going away shows that it has.
  xcb_window_t MakeWindow() {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window,
                      xcb_setup_roots_iterator(setup).data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_flush(connection);
    return window;
  }
  // Grabs every key with mods (exactly); false when any grab is refused.
  bool GrabAll(std::uint16_t mods) {
    if (xcb_connection_has_error(connection)) return false;
    const xcb_setup_t* setup = xcb_get_setup(connection);
    xcb_window_t root = xcb_setup_roots_iterator(setup).data->root;
    bool ok = true;
    for (int code = setup->min_keycode; code <= setup->max_keycode; ++code) {
      xcb_generic_error_t* error = xcb_request_check(
          connection,
          xcb_grab_key_checked(connection, 0, root, mods, static_cast<xcb_keycode_t>(code),
                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
      if (error) ok = false;
      free(error);
    }
    return ok;
  }
};

bool WindowExists(xcb_window_t window) {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  xcb_generic_error_t* error = nullptr;
  free(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), &error));
  const bool exists = error == nullptr;
  free(error);
  xcb_disconnect(c);
  return exists;
}

bool Type(const QString& keys) {
  return QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), keys}) == 0;
}

}  // namespace

class X11HotKeyTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) QSKIP("no X server (Xvfb)");
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) QSKIP("no xdotool");
  }

  void pressActivatesAlsoWithNumLock() {
    GlobalHotKey hotKey;
    QSignalSpy activated(&hotKey, &GlobalHotKey::Activated);
    QVERIFY(hotKey.Register(0x4F, HotKeyControlToModifiers(6)));  // Ctrl+Alt+O
    QVERIFY(Type(QStringLiteral("ctrl+alt+o")));
    QTRY_COMPARE(activated.count(), 1);
    QVERIFY(Type(QStringLiteral("Num_Lock")));
    QVERIFY(Type(QStringLiteral("ctrl+alt+o")));
    QTRY_COMPARE(activated.count(), 2);
    QVERIFY(Type(QStringLiteral("Num_Lock")));
    // Other modifiers, or none, are not the hot key. The server delivers key events in
    // order, so once a second hot key typed after them has arrived, any activation
    // they caused would have arrived too.
    GlobalHotKey marker;
    QSignalSpy marked(&marker, &GlobalHotKey::Activated);
    QVERIFY(marker.Register(0x50, kModControl | kModAlt));  // Ctrl+Alt+P
    QVERIFY(Type(QStringLiteral("ctrl+o")));
    QVERIFY(Type(QStringLiteral("ctrl+alt+shift+o")));
    QVERIFY(Type(QStringLiteral("ctrl+alt+p")));
    QTRY_COMPARE(marked.count(), 1);
    QCOMPARE(activated.count(), 2);
    hotKey.Unregister();
    QVERIFY(Type(QStringLiteral("ctrl+alt+o")));
    QVERIFY(Type(QStringLiteral("ctrl+alt+p")));
    QTRY_COMPARE(marked.count(), 2);
    QCOMPARE(activated.count(), 2);
  }

  void reRegisteringReleasesTheOldKey() {
    GlobalHotKey hotKey;
    QVERIFY(hotKey.Register(0x4F, kModControl | kModAlt));
    QVERIFY(hotKey.Register(0x70, kModShift));  // Shift+F1
    // Another program can now grab Ctrl+Alt+O.
    OtherClient other;
    QVERIFY(other.GrabAll(XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));
  }

  void keyHeldByAnotherProgramFails() {
    GlobalHotKey hotKey;
    xcb_window_t trace;
    {
      OtherClient other;
      trace = other.MakeWindow();
      QVERIFY(other.GrabAll(XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));
      QVERIFY(!hotKey.Register(0x51, kModControl | kModAlt));  // Ctrl+Alt+Q
      QVERIFY(!hotKey.IsRegistered());
    }
    // Once the other program is gone the key can be had.
    QTRY_VERIFY(!WindowExists(trace));
    QVERIFY(hotKey.Register(0x51, kModControl | kModAlt));
  }

  // On a JIS keyboard each code is the key that prints it: "@" is VK_OEM_3, "¥"
  // VK_OEM_5, "ろ" beside the right Shift VK_OEM_102, ";" VK_OEM_PLUS, ":" VK_OEM_1.
  void jisKeysAreGrabbedByWhatTheyPrint() {
    if (QStandardPaths::findExecutable(QStringLiteral("setxkbmap")).isEmpty())
      QSKIP("no setxkbmap");
    const auto layout = [](const char* model, const char* name) {
      return QProcess::execute(QStringLiteral("setxkbmap"),
                               {QStringLiteral("-model"), QLatin1String(model),
                                QStringLiteral("-layout"), QLatin1String(name)}) == 0;
    };
    QVERIFY(layout("jp106", "jp"));
    GlobalHotKey hotKey;
    QSignalSpy activated(&hotKey, &GlobalHotKey::Activated);
    QVERIFY(hotKey.Register(0xC0, kModControl | kModAlt));
    QVERIFY(Type(QStringLiteral("ctrl+alt+at")));
    QTRY_COMPARE(activated.count(), 1);
    // The evdev keycodes of the keys: AE13, AB11, AC10, AC11, AE12.
    const std::pair<int, int> keys[] = {
        {0xDC, 132}, {0xE2, 97}, {0xBB, 47}, {0xBA, 48}, {0xDE, 21}};
    for (auto [vk, keycode] : keys) {
      QVERIFY(hotKey.Register(static_cast<std::uint16_t>(vk), kModControl | kModAlt));
      QCOMPARE(int(hotKey.Keycode()), keycode);
    }
    hotKey.Unregister();
    QVERIFY(layout("pc105", "us"));
  }

  void trayIconIsAddedWhereATrayRuns() {
    if (QStandardPaths::findExecutable(QStringLiteral("trayer")).isEmpty()) QSKIP("no trayer");
    {
      TrayIcon none;
      QVERIFY(!none.Add());  // no notification area yet
    }
    QProcess trayer;
    trayer.start(QStringLiteral("trayer"),
                 {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--widthtype"),
                  QStringLiteral("pixel"), QStringLiteral("--width"), QStringLiteral("64")});
    QVERIFY(trayer.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 5000);
    TrayIcon tray;
    QVERIFY(tray.Add());
    QVERIFY(tray.IsAdded());
    tray.StartAnimation();
    QTRY_COMPARE_WITH_TIMEOUT(tray.NextFrame(), 2, 3000);
    const QString shots = qEnvironmentVariable("VOSTRELLE_SCREENSHOTS");
    if (!shots.isEmpty())
      QProcess::execute(
          QStringLiteral("import"),
          {QStringLiteral("-window"), QStringLiteral("root"), shots + QStringLiteral("/tray.png")});
    tray.StopAnimation();
    tray.Remove();
    QVERIFY(!tray.IsAdded());
    trayer.kill();
    trayer.waitForFinished();
  }
};

int main(int argc, char** argv) {
  const std::string display = StartXvfb();
  if (!display.empty()) {
    setenv("DISPLAY", display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
  }
  int result;
  {
    QApplication app(argc, argv);
    X11HotKeyTest test;
    result = QTest::qExec(&test, argc, argv);
  }
  StopXvfb();
  return result;
}

#include "X11HotKeyTest.moc"
