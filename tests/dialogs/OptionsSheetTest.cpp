// The options sheet: system page and its hot key control, font page and its samples,
// log page, and what the sheet gives back.

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>
#include <cstring>
#include <optional>

#include "DialogTestSupport.h"
#include "dialogs/CFontPage.h"
#include "dialogs/CFontSample.h"
#include "dialogs/CHotKeyCtrl.h"
#include "dialogs/CLogPage.h"
#include "dialogs/COptionsSheet.h"
#include "dialogs/CSystemPage.h"
#include "platform/Cp932.h"
#include "qt/FontConvert.h"
#include "store/AppSettings.h"

using namespace vostrelle;
using namespace vostrelle::test;

namespace {

template <typename T>
T* Child(QWidget& parent, const char* prefix, int id) {
  return parent.findChild<T*>(QLatin1String(prefix) + QString::number(id));
}

CHotKeyCtrl* HotKey(QWidget& parent) {
  return Child<CHotKeyCtrl>(parent, "hotkey", 1054);
}

LOGFONTA Font(const char* face, int height, int weight = 400) {
  LOGFONTA font;
  font.lfHeight = height;
  font.lfWeight = weight;
  font.lfCharSet = 128;
  std::strncpy(font.lfFaceName, face, sizeof font.lfFaceName - 1);
  return font;
}

bool Same(const LOGFONTA& a, const LOGFONTA& b) {
  return a.ToBytes() == b.ToBytes();
}

AppSettings Settings() {
  AppSettings settings;
  settings.SettingFolder = "/tmp/none";
  settings.ConfirmExit = true;
  settings.UseHotkey = true;
  settings.ReceiveFolder = "/home/u/recv";
  settings.Fonts = {Font("IPAGothic", -12), Font("IPAGothic", -13), Font("IPAGothic", -14)};
  settings.Log.Save = true;
  // Not valid CP932: it survives only if nobody sends it through a widget.
  settings.Log.SaveFolder = "/home/u/log\x81";
  return settings;
}

QPushButton* SheetButton(QDialog& sheet, QDialogButtonBox::StandardButton which) {
  return sheet.findChild<QDialogButtonBox*>()->button(which);
}

}  // namespace

class OptionsSheetTest : public QObject {
  Q_OBJECT

 private slots:
  void hotKeyShownAndTakenBack_data() {
    QTest::addColumn<int>("keyCode");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("storedKey");
    QTest::addColumn<int>("storedModifiers");
    QTest::newRow("default Ctrl+Alt+O") << 0x4F << 6 << "Ctrl + Alt + O" << 0x4F << 6;
    QTest::newRow("key code above 255 loses its high byte")
        << 0x14F << 6 << "Ctrl + Alt + O" << 0x4F << 6;
    QTest::newRow("modifiers above 255 too") << 0x70 << 0x101 << "Shift + F1" << 0x70 << 1;
    QTest::newRow("all three, in the order Ctrl Shift Alt")
        << 0x31 << 7 << "Ctrl + Shift + Alt + 1" << 0x31 << 7;
    QTest::newRow("extended cursor key") << 0x25 << (2 | 8) << "Ctrl + Left" << 0x25 << 10;
    QTest::newRow("the same code without the flag is the keypad's")
        << 0x25 << 2 << "Ctrl + Num 4" << 0x25 << 2;
    QTest::newRow("no key") << 0 << 0 << "なし" << 0 << 0;
  }
  void hotKeyShownAndTakenBack() {
    QFETCH(int, keyCode);
    QFETCH(int, modifiers);
    QFETCH(QString, shown);
    QFETCH(int, storedKey);
    QFETCH(int, storedModifiers);
    AppSettings settings = Settings();
    settings.KeyCode = static_cast<std::uint16_t>(keyCode);
    settings.Modifiers = static_cast<std::uint16_t>(modifiers);
    COptionsSheet sheet;
    sheet.LoadFrom(settings);
    sheet.show();
    QCOMPARE(HotKey(sheet)->text(), shown);
    sheet.accept();
    sheet.StoreTo(settings);
    QCOMPARE(int(settings.KeyCode), storedKey);
    QCOMPARE(int(settings.Modifiers), storedModifiers);
  }

