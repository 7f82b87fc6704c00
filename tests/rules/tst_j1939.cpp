#include <QRandomGenerator>
#include <QTest>

#include "rules/j1939/DeviceExpectations.h"
#include "rules/j1939/GroupNames.h"
#include "rules/j1939/Identifier.h"
#include "rules/j1939/Transport.h"
#include "rules/pgn/PgnMath.h"
#include "rules/protocol/ConfigFrames.h"
#include "support/Emulator.h"
#include "support/Records.h"
#include "support/SentGroups.h"
#include "support/TestMain.h"

namespace {

CanFrame frame(uint32_t identifier, const char* hex) {
  return CanFrame{identifier, QByteArray::fromHex(hex)};
}

// BAM frames from source 25 (TP.CM 1CECFF25, TP.DT 1CEBFF25), written out.
CanFrame announce(int size, int packets, uint32_t pgn, uint8_t control = 32) {
  QByteArray data(8, '\xFF');
  data[0] = static_cast<char>(control), data[1] = static_cast<char>(size & 0xFF);
  data[2] = static_cast<char>(size >> 8), data[3] = static_cast<char>(packets);
  data[5] = static_cast<char>(pgn), data[6] = static_cast<char>(pgn >> 8);
  data[7] = static_cast<char>(pgn >> 16);
  return {0x1CECFF25, data};
}
CanFrame packet(int sequence, uint32_t identifier = 0x1CEBFF25) {
  QByteArray data(8, static_cast<char>(sequence * 16));
  data[0] = static_cast<char>(sequence);
  return {identifier, data};
}
// The message that packets 1 to n carry, cut to `size`.
QByteArray carried(int size) {
  QByteArray data;
  for (int n = 1; n <= BamPacketCount(size); ++n) data += QByteArray(7, static_cast<char>(n * 16));
  return data.left(size);
}
BamEvent fault(BamEventKind kind, uint32_t pgn, int sequence = 0) {
  return BamEvent{kind, 0x25, pgn, sequence, {}};
}
BamEvent done(uint32_t pgn, const QByteArray& data) {
  return BamEvent{BamEventKind::Completed, 0x25, pgn, 0, data};
}

using Timed = QList<std::pair<CanFrame, qint64>>;
using Events = QList<BamEvent>;

}  // namespace

Q_DECLARE_METATYPE(Timed)
Q_DECLARE_METATYPE(Events)

// J1939 over CAN in the rules: identifiers, group names, the BAM transport,
// and what a configuration makes the device do.
class J1939RulesTest : public QObject {
  Q_OBJECT
 private slots:
  // Every priority, both page bits, PDU1 on both sides of PF 240 and PDU2.
  void identifiers() {
    struct Row {
      J1939Identifier id;
      uint32_t bits, pgn;
      uint8_t destination;
    };
    const Row rows[] = {
        {{0, false, false, 0xEA, 0xFF, 0x00}, 0x00EAFF00, 0xEA00, 0xFF},  // Request to all
        {{1, false, true, 0xEF, 0x21, 0x25}, 0x05EF2125, 0x1EF00, 0x21},  // PDU1, PF 239
        {{2, true, false, 0xF0, 0x04, 0x00}, 0x0AF00400, 0x2F004, 0xFF},  // PDU2, PF 240
        {{3, false, false, 0xF0, 0x04, 0x00}, 0x0CF00400, 61444, 0xFF},   // EEC1
        {{4, true, true, 0x00, 0x7F, 0x80}, 0x13007F80, 0x30000, 0x7F},   // both pages, PF 0
        {{5, false, false, 0xEF, 0xFE, 0x01}, 0x14EFFE01, 0xEF00, 0xFE},  // PDU1 to FE
        {{6, false, false, 0xFE, 0xEC, 0x25}, 0x18FEEC25, 65260, 0xFF},   // VI
        {{7, false, false, 0xEB, 0xFF, 0x25}, 0x1CEBFF25, 60160, 0xFF},   // TP.DT
        {{7, true, true, 0xFF, 0xFF, 0xFF}, 0x1FFFFFFF, 0x3FFFF, 0xFF},   // every bit
    };
    for (const Row& row : rows) {
      const QString at = QString::number(row.bits, 16);
      QVERIFY2(EncodeIdentifier(row.id) == row.bits, qPrintable(at));
      QVERIFY2(DecodeIdentifier(row.bits) == row.id, qPrintable(at));
      QVERIFY2(DecodeIdentifier(row.bits | 0xE0000000) == row.id, qPrintable(at));
      QCOMPARE(PgnOf(row.id), row.pgn);
      QCOMPARE(DestinationOf(row.id), row.destination);
      // Built from the PGN: a PDU2 group ignores the destination it is given.
      const uint8_t asked = IsPdu1(row.id.pf) ? row.id.ps : 0x33;
      QVERIFY2(IdentifierFor(row.pgn, row.id.priority, row.id.sourceAddress, asked) == row.id,
               qPrintable(at));
    }
    // A PDU1 PGN's low byte and the bits above 17 are no part of the identifier.
    QCOMPARE(EncodeIdentifier(IdentifierFor(0xFEF00 | 0x12, 6, 0x25, 0x21)), 0x1BEF2125u);
  }

