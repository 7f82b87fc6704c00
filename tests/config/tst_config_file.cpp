#include <QRandomGenerator>
#include <QtTest>
#include <cstring>
#include <functional>
#include <memory>

#include "config/ConfigFile.h"
#include "support/TestMain.h"

// The .cfg record layout, checked against the byte offsets of the file format
// written out by hand, not against the encoder's own field order.
class ConfigFileTest : public QObject {
  Q_OBJECT
 private slots:
  void goldenRecordEncodesByteForByte();
  void goldenRecordDecodesBack();
  void eachFieldSitsAtItsOffset_data();
  void eachFieldSitsAtItsOffset();
  void bytesAfterTheFieldsAreIgnored();
  void emptyInputIsTheAllZeroRecord();
  void shortInputIsRefusedAndChangesNothing_data();
  void shortInputIsRefusedAndChangesNothing();
  void everyLengthOfRandomBytesDecodesSafely();
};

namespace {

SimulatorConfig goldenConfig() {
  SimulatorConfig c;
  c.ComPortIndex = 0x0102;
  c.SourceAddress = 0x7E;
  c.DeviceName = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
  c.DynamicMode = -1;
  c.Pgn1InUse = 1;
  c.Pgn1UpdateRate = 5;
  c.Pgn1Priority = 7;
  c.Pgn1DataPage = 1;
  c.Pgn1Reserved = 2;
  c.Pgn1Pf = 0xFE;
  c.Pgn1Ps = 0xCA;
  c.Pgn1 = 0x0003FECA;
  c.Pgn1DataLength = 1785;
  c.Pgn1ParamType = 2;
  c.Pgn1ParamPos = 1782;
  c.Pgn2InUse = -1;
  c.Pgn2UpdateRate = -2;
  c.Pgn2Priority = 0x0304;
  c.Pgn2DataPage = -32768;
  c.Pgn2Reserved = 32767;
  c.Pgn2Pf = 0xEA;
  c.Pgn2Ps = 0x01;
  c.Pgn2 = -123456;
  c.Pgn2DataLength = 0x1234;
  c.Pgn2ParamType = 0xAB;
  c.Pgn2ParamPos = -2;
  c.SimulatorVersion = 1;
  c.DtcVersion = 3;
  const char vin[] = "1M8-GD.9A/KP,42!?";
  static_assert(sizeof vin == 18);
  std::memcpy(c.Vin.data(), vin, 17);
  c.CanBaudRate = -1;
  return c;
}

// Offsets 0 to 83 of goldenConfig() as the file format lays them out.
QByteArray goldenBytes() {
  return QByteArray::fromHex(
      "0201"                                //  0 ComPortIndex 0x0102
      "7e"                                  //  2 SourceAddress
      "1122334455667788"                    //  3 DeviceName, element 0 first
      "ffff"                                // 11 DynamicMode -1
      "0100"                                // 13 Pgn1InUse
      "0500"                                // 15 Pgn1UpdateRate
      "0700"                                // 17 Pgn1Priority
      "0100"                                // 19 Pgn1DataPage
      "0200"                                // 21 Pgn1Reserved
      "fe"                                  // 23 Pgn1Pf
      "ca"                                  // 24 Pgn1Ps
      "cafe0300"                            // 25 Pgn1 261834
      "f906"                                // 29 Pgn1DataLength 1785
      "02"                                  // 31 Pgn1ParamType
      "f606"                                // 32 Pgn1ParamPos 1782
      "ffff"                                // 34 Pgn2InUse -1
      "feff"                                // 36 Pgn2UpdateRate -2
      "0403"                                // 38 Pgn2Priority 0x0304
      "0080"                                // 40 Pgn2DataPage -32768
      "ff7f"                                // 42 Pgn2Reserved 32767
      "ea"                                  // 44 Pgn2Pf
      "01"                                  // 45 Pgn2Ps
      "c01dfeff"                            // 46 Pgn2 -123456
      "3412"                                // 50 Pgn2DataLength 0x1234
      "ab"                                  // 52 Pgn2ParamType
      "feff"                                // 53 Pgn2ParamPos -2
      "0100"                                // 55 SimulatorVersion
      "03"                                  // 57 DtcVersion
      "314d382d47442e39412f4b502c3432213f"  // 58 Vin "1M8-GD.9A/KP,42!?"
      "ffff"                                // 75 CanBaudRate -1
      "00000000000000");                    // 77 filler
}

// One field of the layout: where it is, how wide, and how to give it a value
// whose every byte is non-zero (so a misplaced byte shows).
struct FieldSlot {
  int offset;
  int size;
  std::function<void(SimulatorConfig&)> set;
  QByteArray expected;  // the little-endian bytes of that value
};

QList<std::pair<const char*, FieldSlot>> layout() {
  const QByteArray i16 = QByteArray::fromHex("fe81");  // -32258 = 0x81FE
  const QByteArray u8 = QByteArray::fromHex("a5");
  const QByteArray i32 = QByteArray::fromHex("04038281");  // 0x81820304
  const int16_t I = static_cast<int16_t>(0x81FE);
  const uint8_t B = 0xA5;
  const int32_t L = static_cast<int32_t>(0x81820304u);
  QByteArray name = QByteArray::fromHex("0102030405060708");
  QByteArray vin = QByteArray("ABCDEFGHJKLMNPRST");
  return {
      {"ComPortIndex", {0, 2, [=](SimulatorConfig& c) { c.ComPortIndex = I; }, i16}},
      {"SourceAddress", {2, 1, [=](SimulatorConfig& c) { c.SourceAddress = B; }, u8}},
      {"DeviceName",
       {3, 8, [](SimulatorConfig& c) { c.DeviceName = {1, 2, 3, 4, 5, 6, 7, 8}; }, name}},
      {"DynamicMode", {11, 2, [=](SimulatorConfig& c) { c.DynamicMode = I; }, i16}},
      {"Pgn1InUse", {13, 2, [=](SimulatorConfig& c) { c.Pgn1InUse = I; }, i16}},
      {"Pgn1UpdateRate", {15, 2, [=](SimulatorConfig& c) { c.Pgn1UpdateRate = I; }, i16}},
      {"Pgn1Priority", {17, 2, [=](SimulatorConfig& c) { c.Pgn1Priority = I; }, i16}},
      {"Pgn1DataPage", {19, 2, [=](SimulatorConfig& c) { c.Pgn1DataPage = I; }, i16}},
      {"Pgn1Reserved", {21, 2, [=](SimulatorConfig& c) { c.Pgn1Reserved = I; }, i16}},
      {"Pgn1Pf", {23, 1, [=](SimulatorConfig& c) { c.Pgn1Pf = B; }, u8}},
      {"Pgn1Ps", {24, 1, [=](SimulatorConfig& c) { c.Pgn1Ps = B; }, u8}},
      {"Pgn1", {25, 4, [=](SimulatorConfig& c) { c.Pgn1 = L; }, i32}},
      {"Pgn1DataLength", {29, 2, [=](SimulatorConfig& c) { c.Pgn1DataLength = I; }, i16}},
      {"Pgn1ParamType", {31, 1, [=](SimulatorConfig& c) { c.Pgn1ParamType = B; }, u8}},
      {"Pgn1ParamPos", {32, 2, [=](SimulatorConfig& c) { c.Pgn1ParamPos = I; }, i16}},
      {"Pgn2InUse", {34, 2, [=](SimulatorConfig& c) { c.Pgn2InUse = I; }, i16}},
      {"Pgn2UpdateRate", {36, 2, [=](SimulatorConfig& c) { c.Pgn2UpdateRate = I; }, i16}},
      {"Pgn2Priority", {38, 2, [=](SimulatorConfig& c) { c.Pgn2Priority = I; }, i16}},
      {"Pgn2DataPage", {40, 2, [=](SimulatorConfig& c) { c.Pgn2DataPage = I; }, i16}},
      {"Pgn2Reserved", {42, 2, [=](SimulatorConfig& c) { c.Pgn2Reserved = I; }, i16}},
      {"Pgn2Pf", {44, 1, [=](SimulatorConfig& c) { c.Pgn2Pf = B; }, u8}},
      {"Pgn2Ps", {45, 1, [=](SimulatorConfig& c) { c.Pgn2Ps = B; }, u8}},
      {"Pgn2", {46, 4, [=](SimulatorConfig& c) { c.Pgn2 = L; }, i32}},
      {"Pgn2DataLength", {50, 2, [=](SimulatorConfig& c) { c.Pgn2DataLength = I; }, i16}},
      {"Pgn2ParamType", {52, 1, [=](SimulatorConfig& c) { c.Pgn2ParamType = B; }, u8}},
      {"Pgn2ParamPos", {53, 2, [=](SimulatorConfig& c) { c.Pgn2ParamPos = I; }, i16}},
      {"SimulatorVersion", {55, 2, [=](SimulatorConfig& c) { c.SimulatorVersion = I; }, i16}},
      {"DtcVersion", {57, 1, [=](SimulatorConfig& c) { c.DtcVersion = B; }, u8}},
      {"Vin",
       {58, 17, [=](SimulatorConfig& c) { std::memcpy(c.Vin.data(), vin.constData(), 17); }, vin}},
      {"CanBaudRate", {75, 2, [=](SimulatorConfig& c) { c.CanBaudRate = I; }, i16}},
  };
}

}  // namespace