  void hotKeyControlTakesTheKeyPressed_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("vk");
    QTest::addColumn<int>("flags");
    QTest::newRow("letter") << int(Qt::Key_P) << int(Qt::ControlModifier | Qt::ShiftModifier)
                            << "Ctrl + Shift + P" << int('P') << 3;
    QTest::newRow("cursor block is extended")
        << int(Qt::Key_Home) << int(Qt::AltModifier) << "Alt + Home" << 0x24 << (4 | 8);
    QTest::newRow("keypad digit") << int(Qt::Key_7) << int(Qt::ControlModifier | Qt::KeypadModifier)
                                  << "Ctrl + Num 7" << 0x67 << 2;
    QTest::newRow("function key alone") << int(Qt::Key_F12) << 0 << "F12" << 0x7B << 0;
    QTest::newRow("shifted punctuation gives its key")
        << int(Qt::Key_Colon) << int(Qt::ShiftModifier) << "Shift + ;" << 0xBA << 1;
  }
  void hotKeyControlTakesTheKeyPressed() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, shown);
    QFETCH(int, vk);
    QFETCH(int, flags);
    CHotKeyCtrl control;
    control.SetHotKey(0x4F, 6);
    QTest::keyClick(&control, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(control.text(), shown);
    QCOMPARE(int(control.VirtualKey()), vk);
    QCOMPARE(int(control.Modifiers()), flags);
  }

  // A key is known by what the layout prints on it (its keysym), not by a US position.
  void hotKeyControlTakesJisKeys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<uint>("keysym");
    QTest::addColumn<int>("vk");
    QTest::newRow("@ beside P is VK_OEM_3, not 2") << int(Qt::Key_At) << 0x40u << 0xC0;
    QTest::newRow("^ is VK_OEM_7, not 6") << int(Qt::Key_AsciiCircum) << 0x5Eu << 0xDE;
    QTest::newRow("the yen key is VK_OEM_5") << int(Qt::Key_yen) << 0xA5u << 0xDC;
    QTest::newRow(": is VK_OEM_1") << int(Qt::Key_Colon) << 0x3Au << 0xBA;
  }
  void hotKeyControlTakesJisKeys() {
    QFETCH(int, key);
    QFETCH(uint, keysym);
    QFETCH(int, vk);
    CHotKeyCtrl control;
    QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier | Qt::AltModifier, 0, keysym, 0);
    QApplication::sendEvent(&control, &press);
    QCOMPARE(int(control.VirtualKey()), vk);
    QCOMPARE(int(control.Modifiers()), 6);
  }

  void hotKeyControlModifiersAloneAndClearing() {
    CHotKeyCtrl control;
    control.SetHotKey(0x4F, 6);
    // A real press carries the state before it; QKeyEvent adds the key's own flag.
    QTest::keyPress(&control, Qt::Key_Control);
    QCOMPARE(control.text(), QStringLiteral("Ctrl + "));
    QTest::keyRelease(&control, Qt::Key_Control, Qt::ControlModifier);
    QCOMPARE(control.text(), QStringLiteral("なし"));
    control.SetHotKey(0x4F, 6);
    QTest::keyClick(&control, Qt::Key_Backspace);
    QCOMPARE(control.text(), QStringLiteral("なし"));
    QCOMPARE(int(control.VirtualKey()), 0);
    // Typed text never lands in the field.
    Commit(&control, QStringLiteral("あ"));
    QCOMPARE(control.text(), QStringLiteral("なし"));
  }

  void hotKeyDisabledWithoutUseButStillStored() {
    AppSettings settings = Settings();
    settings.UseHotkey = false;
    settings.KeyCode = 'K';
    settings.Modifiers = 2;
    COptionsSheet sheet;
    sheet.LoadFrom(settings);
    sheet.show();
    SaveGrab(sheet, "options-system-page.png");
    QVERIFY(!HotKey(sheet)->isEnabled());
    auto* use = Child<QCheckBox>(sheet, "check", 1056);
    QCOMPARE(use->text(), QStringLiteral("ホットキーで最小化状態を切り替える(&C)"));
    use->click();
    QVERIFY(HotKey(sheet)->isEnabled());
    QTest::keyClick(HotKey(sheet), Qt::Key_J, Qt::ControlModifier | Qt::AltModifier);
    use->click();
    QVERIFY(!HotKey(sheet)->isEnabled());
    sheet.accept();
    sheet.StoreTo(settings);
    QVERIFY(!settings.UseHotkey);
    QCOMPARE(int(settings.KeyCode), int('J'));
    QCOMPARE(int(settings.Modifiers), 6);
  }

  void sampleSizeText_data() {
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("dpi");
    QTest::addColumn<QString>("text");
    QTest::newRow("9 points at 96 dpi") << -12 << 96 << "(9)";
    QTest::newRow("rounded, not cut") << -13 << 96 << "(10)";
    QTest::newRow("half rounds away from zero") << -14 << 96 << "(11)";
    QTest::newRow("a cell height counts as it is") << 16 << 96 << "(12)";
    QTest::newRow("other dpi") << -20 << 120 << "(12)";
  }
  void sampleSizeText() {
    QFETCH(int, height);
    QFETCH(int, dpi);
    QFETCH(QString, text);
    QCOMPARE(CFontSample::SizeText(Font("x", height), dpi), text);
  }

  void sampleFaceTextOfAFullFaceField() {
    LOGFONTA font;
    // 32 bytes of face, no terminator: 16 double-byte characters.
    const std::string face = "ああああああああああああああああ"_sjis;
    std::memcpy(font.lfFaceName, face.data(), 32);
    QCOMPARE(CFontSample::FaceText(font), QString(16, QChar(u'あ')));
    QCOMPARE(CFontSample::FaceText(Font("IPAGothic", -12)), QStringLiteral("IPAGothic"));
  }

  void fontPageChangesOneOrAll() {
    AppSettings settings = Settings();
    COptionsSheet sheet;
    sheet.LoadFrom(settings);
    sheet.Tabs()->setCurrentIndex(1);
    sheet.show();
    SaveGrab(sheet, "options-font-page.png");
    CFontPage& page = *sheet.Fonts();
    QVERIFY(Same(*page.Sample(2)->SampleFont(), settings.Fonts[2]));

    std::vector<std::optional<LOGFONTA>> initials;  // what each dialog started from
    bool confirm = false;
    const LOGFONTA chosen = Font("IPAPGothic", -20, 700);
    page.ChooseFont = [&](const LOGFONTA* initial, LOGFONTA& result) {
      initials.push_back(initial ? std::optional<LOGFONTA>(*initial) : std::nullopt);
      if (confirm) result = chosen;
      return confirm;
    };
    Child<QPushButton>(page, "button", 1050)->click();  // cancelled
    QVERIFY(!initials.back());
    QVERIFY(Same(page.Fonts[0], settings.Fonts[0]));
    QVERIFY(Same(page.Fonts[2], settings.Fonts[2]));

    confirm = true;
    Child<QPushButton>(page, "button", 1046)->click();  // the member list's
    QVERIFY(initials.back() && Same(*initials.back(), settings.Fonts[1]));
    QVERIFY(Same(page.Fonts[1], chosen));
    QVERIFY(Same(page.Fonts[0], settings.Fonts[0]));
    QVERIFY(Same(*page.Sample(1)->SampleFont(), chosen));

    Child<QPushButton>(page, "button", 1050)->click();
    for (int i = 0; i < 3; ++i) {
      QVERIFY(Same(page.Fonts[static_cast<std::size_t>(i)], chosen));
      QVERIFY(Same(*page.Sample(i)->SampleFont(), chosen));
    }
  }

  void fontDialogGivesTheChosenFont() {
    CFontPage page;
    page.Fonts[0] = Font("IPAGothic", -12);
    page.show();
    QString family;
    int sampleHeight = 0;
    WhenModal<QFontDialog>([&](QFontDialog* dialog) {
      family = dialog->currentFont().family();
      // The sample box shows its text: it has the height of a line at least.
      auto* sample = dialog->findChild<QLineEdit*>(QStringLiteral("qt_fontDialog_sampleEdit"));
      if (sample && sample->isVisible() && !sample->text().isEmpty())
        sampleHeight = sample->height() - sample->fontMetrics().height();
      QFont font(QStringLiteral("IPAGothic"));
      font.setPointSize(12);
      dialog->setCurrentFont(font);
      dialog->accept();
    });
    Child<QPushButton>(page, "button", 1038)->click();
    QCOMPARE(family, QStringLiteral("IPAGothic"));
    QVERIFY2(sampleHeight > 0, "the sample box is too low to show its text");
    QCOMPARE(page.Fonts[0].lfHeight, -qRound(12 * LogicalDpiY() / 72.0));
    QCOMPARE(CFontSample::FaceText(page.Fonts[0]), QStringLiteral("IPAGothic"));
  }

  void unticingTheLogGreysItsFolderAtOnce() {
    AppSettings settings = Settings();
    settings.Log.SaveFolder = "/home/u/log";
    COptionsSheet sheet;
    sheet.LoadFrom(settings);
    sheet.Tabs()->setCurrentIndex(2);
    sheet.show();
    SaveGrab(sheet, "options-log-page.png");
    auto* save = Child<QCheckBox>(sheet, "check", 1051);
    auto* folder = Child<QLineEdit>(sheet, "edit", 1052);
    auto* browse = Child<QPushButton>(sheet, "button", 1053);
    QVERIFY(folder->isEnabled() && browse->isEnabled());
    save->click();
    QVERIFY(!folder->isEnabled());
    QVERIFY(!browse->isEnabled());
    sheet.accept();
    sheet.StoreTo(settings);
    QVERIFY(!settings.Log.Save);
    QCOMPARE(settings.Log.SaveFolder, std::string("/home/u/log"));
  }

  void foldersFromWindowsAndRelativeOnesSayWhichFolderIsUsed() {
    AppSettings settings = Settings();
    settings.ReceiveFolder = "C:\\Documents and Settings\\taro\\デスクトップ"_sjis;
    settings.Log.SaveFolder = "chatlog";
    const AppSettings before = settings;
    COptionsSheet sheet;
    sheet.LoadFrom(settings);
    sheet.show();
    auto* receive = Child<QLineEdit>(sheet, "edit", 1028);
    auto* receiveUsed = sheet.findChild<QLabel*>(QStringLiteral("edit1028InUse"));
    QVERIFY(receiveUsed);
    // The stored text is shown as it is, the folder really used beside it.
    QCOMPARE(receive->text(), QStringLiteral("C:\\Documents and Settings\\taro\\デスクトップ"));
    QVERIFY(receiveUsed->isVisible());
    QVERIFY(receiveUsed->text().startsWith(QStringLiteral("実際の保存先: /")));
    sheet.Tabs()->setCurrentIndex(2);
    SaveGrab(sheet, "options-log-relative.png");
    auto* logUsed = sheet.findChild<QLabel*>(QStringLiteral("edit1052InUse"));
    QVERIFY(logUsed && logUsed->isVisible());
    QCOMPARE(logUsed->text(), QStringLiteral("実際の保存先: /tmp/none/chatlog"));
    // Untouched, both texts go back byte for byte.
    sheet.accept();
    sheet.StoreTo(settings);
    QCOMPARE(settings.ReceiveFolder, before.ReceiveFolder);
    QCOMPARE(settings.Log.SaveFolder, before.Log.SaveFolder);
    // A folder of this system needs no note.
    auto* log = Child<QLineEdit>(sheet, "edit", 1052);
    log->setText(QStringLiteral("/var/log/chat"));
    QVERIFY(logUsed->isHidden());
    receive->setText(QStringLiteral("/home/u"));
    QVERIFY(receiveUsed->isHidden());
  }

  void folderEditsTurnWhatCp932CannotHoldIntoQuestionMarksAsTyped() {
    COptionsSheet sheet;
    sheet.LoadFrom(Settings());
    sheet.show();
    for (const int id : {1052, 1028}) {
      auto* folder = Child<QLineEdit>(sheet, "edit", id);
      QVERIFY(folder);
      folder->clear();
      Commit(folder, QStringLiteral("/home/u/\U0001F600"));
      QCOMPARE(folder->text(), QStringLiteral("/home/u/?"));
    }
  }

  void cancelGivesNothingBack() {
    AppSettings settings = Settings();
    const AppSettings before = settings;
    WhenModal<COptionsSheet>([](COptionsSheet* sheet) {
      Child<QCheckBox>(*sheet, "check", 1057)->click();
      SheetButton(*sheet, QDialogButtonBox::Cancel)->click();
    });
    QVERIFY(!EditOptionsSheet(settings, nullptr));
    QCOMPARE(settings.ConfirmExit, before.ConfirmExit);
  }

  void okGivesBackWhatWasShownAndKeepsUnopenedPages() {
    AppSettings settings = Settings();
    QString title, tabs;
    WhenModal<COptionsSheet>([&](COptionsSheet* sheet) {
      title = sheet->windowTitle();
      for (int i = 0; i < sheet->Tabs()->count(); ++i) tabs += sheet->Tabs()->tabText(i) + '|';
      Child<QCheckBox>(*sheet, "check", 1057)->click();
      Commit(Child<QLineEdit>(*sheet, "edit", 1028), QStringLiteral("受信"));
      QTest::keyClick(Child<QCheckBox>(*sheet, "check", 1009), Qt::Key_Return);
    });
    QVERIFY(EditOptionsSheet(settings, nullptr));
    QCOMPARE(title, QStringLiteral("オプション設定"));
    QCOMPARE(tabs, QStringLiteral("システム|フォント|ログ|"));
    QVERIFY(!settings.ConfirmExit);
    QCOMPARE(settings.ReceiveFolder, "/home/u/recv" + "受信"_sjis);
    // The log page was never opened: its folder comes back byte for byte.
    QCOMPARE(settings.Log.SaveFolder, std::string("/home/u/log\x81"));
    QVERIFY(settings.Log.Save);
  }
};

QTEST_MAIN(OptionsSheetTest)
#include "OptionsSheetTest.moc"
