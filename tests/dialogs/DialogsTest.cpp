// The settings-folder dialog, the folder browser and the version box.

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "DialogTestSupport.h"
#include "dialogs/CAboutDlg.h"
#include "dialogs/CSettingsFolderDlg.h"
#include "dialogs/FolderBrowser.h"
#include "platform/Version.h"
#include "qt/QtText.h"

using namespace vostrelle;

namespace {

const char kSubPath[] = "Pendrake/Vostrelle";

// Runs action on the folder dialog once it is the active modal window.
void OnFolderDialog(std::function<void(QFileDialog*)> action) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, action] {
    if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
      poll->stop();
      poll->deleteLater();
      action(dialog);
    }
  });
  poll->start(20);
}

QLineEdit* FolderEdit(QDialog& dialog) {
  return dialog.findChild<QLineEdit*>(QStringLiteral("edit1031"));
}

QPushButton* BrowseButton(QDialog& dialog) {
  return dialog.findChild<QPushButton*>(QStringLiteral("button1032"));
}

void SaveGrab(QWidget& widget, const char* name) {
  const QString dir = qEnvironmentVariable("VOSTRELLE_SCREENSHOTS");
  if (!dir.isEmpty()) widget.grab().save(dir + QLatin1Char('/') + QLatin1String(name));
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void proposalJoinsBaseAndSubPath_data() {
    QTest::addColumn<QByteArray>("base");
    QTest::addColumn<QString>("shown");
    QTest::newRow("documents folder") << QByteArray("/home/u/Documents")
                                      << QStringLiteral("/home/u/Documents/Pendrake/Vostrelle");
    QTest::newRow("no base folder") << QByteArray() << QStringLiteral("Pendrake/Vostrelle");
    QTest::newRow("base ends in a separator")
        << QByteArray("/home/u/") << QStringLiteral("/home/u/Pendrake/Vostrelle");
    // ソ ends in the trail byte 0x5C, which is not a separator.
    QTest::newRow("trail byte 0x5C")
        << QByteArray("/home/\x83\x5c") << QStringLiteral("/home/ソ/Pendrake/Vostrelle");
  }
  void proposalJoinsBaseAndSubPath() {
    QFETCH(QByteArray, base);
    QFETCH(QString, shown);
    CSettingsFolderDlg dialog;
    dialog.SubPath = kSubPath;
    dialog.BaseFolder = base.toStdString();
    dialog.show();
    QCOMPARE(FolderEdit(dialog)->text(), shown);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("設定保存フォルダの指定"));
  }

  void okReturnsExactlyTheEditedText() {
    CSettingsFolderDlg dialog;
    dialog.SubPath = kSubPath;
    dialog.BaseFolder = "/home/u";
    dialog.show();
    SaveGrab(dialog, "settings-folder-dialog.png");
    FolderEdit(dialog)->setText(QStringLiteral("/srv/設定\U0001F600"));
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    // 設定 in CP932; the emoji has no CP932 form.
    QCOMPARE(QByteArray::fromStdString(dialog.Folder), QByteArray("/srv/\x90\xdd\x92\xe8?"));
  }

  // As it is typed, like the other edits, not only on OK.
  void folderEditTurnsWhatCp932CannotHoldIntoQuestionMarks() {
    CSettingsFolderDlg dialog;
    dialog.SubPath = kSubPath;
    dialog.show();
    FolderEdit(dialog)->clear();
    test::Commit(FolderEdit(dialog), QStringLiteral("/srv/設定\U0001F600x"));
    QCOMPARE(FolderEdit(dialog)->text(), QStringLiteral("/srv/設定?x"));
  }

  void emptyTextIsAccepted() {
    CSettingsFolderDlg dialog;
    dialog.SubPath = kSubPath;
    dialog.show();
    FolderEdit(dialog)->clear();
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.Folder, std::string());
  }

  void cancelRejects() {
    CSettingsFolderDlg dialog;
    dialog.SubPath = kSubPath;
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
  }

  void controls() {
    CSettingsFolderDlg dialog;
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    QCOMPARE(buttons->button(QDialogButtonBox::Ok)->text(), QStringLiteral("OK"));
    QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
    QCOMPARE(BrowseButton(dialog)->text(), QStringLiteral("参照"));
    auto* label = dialog.findChild<QLabel*>();
    QCOMPARE(label->text(), QStringLiteral("フォルダ(&F):"));
    QCOMPARE(label->buddy(), FolderEdit(dialog));
  }

  void browsingProposesTheChosenFolderWithTheSubPath() {
    QTemporaryDir start, chosen;
    CSettingsFolderDlg dialog;
    dialog.SubPath = kSubPath;
    dialog.BaseFolder = start.path().toStdString();
    dialog.show();
    QString title, opened;
    OnFolderDialog([&](QFileDialog* browser) {
      title = browser->windowTitle();
      opened = browser->directory().absolutePath();
      browser->setDirectory(chosen.path());
      static_cast<QDialog*>(browser)->accept();
    });
    BrowseButton(dialog)->click();
    QCOMPARE(title, QStringLiteral("設定ファイルの保存先"));
    QCOMPARE(opened, start.path());
    QCOMPARE(FolderEdit(dialog)->text(), chosen.path() + QStringLiteral("/Pendrake/Vostrelle"));
    QCOMPARE(dialog.BaseFolder, chosen.path().toStdString());
  }

  void cancelledBrowsingBringsBackTheLastProposal() {
    CSettingsFolderDlg dialog;
    dialog.SubPath = kSubPath;
    dialog.BaseFolder = "/home/u";
    dialog.show();
    FolderEdit(dialog)->setText(QStringLiteral("typed"));
    OnFolderDialog([](QFileDialog* browser) { browser->reject(); });
    BrowseButton(dialog)->click();
    QCOMPARE(FolderEdit(dialog)->text(), QStringLiteral("/home/u/Pendrake/Vostrelle"));
    QCOMPARE(dialog.BaseFolder, std::string("/home/u"));
  }

  void cancelledBrowserLeavesThePathEmpty() {
    FolderBrowser browser(nullptr);
    browser.SetInitialPath("/");
    OnFolderDialog([](QFileDialog* dialog) { dialog->reject(); });
    QCOMPARE(browser.Run(), int(FolderBrowser::kCancelled));
    QCOMPARE(browser.GetPath(), std::string());
  }

  void aboutBox() {
    CAboutDlg dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Vostrelleのバージョン情報"));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("static1021"))->text(),
             QStringLiteral("Vostrelle ver 1.02"));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("static1022"))->text(),
             ToQString(kLegalCopyright));
    dialog.show();
    SaveGrab(dialog, "about-dialog.png");
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
  }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
