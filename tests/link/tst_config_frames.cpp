#include <QtTest>

#include "link/ConfigFrames.h"
#include "support/TestMain.h"

namespace {

QByteArray hex(const char* text) {
  return QByteArray::fromHex(QByteArray(text));
}

struct Frames {
  ConfigFrameV1Bytes v1{};
  ConfigFrameV2Bytes v2{};
  MaybeFailure failure;
  QByteArray bytes1() const { return FrameBytes(v1); }
  QByteArray bytes2() const { return FrameBytes(v2); }
};

Frames build(const SimulatorConfig& config) {
  Frames frames;
  frames.failure = BuildConfigFrames(config, frames.v1, frames.v2);
  return frames;
}

// Every field non-zero (ComPortIndex, the PGN numbers and SimulatorVersion are
// not sent; they are set all the same).
SimulatorConfig everyFieldSet() {
  SimulatorConfig c{};
  c.ComPortIndex = 3;
  c.SourceAddress = 0x25;
  c.DeviceName = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
  c.DynamicMode = -1;
  c.Pgn1InUse = 1;
  c.Pgn1UpdateRate = 5;  // every 5 s
  c.Pgn1Priority = 6;
  c.Pgn1DataPage = 1;
  c.Pgn1Reserved = 1;
  c.Pgn1Pf = 0xF0;
  c.Pgn1Ps = 0x04;
  c.Pgn1 = 258052;  // 0x3F004
  c.Pgn1DataLength = 1785;
  c.Pgn1ParamType = 2;
  c.Pgn1ParamPos = 300;
  c.Pgn2InUse = -1;      // in use too: only 0 means deleted
  c.Pgn2UpdateRate = 2;  // every 100 ms
  c.Pgn2Priority = 3;
  c.Pgn2DataPage = 1;
  c.Pgn2Reserved = 1;
  c.Pgn2Pf = 0xEA;
  c.Pgn2Ps = 0x21;
  c.Pgn2 = 256512;  // 0x3EA00
  c.Pgn2DataLength = 8;
  c.Pgn2ParamType = 1;
  c.Pgn2ParamPos = 7;
  c.SimulatorVersion = 1;
  c.DtcVersion = 1;  // "Version2"
  const char vin[] = "1FUJGLDR5CLBP8834";
  for (int i = 0; i < 17; ++i) c.Vin[i] = static_cast<uint8_t>(vin[i]);
  c.CanBaudRate = -1;
  return c;
}

}  // namespace

class ConfigFramesTest : public QObject {
  Q_OBJECT
 private slots:
  void allZeroRecord();
  void goldenFramesWithEveryFieldSet();
  void modeAddressAndBitRate_data();
  void modeAddressAndBitRate();
  void rateWord_data();
  void rateWord();
  void identifierByte_data();
  void identifierByte();
  void sixteenBitFieldsGoLowByteFirst();
  void dtcFormatOnlyInTheSecondFrame();
  void deletedSlotStillSendsItsFields();
  void checksumWraps();
  void unencodableRecordIsRefused_data();
  void unencodableRecordIsRefused();
  void firstUnencodableFieldInFrameOrderIsNamed();
  void buildWritesTheWindowsFrames();

  void decodeGivesTheFieldsBack();
  void decodeRefusesWrongLength_data();
  void decodeRefusesWrongLength();
  void decodeRefusesWrongChecksum();
  void decodeNotesWhatTheToolNeverSends();
  void describeReadsLikeTheRecord();
};

void ConfigFramesTest::allZeroRecord() {
  const Frames frames = build(SimulatorConfig{});
  QVERIFY(!frames.failure);
  QCOMPARE(frames.bytes1(), hex("FF 00 00 00 00 00 00 00 00 00 00 00 C0 00 00 00"
                                "00 00 00 00 00 00 C0 00 00 00 00 00 00 00 00 7F"));
  // The second frame: DTC format 0 + 1, no VIN, 0xFF + 0x01 + 0xC0 + 0xC0 = 0x280.
  QCOMPARE(frames.bytes2(), hex("FF 01 00 00 00 00 00 00 00 00 00 00 C0 00 00 00"
                                "00 00 00 00 00 00 C0 00 00 00 00 00 00 00 00"
                                "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
                                "80"));
}

