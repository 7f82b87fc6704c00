#include <QtTest>
#include <optional>

#include "pgn/BuiltInPgns.h"
#include "pgn/PgnMath.h"
#include "support/TestMain.h"

Q_DECLARE_METATYPE(PgnParts)

namespace {
// reserved, data page, PF, PS
PgnParts parts(bool r, bool dp, uint8_t pf, uint8_t ps) {
  return PgnParts{r, dp, pf, ps};
}
}  // namespace

// The number <-> parts arithmetic, without a window.
class PgnMathTest : public QObject {
  Q_OBJECT
 private slots:
  void joinsParts_data();
  void joinsParts();
  void everyNumberOfEighteenBitsSurvivesTheRoundTrip();
  void numbersAboveEighteenBitsKeepTheirLowBits_data();
  void numbersAboveEighteenBitsKeepTheirLowBits();
  void readsPgnTexts_data();
  void readsPgnTexts();
  void comparesPgnTexts_data();
  void comparesPgnTexts();
};

void PgnMathTest::joinsParts_data() {
  QTest::addColumn<PgnParts>("parts");
  QTest::addColumn<int>("expected");
  QTest::newRow("PF FE PS CA") << parts(false, false, 0xFE, 0xCA) << 65226;
  QTest::newRow("data page added") << parts(false, true, 0xFE, 0xCA) << 130762;
  QTest::newRow("reserved added") << parts(true, false, 0xFE, 0xCA) << 196298;
  QTest::newRow("PS ignored below PF 240") << parts(false, false, 0xC8, 0x12) << 51200;
  QTest::newRow("PF 239 still PDU1") << parts(false, false, 239, 0x55) << 239 * 256;
  QTest::newRow("PF 240 first PDU2") << parts(false, false, 240, 0x55) << 240 * 256 + 0x55;
  QTest::newRow("E8 is ACKM") << parts(false, false, 0xE8, 0) << 59392;
  QTest::newRow("everything") << parts(true, true, 0xFF, 0xFF) << 262143;
}

void PgnMathTest::joinsParts() {
  QFETCH(PgnParts, parts);
  QFETCH(int, expected);
  QCOMPARE(PgnFromParts(parts), expected);
}

void PgnMathTest::everyNumberOfEighteenBitsSurvivesTheRoundTrip() {
  // A number whose PDU1 low byte is not zero comes back with that byte cleared;
  // every other number comes back unchanged.
  for (int32_t pgn = 0; pgn <= kMaxPgn; ++pgn) {
    const std::optional<PgnParts> split = PartsFromPgn(pgn);
    QVERIFY(split.has_value());
    const int32_t pf = (pgn >> 8) & 0xFF;
    const int32_t expected = pf < 240 ? (pgn & ~0xFF) : pgn;
    if (PgnFromParts(*split) != expected)
      QFAIL(
          qPrintable(QStringLiteral("PGN %1 came back as %2").arg(pgn).arg(PgnFromParts(*split))));
  }
}

void PgnMathTest::numbersAboveEighteenBitsKeepTheirLowBits_data() {
  QTest::addColumn<qint64>("pgn");
  QTest::addColumn<bool>("hasParts");
  QTest::addColumn<PgnParts>("expected");
  QTest::newRow("262144 is bit 18 only") << qint64(262144) << true << parts(false, false, 0, 0);
  QTest::newRow("300000") << qint64(300000) << true << parts(false, false, 0x93, 0);
  QTest::newRow("largest with a byte above")
      << qint64(16777215) << true << parts(true, true, 0xFF, 0xFF);
  QTest::newRow("16777216 has no parts") << qint64(16777216) << false << PgnParts{};
  QTest::newRow("2147483647 has no parts") << qint64(2147483647) << false << PgnParts{};
  QTest::newRow("negative has no parts") << qint64(-1) << false << PgnParts{};
}

void PgnMathTest::numbersAboveEighteenBitsKeepTheirLowBits() {
  QFETCH(qint64, pgn);
  QFETCH(bool, hasParts);
  QFETCH(PgnParts, expected);
  const std::optional<PgnParts> got = PartsFromPgn(pgn);
  QCOMPARE(got.has_value(), hasParts);
  if (got) QVERIFY(*got == expected);
}

void PgnMathTest::readsPgnTexts_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("readable");
  QTest::addColumn<int>("value");
  QTest::newRow("plain") << "65226" << true << 65226;
  QTest::newRow("leading zeros") << "0065226" << true << 65226;
  QTest::newRow("largest 32-bit") << "2147483647" << true << 2147483647;
  QTest::newRow("one above 32-bit") << "2147483648" << false << 0;
  QTest::newRow("many digits") << "99999999999999999999999999" << false << 0;
  QTest::newRow("zeros before a large one") << "0000000002147483647" << true << 2147483647;
  QTest::newRow("empty") << "" << false << 0;
  QTest::newRow("sign") << "-5" << false << 0;
  QTest::newRow("blank") << " 5" << false << 0;
  QTest::newRow("hex") << "FE" << false << 0;
}

void PgnMathTest::readsPgnTexts() {
  QFETCH(QString, text);
  QFETCH(bool, readable);
  QFETCH(int, value);
  const std::optional<int32_t> got = ReadPgnText(text);
  QCOMPARE(got.has_value(), readable);
  if (got) QCOMPARE(*got, value);
}

void PgnMathTest::comparesPgnTexts_data() {
  QTest::addColumn<QString>("a");
  QTest::addColumn<QString>("b");
  QTest::addColumn<bool>("equal");
  const auto row = [](const char* name, const char* a, const char* b, bool equal) {
    QTest::newRow(name) << QString::fromLatin1(a) << QString::fromLatin1(b) << equal;
  };
  row("same", "65280", "65280", true);
  row("leading zeros", "065280", "65280", true);
  row("zero and zeros", "0", "000", true);
  row("different", "65280", "65281", false);
  row("same beyond 32 bits", "4294967296", "04294967296", true);
  row("different beyond 32 bits", "4294967296", "4294967297", false);
  // Saturating both at the 32-bit limit would make these equal: they are not.
  row("both beyond, far apart", "2147483648", "99999999999999999999", false);
  row("beyond vs its low 32 bits", "4294967296", "0", false);
  row("low 32 bits equal", "4294967296", "8589934592", false);
  row("empty texts", "", "", false);
  row("empty vs zero", "", "0", false);
  row("not decimal", "12a", "12a", false);
}

void PgnMathTest::comparesPgnTexts() {
  QFETCH(QString, a);
  QFETCH(QString, b);
  QFETCH(bool, equal);
  QCOMPARE(PgnTextsEqual(a, b), equal);
  QCOMPARE(PgnTextsEqual(b, a), equal);
}

J1939_TEST(PgnMathTest);
#include "tst_pgn_math.moc"
