#include <QtTest>

#include "fields/TextCodecs.h"
#include "support/TestMain.h"

class TextCodecsTest : public QObject {
  Q_OBJECT
 private slots:
  void textKinds_data();
  void textKinds();
  void hexTextToByte_data();
  void hexTextToByte();
  void byteToHexTextReadsBackForEveryByte();
  void stripLeadingZeros_data();
  void stripLeadingZeros();
  void decimalValue_data();
  void decimalValue();
};

void TextCodecsTest::textKinds_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("decimal");
  QTest::addColumn<bool>("hex");
  QTest::newRow("empty") << QString() << false << false;
  QTest::newRow("minus one") << QStringLiteral("-1") << false << false;
  QTest::newRow("leading blank") << QStringLiteral(" 5") << false << false;
  QTest::newRow("trailing blank") << QStringLiteral("5 ") << false << false;
  QTest::newRow("inner blank") << QStringLiteral("1 F") << false << false;
  QTest::newRow("decimal point") << QStringLiteral("1.0") << false << false;
  QTest::newRow("plus sign") << QStringLiteral("+3") << false << false;
  QTest::newRow("grouping") << QStringLiteral("1,000") << false << false;
  QTest::newRow("arabic-indic digit") << QStringLiteral("\u0663") << false << false;
  QTest::newRow("fullwidth digit") << QStringLiteral("\uFF13") << false << false;
  QTest::newRow("fullwidth A") << QStringLiteral("\uFF21") << false << false;
  QTest::newRow("0x prefix") << QStringLiteral("0x1F") << false << false;
  QTest::newRow("G") << QStringLiteral("G") << false << false;
  QTest::newRow("g") << QStringLiteral("g") << false << false;
  QTest::newRow("at sign, below A") << QStringLiteral("@") << false << false;
  QTest::newRow("backquote, below a") << QStringLiteral("`") << false << false;
  QTest::newRow("colon, above 9") << QStringLiteral("9:") << false << false;
  QTest::newRow("hex digit") << QStringLiteral("2a") << false << true;
  QTest::newRow("lower case") << QStringLiteral("7f") << false << true;
  QTest::newRow("every hex digit") << QStringLiteral("0123456789abcdefABCDEF") << false << true;
  QTest::newRow("leading zeros") << QStringLiteral("007") << true << true;
  QTest::newRow("zero") << QStringLiteral("0") << true << true;
  QTest::newRow("all digits") << QStringLiteral("0123456789") << true << true;
  QTest::newRow("very long") << QString(40, QLatin1Char('9')) << true << true;
}

void TextCodecsTest::textKinds() {
  QFETCH(QString, text);
  QFETCH(bool, decimal);
  QFETCH(bool, hex);
  QCOMPARE(IsDecimalText(text), decimal);
  QCOMPARE(IsHexText(text), hex);
}

void TextCodecsTest::hexTextToByte_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("value");
  QTest::newRow("empty") << QString() << 0;
  QTest::newRow("7f") << QStringLiteral("7f") << 127;
  QTest::newRow("0A") << QStringLiteral("0A") << 10;
  QTest::newRow("00FF") << QStringLiteral("00FF") << 255;
  QTest::newRow("0") << QStringLiteral("0") << 0;
  QTest::newRow("f") << QStringLiteral("f") << 15;
  QTest::newRow("aB") << QStringLiteral("aB") << 0xAB;
  QTest::newRow("80") << QStringLiteral("80") << 128;
  QTest::newRow("1G: the position still counts") << QStringLiteral("1G") << 0x10;
  QTest::newRow("G1") << QStringLiteral("G1") << 0x01;
  QTest::newRow("Z") << QStringLiteral("Z") << 0;
  QTest::newRow("1Z") << QStringLiteral("1Z") << 16;
  QTest::newRow("0x1F") << QStringLiteral("0x1F") << 0x1F;
  // A running value beyond a byte keeps its low eight bits and never fails.
  QTest::newRow("12G in a NAME byte box") << QStringLiteral("12G") << 0x20;
  QTest::newRow("1Z2 in a PS box") << QStringLiteral("1Z2") << 0x02;
  QTest::newRow("100") << QStringLiteral("100") << 0x00;
  QTest::newRow("123") << QStringLiteral("123") << 0x23;
  QTest::newRow("FFF") << QStringLiteral("FFF") << 0xFF;
  QTest::newRow("long") << QStringLiteral("FFFFFFFFFFFFFFFFFFFF1A") << 0x1A;
}

