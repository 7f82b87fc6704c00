#include <QTest>

#include "rules/j1939/BusTraffic.h"
#include "rules/j1939/DeviceExpectations.h"
#include "rules/j1939/GroupNames.h"
#include "rules/j1939/Verification.h"
#include "support/Records.h"
#include "support/TestMain.h"

using Messages = QList<BusMessage>;
using Change = std::function<void(Messages&)>;
Q_DECLARE_METATYPE(Change)

namespace {

BusMessage message(qint64 ms, const CanFrame& frame, bool byBam = false) {
  const J1939Identifier id = DecodeIdentifier(frame.identifier);
  return BusMessage{ms, id, PgnOf(id), frame.data, byBam};
}

// A group's sending as the decoder gives it: a BAM at the transport's
// priority, to all.
BusMessage sending(qint64 ms, const ExpectedGroup& g, uint32_t value) {
  if (!g.byBam()) return message(ms, FrameFor(g.identifier, g.dataWith(value)));
  return message(
      ms, FrameFor(IdentifierFor(g.pgn, 7, g.identifier.sourceAddress), g.dataWith(value)), true);
}

// What verify records of a device that plays `e` as it should for `ms`: the
// Requests that verify sends for `asked`, at their times, each answered 2 ms
// later, and each periodic group from 5 ms on, its period stretched by `stretch`.
Messages played(const DeviceExpectations& e, const DeviceExpectations& asked, qint64 ms,
                double stretch = 1.0) {
  Messages list;
  std::map<uint32_t, int> sent;
  const std::pair<int, qint64> rounds[] = {{0, 0}, {1, 200}, {2, std::max<qint64>(300, ms / 2)}};
  for (const auto& [round, at] : rounds) {
    for (const CanFrame& request : VerificationRequests(asked, e.sourceAddress, round)) {
      list << message(at, request);
      const uint32_t pgn = *RequestedPgn(request, e.sourceAddress);
      if (pgn == kPgnAddressClaimed)
        list << message(at + 2, e.addressClaim);
      else if (const ExpectedGroup* g = e.answerTo(pgn))
        list << sending(at + 2, *g, ParameterValue(e.dynamic, g->parameterSize, sent[pgn]++));
    }
  }
  for (const ExpectedGroup& g : e.additional + e.background) {
    for (int n = 0; g.periodMs > 0 && 5 + n * g.periodMs * stretch < ms; ++n)
      list << sending(qint64(5 + n * g.periodMs * stretch), g,
                      ParameterValue(e.dynamic, g.parameterSize, n));
  }
  return list;
}

QStringList lines(const QList<Verdict>& verdicts, bool failingOnly) {
  QStringList list;
  for (const Verdict& v : verdicts)
    if (!failingOnly || !v.holds)
      list << (v.holds ? "ok    " : "FAIL  ") + v.expectation + ": " + v.measured;
  return list;
}

}  // namespace

// The bus decoded and tallied, and a device's traffic judged against its
// configuration: pure functions over messages with their times.
class VerificationTest : public QObject {
  Q_OBJECT
 private slots:
  // A BAM is one message at its announcement's time and priority; connection
  // mode and other transport frames to one address (an abort too) are
  // messages as they are.
  void decoder() {
    BusDecoder decoder;
    QList<BusItem> items;
    const QList<CanFrame> bam = BamFrames(65260, "1FUJGLDR5CSBM1234*", 0x25, 6);
    for (int i = 0; i < bam.size(); ++i) items << decoder.take(bam[i], 1000 + 50 * i);
    const CanFrame rts{0x1CEC2125, QByteArray::fromHex("10140003FFECFE00")};
    const CanFrame dt{0x1CEB2125, QByteArray::fromHex("0131464A474C4452")};
    const CanFrame eec1{0x0CF00425, QByteArray(8, '\xFF')};
    // A connection's abort goes to one address; BAM's alone goes to all.
    const CanFrame abort{0x1CEC2125, QByteArray::fromHex("FF03FFFFFFECFE00")};
    items << decoder.take(rts, 1200) << decoder.take(dt, 1201) << decoder.take(eec1, 1202)
          << decoder.take(abort, 1203);
    // A short TP.CM, then a BAM from 26 whose sender falls silent.
    items << decoder.take(CanFrame{0x1CECFF26, "\x20"}, 1300);
    items << decoder.take(BamFrames(65262, QByteArray(9, 'x'), 0x26)[0], 1400);
    items << decoder.expire(2150) << decoder.expire(2151);
    const QList<BusItem> expected{
        BusMessage{1000, IdentifierFor(65260, 6, 0x25), 65260, "1FUJGLDR5CSBM1234*", true},
        message(1200, rts),
        message(1201, dt),
        message(1202, eec1),
        message(1203, abort),
        TransportFault{1300, BamEvent{BamEventKind::ShortFrame, 0x26, 0, 0, {}}},
        TransportFault{2151, BamEvent{BamEventKind::TimedOut, 0x26, 65262, 1, {}}}};
    QCOMPARE(items, expected);
  }

