#include <fcntl.h>
#include <unistd.h>

#include <QCanBus>
#include <QCanBusDevice>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "rules/j1939/DeviceExpectations.h"
#include "rules/j1939/GroupNames.h"
#include "rules/j1939/Transport.h"
#include "support/Emulator.h"
#include "support/Records.h"
#include "support/TestMain.h"
#include "support/VirtualBus.h"

namespace {

// A virtual bus of the test's own, apart from those of tst_verify and
// tst_busdock: the test process holds bus 0, which its tests take in turn;
// bus 1 is served by a j1939sim.
QString busInterface(int bus) {
  return virtualBus(20000, 5000, 2, bus);
}

struct Seen {
  CanFrame frame;
  qint64 ms;
};

// The test's end of the bus: a plain QCanBusDevice that keeps every frame with
// the time it came. Connecting first, the test process holds the bus's server.
class Bus {
 public:
  explicit Bus(const QString& interface) {
    clock_.start();
    reader_.reset(QCanBus::instance()->createDevice("virtualcan", interface.mid(11)));
    sender_.reset(QCanBus::instance()->createDevice("virtualcan", interface.mid(11)));
    QObject::connect(reader_.get(), &QCanBusDevice::framesReceived, [this] {
      for (const QCanBusFrame& f : reader_->readAllFrames()) {
        if (f.frameId() == kProbe)
          probed_ = true;
        else if (f.hasExtendedFrameFormat())
          seen << Seen{{f.frameId(), f.payload()}, clock_.elapsed()};
      }
    });
    reader_->connectDevice();
    sender_->connectDevice();
    connected = waitFor([&] {
      return reader_->state() == QCanBusDevice::ConnectedState &&
             sender_->state() == QCanBusDevice::ConnectedState;
    });
    // The server takes each client's interface in its own time: once a probe
    // from the sender arrives, frames sent to the bus reach the reader.
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [this] { send(CanFrame{kProbe, "probe"}); });
    probe.start(50);
    connected = connected && waitFor([&] { return probed_; });
  }

  void send(const CanFrame& frame) {
    QCanBusFrame out(frame.identifier, frame.data);
    out.setExtendedFrameFormat(true);
    sender_->writeFrame(out);
  }

  // Sleeps on the bus's events until `done`, for at most `ms`.
  bool waitFor(const std::function<bool()>& done, int ms = 8000) {
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    for (QCanBusDevice* device : {reader_.get(), sender_.get()}) {
      QObject::connect(device, &QCanBusDevice::framesReceived, &loop, [&] {
        if (done()) loop.quit();
      });
      QObject::connect(device, &QCanBusDevice::stateChanged, &loop, [&] {
        if (done()) loop.quit();
      });
    }
    timer.start(ms);
    if (!done()) loop.exec();
    return done();
  }

  QList<Seen> with(uint32_t identifier) const {
    QList<Seen> found;
    for (const Seen& s : seen)
      if (s.frame.identifier == identifier) found << s;
    return found;
  }
  int count(uint32_t identifier) const { return static_cast<int>(with(identifier).size()); }
  // The TP.CM announcements of one group from one source.
  QList<Seen> announcements(uint8_t source, uint32_t pgn) const {
    QList<Seen> found;
    const QByteArray named = RequestFrame(pgn, 0, 0).data;  // the PGN in three bytes
    for (const Seen& s : with(0x1CECFF00 | source))
      if (s.frame.data[0] == kBamControlByte && s.frame.data.mid(5, 3) == named) found << s;
    return found;
  }
  // The messages of the BAMs from `source`; every fault counts against the emulator.
  QList<BamEvent> bamEvents(uint8_t source) const {
    BamReassembler reassembler;
    QList<BamEvent> events;
    for (const Seen& s : seen)
      if ((s.frame.identifier & 0xFF) == source) events << reassembler.take(s.frame, s.ms);
    return events;
  }

  QList<Seen> seen;
  bool connected = false;

 private:
  static constexpr uint32_t kProbe = 0x18FFFFFE;
  QElapsedTimer clock_;
  std::unique_ptr<QCanBusDevice> reader_, sender_;
  bool probed_ = false;
};

QList<QByteArray> dataOf(const QList<Seen>& frames) {
  QList<QByteArray> data;
  for (const Seen& s : frames) data << s.frame.data;
  return data;
}