void ConfigFramesTest::goldenFramesWithEveryFieldSet() {
  const Frames frames = build(everyFieldSet());
  QVERIFY(!frames.failure);
  // 00 dynamic | 00 | A5 = 0x25 + 500 kbit/s | NAME 01..EF |
  // F4 01 every 5 s in use | F9 06 = 1785 | D8 = 6*32 + 0x10 + 0x08 | F0 04 |
  // 2C 01 = 300 | 02 four bytes |
  // 0A 00 every 100 ms in use | 08 00 | 78 = 3*32 + 0x10 + 0x08 | EA 21 | 07 00 | 01 |
  // F1 = 2545 mod 256
  QCOMPARE(frames.bytes1(), hex("00 00 A5 01 23 45 67 89 AB CD EF F4 01 F9 06 D8"
                                "F0 04 2C 01 02 0A 00 08 00 78 EA 21 07 00 01 F1"));
  // DTC byte 02 ("Version2"), the VIN "1FUJGLDR5CLBP8834", 5F = (2545 + 2 + 1132) mod 256.
  QCOMPARE(frames.bytes2(), hex("00 02 A5 01 23 45 67 89 AB CD EF F4 01 F9 06 D8"
                                "F0 04 2C 01 02 0A 00 08 00 78 EA 21 07 00 01"
                                "31 46 55 4A 47 4C 44 52 35 43 4C 42 50 38 38 33 34"
                                "5F"));
}

void ConfigFramesTest::modeAddressAndBitRate_data() {
  QTest::addColumn<int>("dynamicMode");
  QTest::addColumn<int>("address");
  QTest::addColumn<int>("canBaudRate");
  QTest::addColumn<QByteArray>("bytes0to2");
  QTest::newRow("dynamic, 0x25, 500 kbit/s") << -1 << 0x25 << -1 << hex("00 00 A5");
  QTest::newRow("static, 0x25, 250 kbit/s") << 0 << 0x25 << 0 << hex("FF 00 25");
  QTest::newRow("any non-zero mode is dynamic") << 1 << 0x7F << 0 << hex("00 00 7F");
  QTest::newRow("any non-zero bit rate is 500") << 0 << 0x00 << 1 << hex("FF 00 80");
}

void ConfigFramesTest::modeAddressAndBitRate() {
  QFETCH(int, dynamicMode);
  QFETCH(int, address);
  QFETCH(int, canBaudRate);
  QFETCH(QByteArray, bytes0to2);
  SimulatorConfig c{};
  c.DynamicMode = static_cast<int16_t>(dynamicMode);
  c.SourceAddress = static_cast<uint8_t>(address);
  c.CanBaudRate = static_cast<int16_t>(canBaudRate);
  const Frames frames = build(c);
  QVERIFY(!frames.failure);
  QCOMPARE(frames.bytes1().left(3), bytes0to2);
  QCOMPARE(frames.bytes2().mid(2, 1), bytes0to2.mid(2, 1));
  QCOMPARE(frames.v2[0], frames.v1[0]);
}

void ConfigFramesTest::rateWord_data() {
  QTest::addColumn<int>("rateIndex");
  QTest::addColumn<int>("inUse");
  QTest::addColumn<QByteArray>("word");
  QTest::newRow("on request, in use") << 0 << 1 << hex("00 80");
  QTest::newRow("on request, deleted") << 0 << 0 << hex("00 C0");
  QTest::newRow("every 50 ms") << 1 << 1 << hex("05 00");
  QTest::newRow("every 100 ms") << 2 << 1 << hex("0A 00");
  QTest::newRow("every 0.5 s") << 3 << 1 << hex("32 00");
  QTest::newRow("every 1 s") << 4 << 1 << hex("64 00");
  QTest::newRow("every 5 s, in use") << 5 << 1 << hex("F4 01");
  QTest::newRow("every 5 s, deleted") << 5 << 0 << hex("F4 41");
  QTest::newRow("every 5 s, in use as -1") << 5 << -1 << hex("F4 01");
}