  // Mean period and jitter of the intervals 10, 20 and 30 ms; groups by
  // source, then PGN.
  void tally() {
    BusTally tally;
    const CanFrame frames[] = {{0x18FEEE30, "a"}, {0x18FEEE25, "b"}, {0x0CF00425, "c"}};
    for (qint64 at : {100, 110, 130, 160}) tally.add(message(at, frames[0]));
    tally.add(message(5, frames[1]));
    tally.add(message(7, {0x18FEEE25, "last"}));
    tally.add(message(9, frames[2]));
    const QList<GroupStatistics> groups = tally.groups();
    QCOMPARE(tally.messages(), 7);
    QCOMPARE(groups.size(), 3);
    QCOMPARE((QList<uint32_t>{groups[0].source, groups[1].source, groups[2].source}),
             (QList<uint32_t>{0x25, 0x25, 0x30}));
    QCOMPARE((QList<uint32_t>{groups[0].pgn, groups[1].pgn}), (QList<uint32_t>{61444, 65262}));
    QCOMPARE(groups[2].count, 4);
    QCOMPARE(groups[2].meanPeriodMs(), 20.0);
    QCOMPARE(groups[2].jitterMs(), std::sqrt(200.0 / 3));
    QCOMPARE(groups[2].lastData, "a");
    QCOMPARE(groups[1].lastData, "last");
    QCOMPARE(groups[1].jitterMs(), 0.0);
    QCOMPARE(groups[0].meanPeriodMs(), 0.0);
    QCOMPARE(groups[0].jitterMs(), 0.0);  // seen once: no interval, no jitter
  }

