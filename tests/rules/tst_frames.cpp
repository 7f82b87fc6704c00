#include <QTest>

#include "rules/protocol/ConfigFrames.h"
#include "support/Emulator.h"
#include "support/Records.h"
#include "support/TestMain.h"

namespace {
struct Frames {
  ConfigFrameV1Bytes v1{};
  ConfigFrameV2Bytes v2{};
  MaybeFailure failure;
};

Frames build(const SimulatorConfig& config) {
  Frames f;
  f.v1.fill(0xEE);
  f.v2.fill(0xEE);
  f.failure = BuildConfigFrames(config, f.v1, f.v2);
  return f;
}

// The bench record's NAME and its two slots, as a frame carries them.
const QString kName = QStringLiteral("39 30 6B 0C 3A 81 05 27 ");
const QString kSlot1 = QStringLiteral("0A 00 08 00 C0 FF 10 03 00 01 ");
const QString kSlot2 = QStringLiteral("05 00 14 00 68 EF 00 11 00 02 ");
}  // namespace

// The frames written out by hand from their layout: mode, DTC format, address
// with the bit-rate flag, NAME, two slots (rate word, data length, identifier,
// PF, PS, position, type), the VIN of "2.00", and the 8-bit sum.
class FramesTest : public QObject {
  Q_OBJECT
 private slots:
  void golden_data() {
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<QString>("v1");
    // clang-format off
    QTest::newRow("bench") << Edit() << "00 00 A5 " + kName + kSlot1 + kSlot2 + "D4";
    QTest::newRow("1.01, static, 250 kbit/s") << Edit([](auto& c) { c.SimulatorVersion = c.DynamicMode = c.CanBaudRate = 0; }) << "FF 00 25 " + kName + kSlot1 + kSlot2 + "53";
    QTest::newRow("slot 1 deleted, on request, priority 7, reserved bit, data page") << Edit([](auto& c) { c.Pgns[0].InUse = c.Pgns[0].UpdateRate = 0, c.Pgns[0].Priority = 7, c.Pgns[0].Reserved = c.Pgns[0].DataPage = 1; }) << "00 00 A5 " + kName + "00 C0 08 00 F8 FF 10 03 00 01 " + kSlot2 + "C2";
    // A greyed box (2) sets no bit.
    QTest::newRow("PDU1 slot with a destination, every 5 s, 1785 bytes, greyed boxes") << Edit([](auto& c) { c.Pgns[1].UpdateRate = 5, c.Pgns[1].DataLength = 1785, c.Pgns[1].ParamPos = 300, c.Pgns[1].Ps = 0x21, c.Pgns[1].Reserved = c.Pgns[1].DataPage = 2; }) << "00 00 A5 " + kName + kSlot1 + "F4 01 F9 06 60 EF 21 2C 01 02 E4";
    // clang-format on
  }
  void golden() {
    QFETCH(Edit, edit);
    QFETCH(QString, v1);
    const Frames f = build(benchRecord(edit));
    QVERIFY(!f.failure);
    QCOMPARE(FrameBytes(f.v1), fromHex(v1));
    // The "2.00" frame: DTC format + 1 in byte 1, then the VIN before the sum.
    QByteArray v2 = fromHex(v1).chopped(1) + "1FUJGLDR5CSBM1234";
    v2[1] = 4;
    v2.append(static_cast<char>(FrameChecksum(v2)));
    QCOMPARE(FrameBytes(f.v2), v2);

    // What j1939sim reads back and logs: the mode, the VIN, nothing odd; an
    // identifier byte with bits 2-0 set is reported.
    DecodedConfigFrame d;
    QVERIFY(!DecodeConfigFrame(v2, d));
    QCOMPARE(d.dynamicMode, v2[0] == 0);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(d.vin.data()), 17), "1FUJGLDR5CSBM1234");
    QCOMPARE(d.oddities, QStringList());
    v2[15] = static_cast<char>(v2[15] | 1);
    v2[48] = static_cast<char>(FrameChecksum(v2.first(48)));
    QVERIFY(!DecodeConfigFrame(v2, d));
    QCOMPARE(d.oddities.size(), 1);
  }

  // What j1939sim logs of each frame it takes, line by line: the bench's "2.00"
  // frame, a "1.01" frame at 250 kbit/s with its byte 1 set, and a "2.00"
  // frame with every field a frame can hold but the tool never writes.
  void described_data() {
    QTest::addColumn<QString>("frame");  // without its sum
    QTest::addColumn<QStringList>("lines");
    const QString vin = "31 46 55 4A 47 4C 44 52 35 43 53 42 4D 31 32 33 34 ";
    const QString name = "NAME bytes 0-7: 39 30 6B 0C 3A 81 05 27";
    const QString slot1 =
        "PGN1: in use, rate word 000A (every 100 ms), priority 6, reserved bit 0, data page 0, PF "
        "FF, PS 10, data length 8, parameter 2 bytes at position 3";
    const QString slot2 =
        "PGN2: in use, rate word 0005 (every 50 ms), priority 3, reserved bit 0, data page 1, PF "
        "EF, PS 00, data length 20, parameter 4 bytes at position 17";
    // clang-format off
    QTest::newRow("bench") << "00 04 A5 " + kName + kSlot1 + kSlot2 + vin << QStringList{"simulator version: 2.00 (49 bytes)", "checksum: 3B ok", "mode: dynamic", "DTC format: Version4", "source address: 25 (hex)", "CAN bit rate: 500 kbit/s", name, slot1, slot2, "VIN: 1FUJGLDR5CSBM1234"};
    QTest::newRow("1.01") << "FF 02 25 " + kName + kSlot1 + kSlot2 << QStringList{"simulator version: 1.01 (32 bytes)", "checksum: 55 ok", "mode: static", "source address: 25 (hex)", "CAN bit rate: 250 kbit/s", name, slot1, slot2, "note: byte 1 is 02 where a \"1.01\" frame has 00"};
    QTest::newRow("odd") << "12 07 A5 " + kName + "00 C0 08 00 F9 FF 10 03 00 05 07 00 14 00 68 EF 00 11 00 02 01" + vin.mid(2) << QStringList{"simulator version: 2.00 (49 bytes)", "checksum: 15 ok", "mode: static", "DTC format: Version7", "source address: 25 (hex)", "CAN bit rate: 500 kbit/s", name,
        "PGN1: deleted, rate word C000 (on request), priority 7, reserved bit 1, data page 1, PF FF, PS 10, data length 8, parameter type 5 at position 3",
        "PGN2: in use, rate word 0007, priority 3, reserved bit 0, data page 1, PF EF, PS 00, data length 20, parameter 4 bytes at position 17",
        "VIN: .FUJGLDR5CSBM1234", "note: mode byte 12 is neither 00 (dynamic) nor FF (static)", "note: DTC format byte 07 is none of 01 to 04", "note: PGN1 identifier byte has bits 2-0 set", "note: PGN1 parameter type 5 is none of the tool's types", "note: PGN2 rate word 0007 is none of the tool's update rates"};
    // clang-format on
  }
  void described() {
    QFETCH(QString, frame);
    QFETCH(QStringList, lines);
    QByteArray bytes = fromHex(frame);
    bytes.append(static_cast<char>(FrameChecksum(bytes)));
    DecodedConfigFrame d;
    QVERIFY(!DecodeConfigFrame(bytes, d));
    QCOMPARE(DescribeConfigFrame(d), lines);
  }

  void rateWordsAndChecksum() {
    const int words[] = {0x8000, 5, 10, 50, 100, 500};
    for (int slot = 1; slot <= 2; ++slot)
      for (int16_t rate = 0; rate < 6; ++rate) {
        const Frames f = build(benchRecord([&](auto& c) { c.Pgns[slot - 1].UpdateRate = rate; }));
        QCOMPARE(f.v1[slot * 10 + 1] | f.v1[slot * 10 + 2] << 8, words[rate]);
      }
    QCOMPARE(FrameChecksum(QByteArray(18, '\xFF') + '\x46'), 0x34);  // 0x1234
  }

  // A record no frame can carry is refused, naming the field, with both frames
  // left as they were; the first such field in frame order is the one named.
  void refusals_data() {
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<QString>("field");
    QTest::newRow("address 80") << Edit([](auto& c) { c.SourceAddress = 0x80; }) << "SourceAddress";
    QTest::newRow("DTC format 4") << Edit([](auto& c) { c.DtcVersion = 4; }) << "DtcVersion";
    QTest::newRow("first in frame order")
        << Edit([](auto& c) { c.Pgns[1].Priority = c.Pgns[0].ParamPos = -1; }) << "Pgn1ParamPos";
    using P = PgnSlotConfig;
    const std::tuple<const char*, int16_t P::*, int16_t> bad[] = {
        {"UpdateRate", &P::UpdateRate, -1}, {"UpdateRate", &P::UpdateRate, 6},
        {"Priority", &P::Priority, -1},     {"Priority", &P::Priority, 8},
        {"DataLength", &P::DataLength, -1}, {"ParamPos", &P::ParamPos, -1}};
    for (int slot = 1; slot <= 2; ++slot)
      for (const auto& [name, field, value] : bad)
        QTest::addRow("Pgn%d%s %d", slot, name, value)
            << Edit([=](auto& c) { c.Pgns[slot - 1].*field = value; })
            << QStringLiteral("Pgn%1%2").arg(slot).arg(name);
  }
  void refusals() {
    QFETCH(Edit, edit);
    QFETCH(QString, field);
    const Frames f = build(benchRecord(edit));
    QVERIFY(f.failure);
    QCOMPARE(f.failure->what, field);
    QCOMPARE(FrameBytes(f.v1) + FrameBytes(f.v2), QByteArray(32 + 49, '\xEE'));
  }
};

J1939_TEST_MAIN(FramesTest, "frames")
#include "tst_frames.moc"