void ConfigFramesTest::rateWord() {
  QFETCH(int, rateIndex);
  QFETCH(int, inUse);
  QFETCH(QByteArray, word);
  for (int slot = 1; slot <= 2; ++slot) {
    SimulatorConfig c{};
    // The other slot keeps a different rate, so that the two cannot be mixed up.
    c.Pgn1UpdateRate = 3;
    c.Pgn2UpdateRate = 3;
    c.Pgn1InUse = c.Pgn2InUse = 1;
    (slot == 1 ? c.Pgn1UpdateRate : c.Pgn2UpdateRate) = static_cast<int16_t>(rateIndex);
    (slot == 1 ? c.Pgn1InUse : c.Pgn2InUse) = static_cast<int16_t>(inUse);
    const Frames frames = build(c);
    QVERIFY(!frames.failure);
    const int at = slot == 1 ? 11 : 21;
    const int other = slot == 1 ? 21 : 11;
    QCOMPARE(frames.bytes1().mid(at, 2), word);
    QCOMPARE(frames.bytes1().mid(other, 2), hex("32 00"));
    QCOMPARE(frames.bytes2().mid(at, 2), word);
  }
}

void ConfigFramesTest::identifierByte_data() {
  QTest::addColumn<int>("priority");
  QTest::addColumn<int>("reserved");
  QTest::addColumn<int>("dataPage");
  QTest::addColumn<int>("identifier");
  QTest::newRow("priority 6, reserved, data page 1") << 6 << 1 << 1 << 0xD8;
  QTest::newRow("priority 7 alone") << 7 << 0 << 0 << 0xE0;
  QTest::newRow("priority 0, data page 1") << 0 << 0 << 1 << 0x08;
  QTest::newRow("priority 3, reserved") << 3 << 1 << 0 << 0x70;
  // Each bit only when exactly 1, as the PGN beside the boxes counts them.
  QTest::newRow("reserved greyed (2) does not") << 0 << 2 << 0 << 0x00;
  QTest::newRow("data page greyed (2) does not") << 0 << 0 << 2 << 0x00;
}

void ConfigFramesTest::identifierByte() {
  QFETCH(int, priority);
  QFETCH(int, reserved);
  QFETCH(int, dataPage);
  QFETCH(int, identifier);
  SimulatorConfig c{};
  c.Pgn1Priority = c.Pgn2Priority = static_cast<int16_t>(priority);
  c.Pgn1Reserved = c.Pgn2Reserved = static_cast<int16_t>(reserved);
  c.Pgn1DataPage = c.Pgn2DataPage = static_cast<int16_t>(dataPage);
  const Frames frames = build(c);
  QVERIFY(!frames.failure);
  QCOMPARE(int(frames.v1[15]), identifier);
  QCOMPARE(int(frames.v1[25]), identifier);
  QCOMPARE(int(frames.v2[15]), identifier);
}

void ConfigFramesTest::sixteenBitFieldsGoLowByteFirst() {
  SimulatorConfig c{};
  c.Pgn1DataLength = 1785;
  c.Pgn1ParamPos = 32767;
  c.Pgn2DataLength = 256;
  c.Pgn2ParamPos = 255;
  c.Pgn1ParamType = 2;
  c.Pgn2ParamType = 1;
  const Frames frames = build(c);
  QVERIFY(!frames.failure);
  QCOMPARE(frames.bytes1().mid(13, 2), hex("F9 06"));
  QCOMPARE(frames.bytes1().mid(18, 3), hex("FF 7F 02"));
  QCOMPARE(frames.bytes1().mid(23, 2), hex("00 01"));
  QCOMPARE(frames.bytes1().mid(28, 3), hex("FF 00 01"));
}

