// What a screen reader hears in the dialogs: every edit, button and list has a name
// and a description in Japanese, read through Qt's accessibility interfaces.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QLineEdit>
#include <QTabBar>
#include <QtTest>
#include <functional>
#include <memory>

#include "DialogTestSupport.h"
#include "dialogs/CAboutDlg.h"
#include "dialogs/CConnectListDlg.h"
#include "dialogs/CConnectSettingDlg.h"
#include "dialogs/CNameDlg.h"
#include "dialogs/COptionsSheet.h"
#include "dialogs/CSelectAddressDlg.h"
#include "dialogs/CSettingsFolderDlg.h"
#include "qt/QtNotifyTarget.h"
#include "store/AppSettings.h"
#include "transfer/ReceiveFileList.h"
#include "transfer/SendFileList.h"
#include "dialogs/CReceiveFileDlg.h"
#include "dialogs/CSendFileDlg.h"

using namespace vostrelle;

namespace {

QString Heard(QWidget* widget, QAccessible::Text what) {
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
  return face ? face->text(what) : QString();
}

// Every control a user can reach, with what is missing from it.
QStringList Unnamed(QWidget& window) {
  QStringList missing;
  for (QWidget* control : window.findChildren<QWidget*>()) {
    const bool list = qobject_cast<QAbstractItemView*>(control) &&
                      !qobject_cast<QAbstractItemView*>(control->parentWidget());
    if (!qobject_cast<QLineEdit*>(control) && !qobject_cast<QAbstractButton*>(control) && !list)
      continue;
    if (qobject_cast<QTabBar*>(control->parentWidget())) continue;  // Qt's own scroll arrows
    if (Heard(control, QAccessible::Name).isEmpty() ||
        Heard(control, QAccessible::Description).isEmpty())
      missing << control->metaObject()->className() + QStringLiteral("/") + control->objectName();
  }
  return missing;
}

}  // namespace

class AccessibleTextsTest : public QObject {
  Q_OBJECT

 private slots:
  void everyControlOfEveryDialogIsNamedAndDescribed() {
    ConnectSetting setting;
    setting.ConnectTo = "10.0.0.255";
    std::vector<ConnectSetting> list{setting};
    AppSettings settings;
    ReceiveFileList receive(std::make_shared<QtNotifyTarget>(qApp));
    SendFileList send(std::make_shared<QtNotifyTarget>(qApp), nullptr);
    std::vector<std::unique_ptr<QWidget>> windows;
    windows.emplace_back(new CConnectSettingDlg(setting));
    windows.emplace_back(new CConnectListDlg(list));
    windows.emplace_back(new CSelectAddressDlg({"10.0.0.255"}));
    windows.emplace_back(new CNameDlg);
    windows.emplace_back(new CSettingsFolderDlg);
    windows.emplace_back(new COptionsSheet);
    windows.emplace_back(new CAboutDlg);
    windows.emplace_back(new CReceiveFileDlg(receive, settings, nullptr));
    windows.emplace_back(new CSendFileDlg(send, nullptr));
    for (auto& window : windows)
      QVERIFY2(Unnamed(*window).isEmpty(),
               qPrintable(window->metaObject()->className() + QStringLiteral(": ") +
                          Unnamed(*window).join(u' ')));
    for (int i = 7; i < 9; ++i) static_cast<CTransferDlg*>(windows[i].get())->Detach();
  }

  void namesAreTheLabelsWithoutMnemonics() {
    ConnectSetting setting;
    setting.ConnectTo = "10.0.0.255";
    CConnectSettingDlg dialog(setting);
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("edit1000"));
    QCOMPARE(Heard(name, QAccessible::Name), QStringLiteral("名前"));
    QCOMPARE(Heard(name, QAccessible::Description),
             QStringLiteral("部屋で名乗る名前、16 バイトまで"));

    COptionsSheet sheet;
    auto* check = sheet.findChild<QAbstractButton*>(QStringLiteral("check1057"));
    QCOMPARE(Heard(check, QAccessible::Name), QStringLiteral("終了時に確認ダイアログを出す"));
    auto* change = sheet.findChild<QAbstractButton*>(QStringLiteral("button1046"));
    QCOMPARE(Heard(change, QAccessible::Name),
             QStringLiteral("メンバーウィンドウのフォントの変更"));
  }
};

QTEST_MAIN(AccessibleTextsTest)
#include "AccessibleTextsTest.moc"