void TextCodecsTest::hexTextToByte() {
  QFETCH(QString, text);
  QFETCH(int, value);
  QCOMPARE(int{HexTextToByte(text)}, value);
}

void TextCodecsTest::byteToHexTextReadsBackForEveryByte() {
  for (int value = 0; value <= 255; ++value) {
    const QString text = ByteToHexText(static_cast<uint8_t>(value));
    QCOMPARE(text.size(), 2);
    QVERIFY2(IsHexText(text), qPrintable(text));
    QCOMPARE(text, text.toUpper());
    QCOMPARE(int{HexTextToByte(text)}, value);
  }
}

void TextCodecsTest::stripLeadingZeros_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("stripped");
  QTest::newRow("empty") << QString() << QString();
  QTest::newRow("0") << QStringLiteral("0") << QStringLiteral("0");
  QTest::newRow("000") << QStringLiteral("000") << QStringLiteral("0");
  QTest::newRow("007") << QStringLiteral("007") << QStringLiteral("7");
  QTest::newRow("0A") << QStringLiteral("0A") << QStringLiteral("A");
  QTest::newRow("0FF") << QStringLiteral("0FF") << QStringLiteral("FF");
  QTest::newRow("00FF") << QStringLiteral("00FF") << QStringLiteral("FF");
  QTest::newRow("100") << QStringLiteral("100") << QStringLiteral("100");
  QTest::newRow("7") << QStringLiteral("7") << QStringLiteral("7");
  QTest::newRow("00100") << QStringLiteral("00100") << QStringLiteral("100");
  QTest::newRow("0G: only zeros are dropped") << QStringLiteral("0G") << QStringLiteral("G");
  QTest::newRow("blank first") << QStringLiteral(" 0") << QStringLiteral(" 0");
}

void TextCodecsTest::stripLeadingZeros() {
  QFETCH(QString, text);
  QFETCH(QString, stripped);
  QCOMPARE(StripLeadingZeros(text), stripped);
}

void TextCodecsTest::decimalValue_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<quint64>("cap");
  QTest::addColumn<quint64>("value");
  const quint64 noCap = UINT64_MAX;
  QTest::newRow("empty") << QString() << noCap << quint64{0};
  QTest::newRow("007") << QStringLiteral("007") << noCap << quint64{7};
  QTest::newRow("2097151") << QStringLiteral("2097151") << noCap << quint64{2097151};
  QTest::newRow("below the cap") << QStringLiteral("255") << quint64{256} << quint64{255};
  QTest::newRow("at the cap") << QStringLiteral("256") << quint64{256} << quint64{256};
  QTest::newRow("above the cap") << QStringLiteral("257") << quint64{256} << quint64{256};
  QTest::newRow("many digits, capped")
      << QString(60, QLatin1Char('9')) << quint64{256} << quint64{256};
  QTest::newRow("many digits, no cap")
      << QString(60, QLatin1Char('9')) << noCap << quint64{UINT64_MAX / 10};
  QTest::newRow("leading zeros, many")
      << QString(50, QLatin1Char('0')) + QStringLiteral("12") << quint64{1000} << quint64{12};
  QTest::newRow("stops at a non-digit") << QStringLiteral("12a4") << noCap << quint64{12};
}

void TextCodecsTest::decimalValue() {
  QFETCH(QString, text);
  QFETCH(quint64, cap);
  QFETCH(quint64, value);
  QCOMPARE(quint64{DecimalValue(text, cap)}, value);
}

J1939_TEST(TextCodecsTest);
#include "tst_text_codecs.moc"