void ConfigFramesTest::dtcFormatOnlyInTheSecondFrame() {
  for (int dtc = 0; dtc <= 3; ++dtc) {
    SimulatorConfig c{};
    c.DtcVersion = static_cast<uint8_t>(dtc);
    const Frames frames = build(c);
    QVERIFY(!frames.failure);
    QCOMPARE(int(frames.v1[1]), 0);
    QCOMPARE(int(frames.v2[1]), dtc + 1);
  }
}

void ConfigFramesTest::deletedSlotStillSendsItsFields() {
  SimulatorConfig c = everyFieldSet();
  c.Pgn1InUse = 0;
  const Frames frames = build(c);
  QVERIFY(!frames.failure);
  QCOMPARE(frames.bytes1().mid(11, 10), hex("F4 41 F9 06 D8 F0 04 2C 01 02"));
}

void ConfigFramesTest::checksumWraps() {
  // Eighteen 0xFF and one 0x46 sum to 0x1234.
  const QByteArray bytes = QByteArray(18, '\xFF') + hex("46");
  QCOMPARE(int(FrameChecksum(bytes)), 0x34);
  QCOMPARE(int(FrameChecksum(QByteArray())), 0);
  // In a frame: 0xFF mode + NAME of eight 0xFF + 0xC0 + 0xC0 = 0xA77.
  SimulatorConfig c{};
  c.DeviceName.fill(0xFF);
  const Frames frames = build(c);
  QVERIFY(!frames.failure);
  QCOMPARE(int(frames.v1[31]), 0x77);
}

void ConfigFramesTest::unencodableRecordIsRefused_data() {
  QTest::addColumn<QString>("field");
  QTest::addColumn<std::function<void(SimulatorConfig&)>>("spoil");
  using Spoil = std::function<void(SimulatorConfig&)>;
  QTest::newRow("source address 0x80")
      << "SourceAddress" << Spoil([](auto& c) { c.SourceAddress = 0x80; });
  QTest::newRow("source address 0xFE")
      << "SourceAddress" << Spoil([](auto& c) { c.SourceAddress = 0xFE; });
  QTest::newRow("priority 8") << "Pgn1Priority" << Spoil([](auto& c) { c.Pgn1Priority = 8; });
  QTest::newRow("priority -1") << "Pgn2Priority" << Spoil([](auto& c) { c.Pgn2Priority = -1; });
  QTest::newRow("update rate 6") << "Pgn1UpdateRate"
                                 << Spoil([](auto& c) { c.Pgn1UpdateRate = 6; });
  QTest::newRow("update rate -1") << "Pgn2UpdateRate"
                                  << Spoil([](auto& c) { c.Pgn2UpdateRate = -1; });
  QTest::newRow("DTC format 4") << "DtcVersion" << Spoil([](auto& c) { c.DtcVersion = 4; });
  QTest::newRow("DTC format 255") << "DtcVersion" << Spoil([](auto& c) { c.DtcVersion = 255; });
  QTest::newRow("data length -1") << "Pgn1DataLength"
                                  << Spoil([](auto& c) { c.Pgn1DataLength = -1; });
  QTest::newRow("data length -32768")
      << "Pgn2DataLength" << Spoil([](auto& c) { c.Pgn2DataLength = -32768; });
  QTest::newRow("position -1") << "Pgn1ParamPos" << Spoil([](auto& c) { c.Pgn1ParamPos = -1; });
  QTest::newRow("position -2") << "Pgn2ParamPos" << Spoil([](auto& c) { c.Pgn2ParamPos = -2; });
}