  // The bench configuration played as it should: every expectation, whole.
  void everyExpectation() {
    const DeviceExpectations e = ExpectationsOf(benchRecord());
    DeviceObservation observation(e, 500);
    for (const BusMessage& m : played(e, e, 2000)) observation.take(m);
    const QString pgn1 = "PGN1 65296 (FF10) ", pgn2 = "PGN2 126720 (1EF00) ";
    QCOMPARE(
        lines(observation.verdicts(2000, 500000), false),
        (QStringList{"ok    address 25 claimed with NAME 2705813A0C6B3039: claimed with that NAME",
                     "ok    " + pgn1 + "priority 6: priority 6",
                     "ok    " + pgn1 + "reserved bit 0: reserved bit 0",
                     "ok    " + pgn1 + "data page 0: data page 0", "ok    " + pgn1 + "PF FF: PF FF",
                     "ok    " + pgn1 + "PS 10: PS 10", "ok    " + pgn1 + "8 bytes: 8 bytes",
                     "ok    " + pgn1 + "every 100 ms: every 100.0 ms (jitter 0.0 ms)",
                     "ok    " + pgn1 + "parameter changes (dynamic): changes",
                     // By BAM: no priority of its own, and to all.
                     "ok    " + pgn2 + "reserved bit 0: reserved bit 0",
                     "ok    " + pgn2 + "data page 1: data page 1", "ok    " + pgn2 + "PF EF: PF EF",
                     "ok    " + pgn2 + "20 bytes by BAM: 20 bytes by BAM",
                     "ok    " + pgn2 + "every 200 ms: every 200.0 ms (jitter 0.0 ms)",
                     "ok    " + pgn2 + "parameter changes (dynamic): changes",
                     "ok    VIN \"1FUJGLDR5CSBM1234\": VIN \"1FUJGLDR5CSBM1234\"",
                     "ok    bit rate 500 kbit/s: the interface runs at 500 kbit/s"}));
    QCOMPARE(observation.deviceAddress(), 0x25);
    QCOMPARE(observation.silence(2500, 500000),
             "no frames in 2.5 s: is the bus connected and at 500 kbit/s?");
    QCOMPARE(observation.silence(2000, 250000),
             "no frames in 2 s: is the bus connected and at 500 kbit/s? The interface runs at "
             "250 kbit/s.");
    // Other nodes' traffic is not kept, also once another node has claimed an
    // address with a NAME of its own (its claim is kept, as every claim is).
    const qsizetype kept = observation.messages().size();
    observation.take(message(10, {0x18EEFF26, QByteArray::fromHex("0102030405060708")}));
    observation.take(message(10, {0x18FF0080, "load"}));
    observation.take(message(10, {0x0CF00426, "EEC1 of another"}));
    QCOMPARE(observation.messages().size(), kept + 1);
    // The device's own NAME claimed from another address, in the claim's
    // eight bytes: what it sends from there is kept, as it is the device's.
    observation.take(message(10, {0x18EEFF27, QByteArray::fromHex("39306B0C3A810527")}));
    observation.take(message(10, {0x0CF00427, "EEC1 of it"}));
    QCOMPARE(observation.messages().size(), kept + 3);
  }

