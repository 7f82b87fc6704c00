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
