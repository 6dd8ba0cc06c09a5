// The log search window: results newest first with the match marked, the room and date
// filters, the day's log around an opened hit, and cancelling by typing or closing.

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTreeWidget>
#include <QtTest>

#include "dialogs/CLogSearchDlg.h"
#include "platform/Cp932.h"
#include "qt/QtText.h"

using namespace vostrelle;

namespace {

void WriteDay(const QString& root, const QString& room, const QString& file,
              const std::string& cp932) {
  QDir(root).mkpath(room);
  QFile f(root + '/' + room + '/' + file);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(cp932.data(), static_cast<qint64>(cp932.size()));
}

}  // namespace

class LogSearchDlgTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

  void Search(CLogSearchDlg& dlg, const QString& words) {
    dlg.WordsEdit()->setText(words);
    dlg.StartSearch();
    QVERIFY(QTest::qWaitFor([&] { return !dlg.IsSearching(); }, 10000));
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    std::string day;
    for (int i = 0; i < 30; ++i) day += "09:00 [太郎] 関係のない行\r\n"_sjis;
    day += "09:30 [花子] 住所は表参道のＡＢＣビルです\r\n"_sjis;
    for (int i = 0; i < 30; ++i) day += "10:00 [太郎] 続きの行\r\n"_sjis;
    WriteDay(dir_.path(), QStringLiteral("開発"), QStringLiteral("20240510.txt"), day);
    WriteDay(dir_.path(), QStringLiteral("(Default)"), QStringLiteral("20210104.txt"),
             "12:00 (自分) abcビルへ行く\r\n"_sjis);
  }

  void findsNewestFirstWithMarks() {
    CLogSearchDlg dlg(dir_.path().toStdString());
    Search(dlg, QStringLiteral("abc　ビル"));  // a full-width blank splits words too
    QTreeWidget* r = dlg.Results();
    QCOMPARE(r->topLevelItemCount(), 2);
    QCOMPARE(r->topLevelItem(0)->text(0), QStringLiteral("2024/05/10"));
    QCOMPARE(r->topLevelItem(0)->text(1), QStringLiteral("09:30"));
    QCOMPARE(r->topLevelItem(0)->text(2), QStringLiteral("開発"));
    QCOMPARE(r->topLevelItem(0)->text(3), QStringLiteral("[花子] 住所は表参道のＡＢＣビルです"));
    const QString html = r->topLevelItem(0)->data(3, Qt::UserRole + 3).toString();
    QVERIFY2(html.contains(QStringLiteral(">ＡＢＣ</span>")), qPrintable(html));
    QCOMPARE(r->topLevelItem(1)->text(2), QStringLiteral("(Default)"));
    QVERIFY(dlg.StatusLabel()->text().contains(QStringLiteral("2 件見つかりました")));

    Search(dlg, QStringLiteral("存在しない言葉"));
    QCOMPARE(r->topLevelItemCount(), 0);
    QVERIFY(dlg.StatusLabel()->text().startsWith(QStringLiteral("見つかりませんでした")));
  }

  void roomAndDatesNarrowTheSearch() {
    CLogSearchDlg dlg(dir_.path().toStdString());
    QSignalSpy rooms(&dlg, &CLogSearchDlg::RoomsListed);
    QVERIFY(rooms.wait(10000));
    const int dev = dlg.RoomCombo()->findText(QStringLiteral("開発"));
    QVERIFY(dev > 0);
    dlg.RoomCombo()->setCurrentIndex(dev);
    Search(dlg, QStringLiteral("ABC"));
    QCOMPARE(dlg.Results()->topLevelItemCount(), 1);
    QCOMPARE(dlg.Results()->topLevelItem(0)->text(2), QStringLiteral("開発"));

    dlg.RoomCombo()->setCurrentIndex(0);
    dlg.FromEdit()->setDate(QDate(2020, 1, 1));
    dlg.ToEdit()->setDate(QDate(2022, 12, 31));
    dlg.DateCheck()->setChecked(true);
    Search(dlg, QStringLiteral("ABC"));
    QCOMPARE(dlg.Results()->topLevelItemCount(), 1);
    QCOMPARE(dlg.Results()->topLevelItem(0)->text(0), QStringLiteral("2021/01/04"));
  }

  void openingAHitShowsTheDayAroundIt() {
    CLogSearchDlg dlg(dir_.path().toStdString());
    Search(dlg, QStringLiteral("表参道"));
    QCOMPARE(dlg.Results()->topLevelItemCount(), 1);
    QSignalSpy shown(&dlg, &CLogSearchDlg::DayShown);
    emit dlg.Results()->itemActivated(dlg.Results()->topLevelItem(0), 0);
    QVERIFY(shown.wait(10000));
    QPlainTextEdit* day = dlg.DayView();
    QCOMPARE(day->document()->blockCount(), 61);
    QCOMPARE(day->textCursor().block().text(),
             QStringLiteral("09:30 [花子] 住所は表参道のＡＢＣビルです"));
    QCOMPARE(day->extraSelections().size(), 1);
  }

  void typingAgainCancelsAndOldHitsNeverShow() {
    // Enough hits that the first search is still running when the user types.
    QTemporaryDir big;
    std::string day;
    for (int i = 0; i < 2000; ++i) day += "08:00 [a] 古い言葉 old\r\n"_sjis;
    for (int d = 1; d <= 28; ++d)
      WriteDay(big.path(), QStringLiteral("r"),
               QStringLiteral("202302%1.txt").arg(d, 2, 10, QChar('0')),
               day + "08:01 [b] new\r\n"_sjis);
    CLogSearchDlg dlg(big.path().toStdString());
    dlg.WordsEdit()->setText(QStringLiteral("old"));
    dlg.StartSearch();
    QVERIFY(dlg.IsSearching());
    QTest::keyClick(dlg.WordsEdit(), Qt::Key_Backspace);  // textEdited: cancelled at once
    QVERIFY(!dlg.IsSearching());
    QVERIFY(dlg.StatusLabel()->text().startsWith(QStringLiteral("中止しました")));
    Search(dlg, QStringLiteral("new"));
    QCOMPARE(dlg.Results()->topLevelItemCount(), 28);
    for (int i = 0; i < 28; ++i)
      QCOMPARE(dlg.Results()->topLevelItem(i)->text(3), QStringLiteral("[b] new"));

    // Closing in the middle of a search ends it; the window goes away cleanly.
    dlg.WordsEdit()->setText(QStringLiteral("old"));
    dlg.StartSearch();
    dlg.reject();
    QVERIFY(!dlg.IsSearching());
  }
};

QTEST_MAIN(LogSearchDlgTest)
#include "LogSearchDlgTest.moc"