  // Each difference between the configuration (`file`) and what the device
  // does (the bench, edited by `device`, played with its periods stretched,
  // then `change`d) fails exactly its expectations.
  void differences_data() {
    QTest::addColumn<Edit>("file");
    QTest::addColumn<Edit>("device");
    QTest::addColumn<double>("stretch");
    QTest::addColumn<Change>("change");
    QTest::addColumn<QStringList>("failing");
    const QString pgn1 = "FAIL  PGN1 65296 (FF10) ";
    auto claims = [](const char* name) {
      return [name](Messages& list) {
        for (BusMessage& m : list)
          if (m.pgn == kPgnAddressClaimed) m.data = QByteArray::fromHex(name);
      };
    };
    auto pgn1Messages = [](const std::function<void(BusMessage&)>& change) {
      return [change](Messages& list) {
        for (BusMessage& m : list)
          if (m.pgn == 65296) change(m);
      };
    };
    // clang-format off
    QTest::newRow("as played") << Edit{} << Edit{} << 1.0 << Change{} << QStringList{};
    QTest::newRow("another NAME") << Edit{} << Edit{} << 1.0 << Change{claims("3930FF0C3A820527")} << QStringList{"FAIL  address 25 claimed with NAME 2705813A0C6B3039: claimed with NAME 2705823A0CFF3039 (IdentityNumber 2043961, not 733241; ManufacturerCode 103, not 99; Function 130, not 129)"};
    QTest::newRow("bit 48 and 63") << Edit{} << Edit{} << 1.0 << Change{claims("39306B0C3A8105A7")} << QStringList{"FAIL  address 25 claimed with NAME 2705813A0C6B3039: claimed with NAME A705813A0C6B3039 (ArbitraryAddressCapable 1, not 0)"};
    QTest::newRow("another claimant") << Edit{} << Edit{} << 1.0 << Change{[](Messages& l) { l << message(3, {0x18EEFF25, QByteArray::fromHex("39306B0C3A810427")}); }} << QStringList{"FAIL  address 25 claimed with NAME 2705813A0C6B3039: claimed with that NAME, and by another claimant with NAME 2704813A0C6B3039 (bit 48 0, not 1)"};
    QTest::newRow("at another address") << Edit{[](SimulatorConfig& c) { c.SourceAddress = 0x26; }} << Edit{} << 1.0 << Change{} << QStringList{"FAIL  address 26 claimed with NAME 2705813A0C6B3039: no Address Claimed from 26; that NAME claimed 25"};
    QTest::newRow("no claim") << Edit{} << Edit{} << 1.0 << Change{[](Messages& l) { l.removeIf([](const BusMessage& m) { return m.pgn == kPgnAddressClaimed; }); }} << QStringList{"FAIL  address 25 claimed with NAME 2705813A0C6B3039: no Address Claimed from 25"};
    QTest::newRow("no claim, another node's") << Edit{} << Edit{} << 1.0 << Change{[](Messages& l) { l.removeIf([](const BusMessage& m) { return m.pgn == kPgnAddressClaimed; }); l.prepend(message(1, {0x18EEFF30, QByteArray::fromHex("0102030405060708")})); }} << QStringList{"FAIL  address 25 claimed with NAME 2705813A0C6B3039: no Address Claimed from 25"};
    QTest::newRow("two priorities") << Edit{} << Edit{} << 1.0 << Change{[](Messages& l) { for (BusMessage& m : l) if (m.pgn == 65296 && m.ms == 105) m.identifier.priority = 5; }} << QStringList{pgn1 + "priority 6: priorities 5, 6"};
    QTest::newRow("PF") << Edit{[](SimulatorConfig& c) { c.Pgns[0].Pf = 0xFE; }} << Edit{} << 1.0 << Change{} << QStringList{"FAIL  PGN1 65040 (FE10) PF FE: PF FF, as 65296 (FF10)"};
    // Two groups that differ from the slot's in PF alone: the lower is named, the same on every run.
    QTest::newRow("PF, two alike") << Edit{[](SimulatorConfig& c) { c.Pgns[0].Pf = 0xFE; }} << Edit{} << 1.0 << Change{[](Messages& l) { Messages alike; for (BusMessage m : l) if (m.pgn == 65296) m.pgn = 0xFD10, m.identifier.pf = 0xFD, alike << m; l += alike; }} << QStringList{"FAIL  PGN1 65040 (FE10) PF FE: PF FD, as 64784 (FD10)"};
    QTest::newRow("PS and data page") << Edit{[](SimulatorConfig& c) { c.Pgns[0].Ps = 0x11, c.Pgns[0].DataPage = 1; }} << Edit{} << 1.0 << Change{} << QStringList{"FAIL  PGN1 130833 (1FF11) data page 1: data page 0, as 65296 (FF10)", "FAIL  PGN1 130833 (1FF11) PS 11: PS 10, as 65296 (FF10)"};
    QTest::newRow("reserved bit") << Edit{} << Edit{} << 1.0 << Change{pgn1Messages([](BusMessage& m) { m.identifier.extendedDataPage = true, m.pgn |= 0x20000; })} << QStringList{pgn1 + "reserved bit 0: reserved bit 1, as 196368 (2FF10)"};
    QTest::newRow("one short") << Edit{} << Edit{} << 1.0 << Change{pgn1Messages([](BusMessage& m) { if (m.ms == 205) m.data.chop(1); })} << QStringList{pgn1 + "8 bytes: 7, 8 bytes"};
    QTest::newRow("static") << Edit{[](SimulatorConfig& c) { c.DynamicMode = 0; }} << Edit{} << 1.0 << Change{} << QStringList{pgn1 + "parameter stays (static): changes", "FAIL  PGN2 126720 (1EF00) parameter stays (static): changes"};
    QTest::newRow("stays") << Edit{} << Edit{} << 1.0 << Change{pgn1Messages([](BusMessage& m) { m.data = QByteArray(8, '\x7D'); })} << QStringList{pgn1 + "parameter changes (dynamic): stays at 7D 7D 7D 7D 7D 7D 7D 7D"};
    QTest::newRow("VIN") << Edit{[](SimulatorConfig& c) { setVin(c, "1FUJGLDR5CSBM1235"); }} << Edit{} << 1.0 << Change{} << QStringList{"FAIL  VIN \"1FUJGLDR5CSBM1235\": VIN \"1FUJGLDR5CSBM1234\""};
    QTest::newRow("VIN not answered") << Edit{} << Edit{} << 1.0 << Change{[](Messages& l) { l.removeIf([](const BusMessage& m) { return m.pgn == kPgnVehicleIdentification && m.byBam; }); }} << QStringList{"FAIL  VIN \"1FUJGLDR5CSBM1234\": no answer to the Request"};
    QTest::newRow("slot not sent") << Edit{} << Edit{} << 1.0 << Change{[](Messages& l) { l.removeIf([](const BusMessage& m) { return m.pgn == 65296; }); }} << QStringList{pgn1 + "priority 6: not seen from 25 in 2 s", pgn1 + "reserved bit 0: not seen from 25 in 2 s", pgn1 + "data page 0: not seen from 25 in 2 s", pgn1 + "PF FF: not seen from 25 in 2 s", pgn1 + "PS 10: not seen from 25 in 2 s", pgn1 + "8 bytes: not seen from 25 in 2 s", pgn1 + "every 100 ms: not seen from 25 in 2 s", pgn1 + "parameter changes (dynamic): not seen from 25 in 2 s"};
    // On request: each of the two Requests answered within 50 ms, nothing unasked.
    const Edit onRequest = [](SimulatorConfig& c) { c.Pgns[0].UpdateRate = 0; };
    QTest::newRow("on request") << onRequest << onRequest << 1.0 << Change{} << QStringList{};
    QTest::newRow("answered late") << onRequest << onRequest << 1.0 << Change{[](Messages& l) { for (BusMessage& m : l) if (m.pgn == 65296 && m.ms == 1002) m.ms += 49; }} << QStringList{pgn1 + "on request, within 50 ms: 1 of 2 Requests not answered within 50 ms"};
    QTest::newRow("periodic where on request") << onRequest << Edit{} << 1.0 << Change{} << QStringList{pgn1 + "on request, within 50 ms: every Request answered within 2 ms; 20 sent unasked"};
    QTest::newRow("not answered") << onRequest << onRequest << 1.0 << Change{[](Messages& l) { l.removeIf([](const BusMessage& m) { return m.pgn == 65296; }); }} << QStringList{pgn1 + "priority 6: not seen from 25 in 2 s", pgn1 + "reserved bit 0: not seen from 25 in 2 s", pgn1 + "data page 0: not seen from 25 in 2 s", pgn1 + "PF FF: not seen from 25 in 2 s", pgn1 + "PS 10: not seen from 25 in 2 s", pgn1 + "8 bytes: not seen from 25 in 2 s", pgn1 + "on request, within 50 ms: 2 of 2 Requests not answered within 50 ms", pgn1 + "parameter changes (dynamic): not seen from 25 in 2 s"};
    // The rate: within 10 % of the period, fitted to every sending's time.
    QTest::newRow("9 % slow") << Edit{} << Edit{} << 1.09 << Change{} << QStringList{};
    QTest::newRow("11 % slow") << Edit{} << Edit{} << 1.11 << Change{} << QStringList{pgn1 + "every 100 ms: every 111.0 ms (jitter 0.0 ms)", "FAIL  PGN2 126720 (1EF00) every 200 ms: every 222.0 ms (jitter 0.0 ms)"};
    QTest::newRow("once") << Edit{} << Edit{} << 1.0 << Change{[](Messages& l) { l.removeIf([](const BusMessage& m) { return m.pgn == 65296 && m.ms > 5; }); }} << QStringList{pgn1 + "every 100 ms: seen once in 2 s", pgn1 + "parameter changes (dynamic): seen once: no change to tell"};
    // clang-format on
  }
  void differences() {
    QFETCH(Edit, file);
    QFETCH(Edit, device);
    QFETCH(double, stretch);
    QFETCH(Change, change);
    QFETCH(QStringList, failing);
    const DeviceExpectations configured = ExpectationsOf(benchRecord(file));
    Messages list = played(ExpectationsOf(benchRecord(device)), configured, 2000, stretch);
    if (change) change(list);
    DeviceObservation observation(configured, 500);
    for (const BusMessage& m : list) observation.take(m);
    const QList<Verdict> verdicts = observation.verdicts(2000, std::nullopt);
    QCOMPARE(lines(verdicts, true), failing);
    QCOMPARE(verdicts.size(), 16);
  }