void ConfigFileTest::goldenRecordEncodesByteForByte() {
  const QByteArray expected = goldenBytes();
  QCOMPARE(expected.size(), 84);
  QCOMPARE(EncodeConfigRecord(goldenConfig()), expected);
}

void ConfigFileTest::goldenRecordDecodesBack() {
  SimulatorConfig decoded;
  QVERIFY(!DecodeConfigRecord(goldenBytes(), decoded));
  QVERIFY(decoded == goldenConfig());
  QCOMPARE(decoded.Pgn2, -123456);
  QCOMPARE(decoded.Pgn2DataPage, int16_t(-32768));
  QCOMPARE(QByteArray(reinterpret_cast<const char*>(decoded.Vin.data()), 17),
           QByteArray("1M8-GD.9A/KP,42!?"));
}

void ConfigFileTest::eachFieldSitsAtItsOffset_data() {
  QTest::addColumn<int>("field");
  const auto fields = layout();
  for (int i = 0; i < fields.size(); ++i) QTest::newRow(fields[i].first) << i;
}

void ConfigFileTest::eachFieldSitsAtItsOffset() {
  QFETCH(int, field);
  const FieldSlot slot = layout().at(field).second;
  SimulatorConfig config;
  slot.set(config);
  const QByteArray bytes = EncodeConfigRecord(config);
  QCOMPARE(bytes.size(), 84);
  QCOMPARE(bytes.mid(slot.offset, slot.size), slot.expected);
  QByteArray rest = bytes;
  rest.replace(slot.offset, slot.size, QByteArray(slot.size, '\0'));
  QCOMPARE(rest, QByteArray(84, '\0'));

  SimulatorConfig decoded;
  QVERIFY(!DecodeConfigRecord(bytes, decoded));
  QVERIFY(decoded == config);
}

