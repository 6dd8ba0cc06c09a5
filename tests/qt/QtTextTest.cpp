// CP932 <-> QString at the widget edge, and the settings-folder record.

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "qt/QtText.h"
#include "qt/SettingFolderStore.h"

using namespace vostrelle;

class QtTextTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(config_.isValid());
    // Before the first QSettings, which caches where the per-user files live.
    qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
  }

  void roundTrips_data() {
    QTest::addColumn<QByteArray>("cp932");
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii and backslash") << QByteArray("a\\b") << QStringLiteral("a\\b");
    // ソ and 表 end in the trail byte 0x5C, which must not turn into a backslash.
    QTest::newRow("trail byte 0x5C") << QByteArray("\x83\x5c\x95\x5c") << QStringLiteral("ソ表");
    QTest::newRow("kanji and kana")
        << QByteArray("\x93\xfa\x96\x7b\x82\xa0") << QStringLiteral("日本あ");
    QTest::newRow("half-width kana") << QByteArray("\xb1\xdd") << QStringLiteral("ｱﾝ");
    QTest::newRow("wave dash 0x8160") << QByteArray("\x81\x60") << QStringLiteral("\uFF5E");
    QTest::newRow("NEC extension") << QByteArray("\x87\x40") << QStringLiteral("①");
    QTest::newRow("byte Windows maps to private use")
        << QByteArray("\xa0") << QStringLiteral("\uF8F0");
  }
  void roundTrips() {
    QFETCH(QByteArray, cp932);
    QFETCH(QString, text);
    QCOMPARE(ToQString(cp932.toStdString()), text);
    bool lossless = false;
    QCOMPARE(QByteArray::fromStdString(ToCp932(text, &lossless)), cp932);
    QVERIFY(lossless);
  }

  void unmappableBecomesQuestionMark_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("cp932");
    QTest::newRow("emoji") << QStringLiteral("a\U0001F600b") << QByteArray("a?b");
    QTest::newRow("hangul beside kana") << QStringLiteral("한あ") << QByteArray("?\x82\xa0");
    QTest::newRow("lone surrogate") << (QStringLiteral("x") + QChar(0xD800)) << QByteArray("x?");
  }
  void unmappableBecomesQuestionMark() {
    QFETCH(QString, text);
    QFETCH(QByteArray, cp932);
    bool lossless = true;
    QCOMPARE(QByteArray::fromStdString(ToCp932(text, &lossless)), cp932);
    QVERIFY(!lossless);
  }

  void inputMethodVariantsMapToCp932() {
    // Linux input methods send U+301C for the wave dash; it is the same CP932 character.
    QCOMPARE(QByteArray::fromStdString(ToCp932(QStringLiteral("\u301C"))), QByteArray("\x81\x60"));
  }

  void invalidBytesShowAsReplacementCharacters() {
    // A lone lead byte at the end, and a lead byte before a byte that cannot trail.
    QCOMPARE(ToQString("ab\x81"), QStringLiteral("ab\uFFFD"));
    const QString shown = ToQString(
        "\x81\x0a"
        "c");
    QVERIFY(shown.startsWith(QChar(0xFFFD)));
    QVERIFY(shown.endsWith(QStringLiteral("\nc")));
  }

  void settingFolderRoundTrip() {
    QCOMPARE(ReadSettingFolder(), std::string());
    const std::string folder = "/home/u/\x83\x5c\x83\x74\x83\x67/Pendrake/Vostrelle";  // ソフト
    WriteSettingFolder(folder);
    QCOMPARE(ReadSettingFolder(), folder);
    // Where and how the value is kept, so other tools (and an older file) agree.
    QSettings file(config_.filePath(QStringLiteral("Pendrake/Vostrelle.conf")),
                   QSettings::IniFormat);
    QCOMPARE(file.value(QStringLiteral("Directory/Setting")).toString(),
             QStringLiteral("/home/u/ソフト/Pendrake/Vostrelle"));
    DeleteSettingFolder();
    QCOMPARE(ReadSettingFolder(), std::string());
  }

 private:
  QTemporaryDir config_;
};

QTEST_GUILESS_MAIN(QtTextTest)
#include "QtTextTest.moc"