  // A watch that goes on forgets what came before its window, all but the
  // latest 64 of the messages that come now and then (claims, Requests and
  // the answers to them), which are judged over a longer time.
  void forgetting() {
    const DeviceExpectations e = ExpectationsOf(benchRecord([](SimulatorConfig& c) {
      c.Pgns[1].UpdateRate = 0;  // PGN2 on request
    }));
    const ExpectedGroup& periodic = e.additional[0];
    const ExpectedGroup& onRequest = e.additional[1];
    QCOMPARE(onRequest.periodMs, 0);
    const BusMessage claim = message(1, e.addressClaim);
    Messages requests;
    for (int i = 0; i < 70; ++i) requests << message(10 + i, RequestFrame(60928, 0xF9, 0x25));
    const Messages recent{sending(1000, periodic, 9),
                          message(1000, RequestFrame(60928, 0xF9, 0x25)),
                          sending(1500, periodic, 14)};
    const Messages all = Messages{claim, sending(3, onRequest, 0), sending(5, periodic, 0)} +
                         requests +
                         Messages{sending(500, periodic, 4), sending(600, onRequest, 1)} + recent;
    DeviceObservation observation(e, 250);
    for (const BusMessage& m : all) observation.take(m);
    observation.forgetBefore(1000);
    // 73 came now and then before 1000 ms: the claim, the first answer and
    // the first 7 Requests go.
    QCOMPARE(observation.messages(),
             requests.mid(7) + Messages{sending(600, onRequest, 1)} + recent);

    // Fewer than 64: the claim of long ago still stands.
    DeviceObservation shortWatch(e, 250);
    for (const BusMessage& m :
         Messages{claim, sending(5, periodic, 0)} + requests.mid(0, 3) + recent)
      shortWatch.take(m);
    shortWatch.forgetBefore(1000);
    QCOMPARE(shortWatch.messages(), Messages{claim} + requests.mid(0, 3) + recent);
    const Verdict claimed = shortWatch.verdicts(1500, std::nullopt).first();
    QVERIFY2(claimed.holds, qPrintable(claimed.expectation + ": " + claimed.measured));
  }

