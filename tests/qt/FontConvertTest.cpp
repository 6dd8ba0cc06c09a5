// Logical-font records and QFont.

#include <QApplication>
#include <QFontMetricsF>
#include <QtTest>
#include <cstring>

#include "qt/FontConvert.h"
#include "qt/QtText.h"

using namespace vostrelle;

namespace {

LOGFONTA Record(std::int32_t height, const char* face) {
  LOGFONTA font;
  font.lfHeight = height;
  font.lfWeight = 400;
  font.lfCharSet = 128;
  std::strncpy(font.lfFaceName, face, sizeof font.lfFaceName - 1);
  return font;
}

}  // namespace

class FontConvertTest : public QObject {
  Q_OBJECT

 private slots:
  void negativeHeightIsCharacterHeight() {
    const QFont font = ToQFont(Record(-16, "IPAGothic"));
    QCOMPARE(font.pixelSize(), 16);
    QCOMPARE(font.family(), QStringLiteral("IPAGothic"));
  }

  void positiveHeightIsCellHeight() {
    const QFont font = ToQFont(Record(24, "IPAGothic"));
    QVERIFY2(font.pixelSize() < 24, qPrintable(QString::number(font.pixelSize())));
    QVERIFY(qAbs(QFontMetricsF(font).height() - 24) <= 1.5);
  }

  void styleFields() {
    LOGFONTA record = Record(-12, "IPAGothic");
    record.lfWeight = 700;
    record.lfItalic = 1;
    record.lfUnderline = 1;
    record.lfStrikeOut = 255;  // any non-zero byte is on
    QFont font = ToQFont(record);
    QCOMPARE(font.weight(), QFont::Bold);
    QVERIFY(font.italic() && font.underline() && font.strikeOut());
    record.lfWeight = 0;  // "don't care"
    QCOMPARE(ToQFont(record).weight(), QFont::Normal);
  }

  void roundTrip() {
    LOGFONTA record = Record(-13, "IPAGothic");
    record.lfWeight = 600;
    record.lfUnderline = 1;
    const LOGFONTA back = ToLogFont(ToQFont(record));
    QCOMPARE(back.lfHeight, -13);
    QCOMPARE(back.lfWeight, 600);
    QCOMPARE(back.lfItalic, std::uint8_t(0));
    QCOMPARE(back.lfUnderline, std::uint8_t(1));
    QCOMPARE(back.lfCharSet, std::uint8_t(128));
    QCOMPARE(QByteArray(back.lfFaceName), QByteArray("IPAGothic"));
  }

  void japaneseFaceName() {
    // ＭＳ ゴシック in CP932: the face goes through the CP932 edge both ways.
    const char face[] = "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e";
    QCOMPARE(ToQFont(Record(-12, face)).family(), QStringLiteral("ＭＳ ゴシック"));
    QFont font;
    font.setFamily(QStringLiteral("ＭＳ ゴシック"));
    QCOMPARE(QByteArray(ToLogFont(font).lfFaceName), QByteArray(face));
  }

  void windowsJapaneseFacesShowInTheFontsHere() {
    InstallWindowsFontSubstitutes();
    const struct {
      const char* face;  // CP932, as a record from Windows holds it
      const char* family;
    } cases[] = {
        {"\x82\x6c\x82\x72 \x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e",
         "IPAPGothic"},  // ＭＳ Ｐゴシック
        {"\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e", "IPAGothic"},  // ＭＳ ゴシック
        {"\x82\x6c\x82\x72 \x96\xbe\x92\xa9", "IPAMincho"},                  // ＭＳ 明朝
        {"\x83\x81\x83\x43\x83\x8a\x83\x49", "IPAPGothic"},                  // メイリオ
    };
    for (const auto& c : cases) {
      LOGFONTA record = Record(-16, c.face);
      record.lfWeight = 700;
      record.lfItalic = 1;
      const QFont font = ToQFont(record);
      const QFontInfo used(font);
      QCOMPARE(used.family(), QString::fromLatin1(c.family));
      QCOMPARE(used.pixelSize(), 16);
      QVERIFY(used.bold());
      QVERIFY(used.italic());
      // The record keeps the Windows face: it goes back unchanged.
      QCOMPARE(QByteArray(ToLogFont(font).lfFaceName), QByteArray(c.face));
    }
  }

  void faceFillingAllThirtyTwoBytes() {
    LOGFONTA record = Record(-12, "");
    std::memset(record.lfFaceName, 'A', sizeof record.lfFaceName);  // no terminator
    QCOMPARE(ToQFont(record).family(), QString(32, QLatin1Char('A')));
  }

  void longFaceIsCutAtACharacterBoundary() {
    QFont font;
    font.setFamily(QString(40, QLatin1Char('x')));
    LOGFONTA record = ToLogFont(font);
    QCOMPARE(std::strlen(record.lfFaceName), std::size_t(31));
    // Twenty double-byte characters: 31 bytes would split the sixteenth.
    font.setFamily(QString(20, QChar(0x3042)));  // あ
    record = ToLogFont(font);
    QCOMPARE(std::strlen(record.lfFaceName), std::size_t(30));
    QCOMPARE(ToQString(record.lfFaceName), QString(15, QChar(0x3042)));
  }

  void pointSizeUsesTheScreenDpi() {
    QFont font(QStringLiteral("IPAGothic"));
    font.setPointSize(9);
    const int expected = -qRound(9 * LogicalDpiY() / 72.0);
    QCOMPARE(ToLogFont(font).lfHeight, expected);
  }

  void stockFontDescribesTheDesktopFont() {
    QFont desktop(QStringLiteral("IPAGothic"));
    desktop.setPixelSize(15);
    desktop.setBold(true);
    QApplication::setFont(desktop);
    const LOGFONTA stock = DesktopStockFont();
    QCOMPARE(stock.lfHeight, -15);
    QCOMPARE(stock.lfWeight, 400);
    QCOMPARE(stock.lfCharSet, std::uint8_t(128));
    QCOMPARE(QByteArray(stock.lfFaceName), QByteArray("IPAGothic"));
  }
};

QTEST_MAIN(FontConvertTest)
#include "FontConvertTest.moc"