  // Every group the simulator sends by its J1939 name; PGNs beside them and
  // DM1 on the other data page have none.
  void groupNames() {
    const auto label = [](const SentGroup& g) {
      QCOMPARE(ParameterGroupLabel(g.pgn), QStringLiteral("%1 (%2)").arg(g.acronym).arg(g.pgn));
    };
    for (const SentGroup& g : kSentByEverySimulator) label(g);
    for (const SentGroup& g : kSentByVersion200) label(g);
    const std::pair<uint32_t, const char*> named[] = {
        {60928, "ACL (60928)"}, {60416, "TP.CM (60416)"}, {60160, "TP.DT (60160)"},
        {65227, "65227"},       {65268, "65268"},         {130762, "130762"}};
    for (const auto& [pgn, label] : named) QCOMPARE(ParameterGroupLabel(pgn), label);
  }

  // Two PGN texts name the same group when both are decimal and equal once
  // leading zeros are dropped, beyond 32 bits too; a text that is no number
  // names none, not even the same text.
  void pgnTexts() {
    const std::tuple<const char*, const char*, bool> rows[] = {
        {"65280", "065280", true}, {"0", "000", true},
        {"65280", "65281", false}, {"12a", "12a", false},
        {"", "", false},           {"65280", "6528O", false},
        {"0", "", false},          {"99999999999", "0099999999999", true}};
    for (const auto& [a, b, equal] : rows) {
      QVERIFY2(PgnTextsEqual(a, b) == equal, a);
      QVERIFY2(PgnTextsEqual(b, a) == equal, b);
    }
    QVERIFY(IsBuiltInPgnText("065226") && !IsBuiltInPgnText("65226 ") && !IsBuiltInPgnText(""));
    QCOMPARE(ReadPgnText("2147483647"), std::optional<int32_t>(2147483647));
    QCOMPARE(ReadPgnText("2147483648"), std::nullopt);
  }

  void bamSegments() {
    // The VIN of the bench with its "*": three packets, the last padded with FF.
    QCOMPARE(BamFrames(65260, "1FUJGLDR5CSBM1234*", 0x25),
             (QList<CanFrame>{frame(0x1CECFF25, "20120003FFECFE00"),
                              frame(0x1CEBFF25,
                                    "01"
                                    "3146554A474C44"),
                              frame(0x1CEBFF25,
                                    "02"
                                    "52354353424D31"),
                              frame(0x1CEBFF25,
                                    "03"
                                    "3233342AFFFFFF")}));
    QCOMPARE(BamFrames(65260, "*", 0x25, 3).value(1), frame(0x0CEBFF25, "012AFFFFFFFFFFFF"));
    QVERIFY(BamFrames(65260, QByteArray(1786, 'x'), 0x25).isEmpty());
    QVERIFY(BamFrames(65260, QByteArray(), 0x25).isEmpty());
    // Sizes around the packet boundaries and the largest go round the reassembler whole.
    for (int size : {9, 14, 15, 1784, 1785}) {
      QByteArray data(size, '\0');
      for (int i = 0; i < size; ++i) data[i] = static_cast<char>(i * 7 + size);
      const QList<CanFrame> frames = BamFrames(0x1EF00, data, 0x25);
      QCOMPARE(frames.size(), 1 + BamPacketCount(size));
      QCOMPARE(frames.first(), announce(size, BamPacketCount(size), 0x1EF00));
      BamReassembler reassembler;
      Events events;
      for (qsizetype i = 0; i < frames.size(); ++i) events << reassembler.take(frames[i], 50 * i);
      QCOMPARE(events, Events{done(0x1EF00, data)});
    }
  }