  void listening() {
    auto at = [](int rate, int length = 8) {
      return DefaultListeningMs(ExpectationsOf(benchRecord([&](SimulatorConfig& c) {
        c.Pgns[0].UpdateRate = static_cast<int16_t>(rate), c.Pgns[1].InUse = 0;
        c.Pgns[0].DataLength = static_cast<int16_t>(length);
      })));
    };
    QCOMPARE(at(0), 2000);                   // on request only
    QCOMPARE(at(3), 2000);                   // every 500 ms: 1750
    QCOMPARE(at(4), 3500);                   // every 1 s
    QCOMPARE(at(5), 17500);                  // every 5 s
    QCOMPARE(at(5, 1), 17500);               // one byte every 5 s
    QCOMPARE(at(1, 1785), (255 + 1) * 175);  // a BAM of 255 packets every 12.8 s
    const DeviceExpectations e = ExpectationsOf(benchRecord());
    QCOMPARE(VerificationRequests(e, 0x26, 0),
             (QList<CanFrame>{RequestFrame(60928, 0xF9, 0x26), RequestFrame(60928, 0xF9, 0xFF)}));
    QCOMPARE(VerificationRequests(e, 0x26, 1), QList<CanFrame>{RequestFrame(65260, 0xF9, 0x26)});
    QCOMPARE(VerificationRequests(e, 0x26, 2), QList<CanFrame>{});
  }
};

J1939_TEST_MAIN(VerificationTest, "verification")
#include "tst_verification.moc"