void ConfigFramesTest::unencodableRecordIsRefused() {
  QFETCH(QString, field);
  QFETCH(std::function<void(SimulatorConfig&)>, spoil);
  SimulatorConfig c = everyFieldSet();
  spoil(c);
  Frames frames;
  frames.v1.fill(0xEE);
  frames.v2.fill(0xEE);
  const MaybeFailure failure = BuildConfigFrames(c, frames.v1, frames.v2);
  QVERIFY(failure);
  QCOMPARE(failure->what, field);
  QVERIFY(!failure->reason.isEmpty());
  // Neither frame is touched: no half-built frame can be sent.
  QCOMPARE(frames.bytes1(), QByteArray(32, '\xEE'));
  QCOMPARE(frames.bytes2(), QByteArray(49, '\xEE'));
}

void ConfigFramesTest::firstUnencodableFieldInFrameOrderIsNamed() {
  SimulatorConfig c{};
  c.Pgn2Priority = 9;      // byte 25
  c.Pgn1ParamPos = -5;     // byte 18
  c.SourceAddress = 0x90;  // byte 2
  Frames frames;
  QCOMPARE(BuildConfigFrames(c, frames.v1, frames.v2)->what, QStringLiteral("SourceAddress"));
  c.SourceAddress = 0x10;
  QCOMPARE(BuildConfigFrames(c, frames.v1, frames.v2)->what, QStringLiteral("Pgn1ParamPos"));
  c.Pgn1ParamPos = 5;
  QCOMPARE(BuildConfigFrames(c, frames.v1, frames.v2)->what, QStringLiteral("Pgn2Priority"));
}

void ConfigFramesTest::buildWritesTheWindowsFrames() {
  FormState state;
  state.Config = everyFieldSet();
  QVERIFY(!BuildConfigFrames(state));
  QCOMPARE(FrameBytes(state.ConfigFrameV1).right(1), hex("F1"));
  QCOMPARE(FrameBytes(state.ConfigFrameV2).right(1), hex("5F"));
  state.Config.Pgn1Priority = 8;
  const auto before = state.ConfigFrameV1;
  QVERIFY(BuildConfigFrames(state));
  QVERIFY(state.ConfigFrameV1 == before);
}

void ConfigFramesTest::decodeGivesTheFieldsBack() {
  const SimulatorConfig c = everyFieldSet();
  const Frames frames = build(c);
  for (int version = 0; version <= 1; ++version) {
    DecodedConfigFrame d;
    QVERIFY(!DecodeConfigFrame(version == 0 ? frames.bytes1() : frames.bytes2(), d));
    QCOMPARE(d.simulatorVersion, version);
    QVERIFY(d.dynamicMode);
    QCOMPARE(int(d.dtcByte), version == 0 ? 0 : 2);
    QCOMPARE(int(d.sourceAddress), 0x25);
    QVERIFY(d.canBaud500);
    QVERIFY(d.deviceName == c.DeviceName);
    const DecodedPgnSlot& p1 = d.pgns[0];
    QCOMPARE(p1.updateRateIndex, 5);
    QVERIFY(!p1.deleted);
    QVERIFY(!p1.onRequest);
    QCOMPARE(p1.periodMs, 5000);
    QCOMPARE(int(p1.dataLength), 1785);
    QCOMPARE(p1.priority, 6);
    QVERIFY(p1.reserved);
    QVERIFY(p1.dataPage);
    QCOMPARE(int(p1.pf), 0xF0);
    QCOMPARE(int(p1.ps), 0x04);
    QCOMPARE(int(p1.paramPos), 300);
    QCOMPARE(int(p1.paramType), 2);
    const DecodedPgnSlot& p2 = d.pgns[1];
    QCOMPARE(p2.updateRateIndex, 2);
    QCOMPARE(p2.periodMs, 100);
    QCOMPARE(int(p2.dataLength), 8);
    QCOMPARE(p2.priority, 3);
    QCOMPARE(int(p2.pf), 0xEA);
    QCOMPARE(int(p2.ps), 0x21);
    QCOMPARE(int(p2.paramPos), 7);
    QCOMPARE(int(p2.paramType), 1);
    if (version == 1) QVERIFY(d.vin == c.Vin);
    QVERIFY2(d.oddities.isEmpty(), qPrintable(d.oddities.join(QLatin1Char('\n'))));
  }

  SimulatorConfig deleted{};
  DecodedConfigFrame d;
  QVERIFY(!DecodeConfigFrame(build(deleted).bytes1(), d));
  QVERIFY(d.pgns[0].deleted);
  QVERIFY(d.pgns[0].onRequest);
  QCOMPARE(d.pgns[0].updateRateIndex, 0);
  QVERIFY(!d.dynamicMode);
}