  // Each fault is reported once, and the reassembler survives it: a BAM from
  // the same source after the row always comes through whole.
  void bamFaults_data() {
    QTest::addColumn<Timed>("frames");
    QTest::addColumn<Events>("events");
    const uint32_t vi = 65260, other = 65262;
    auto bam3 = [&](uint32_t pgn, qint64 at) {
      return Timed{{announce(20, 3, pgn), at},
                   {packet(1), at + 50},
                   {packet(2), at + 100},
                   {packet(3), at + 150}};
    };
    // clang-format off
    QTest::newRow("whole") << bam3(vi, 0) << Events{done(vi, carried(20))};
    QTest::newRow("missing packet") << Timed{{announce(20, 3, vi), 0}, {packet(1), 50}, {packet(3), 100}} << Events{fault(BamEventKind::MissingPacket, vi, 3)};
    QTest::newRow("repeated packet") << Timed{{announce(20, 3, vi), 0}, {packet(1), 50}, {packet(1), 60}, {packet(2), 100}, {packet(3), 150}} << Events{fault(BamEventKind::RepeatedPacket, vi, 1), done(vi, carried(20))};
    QTest::newRow("sequence number 0") << Timed{{announce(20, 3, vi), 0}, {packet(0), 50}, {packet(1), 100}} << Events{fault(BamEventKind::WrongSequenceNumber, vi, 0)};
    QTest::newRow("sequence number above the count") << Timed{{announce(20, 3, vi), 0}, {packet(1), 50}, {packet(4), 100}} << Events{fault(BamEventKind::WrongSequenceNumber, vi, 4)};
    QTest::newRow("sequence number going back") << Timed{{announce(20, 3, vi), 0}, {packet(1), 50}, {packet(2), 100}, {packet(1), 150}} << Events{fault(BamEventKind::WrongSequenceNumber, vi, 1)};
    QTest::newRow("aborted") << Timed{{announce(20, 3, vi), 0}, {packet(1), 50}, {announce(0, 0, vi, 255), 60}, {packet(2), 100}} << Events{fault(BamEventKind::Aborted, vi), fault(BamEventKind::NoAnnouncement, 0, 2)};
    QTest::newRow("abort of another group") << Timed{{announce(20, 3, vi), 0}, {announce(0, 0, other, 255), 10}, {packet(1), 50}, {packet(2), 100}, {packet(3), 150}} << Events{done(vi, carried(20))};
    QTest::newRow("second BAM before the first ended") << Timed{{announce(20, 3, vi), 0}, {packet(1), 50}} + bam3(other, 100) << Events{fault(BamEventKind::Interrupted, vi, 1), done(other, carried(20))};
    QTest::newRow("packet with no announcement") << Timed{{packet(1), 0}} << Events{fault(BamEventKind::NoAnnouncement, 0, 1)};
    QTest::newRow("size over 1785") << Timed{{announce(1786, 255, vi), 0}, {packet(1), 50}, {packet(2), 100}} << Events{fault(BamEventKind::SizeOverLimit, vi)};
    QTest::newRow("packet count against the size") << Timed{{announce(20, 4, vi), 0}, {packet(1), 50}} << Events{fault(BamEventKind::PacketCountMismatch, vi)};
    QTest::newRow("size 0") << Timed{{announce(0, 0, vi), 0}} << Events{fault(BamEventKind::PacketCountMismatch, vi)};
    QTest::newRow("short TP.DT") << Timed{{announce(20, 3, vi), 0}, {CanFrame{0x1CEBFF25, "\x01"}, 40}, {packet(1), 50}, {packet(2), 100}, {packet(3), 150}} << Events{fault(BamEventKind::ShortFrame, 0), done(vi, carried(20))};
    QTest::newRow("packet 751 ms late") << Timed{{announce(20, 3, vi), 0}, {packet(1), 50}, {packet(2), 801}} << Events{fault(BamEventKind::TimedOut, vi, 2), fault(BamEventKind::NoAnnouncement, 0, 2)};
    QTest::newRow("packet 750 ms late") << Timed{{announce(20, 3, vi), 0}, {packet(1), 50}, {packet(2), 800}, {packet(3), 850}} << Events{done(vi, carried(20))};
    // Connection mode and other traffic belong to no BAM.
    QTest::newRow("TP.DT to one address, RTS, EEC1") << Timed{{packet(1, 0x1CEB2125), 0}, {announce(20, 3, vi, 16), 10}, {frame(0x0CF00425, "FFFFFFFFFFFFFFFF"), 20}} << Events{};
    // clang-format on
  }
  void bamFaults() {
    QFETCH(Timed, frames);
    QFETCH(Events, events);
    BamReassembler reassembler;
    Events seen;
    for (const auto& [f, at] : frames) seen << reassembler.take(f, at);
    QCOMPARE(seen, events);
    const qint64 later = frames.last().second + 100;
    // Another source's BAM meanwhile does not disturb it.
    const QList<CanFrame> after = BamFrames(65262, "after a fault", 0x25);
    QList<CanFrame> beside = BamFrames(65226, "from elsewhere", 0x26);
    seen.clear();
    for (qsizetype i = 0; i < after.size(); ++i) {
      seen << reassembler.take(after[i], later + 50 * i)
           << reassembler.take(beside[i], later + 50 * i);
    }
    QCOMPARE(seen, (Events{done(65262, "after a fault"),
                           BamEvent{BamEventKind::Completed, 0x26, 65226, 0, "from elsewhere"}}));
    QCOMPARE(reassembler.transfersUnderWay(), 0);
  }

