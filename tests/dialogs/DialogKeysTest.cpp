// Dialog keys as a Windows dialog has them: Enter presses the focused push button,
// otherwise the default button; Esc cancels. Every dialog with a button besides its
// confirm and cancel buttons, the options sheet and the transfer windows.

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

#include "DialogTestSupport.h"
#include "dialogs/CConnectListDlg.h"
#include "dialogs/CConnectSettingDlg.h"
#include "dialogs/CFontPage.h"
#include "dialogs/CLogPage.h"
#include "dialogs/COptionsSheet.h"
#include "dialogs/CSettingsFolderDlg.h"
#include "dialogs/CSystemPage.h"
#include "qt/QtNotifyTarget.h"
#include "store/AppSettings.h"
#include "transfer/ReceiveFileList.h"
#include "dialogs/CReceiveFileDlg.h"

using namespace vostrelle;
using namespace vostrelle::test;

namespace {

// Gives widget the keyboard focus in its shown, active window and presses key there,
// as the user would.
void PressOn(QWidget* widget, Qt::Key key) {
  QVERIFY(widget);
  QWidget* window = widget->window();
  window->show();
  window->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(window));
  widget->setFocus(Qt::TabFocusReason);
  QCOMPARE(QApplication::focusWidget(), widget);
  QTest::keyClick(QApplication::focusWidget(), key);
}

// Counts the modal dialogs of type T that come up, cancelling each.
template <typename T>
struct Refuser {
  int shown = 0;
  void Next() {
    WhenModal<T>([this](T* dialog) {
      ++shown;
      dialog->reject();
    });
  }
};

ConnectSetting Setting(const char* room) {
  ConnectSetting setting;
  setting.ConnectTo = "192.168.1.255";
  setting.NetMask = "255.255.255.0";
  setting.Name = "taro";
  setting.RealName = "Yamada";
  setting.RoomName = room;
  return setting;
}

}  // namespace

class DialogKeysTest : public QObject {
  Q_OBJECT

 private slots:
  void connectListEnterPressesTheFocusedButton() {
    std::vector<ConnectSetting> list{Setting("a"), Setting("b"), Setting("c")};
    CConnectListDlg dialog(list);
    int edited = 0;
    dialog.EditSetting = [&](ConnectSetting&) {
      ++edited;
      return false;
    };
    auto* rows = dialog.findChild<QTreeWidget*>();
    rows->setCurrentItem(rows->topLevelItem(0));
    PressOn(Button(dialog, CConnectListDlg::kDeleteId), Qt::Key_Return);
    QCOMPARE(list.size(), std::size_t(2));
    QCOMPARE(list[0].RoomName, std::string("b"));
    QVERIFY(dialog.isVisible());
    // The greyed 削除 hands the focus to the list, not to the next button (再接続).
    QCOMPARE(QApplication::focusWidget(), rows);

    rows->setCurrentItem(rows->topLevelItem(1));
    PressOn(Button(dialog, CConnectListDlg::kChangeId), Qt::Key_Enter);
    QCOMPARE(edited, 1);
    PressOn(Button(dialog, CConnectListDlg::kNewId), Qt::Key_Return);
    QCOMPARE(edited, 2);
    PressOn(Button(dialog, CConnectListDlg::kUpId), Qt::Key_Return);
    QCOMPARE(list[0].RoomName, std::string("c"));
    QVERIFY(dialog.isVisible());

    // Anywhere else Enter is the default button's: the list closes with 決定.
    PressOn(rows, Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
  }

  void connectSettingSelectAndCancelTakeEnter() {
    ConnectSetting setting;
    FakeNetworks networks;
    networks.usableCount = 2;
    Messages messages;
    CConnectSettingDlg dialog(setting);
    dialog.Interfaces = networks.Source();
    dialog.Message = messages.Sink();
    int offers = 0;
    dialog.ChooseAddress = [&](const std::vector<std::string>&) {
      ++offers;
      return -1;
    };
    PressOn(Button(dialog, CConnectSettingDlg::kSelectId), Qt::Key_Return);
    QCOMPARE(offers, 1);
    QVERIFY(messages.shown.isEmpty());  // 決定 was not pressed
    QVERIFY(dialog.isVisible());

    // The focused キャンセル cancels instead of confirming.
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    PressOn(buttons->button(QDialogButtonBox::Cancel), Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(messages.shown.isEmpty());
  }

  void settingsFolderBrowseTakesEnterAndEditConfirms() {
    CSettingsFolderDlg dialog;
    dialog.SubPath = "Pendrake/Vostrelle";
    dialog.BaseFolder = "/home/u";
    Refuser<QFileDialog> browser;
    browser.Next();
    PressOn(Button(dialog, CSettingsFolderDlg::kBrowseButtonId), Qt::Key_Return);
    QCOMPARE(browser.shown, 1);
    QVERIFY(dialog.isVisible());
    PressOn(dialog.findChild<QLineEdit*>(), Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
  }

  void optionsSheetButtonsTakeEnterEscCancels() {
    AppSettings settings;
    settings.ReceiveFolder = "/tmp";
    settings.Log.Save = true;
    settings.Log.SaveFolder = "/tmp";
    COptionsSheet sheet;
    sheet.LoadFrom(settings);
    auto* tabs = sheet.findChild<QTabWidget*>();

    Refuser<QFileDialog> browser;
    browser.Next();
    PressOn(Button(sheet, CSystemPage::kBrowseId), Qt::Key_Return);
    QCOMPARE(browser.shown, 1);

    tabs->setCurrentIndex(1);
    int fontDialogs = 0;
    sheet.findChild<CFontPage*>()->ChooseFont = [&](const LOGFONTA*, LOGFONTA&) {
      ++fontDialogs;
      return false;
    };
    PressOn(Button(sheet, CFontPage::kMessageChangeId), Qt::Key_Return);
    PressOn(Button(sheet, CFontPage::kChangeAllId), Qt::Key_Enter);
    QCOMPARE(fontDialogs, 2);

    tabs->setCurrentIndex(2);
    browser.Next();
    PressOn(Button(sheet, CLogPage::kBrowseId), Qt::Key_Return);
    QCOMPARE(browser.shown, 2);
    QVERIFY(sheet.isVisible());

    PressOn(sheet.findChild<QTabBar*>(), Qt::Key_Escape);
    QVERIFY(!sheet.isVisible());
    QCOMPARE(sheet.result(), int(QDialog::Rejected));
  }

  void receiveWindowButtonsTakeEnter() {
    ReceiveFileList list(std::make_shared<QtNotifyTarget>(qApp));
    AppSettings settings;
    settings.ReceiveFolder = "/tmp";
    CReceiveFileDlg window(list, settings, nullptr);
    Refuser<QFileDialog> browser;
    browser.Next();
    PressOn(Button(window, CReceiveFileDlg::kBrowseId), Qt::Key_Return);
    QCOMPARE(browser.shown, 1);
    PressOn(Button(window, CReceiveFileDlg::kReceiveAllId), Qt::Key_Return);
    QVERIFY(window.isVisible());
    window.Detach();
  }
};

QTEST_MAIN(DialogKeysTest)
#include "DialogKeysTest.moc"
