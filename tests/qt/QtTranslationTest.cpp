// Qt's own texts in Japanese whatever the system locale: standard buttons, the edit
// context menu and the common dialogs. With VOSTRELLE_SCREENSHOTS set, every kind of
// box and dialog is grabbed once for a look.

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "qt/QtTranslation.h"

using namespace vostrelle;

namespace {

void SaveGrab(QWidget& widget, const QString& name) {
  const QString dir = qEnvironmentVariable("VOSTRELLE_SCREENSHOTS");
  if (dir.isEmpty()) return;
  widget.show();
  widget.grab().save(dir + QLatin1Char('/') + name);
}

QStringList ButtonTexts(QWidget& owner) {
  QStringList texts;
  for (const QPushButton* button : owner.findChildren<QPushButton*>())
    if (!button->text().isEmpty()) texts << button->text();
  return texts;
}

QStringList LabelTexts(QWidget& owner) {
  QStringList texts;
  for (const QLabel* label : owner.findChildren<QLabel*>()) texts << label->text();
  return texts;
}

}  // namespace

class QtTranslationTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // An English system: the translation is loaded all the same.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QVERIFY(InstallQtJapanese(*QCoreApplication::instance()));
  }

  void messageBoxButtons_data() {
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("shot");
    const int ok = QMessageBox::Ok, cancel = QMessageBox::Cancel, yes = QMessageBox::Yes,
              no = QMessageBox::No;
    QTest::newRow("ok") << ok << int(QMessageBox::Warning) << QStringList{"OK"}
                        << "box-warning-ok.png";
    QTest::newRow("ok cancel") << (ok | cancel) << int(QMessageBox::Information)
                               << QStringList{"OK", "キャンセル"} << "box-information-okcancel.png";
    QTest::newRow("yes no") << (yes | no) << int(QMessageBox::Question)
                            << QStringList{"はい(&Y)", "いいえ(&N)"} << "box-question-yesno.png";
    QTest::newRow("yes no cancel")
        << (yes | no | cancel) << int(QMessageBox::Critical)
        << QStringList{"はい(&Y)", "いいえ(&N)", "キャンセル"} << "box-critical-yesnocancel.png";
  }
  void messageBoxButtons() {
    QFETCH(int, buttons);
    QFETCH(int, icon);
    QFETCH(QStringList, texts);
    QFETCH(QString, shot);
    QMessageBox box(QMessageBox::Icon(icon), QStringLiteral("Vostrelle"),
                    QStringLiteral("終了します。よろしいですか？"),
                    QMessageBox::StandardButtons(buttons));
    QStringList shown = ButtonTexts(box);
    shown.sort();
    texts.sort();
    QCOMPARE(shown, texts);
    SaveGrab(box, shot);
  }

  void editContextMenu() {
    QLineEdit edit(QStringLiteral("部屋"));
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (const QAction* action : menu->actions())
      if (!action->isSeparator()) texts << action->text().section(QLatin1Char('\t'), 0, 0);
    QVERIFY2(texts.contains(QStringLiteral("貼り付け(&P)")), qPrintable(texts.join(u'|')));
    QVERIFY2(texts.contains(QStringLiteral("すべてを選択")), qPrintable(texts.join(u'|')));
    SaveGrab(*menu, QStringLiteral("edit-context-menu.png"));
  }

  void fileAndFolderDialogs() {
    QFileDialog files(nullptr, QStringLiteral("送信するファイル"));
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.setFileMode(QFileDialog::ExistingFiles);
    QVERIFY2(LabelTexts(files).contains(QStringLiteral("ファイルの種類:")),
             qPrintable(LabelTexts(files).join(u'|')));
    QVERIFY(ButtonTexts(files).contains(QStringLiteral("開く(&O)")));
    SaveGrab(files, QStringLiteral("file-dialog.png"));

    QFileDialog folders(nullptr, QStringLiteral("受信ファイルの保存先"));
    folders.setOption(QFileDialog::DontUseNativeDialog);
    folders.setFileMode(QFileDialog::Directory);
    folders.setOption(QFileDialog::ShowDirsOnly);
    QVERIFY2(LabelTexts(folders).contains(QStringLiteral("ディレクトリ:")),
             qPrintable(LabelTexts(folders).join(u'|')));
    SaveGrab(folders, QStringLiteral("folder-dialog.png"));
  }

  void fontDialog() {
    QFontDialog dialog;
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    QVERIFY2(LabelTexts(dialog).contains(QStringLiteral("フォント(&F)")),
             qPrintable(LabelTexts(dialog).join(u'|')));
    QVERIFY(ButtonTexts(dialog).contains(QStringLiteral("キャンセル")));
    SaveGrab(dialog, QStringLiteral("font-dialog.png"));
  }
};

QTEST_MAIN(QtTranslationTest)
#include "QtTranslationTest.moc"