  void bamExpiry() {
    BamReassembler reassembler;
    reassembler.take(announce(20, 3, 65260), 1000);
    QCOMPARE(reassembler.expire(1750), Events{});
    QCOMPARE(reassembler.expire(1751), Events{fault(BamEventKind::TimedOut, 65260, 1)});
    QCOMPARE(reassembler.transfersUnderWay(), 0);
    QCOMPARE(DescribeBamEvent(fault(BamEventKind::TimedOut, 65260, 1)),
             "BAM from 25: VI (65260): packet 1 did not come within 750 ms; dropped");
  }

  // The bench record: slot 1 PDU2 every 100 ms, slot 2 PDU1 on data page 1
  // every 50 ms with 20 bytes, so by BAM and no faster than a BAM goes.
  void expectations() {
    const DeviceExpectations e = ExpectationsOf(benchRecord());
    QCOMPARE(e.addressClaim, frame(0x18EEFF25, "39306B0C3A810527"));
    QCOMPARE(e.additional.size(), 2);
    const ExpectedGroup& one = e.additional[0];
    QCOMPARE(EncodeIdentifier(one.identifier), 0x18FF1025u);
    QCOMPARE(one.dataWith(0xFAFF), QByteArray::fromHex("FFFFFFFAFFFFFFFF"));
    const ExpectedGroup& two = e.additional[1];
    QCOMPARE(EncodeIdentifier(two.identifier), 0x0DEF0025u);
    QCOMPARE(two.dataWith(0x01020304), QByteArray(16, '\xFF') + QByteArray::fromHex("04030201"));
    QCOMPARE(two.periodMs, 200);
    QCOMPARE(e.vehicleIdentification->dataWith(0), "1FUJGLDR5CSBM1234*");
    QCOMPARE(e.answerTo(0x1EF00), &two);
    QCOMPARE(e.answerTo(65260), &*e.vehicleIdentification);
    QCOMPARE(e.answerTo(61444), nullptr);  // the background is not asked for
    QStringList background;
    for (const ExpectedGroup& g : e.background)
      background << QStringLiteral("%1 %2 %3 %4")
                        .arg(g.label)
                        .arg(EncodeIdentifier(g.identifier), 0, 16)
                        .arg(g.periodMs)
                        .arg(QString(g.dataWith(0).toHex()));
    QCOMPARE(
        background,
        (QStringList{"EEC1 cf00425 20 ffffffffffffffff", "EEC2 cf00325 50 ffffffffffffffff",
                     "ET1 18feee25 1000 ffffffffffffffff", "DM1 18feca25 1000 00ff00000000ffff"}));
    QCOMPARE(DescribeExpectations(e),
             "plays: address 25, NAME 2705813A0C6B3039, dynamic; PGN1 65296 18FF1025 8 bytes every "
             "100 ms; PGN2 126720 0DEF0025 20 bytes by BAM every 200 ms (50 ms asked; a BAM takes "
             "longer); VI 65260 18FEEC25 18 bytes by BAM on request");
  }

