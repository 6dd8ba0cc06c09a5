// The connection dialog, the connection list, the address choice and the name dialog.

#include <QClipboard>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include "DialogTestSupport.h"
#include "dialogs/CConnectListDlg.h"
#include "dialogs/CConnectSettingDlg.h"
#include "dialogs/CNameDlg.h"
#include "dialogs/CSelectAddressDlg.h"
#include "platform/CommandIds.h"
#include "platform/Cp932.h"

using namespace vostrelle;
using namespace vostrelle::test;

namespace {

QLineEdit* Edit(QWidget& dialog, int id) {
  return dialog.findChild<QLineEdit*>(QStringLiteral("edit%1").arg(id));
}

QPushButton* Ok(QWidget& dialog) {
  return dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
}

ConnectSetting Setting(const char* connectTo, const char* room, const char* name = "taro") {
  ConnectSetting setting;
  setting.ConnectTo = connectTo;
  setting.NetMask = "255.255.255.0";
  setting.Name = name;
  setting.RealName = "Yamada";
  setting.RoomName = room;
  return setting;
}

// A connection dialog wired to fakes.
struct ConnectFixture {
  ConnectSetting setting;
  FakeNetworks networks;
  Messages messages;
  std::vector<std::vector<std::string>> offered;
  int choice = -1;

  void Wire(CConnectSettingDlg& dialog) {
    dialog.Interfaces = networks.Source();
    dialog.Message = messages.Sink();
    dialog.ChooseAddress = [this](const std::vector<std::string>& addresses) {
      offered.push_back(addresses);
      return choice;
    };
  }
};

QStringList RowTexts(QTreeWidget* rows) {
  QStringList texts;
  for (int i = 0; i < rows->topLevelItemCount(); ++i)
    texts << rows->topLevelItem(i)->text(0) + QLatin1Char('@') + rows->topLevelItem(i)->text(1);
  return texts;
}

}  // namespace

class ConnectDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void confirmChecksNameThenRealNameThenAddress_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("realName");
    QTest::addColumn<QString>("message");
    QTest::newRow("both missing: the name is asked first")
        << QString() << QString() << QStringLiteral("名前が無いです。");
    QTest::newRow("real name missing")
        << QStringLiteral("太郎") << QString() << QStringLiteral("本名が無いです。");
    QTest::newRow("name missing") << QString() << QStringLiteral("山田")
                                  << QStringLiteral("名前が無いです。");
  }
  void confirmChecksNameThenRealNameThenAddress() {
    QFETCH(QString, name);
    QFETCH(QString, realName);
    QFETCH(QString, message);
    ConnectFixture fixture;  // two networks: the address check would open the choice
    fixture.networks.usableCount = 2;
    CConnectSettingDlg dialog(fixture.setting);
    fixture.Wire(dialog);
    dialog.show();
    Edit(dialog, 1000)->setText(name);
    Edit(dialog, 1001)->setText(realName);
    Ok(dialog)->click();
    QCOMPARE(fixture.messages.shown, QStringList{message});
    QVERIFY(fixture.offered.empty());
    QVERIFY(dialog.isVisible());
    QCOMPARE(fixture.setting.Name, std::string());
  }

  void twoNetworksLeaveTheAddressToChooseOnConfirm() {
    ConnectFixture fixture;
    fixture.networks.usableCount = 2;
    CConnectSettingDlg dialog(fixture.setting);
    fixture.Wire(dialog);
    dialog.show();
    SaveGrab(dialog, "connect-setting-dialog-empty.png");
    QCOMPARE(Edit(dialog, 1003)->text(), QString());
    QCOMPARE(Edit(dialog, 1004)->text(), QString());
    Commit(Edit(dialog, 1000), QStringLiteral("太郎"));
    Commit(Edit(dialog, 1001), QStringLiteral("山田太郎"));
    Commit(Edit(dialog, 1005), QStringLiteral("雑談"));

    // Cancelling the choice keeps the dialog open, silently.
    Ok(dialog)->click();
    QCOMPARE(fixture.offered.size(), std::size_t(1));
    QCOMPARE(fixture.offered[0], (std::vector<std::string>{"192.168.1.255", "10.255.255.255"}));
    QVERIFY(dialog.isVisible());
    QVERIFY(fixture.messages.shown.isEmpty());
    QVERIFY(!fixture.setting.AutoConnect);

    fixture.choice = 1;
    Ok(dialog)->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(fixture.setting.ConnectTo, std::string("10.255.255.255"));
    QCOMPARE(fixture.setting.NetMask, std::string("255.0.0.0"));
    QCOMPARE(fixture.setting.Name, "太郎"_sjis);
    QCOMPARE(fixture.setting.RealName, "山田太郎"_sjis);
    QCOMPARE(fixture.setting.RoomName, "雑談"_sjis);
    QVERIFY(fixture.setting.AutoConnect);
  }

  void oneNetworkFillsTheAddressAndNameTakesTheFocus() {
    ConnectFixture fixture;
    fixture.networks.usableCount = 1;
    CConnectSettingDlg dialog(fixture.setting);
    fixture.Wire(dialog);
    dialog.show();
    QCOMPARE(Edit(dialog, 1003)->text(), QStringLiteral("192.168.1.255"));
    QCOMPARE(Edit(dialog, 1004)->text(), QStringLiteral("255.255.255.0"));
    QVERIFY(Edit(dialog, 1003)->isReadOnly());
    QCOMPARE(dialog.focusWidget(), Edit(dialog, 1000));
  }

  void storedAddressIsKeptWithoutAQueryAndRoomNameTakesTheFocus() {
    ConnectFixture fixture;
    fixture.setting = Setting("172.16.255.255", "");
    fixture.setting.NetMask = "255.255.0.0";
    CConnectSettingDlg dialog(fixture.setting);
    fixture.Wire(dialog);
    // No network at all: a stored address does not need one to open.
    QCOMPARE(fixture.networks.usableCount, 0);
    dialog.show();
    QCOMPARE(fixture.networks.queries, 0);
    QVERIFY(fixture.messages.shown.isEmpty());
    QCOMPARE(Edit(dialog, 1003)->text(), QStringLiteral("172.16.255.255"));
    QCOMPARE(Edit(dialog, 1000)->text(), QStringLiteral("taro"));
    QCOMPARE(dialog.focusWidget(), Edit(dialog, 1005));

    // Esc leaves the setting as it was, AutoConnect included.
    Edit(dialog, 1000)->setText(QStringLiteral("jiro"));
    QTest::keyClick(Edit(dialog, 1000), Qt::Key_Escape);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(fixture.setting.Name, std::string("taro"));
    QVERIFY(!fixture.setting.AutoConnect);
  }

  // Extra destinations are typed: shown from the setting, checked word by word on
  // "決定" (the first wrong word is named and nothing is written), and stored in their
  // plain form, full-width input and repeats included.
  void extraDestinationsAreCheckedAndStoredPlain() {
    ConnectFixture fixture;
    fixture.setting = Setting("10.0.0.255", "");
    fixture.setting.ConnectAlso = "10.1.0.5";
    CConnectSettingDlg dialog(fixture.setting);
    fixture.Wire(dialog);
    dialog.show();
    QLineEdit* also = Edit(dialog, CConnectSettingDlg::kConnectAlsoId);
    QVERIFY(also && !also->isReadOnly());
    QCOMPARE(also->text(), QStringLiteral("10.1.0.5"));
    QVERIFY(also->toolTip().startsWith(QStringLiteral("ルーターやVPNの向こうの相手")));

    also->clear();
    Commit(also, QStringLiteral("10.1.0.5 10.2.0 10.3.0.1"));
    Ok(dialog)->click();
    QCOMPARE(fixture.messages.shown,
             QStringList{QStringLiteral("追加の接続先の「10.2.0」はIPv4アドレスではありません。")});
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.focusWidget(), also);
    QCOMPARE(also->selectedText(), QStringLiteral("10.2.0"));
    QCOMPARE(fixture.setting.ConnectAlso, std::string("10.1.0.5"));
    QVERIFY(!fixture.setting.AutoConnect);

    // Full-width digits and dots, an ideographic blank and comma, a repeat.
    also->clear();
    Commit(also, QStringLiteral(" １０．２．０．２５５　 10.1.0.5、10.2.0.255 "));
    Ok(dialog)->click();
    QCOMPARE(fixture.messages.shown.size(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(fixture.setting.ConnectAlso, std::string("10.2.0.255 10.1.0.5"));
    QVERIFY(fixture.setting.AutoConnect);
  }

  void emptyExtraDestinationsStayEmpty() {
    ConnectFixture fixture;
    fixture.setting = Setting("10.0.0.255", "");
    fixture.setting.ConnectAlso = "10.1.0.5";
    CConnectSettingDlg dialog(fixture.setting);
    fixture.Wire(dialog);
    dialog.show();
    Edit(dialog, CConnectSettingDlg::kConnectAlsoId)->clear();
    Commit(Edit(dialog, CConnectSettingDlg::kConnectAlsoId), QStringLiteral("  "));
    Ok(dialog)->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(fixture.setting.ConnectAlso, std::string());
  }

  void noNetworkEndsTheDialogAsCancelled() {
    ConnectFixture fixture;
    CConnectSettingDlg dialog(fixture.setting);
    fixture.Wire(dialog);
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(fixture.messages.shown,
             QStringList{QStringLiteral("ネットワークに接続されていません。")});
    QVERIFY(!dialog.isVisible());
  }

  void selectReplacesTheAddressAndKeepsWhatWasTyped() {
    ConnectFixture fixture;
    fixture.setting = Setting("192.168.1.255", "");
    fixture.networks.usableCount = 2;
    CConnectSettingDlg dialog(fixture.setting);
    fixture.Wire(dialog);
    dialog.show();
    Edit(dialog, 1000)->clear();
    Commit(Edit(dialog, 1000), QStringLiteral("花子"));
    Commit(Edit(dialog, 1005), QStringLiteral("雑談"));
    fixture.choice = -1;
    Button(dialog, 1006)->click();
    QCOMPARE(Edit(dialog, 1003)->text(), QStringLiteral("192.168.1.255"));
    fixture.choice = 1;
    Button(dialog, 1006)->click();
    QCOMPARE(Edit(dialog, 1003)->text(), QStringLiteral("10.255.255.255"));
    QCOMPARE(Edit(dialog, 1004)->text(), QStringLiteral("255.0.0.0"));
    QCOMPARE(Edit(dialog, 1000)->text(), QStringLiteral("花子"));
    SaveGrab(dialog, "connect-setting-dialog.png");
    // Nothing is written before 決定.
    QCOMPARE(fixture.setting.ConnectTo, std::string("192.168.1.255"));
  }

  void editsCountCp932Bytes_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("name: eight double-byte characters fill 16 bytes")
        << 1000 << QStringLiteral("あいうえおかきくけ") << QStringLiteral("あいうえおかきく");
    QTest::newRow("room name: a double-byte character does not fit the last byte")
        << 1005 << QStringLiteral("aあいうえおかきく") << QStringLiteral("aあいうえおかき");
    QTest::newRow("real name: 64 bytes")
        << 1001 << QString(33, QChar(u'漢')) << QString(32, QChar(u'漢'));
    QTest::newRow("a character without CP932 form is one '?'")
        << 1000 << QStringLiteral("a\U0001F600b") << QStringLiteral("a?b");
  }
  void editsCountCp932Bytes() {
    QFETCH(int, id);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    ConnectFixture fixture;
    fixture.setting = Setting("192.168.1.255", "", "");
    fixture.setting.RealName = "";
    CConnectSettingDlg dialog(fixture.setting);
    fixture.Wire(dialog);
    dialog.show();
    Commit(Edit(dialog, id), typed);
    QCOMPARE(Edit(dialog, id)->text(), kept);
  }

  void typingIntoAFullEditKeepsItsText() {
    CNameDlg dialog;
    dialog.Name = "あいうえおかきく"_sjis;
    dialog.show();
    QLineEdit* edit = Edit(dialog, 1000);
    edit->setCursorPosition(2);
    Commit(edit, QStringLiteral("x"));
    QCOMPARE(edit->text(), QStringLiteral("あいうえおかきく"));
    QCOMPARE(edit->cursorPosition(), 2);
  }

  // A paste keeps what comes before its first line break, as a Windows single-line
  // edit does; '|' marks the cursor.
  void pasteStopsAtTheFirstLineBreak_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("clip");
    QTest::addColumn<QString>("after");
    QTest::newRow("name: CR LF") << 1000 << "|"
                                 << "abc\r\ndef"
                                 << "abc|";
    QTest::newRow("room name: LF, pasted between two characters") << 1005 << "x|y"
                                                                  << "ab\ncd"
                                                                  << "xab|y";
    QTest::newRow("real name: a line copied from a message view")
        << 1001 << "|" << QStringLiteral("12:00 (me) hi\u2029next") << "12:00 (me) hi|";
    QTest::newRow("a leading line break pastes nothing") << 1000 << "ab|"
                                                         << "\nzz"
                                                         << "ab|";
    QTest::newRow("the byte limit counts what is kept")
        << 1000 << "|" << QStringLiteral("あいうえおかきくけ\nx")
        << QStringLiteral("あいうえおかきく|");
  }
  void pasteStopsAtTheFirstLineBreak() {
    QFETCH(int, id);
    QFETCH(QString, before);
    QFETCH(QString, clip);
    QFETCH(QString, after);
    ConnectFixture fixture;
    fixture.setting = Setting("192.168.1.255", "");
    CConnectSettingDlg dialog(fixture.setting);
    fixture.Wire(dialog);
    dialog.show();
    QLineEdit* edit = Edit(dialog, id);
    edit->setText(QString(before).remove(QLatin1Char('|')));
    edit->setCursorPosition(static_cast<int>(before.indexOf(QLatin1Char('|'))));
    QGuiApplication::clipboard()->setText(clip);
    QTest::keySequence(edit, QKeySequence::Paste);
    QCOMPARE(edit->text(), QString(after).remove(QLatin1Char('|')));
    QCOMPARE(edit->cursorPosition(), after.indexOf(QLatin1Char('|')));
  }

  // The limits hold for typing and pasting only: a longer stored text (a hand-edited
  // connects.xml) is shown whole and comes back unchanged.
  void storedTextsLongerThanTheLimitStayWhole() {
    ConnectFixture fixture;
    fixture.setting = Setting("192.168.1.255", "roomname-18-bytes!", "name-of-twenty-bytes");
    fixture.setting.RealName = std::string(70, 'r');
    const ConnectSetting stored = fixture.setting;
    CConnectSettingDlg dialog(fixture.setting);
    fixture.Wire(dialog);
    dialog.show();
    QLineEdit* name = Edit(dialog, 1000);
    QCOMPARE(name->text(), QStringLiteral("name-of-twenty-bytes"));
    QCOMPARE(Edit(dialog, 1005)->text(), QStringLiteral("roomname-18-bytes!"));
    QCOMPARE(Edit(dialog, 1001)->text(), QString(70, QLatin1Char('r')));
    // Nothing can be added to it; deleting works.
    Commit(name, QStringLiteral("x"));
    QCOMPARE(name->text(), QStringLiteral("name-of-twenty-bytes"));
    QTest::keyClick(name, Qt::Key_Backspace);
    QCOMPARE(name->text(), QStringLiteral("name-of-twenty-byte"));
    Ok(dialog)->click();
    QCOMPARE(fixture.setting.Name, std::string("name-of-twenty-byte"));
    QCOMPARE(fixture.setting.RoomName, stored.RoomName);
    QCOMPARE(fixture.setting.RealName, stored.RealName);

    CNameDlg rename;
    rename.Name = "name-of-twenty-bytes";
    rename.show();
    QCOMPARE(Edit(rename, 1000)->text(), QStringLiteral("name-of-twenty-bytes"));
    Ok(rename)->click();
    QCOMPARE(rename.Name, std::string("name-of-twenty-bytes"));
  }

  void nameDialog() {
    CNameDlg dialog;
    Messages messages;
    dialog.Message = messages.Sink();
    dialog.Name = "taro";
    dialog.show();
    SaveGrab(dialog, "name-dialog.png");
    QLineEdit* edit = Edit(dialog, 1000);
    QCOMPARE(edit->text(), QStringLiteral("taro"));
    QCOMPARE(dialog.focusWidget(), edit);

    edit->clear();
    Ok(dialog)->click();
    QCOMPARE(messages.shown, QStringList{QStringLiteral("名前がありません。")});
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.Name, std::string("taro"));

    Commit(edit, QStringLiteral("あいうえおかきくけ"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.Name.size(), std::size_t(16));
    QCOMPARE(dialog.Name, "あいうえおかきく"_sjis);
  }

  void emptyNameShowsAWarningBox() {
    CNameDlg dialog;
    dialog.show();
    Edit(dialog, 1000)->clear();
    QString text;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
      text = box->text();
      box->accept();
    });
    Ok(dialog)->click();
    QCOMPARE(text, QStringLiteral("名前がありません。"));
  }

  void addressChoiceOpensOnTheFirstRowSelected() {
    CSelectAddressDlg dialog(
        {"eth0 ― 192.168.1.255"_sjis, "virbr0 ― 192.168.122.255（仮想ブリッジ）"_sjis});
    dialog.show();
    SaveGrab(dialog, "select-address-dialog.png");
    auto* list = dialog.findChild<QListWidget*>(QStringLiteral("list1007"));
    QCOMPARE(list->count(), 2);
    QVERIFY(list->item(0)->isSelected());
    QVERIFY(Ok(dialog)->isEnabled());
    // A double click is no confirmation; it moves the selection.
    const QRect second = list->visualItemRect(list->item(1));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
    QVERIFY(dialog.isVisible());
    // The row that is current stays selected even when the selection is cleared.
    list->clearSelection();
    QVERIFY(list->item(1)->isSelected());
    QVERIFY(Ok(dialog)->isEnabled());
    Ok(dialog)->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.Selected(), 1);

    CSelectAddressDlg empty({});
    empty.show();
    QVERIFY(!Ok(empty)->isEnabled());
    empty.accept();  // Enter with nothing to choose
    QVERIFY(empty.isVisible());
  }

  // A desktop with a virtual bridge listed before its card: the card's network, which
  // carries the default route, is proposed and offered first, each under its name.
  void theDefaultRoutesNetworkIsProposedAndOfferedFirst() {
    auto source = [](std::vector<InterfaceInfo>& interfaces, std::vector<int>& usable) {
      interfaces = {Interface("127.0.0.1", "255.0.0.0", "127.255.255.255", kIfUp | kIfLoopback),
                    Interface("192.168.122.1", "255.255.255.0", "192.168.122.255"),
                    Interface("10.8.0.2", "255.255.255.0", "10.8.0.255"),
                    Interface("192.168.1.20", "255.255.255.0", "192.168.1.255")};
      const char* names[] = {"lo", "virbr0", "tun0", "wlan0"};
      const InterfaceKind kinds[] = {InterfaceKind::kLoopback, InterfaceKind::kBridge,
                                     InterfaceKind::kVpn, InterfaceKind::kPhysical};
      for (std::size_t i = 0; i < interfaces.size(); ++i) {
        interfaces[i].name = names[i];
        interfaces[i].kind = kinds[i];
      }
      interfaces[3].defaultRoute = true;
      usable = {1, 2, 3};
    };
    ConnectFixture fixture;
    CConnectSettingDlg dialog(fixture.setting);
    fixture.Wire(dialog);
    dialog.Interfaces = source;
    dialog.show();
    QCOMPARE(Edit(dialog, 1003)->text(), QStringLiteral("192.168.1.255"));
    QCOMPARE(Edit(dialog, 1004)->text(), QStringLiteral("255.255.255.0"));
    fixture.choice = 2;
    Button(dialog, 1006)->click();
    QCOMPARE(fixture.offered.size(), std::size_t(1));
    QStringList offered;
    for (const std::string& text : fixture.offered[0]) offered << ToQString(text);
    QCOMPARE(offered, (QStringList{QStringLiteral("wlan0 ― 192.168.1.255"),
                                   QStringLiteral("tun0 ― 10.8.0.255（VPN）"),
                                   QStringLiteral("virbr0 ― 192.168.122.255（仮想ブリッジ）")}));
    // The index picked names the row as offered, not the query's order.
    QCOMPARE(Edit(dialog, 1003)->text(), QStringLiteral("192.168.122.255"));

    // The same in the connection list's 新規 when nothing is stored yet.
    std::vector<ConnectSetting> list;
    CConnectListDlg listDialog(list);
    listDialog.Interfaces = source;
    listDialog.show();
    QString proposed;
    WhenModal<CConnectSettingDlg>([&](CConnectSettingDlg* setting) {
      proposed = Edit(*setting, 1003)->text();
      SaveGrab(*setting, "connect-setting-dialog-proposed.png");
      setting->reject();
    });
    Button(listDialog, 1015)->click();
    QCOMPARE(proposed, QStringLiteral("192.168.1.255"));
  }

  void addressBoxesLookReadOnlyAndSayWhatTheyHold() {
    ConnectSetting setting = Setting("192.168.1.255", "");
    CConnectSettingDlg dialog(setting);
    dialog.show();
    for (int id : {1003, 1004}) {
      QLineEdit* box = Edit(dialog, id);
      QVERIFY(box->isReadOnly());
      QVERIFY(!box->toolTip().isEmpty());
      // The dialog's colour, not an edit's white.
      QCOMPARE(box->palette().color(QPalette::Active, QPalette::Base),
               dialog.palette().color(QPalette::Active, QPalette::Window));
      QVERIFY(box->palette().color(QPalette::Active, QPalette::Base) !=
              Edit(dialog, 1000)->palette().color(QPalette::Active, QPalette::Base));
      box->setFocus();
      QTest::keyClicks(box, "9");
      Commit(box, QStringLiteral("漢"));
    }
    QCOMPARE(Edit(dialog, 1003)->text(), QStringLiteral("192.168.1.255"));
    QCOMPARE(Edit(dialog, 1004)->text(), QStringLiteral("255.255.255.0"));
  }

  void newPrefillsFromTheLastSetting() {
    std::vector<ConnectSetting> list{Setting("192.168.1.255", "a"),
                                     Setting("10.255.255.255", "b", "jiro")};
    list[1].NetMask = "255.0.0.0";
    list[1].AutoConnect = true;
    CConnectListDlg dialog(list);
    ConnectSetting given;
    dialog.EditSetting = [&](ConnectSetting& setting) {
      given = setting;
      return false;
    };
    Button(dialog, 1015)->click();
    QCOMPARE(given.ConnectTo, std::string("10.255.255.255"));
    QCOMPARE(given.NetMask, std::string("255.0.0.0"));
    QCOMPARE(given.Name, std::string("jiro"));
    QCOMPARE(given.RealName, std::string("Yamada"));
    QCOMPARE(given.RoomName, std::string());
    QVERIFY(!given.AutoConnect);
    QCOMPARE(list.size(), std::size_t(2));  // cancelled: discarded

    std::vector<ConnectSetting> empty;
    CConnectListDlg first(empty);
    first.EditSetting = [&](ConnectSetting& setting) {
      given = setting;
      return false;
    };
    Button(first, 1015)->click();
    QCOMPARE(given.ConnectTo, std::string());
    QCOMPARE(given.Name, std::string());
  }

  void onlyNewRefusesADuplicate() {
    std::vector<ConnectSetting> list{Setting("192.168.1.255", "a"), Setting("192.168.1.255", "b")};
    CConnectListDlg dialog(list);
    Messages messages;
    dialog.Message = messages.Sink();
    auto* rows = dialog.findChild<QTreeWidget*>(QStringLiteral("list1014"));

    // Same address and room, another name: still the same room.
    dialog.EditSetting = [](ConnectSetting& setting) {
      setting.RoomName = "a";
      setting.Name = "other";
      return true;
    };
    Button(dialog, 1015)->click();
    QCOMPARE(messages.shown,
             QStringList{QStringLiteral("同じ接続先で同じ部屋名の設定が既に存在します。")});
    QCOMPARE(list.size(), std::size_t(2));
    QCOMPARE(rows->topLevelItemCount(), 2);

    dialog.EditSetting = [](ConnectSetting& setting) {
      setting.RoomName = "c";
      return true;
    };
    Button(dialog, 1015)->click();
    QCOMPARE(list.size(), std::size_t(3));
    QCOMPARE(RowTexts(rows).last(), QStringLiteral("c@192.168.1.255"));

    // Changing "b" into a copy of "a" is allowed.
    rows->setCurrentItem(rows->topLevelItem(1));
    dialog.EditSetting = [](ConnectSetting& setting) {
      setting.RoomName = "a";
      return true;
    };
    Button(dialog, 1016)->click();
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(list[1].RoomName, std::string("a"));
    QCOMPARE(RowTexts(rows)[1], QStringLiteral("a@192.168.1.255"));
  }

  void upAndDownMoveTheSettingWithItsSelection() {
    std::vector<ConnectSetting> list{Setting("1.0.0.255", "A"), Setting("2.0.0.255", "B"),
                                     Setting("3.0.0.255", "C")};
    CConnectListDlg dialog(list);
    auto* rows = dialog.findChild<QTreeWidget*>(QStringLiteral("list1014"));
    QVERIFY(!Button(dialog, 1033)->isEnabled());

    rows->setCurrentItem(rows->topLevelItem(0));
    QVERIFY(Button(dialog, 1033)->isEnabled());
    Button(dialog, 1033)->click();  // the first row cannot go up
    QCOMPARE(list[0].RoomName, std::string("A"));
    QCOMPARE(dialog.SelectedRow(), 0);

    Button(dialog, 1034)->click();
    QCOMPARE(list[0].RoomName, std::string("B"));
    QCOMPARE(list[1].RoomName, std::string("A"));
    QCOMPARE(RowTexts(rows), (QStringList{"B@2.0.0.255", "A@1.0.0.255", "C@3.0.0.255"}));
    QCOMPARE(dialog.SelectedRow(), 1);

    rows->setCurrentItem(rows->topLevelItem(2));
    Button(dialog, 1034)->click();  // nor the last one down
    QCOMPARE(list[2].RoomName, std::string("C"));
    Button(dialog, 1033)->click();
    QCOMPARE(RowTexts(rows), (QStringList{"B@2.0.0.255", "C@3.0.0.255", "A@1.0.0.255"}));
    QCOMPARE(dialog.SelectedRow(), 1);
  }

  void closeBoxKeepsADeletion() {
    std::vector<ConnectSetting> list{Setting("1.0.0.255", "A"), Setting("2.0.0.255", "B")};
    CConnectListDlg dialog(list);
    dialog.show();
    SaveGrab(dialog, "connect-list-dialog.png");
    auto* rows = dialog.findChild<QTreeWidget*>(QStringLiteral("list1014"));
    rows->setCurrentItem(rows->topLevelItem(0));
    Button(dialog, 1017)->click();
    QCOMPARE(list.size(), std::size_t(1));
    QCOMPARE(list[0].RoomName, std::string("B"));
    QCOMPARE(RowTexts(rows), QStringList{"B@2.0.0.255"});
    // Nothing is selected after a deletion, so the buttons grey.
    QVERIFY(!Button(dialog, 1017)->isEnabled());
    QVERIFY(!Button(dialog, 1016)->isEnabled());
    dialog.close();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(list.size(), std::size_t(1));
  }

  void reconnectEndsWithItsOwnResult() {
    std::vector<ConnectSetting> list;
    CConnectListDlg dialog(list);
    QTimer::singleShot(0, &dialog, [&] { Button(dialog, 1020)->click(); });
    QCOMPARE(dialog.exec(), cmd::kReconnectResult);
  }

  void newThroughTheConnectionDialog() {
    std::vector<ConnectSetting> list{Setting("192.168.1.255", "")};
    CConnectListDlg dialog(list);
    FakeNetworks networks;
    networks.usableCount = 1;
    dialog.Interfaces = networks.Source();
    dialog.show();
    QString title;
    WhenModal<CConnectSettingDlg>([&](CConnectSettingDlg* setting) {
      title = setting->windowTitle();
      Commit(Edit(*setting, 1005), QStringLiteral("会議室"));
      Ok(*setting)->click();
    });
    Button(dialog, 1015)->click();
    QCOMPARE(title, QStringLiteral("接続設定"));
    QCOMPARE(list.size(), std::size_t(2));
    QCOMPARE(list[1].RoomName, "会議室"_sjis);
    QCOMPARE(list[1].Name, std::string("taro"));
    QVERIFY(list[1].AutoConnect);
  }

  void tabOrderFollowsTheFields() {
    ConnectSetting setting = Setting("192.168.1.255", "");
    CConnectSettingDlg dialog(setting);
    dialog.show();
    QStringList order;
    QWidget* start = Edit(dialog, 1000);
    QWidget* w = start;
    do {
      if (w->focusPolicy() & Qt::TabFocus)
        order << (w->objectName().isEmpty() ? qobject_cast<QPushButton*>(w)->text()
                                            : w->objectName());
      w = w->nextInFocusChain();
    } while (w != start);
    QCOMPARE(order, (QStringList{"edit1000", "edit1005", "edit1001", "edit1003", "edit1004",
                                 "button1006", "edit1002", "決定", "キャンセル"}));
  }

  void captionsAndControlTexts() {
    ConnectSetting setting = Setting("192.168.1.255", "");
    CConnectSettingDlg connect(setting);
    QCOMPARE(connect.windowTitle(), QStringLiteral("接続設定"));
    QCOMPARE(Button(connect, 1006)->text(), QStringLiteral("選択"));
    QCOMPARE(Ok(connect)->text(), QStringLiteral("決定"));
    QVERIFY(Ok(connect)->isDefault());
    std::vector<ConnectSetting> list;
    CConnectListDlg listDialog(list);
    QCOMPARE(listDialog.windowTitle(), QStringLiteral("接続先編集"));
    auto* rows = listDialog.findChild<QTreeWidget*>(QStringLiteral("list1014"));
    QCOMPARE(rows->headerItem()->text(0), QStringLiteral("部屋名"));
    QCOMPARE(rows->headerItem()->text(1), QStringLiteral("接続先"));
    QCOMPARE(Button(listDialog, 1020)->text(), QStringLiteral("再接続"));
    CNameDlg name;
    QCOMPARE(name.windowTitle(), QStringLiteral("名前入力"));
    CSelectAddressDlg select({});
    QCOMPARE(select.windowTitle(), QStringLiteral("接続先選択"));
  }
};

QTEST_MAIN(ConnectDialogsTest)
#include "ConnectDialogsTest.moc"