void ConfigFileTest::bytesAfterTheFieldsAreIgnored() {
  QByteArray bytes = goldenBytes();
  bytes.replace(77, 7, QByteArray(7, '\x5A'));  // filler that some other tool wrote
  bytes.append(QByteArray(300, '\x33'));        // and a tail
  SimulatorConfig decoded;
  QVERIFY(!DecodeConfigRecord(bytes, decoded));
  QVERIFY(decoded == goldenConfig());
  // Exactly the 77 field bytes are enough.
  SimulatorConfig fromFields;
  QVERIFY(!DecodeConfigRecord(goldenBytes().left(77), fromFields));
  QVERIFY(fromFields == goldenConfig());
}

void ConfigFileTest::emptyInputIsTheAllZeroRecord() {
  SimulatorConfig config = goldenConfig();
  QVERIFY(!DecodeConfigRecord(QByteArray(), config));
  QVERIFY(config == SimulatorConfig{});
}

void ConfigFileTest::shortInputIsRefusedAndChangesNothing_data() {
  QTest::addColumn<int>("length");
  QTest::addColumn<QString>("holds");
  QTest::newRow("1 byte") << 1 << "1 byte";
  for (int length : {2, 40, 75, 76})
    QTest::addRow("%d bytes", length) << length << QStringLiteral("%1 bytes").arg(length);
}

void ConfigFileTest::shortInputIsRefusedAndChangesNothing() {
  QFETCH(int, length);
  QFETCH(QString, holds);
  SimulatorConfig config = goldenConfig();
  const MaybeFailure failure = DecodeConfigRecord(QByteArray(length, '\x01'), config);
  QVERIFY(failure);
  QCOMPARE(failure->reason, QStringLiteral("it holds %1; a configuration needs 77").arg(holds));
  QVERIFY(config == goldenConfig());
}

void ConfigFileTest::everyLengthOfRandomBytesDecodesSafely() {
  // Each input sits in a heap block of exactly its length, so that a read past
  // the end is caught by the address sanitizer.
  QRandomGenerator random(0x1939);
  for (int length = 0; length <= 200; ++length) {
    std::unique_ptr<uint8_t[]> block(length > 0 ? new uint8_t[length] : nullptr);
    for (int i = 0; i < length; ++i) block[i] = static_cast<uint8_t>(random.bounded(256));
    SimulatorConfig config = goldenConfig();
    const MaybeFailure failure = DecodeConfigRecord(
        std::span<const uint8_t>(block.get(), static_cast<size_t>(length)), config);
    if (length == 0) {
      QVERIFY(!failure);
      QVERIFY(config == SimulatorConfig{});
    } else if (length < 77) {
      QVERIFY2(failure, qPrintable(QString::number(length)));
      QVERIFY(config == goldenConfig());
    } else {
      QVERIFY2(!failure, qPrintable(QString::number(length)));
      // The fields came from the first 77 bytes and go back to them unchanged.
      const QByteArray again = EncodeConfigRecord(config);
      QVERIFY2(std::memcmp(again.constData(), block.get(), 77) == 0,
               qPrintable(QString::number(length)));
      QCOMPARE(again.mid(77), QByteArray(7, '\0'));
    }
  }
}

J1939_TEST(ConfigFileTest);
#include "tst_config_file.moc"