  // One row per reading of a slot: the line that says what the device plays.
  void expectationLines_data() {
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<QString>("line");
    const QString head = "plays: address 25, NAME 2705813A0C6B3039, ";
    const QString one = "PGN1 65296 18FF1025 8 bytes every 100 ms";
    // clang-format off
    QTest::newRow("1.01, static, slot 2 deleted") << Edit([](auto& c) { c.SimulatorVersion = 0, c.DynamicMode = 0, c.Pgns[1].InUse = 0; }) << head + "static; " + one + "; PGN2 not sent: deleted";
    QTest::newRow("any mode but 0 is dynamic, a greyed box sets no bit") << Edit([](auto& c) { c.SimulatorVersion = 0, c.DynamicMode = 5, c.Pgns[1].DataPage = 2, c.Pgns[1].Reserved = 1, c.Pgns[1].UpdateRate = 0, c.Pgns[1].DataLength = 8, c.Pgns[1].ParamPos = 5, c.Pgns[1].Ps = 0x21; }) << head + "dynamic; " + one + "; PGN2 192256 0EEF2125 8 bytes on request";
    QTest::newRow("9 bytes every 5 s, a VIN of 3") << Edit([](auto& c) { setVin(c, "ABC"), c.Pgns[1].UpdateRate = 5, c.Pgns[1].DataLength = 9, c.Pgns[1].ParamPos = 6; }) << head + "dynamic; " + one + "; PGN2 126720 0DEF0025 9 bytes by BAM every 5000 ms; VI 65260 18FEEC25 4 bytes on request";
    QTest::newRow("lengths 0 and 1786") << Edit([](auto& c) { c.SimulatorVersion = 0, c.Pgns[0].DataLength = 0, c.Pgns[1].DataLength = 1786; }) << head + "dynamic; PGN1 not sent: a data length of 0, where J1939 carries 1 to 1785; PGN2 not sent: a data length of 1786, where J1939 carries 1 to 1785";
    QTest::newRow("rate of none of the tool's") << Edit([](auto& c) { c.SimulatorVersion = 0, c.Pgns[1].UpdateRate = -1; }) << head + "dynamic; " + one + "; PGN2 not sent: its update rate is none of the tool's";
    QTest::newRow("parameter out of the data, type 3") << Edit([](auto& c) { c.SimulatorVersion = 0, c.Pgns[0].ParamPos = 8, c.Pgns[1].ParamType = 3; }) << head + "dynamic; " + one + "; PGN2 126720 0DEF0025 20 bytes by BAM every 200 ms (50 ms asked; a BAM takes longer); PGN1: a parameter of 2 bytes at 8 does not fit 8 bytes; no parameter; PGN2: parameter type 3 is none of the tool's; no parameter";
    // clang-format on
  }
  void expectationLines() {
    QFETCH(Edit, edit);
    QFETCH(QString, line);
    QCOMPARE(DescribeExpectations(ExpectationsOf(benchRecord(edit))), line);
  }

