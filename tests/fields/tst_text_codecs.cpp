#include <QtTest>

#include "fields/TextCodecs.h"
#include "support/TestMain.h"

// The readings behind every numeric box.
class TextCodecsTest : public QObject {
  Q_OBJECT
 private slots:
  void readings_data();
  void readings();
};

void TextCodecsTest::readings_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("read");  // decimal? hex? byte, stripped, value
  QTest::newRow("empty") << ""
                         << "0 0 00  0";
  QTest::newRow("007") << "007"
                       << "1 1 07 7 7";
  QTest::newRow("000") << "000"
                       << "1 1 00 0 0";
  QTest::newRow("00FF") << "00FF"
                        << "0 1 FF FF 0";
  QTest::newRow("af") << "af"
                      << "0 1 AF af 0";
  QTest::newRow("1G: other characters add nothing") << "1G"
                                                    << "0 0 10 1G 1";
  QTest::newRow("12G: low eight bits at every step") << "12G"
                                                     << "0 0 20 12G 12";
  QTest::newRow("1FF") << "1FF"
                       << "0 1 FF 1FF 1";
  QTest::newRow("twenty nines saturate") << "99999999999999999999"
                                         << "1 1 99 99999999999999999999 1844674407370955161";
  QTest::newRow("-5") << "-5"
                      << "0 0 05 -5 0";
}

void TextCodecsTest::readings() {
  QFETCH(QString, text);
  QFETCH(QString, read);
  QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5")
               .arg(IsDecimalText(text))
               .arg(IsHexText(text))
               .arg(ByteToHexText(HexTextToByte(text)), StripLeadingZeros(text))
               .arg(DecimalValue(text)),
           read);
  QCOMPARE(DecimalValue("1786", 1786), 1786u);
  QCOMPARE(DecimalValue("99999", 1786), 1786u);
}

J1939_TEST(TextCodecsTest);
#include "tst_text_codecs.moc"