void ConfigFramesTest::decodeRefusesWrongLength_data() {
  QTest::addColumn<int>("length");
  QTest::newRow("empty") << 0;
  QTest::newRow("31") << 31;
  QTest::newRow("33") << 33;
  QTest::newRow("48") << 48;
  QTest::newRow("50") << 50;
}

void ConfigFramesTest::decodeRefusesWrongLength() {
  QFETCH(int, length);
  const QByteArray frame = build(everyFieldSet()).bytes2().leftJustified(length, '\0', true);
  DecodedConfigFrame d;
  const MaybeFailure failure = DecodeConfigFrame(frame, d);
  QVERIFY(failure);
  QVERIFY2(failure->reason.startsWith(QString::number(length) + QStringLiteral(" bytes")),
           qPrintable(failure->reason));
}

void ConfigFramesTest::decodeRefusesWrongChecksum() {
  QByteArray frame = build(everyFieldSet()).bytes1();
  frame[5] = static_cast<char>(frame[5] + 1);
  DecodedConfigFrame d;
  const MaybeFailure failure = DecodeConfigFrame(frame, d);
  QVERIFY(failure);
  QCOMPARE(failure->what, QStringLiteral("checksum"));
  QCOMPARE(failure->reason, QStringLiteral("the frame carries F1, its bytes sum to F2"));
}

void ConfigFramesTest::decodeNotesWhatTheToolNeverSends() {
  QByteArray frame = build(SimulatorConfig{}).bytes1();
  frame[0] = 0x12;   // neither dynamic nor static
  frame[1] = 0x03;   // a "1.01" frame has no DTC format
  frame[11] = 0x07;  // rate word 0xC007
  frame[25] = 0x03;  // identifier bits 2-0
  frame[30] = 0x05;  // parameter type
  frame[31] = static_cast<char>(FrameChecksum(frame.first(31)));
  DecodedConfigFrame d;
  QVERIFY(!DecodeConfigFrame(frame, d));
  QCOMPARE(d.oddities.size(), 5);
  QVERIFY(!d.dynamicMode);
  QCOMPARE(d.pgns[0].updateRateIndex, -1);
  QVERIFY(d.oddities.join(QLatin1Char('|')).contains(QLatin1String("rate word C007")));
}

void ConfigFramesTest::describeReadsLikeTheRecord() {
  DecodedConfigFrame d;
  QVERIFY(!DecodeConfigFrame(build(everyFieldSet()).bytes2(), d));
  const QStringList lines = DescribeConfigFrame(d);
  QVERIFY(lines.contains(QStringLiteral("simulator version: 2.00 (49 bytes)")));
  QVERIFY(lines.contains(QStringLiteral("mode: dynamic")));
  QVERIFY(lines.contains(QStringLiteral("DTC format: Version2")));
  QVERIFY(lines.contains(QStringLiteral("source address: 25 (hex)")));
  QVERIFY(lines.contains(QStringLiteral("CAN bit rate: 500 kbit/s")));
  QVERIFY(lines.contains(QStringLiteral("NAME bytes 0-7: 01 23 45 67 89 AB CD EF")));
  QVERIFY(lines.contains(QStringLiteral(
      "PGN1: in use, rate word 01F4 (every 5 s), priority 6, reserved bit 1, data page 1, "
      "PF F0, PS 04, data length 1785, parameter 4 bytes at position 300")));
  QVERIFY(lines.contains(QStringLiteral("VIN: 1FUJGLDR5CLBP8834")));
}

J1939_TEST(ConfigFramesTest);
#include "tst_config_frames.moc"