// The mean interval over the frames, against the period: within 10 %.
void checkPeriod(const QList<Seen>& frames, int periodMs, const char* what) {
  QVERIFY2(frames.size() >= 3, what);
  const double mean = double(frames.last().ms - frames.first().ms) / double(frames.size() - 1);
  QVERIFY2(qAbs(mean - periodMs) <= periodMs * 0.1,
           qPrintable(QStringLiteral("%1: %2 ms where %3 ms").arg(what).arg(mean).arg(periodMs)));
}

// The data that `group` carries in its first `count` transmissions.
QList<QByteArray> ramp(const ExpectedGroup& group, bool dynamic, int count) {
  QList<QByteArray> data;
  for (int n = 0; n < count; ++n)
    data << group.dataWith(ParameterValue(dynamic, group.parameterSize, n));
  return data;
}

}  // namespace

// j1939sim plays the configured device on a virtual CAN bus of the test's own,
// read by a plain QCanBusDevice.
class BusTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLoggingCategory::setFilterRules("qt.canbus.plugins.virtualcan*=false"); }

  // j1939cfg buses: the interfaces the plugins find (the two virtual ones on
  // every machine), and each plugin that could not look, with its reason; the
  // text and the JSON say the same.
  void buses() {
    const Run text = runCfg({"buses"}), json = runCfg({"buses", "--json"});
    QCOMPARE(text.exitCode + json.exitCode, 0);
    QVERIFY2(text.out.contains("virtualcan:can0      Qt Virtual CAN bus (virtual, CAN FD)\n"
                               "virtualcan:can1      Qt Virtual CAN bus (virtual, CAN FD)\n"),
             qPrintable(text.out));
    const QJsonObject found = QJsonDocument::fromJson(json.out.toUtf8()).object();
    QVERIFY(
        found["interfaces"].toArray().contains(QJsonObject{{"can_fd", true},
                                                           {"description", "Qt Virtual CAN bus"},
                                                           {"interface", "can0"},
                                                           {"name", "virtualcan:can0"},
                                                           {"plugin", "virtualcan"},
                                                           {"virtual", true}}));
    QStringList failures;
    for (const QJsonValue& failure : found["failures"].toArray()) {
      QVERIFY(!failure["reason"].toString().isEmpty());
      failures << failure["plugin"].toString() +
                      ": cannot look for interfaces: " + failure["reason"].toString();
    }
    QCOMPARE(text.out.split('\n').filter(": cannot look for interfaces: "), failures);
  }

  // A "2.00" configuration given with --config, dynamic: slot 1 PDU1 to 21
  // every 50 ms, slot 2 PDU2 with 20 bytes by BAM every 0.5 s; each group's
  // identifier, bytes and period; then the answers to Requests.
  void playsConfiguration() {
    const SimulatorConfig config = benchRecord([](SimulatorConfig& c) {
      c.Pgns[0] = {1, 1, 6, 1, 0, 0xEF, 0x21, 0x1EF00, 8, 1, 3};
      c.Pgns[1] = {1, 3, 3, 0, 0, 0xFF, 0x20, 0xFF20, 20, 2, 17};
    });
    const DeviceExpectations e = ExpectationsOf(config);
    QTemporaryDir dir;
    QVERIFY(writeRecord(dir.filePath("bench.cfg"), config));
    const QString interface = busInterface(0);
    Bus bus(interface);
    QVERIFY(bus.connected);
    SimulatorProcess sim(
        {"--can", interface, "--config", dir.filePath("bench.cfg"), "--bus-load", "200"});
    QCOMPARE(sim.waitForLine("plays: "), DescribeExpectations(e));
    QVERIFY(bus.waitFor([&] {
      return bus.count(0x18FECA25) >= 3 && bus.count(0x18FEEE25) >= 3 &&
             bus.announcements(0x25, 0xFF20).size() >= 5;
    }));
    QCOMPARE(bus.seen.first().frame, e.addressClaim);
    QCOMPARE(bus.count(0x18EEFF25), 1);

    // The load of other nodes: FF00 at priority 6 from 80 to 8F in turn, a
    // count in its first four bytes (least significant first), 200 a second.
    QList<Seen> load;
    for (const Seen& s : bus.seen)
      if ((s.frame.identifier & 0xFFFFFF00) == 0x18FF0000) load << s;
    QVERIFY(load.size() >= 20);
    for (int n = 0; n < 20; ++n) {
      const QByteArray count =
          QByteArray::fromHex(QByteArray::number(n, 16).rightJustified(2, '0'));
      QCOMPARE(load[n].frame,
               (CanFrame{0x18FF0080u + n % 16, count + QByteArray(3, 0) + QByteArray(4, '\xFF')}));
    }
    checkPeriod(load, 5, "load");

    const QList<Seen> one = bus.with(0x19EF2125);
    QCOMPARE(dataOf(one), ramp(e.additional[0], true, static_cast<int>(one.size())));
    checkPeriod(one, 50, "PGN1");
    checkPeriod(bus.announcements(0x25, 0xFF20), 500, "PGN2");
    for (const ExpectedGroup& g : e.background) {
      const QList<Seen> frames = bus.with(EncodeIdentifier(g.identifier));
      QCOMPARE(dataOf(frames), QList<QByteArray>(frames.size(), g.dataWith(0)));
      checkPeriod(frames, g.periodMs, qPrintable(g.label));
    }

    // Requests from F9: the VIN by BAM, then Address Claimed to all and to 25;
    // none to another address.
    bus.send(RequestFrame(kPgnVehicleIdentification, 0xF9, 0x25));
    bus.send(RequestFrame(kPgnAddressClaimed, 0xF9, 0x26));
    bus.send(RequestFrame(kPgnAddressClaimed, 0xF9, 0xFF));
    bus.send(RequestFrame(kPgnAddressClaimed, 0xF9, 0x25));
    QVERIFY(bus.waitFor(
        [&] { return bus.count(0x18EEFF25) == 3 && bus.announcements(0x25, 65260).size() == 1; }));
    auto isVin = [](const BamEvent& event) { return event.pgn == kPgnVehicleIdentification; };
    auto vins = [&] {
      const QList<BamEvent> events = bus.bamEvents(0x25);
      return std::count_if(events.cbegin(), events.cend(), isVin);
    };
    QVERIFY(bus.waitFor([&] { return vins() > 0; }));
    QCOMPARE(vins(), 1);
    // Every BAM whole, none interleaved: the slot's ramp, and the VIN once.
    const QList<BamEvent> events = bus.bamEvents(0x25);
    const QList<QByteArray> twos = ramp(e.additional[1], true, static_cast<int>(events.size()));
    QList<BamEvent> expected;
    int n = 0;
    for (const BamEvent& event : events)
      expected << (isVin(event) ? BamEvent{BamEventKind::Completed, 0x25, kPgnVehicleIdentification,
                                           0, "1FUJGLDR5CSBM1234*"}
                                : BamEvent{BamEventKind::Completed, 0x25, 0xFF20, 0, twos[n++]});
    QCOMPARE(events, expected);
    QVERIFY(sim.quit());
  }

  // Programmed over the serial side, "1.01" and static: nothing before the
  // claim, slot 1 only on Request, slot 2's value stays; a second
  // configuration replaces the first with a new claim from its own address.
  void requestsAndReplacement() {
    const SimulatorConfig first = benchRecord([](SimulatorConfig& c) {
      c.SourceAddress = 0x30, c.DynamicMode = 0, c.SimulatorVersion = 0;
      c.Pgns[0] = {1, 0, 6, 0, 0, 0xFF, 0x20, 0xFF20, 4, 0, 2};
      c.Pgns[1] = {1, 1, 5, 0, 0, 0xFE, 0x30, 0xFE30, 8, 2, 5};
    });
    const SimulatorConfig second = benchRecord([](SimulatorConfig& c) {
      c.SourceAddress = 0x31, c.SimulatorVersion = 0;
      c.Pgns[0] = {1, 1, 6, 0, 0, 0xFF, 0x21, 0xFF21, 3, 0, 1};
      c.Pgns[1].InUse = 0;
    });
    const DeviceExpectations a = ExpectationsOf(first), b = ExpectationsOf(second);
    const QString interface = busInterface(0);
    Bus bus(interface);
    QVERIFY(bus.connected);
    SimulatorProcess sim({"--can", interface, "--frames", "0"});
    QCOMPARE(sim.waitForLine("CAN bus "), "CAN bus " + interface + ": connected");
    const int port = ::open(sim.device().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    QVERIFY(port >= 0);
    const QByteArray frameA = frameOf(first);
    QCOMPARE(::write(port, frameA.constData(), frameA.size()), ssize_t(frameA.size()));
    QCOMPARE(sim.waitForLine("plays: "), DescribeExpectations(a));
    QVERIFY(bus.waitFor([&] { return bus.count(0x14FE3030) >= 10; }));
    QCOMPARE(bus.seen.first().frame, a.addressClaim);
    const QList<Seen> twos = bus.with(0x14FE3030);
    QCOMPARE(dataOf(twos), ramp(a.additional[1], false, static_cast<int>(twos.size())));
    QCOMPARE(twos.first().frame.data, QByteArray::fromHex("FFFFFFFFFFFF7F7D"));

    // On Request only: answered to all and to 30, not to 31; no VI under "1.01".
    QCOMPARE(bus.count(0x18FF2030), 0);
    bus.send(RequestFrame(0xFF20, 0xF9, 0x31));
    bus.send(RequestFrame(0xFF20, 0xF9, 0x30));
    bus.send(RequestFrame(0xFF20, 0xF9, 0xFF));
    bus.send(RequestFrame(kPgnVehicleIdentification, 0xF9, 0xFF));
    bus.send(RequestFrame(kPgnAddressClaimed, 0xF9, 0x30));
    QVERIFY(bus.waitFor([&] { return bus.count(0x18EEFF30) == 2; }));
    QCOMPARE(dataOf(bus.with(0x18FF2030)), (QList<QByteArray>(2, QByteArray::fromHex("FF7DFFFF"))));
    QCOMPARE(bus.count(0x1CECFF30), 0);

    const QByteArray frameB = frameOf(second);
    QCOMPARE(::write(port, frameB.constData(), frameB.size()), ssize_t(frameB.size()));
    QCOMPARE(sim.waitForLine("reply 2: "), "reply 2: 55");
    QVERIFY(bus.waitFor([&] { return bus.count(0x18FF2131) >= 5; }));
    qsizetype claim = 0;
    while (claim < bus.seen.size() && bus.seen[claim].frame != b.addressClaim) ++claim;
    QVERIFY(claim < bus.seen.size());
    for (qsizetype i = claim; i < bus.seen.size(); ++i)
      QCOMPARE(bus.seen[i].frame.identifier & 0xFF, 0x31u);
    const QList<Seen> ones = bus.with(0x18FF2131);
    QCOMPARE(dataOf(ones), ramp(b.additional[0], true, static_cast<int>(ones.size())));
    QCOMPARE(ones[1].frame.data, QByteArray::fromHex("01FFFF"));
    QCOMPARE(sim.waitForLine(DescribeExpectations(b)), DescribeExpectations(b));
    ::close(port);
    QVERIFY(sim.quit());
  }

  // The bus's server goes away: said once, and the serial side still answers.
  void busGoesAway() {
    const QString name = busInterface(1);
    SimulatorProcess server({"--can", name});
    QCOMPARE(server.waitForLine("CAN bus "), "CAN bus " + name + ": connected");
    SimulatorProcess sim({"--can", name, "--frames", "0"});
    QCOMPARE(sim.waitForLine("CAN bus "), "CAN bus " + name + ": connected");
    QVERIFY(server.quit());
    const QString gone =
        "CAN bus " + name + ": gone (the connection closed); the serial side goes on";
    QCOMPARE(sim.waitForLine("CAN bus " + name + ": gone"), gone);
    const int port = ::open(sim.device().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    QVERIFY(port >= 0);
    const QByteArray frame = frameOf(benchRecord([](auto& c) { c.SimulatorVersion = 0; }));
    QCOMPARE(::write(port, frame.constData(), frame.size()), ssize_t(frame.size()));
    QCOMPARE(sim.waitForLine("reply 1: "), "reply 1: 55");
    QVERIFY(!sim.waitForLine("plays: ").isEmpty());
    QCOMPARE(sim.output().count(gone), 1);
    ::close(port);
    QVERIFY(sim.quit());

    const Run unknown = runProgram("j1939sim", {"--can", "nosuch:can0"});
    QCOMPARE(unknown.exitCode, 1);
    QVERIFY2(unknown.err.startsWith("j1939sim: --can nosuch:can0: no CAN plugin \"nosuch\""),
             qPrintable(unknown.err));
  }
};

J1939_TEST_MAIN(BusTest, "bus")
#include "tst_bus.moc"