  // The device knows only the frame: what it makes of the frame it received
  // is what the record promises, for any record that a frame can carry.
  void expectationsFromTheFrame() {
    QRandomGenerator random(1939);
    auto pick = [&](int low, int high) {
      return static_cast<int16_t>(random.bounded(low, high + 1));
    };
    for (int round = 0; round < 300; ++round) {
      SimulatorConfig c;
      c.SourceAddress = static_cast<uint8_t>(pick(0, 0x7F));
      for (uint8_t& b : c.DeviceName) b = static_cast<uint8_t>(pick(0, 255));
      c.DynamicMode = pick(-1, 1), c.SimulatorVersion = pick(0, 1),
      c.DtcVersion = static_cast<uint8_t>(pick(0, 3));
      for (uint8_t& b : c.Vin) b = static_cast<uint8_t>(pick(0, 3) == 0 ? 0 : pick(0x30, 0x5A));
      c.CanBaudRate = pick(-1, 0);
      for (PgnSlotConfig& s : c.Pgns) {
        s.InUse = pick(0, 1), s.UpdateRate = pick(0, 5), s.Priority = pick(0, 7);
        s.DataPage = pick(0, 2), s.Reserved = pick(0, 2);
        s.Pf = static_cast<uint8_t>(pick(0, 255)), s.Ps = static_cast<uint8_t>(pick(0, 255));
        s.Pgn = pick(0, 30000), s.DataLength = pick(0, 1800);
        s.ParamType = static_cast<uint8_t>(pick(0, 3)), s.ParamPos = pick(0, 1800);
      }
      ConfigFrameV1Bytes v1{};
      ConfigFrameV2Bytes v2{};
      QVERIFY(!BuildConfigFrames(c, v1, v2));
      DecodedConfigFrame decoded;
      QVERIFY(
          !DecodeConfigFrame(c.SimulatorVersion == 0 ? FrameBytes(v1) : FrameBytes(v2), decoded));
      const DeviceExpectations fromFrame = ExpectationsOf(ConfigFromFrame(decoded));
      QCOMPARE(DescribeExpectations(fromFrame), DescribeExpectations(ExpectationsOf(c)));
      QVERIFY(fromFrame == ExpectationsOf(c));
    }
  }

  void parameterValues() {
    struct Row {
      bool dynamic;
      int size;
      int64_t transmission;
      uint32_t value;
    };
    const Row rows[] = {
        {true, 1, 0, 0},
        {true, 1, 1, 1},
        {true, 1, 250, 0xFA},
        {true, 1, 251, 0},
        {true, 2, 1, 257},
        {true, 2, 250, 0xFAFF},
        {true, 4, 1, 16844324},
        {true, 4, 250, 0xFAFFFFFF},
        {true, 4, 251 * 7 + 125, 2105540607},
        {false, 1, 0, 125},
        {false, 2, 9, 32127},
        {false, 4, 1000, 2105540607},
    };
    for (const Row& row : rows)
      QCOMPARE(ParameterValue(row.dynamic, row.size, row.transmission), row.value);
  }

  void requests() {
    QCOMPARE(RequestFrame(65260, 0xF9, 0x25), frame(0x18EA25F9, "ECFE00"));
    struct Row {
      CanFrame frame;
      std::optional<uint32_t> pgn;
    };
    const Row rows[] = {
        {RequestFrame(60928, 0xF9, 0xFF), 60928}, {RequestFrame(0x1EF00, 0xF9, 0x25), 0x1EF00},
        {RequestFrame(60928, 0xF9, 0x26), {}},    {frame(0x18EA25F9, "ECFE"), {}},
        {frame(0x18EB25F9, "ECFE00"), {}},        {frame(0x18EA25F9, "ECFE00FFFF"), 65260},
    };
    for (const Row& row : rows) QCOMPARE(RequestedPgn(row.frame, 0x25), row.pgn);
  }
};

J1939_TEST_MAIN(J1939RulesTest, "j1939")
#include "tst_j1939.moc"
