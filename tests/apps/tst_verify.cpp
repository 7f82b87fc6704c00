#include <QCanBus>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "rules/j1939/Transport.h"
#include "support/Emulator.h"
#include "support/Records.h"
#include "support/TestMain.h"
#include "support/VirtualBus.h"

using L = QStringList;

namespace {

// A virtual bus of the test's own, four to a process, apart from those of
// tst_bus and tst_busdock: bus 0 is served by this process, which connects
// first; the others by a program that the test starts.
QString bus(int number) {
  return virtualBus(10000, 2500, 4, number);
}

// j1939cfg, run while this process goes on serving bus 0.
struct Cfg : ProgramProcess {
  explicit Cfg(const QStringList& arguments) : ProgramProcess("j1939cfg", arguments) {}
};

QList<Run> runTogether(const QList<QStringList>& runs) {
  std::vector<std::unique_ptr<Cfg>> cfgs;
  for (const QStringList& arguments : runs) cfgs.push_back(std::make_unique<Cfg>(arguments));
  QList<Run> ended;
  for (auto& cfg : cfgs) ended << cfg->end();
  return ended;
}

// The lines of a verdict list, with the times measured written "#".
QStringList masked(const QString& out) {
  static const QRegularExpression times(QStringLiteral("[0-9]+(\\.[0-9]+)? ms"));
  QStringList list = out.split('\n', Qt::SkipEmptyParts);
  for (QString& line : list) {
    const qsizetype colon = line.indexOf(": ");
    if (colon > 0) line = line.left(colon) + line.mid(colon).replace(times, "# ms");
  }
  return list;
}

QStringList failing(const QString& out) {
  return masked(out).filter(QRegularExpression("^FAIL"));
}

// BAM frames from `source`: an announcement (or `control` 255, an abort) and packets.
CanFrame announce(uint8_t source, int size, int packets, uint32_t pgn, uint8_t control = 32) {
  CanFrame f = BamFrames(pgn, QByteArray(9, '\0'), source)[0];
  f.data[0] = static_cast<char>(control), f.data[1] = static_cast<char>(size & 0xFF);
  f.data[2] = static_cast<char>(size >> 8), f.data[3] = static_cast<char>(packets);
  return f;
}
CanFrame packet(uint8_t source, int sequence) {
  QByteArray data(8, static_cast<char>(0x10 * sequence));
  data[0] = static_cast<char>(sequence);
  return CanFrame{0x1CEBFF00u | source, data};
}

}  // namespace

// j1939cfg on a CAN bus: verify against j1939sim playing a configuration,
// watch on frames the test sends, and the faults of a bus.
class VerifyTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QLoggingCategory::setFilterRules("qt.canbus.plugins.virtualcan*=false");
    sender_ = std::make_unique<CanSender>(bus(0));
    QVERIFY(sender_->connected());
  }

  // The file j1939sim plays holds; each single difference fails exactly its
  // expectations, all verified at once against one j1939sim.
  void verifyDifferences() {
    struct Row {
      const char* name;
      std::function<void(SimulatorConfig&)> edit;
      QStringList failing;
    };
    const QString pgn1 = "FAIL  PGN1 65296 (FF10) ";
    // clang-format off
    const Row rows[] = {
        {"address", [](auto& c) { c.SourceAddress = 0x26; }, {"FAIL  address 26 claimed with NAME 2705813A0C6B3039: no Address Claimed from 26; that NAME claimed 25"}},
        {"NAME field", [](auto& c) { c.DeviceName[5] = 0x82; }, {"FAIL  address 25 claimed with NAME 2705823A0C6B3039: claimed with NAME 2705813A0C6B3039 (Function 129, not 130)"}},
        {"priority", [](auto& c) { c.Pgns[0].Priority = 5; }, {"FAIL  PGN1 65296 (FF10) priority 5: priority 6"}},
        {"page bit", [](auto& c) { c.Pgns[0].DataPage = 1, c.Pgns[0].Pgn = 0x1FF10; }, {"FAIL  PGN1 130832 (1FF10) data page 1: data page 0, as 65296 (FF10)"}},
        {"PF", [](auto& c) { c.Pgns[0].Pf = 0xFE, c.Pgns[0].Pgn = 0xFE10; }, {"FAIL  PGN1 65040 (FE10) PF FE: PF FF, as 65296 (FF10)"}},
        {"PS", [](auto& c) { c.Pgns[0].Ps = 0x11, c.Pgns[0].Pgn = 0xFF11; }, {"FAIL  PGN1 65297 (FF11) PS 11: PS 10, as 65296 (FF10)"}},
        {"length", [](auto& c) { c.Pgns[0].DataLength = 7; }, {pgn1 + "7 bytes: 8 bytes"}},
        {"rate", [](auto& c) { c.Pgns[0].UpdateRate = 2; }, {pgn1 + "every 100 ms: every # ms (jitter # ms)"}},
        {"static", [](auto& c) { c.DynamicMode = 0; }, {pgn1 + "parameter stays (static): changes", "FAIL  PGN2 126720 (1EF00) parameter stays (static): changes"}},
        {"VIN", [](auto& c) { setVin(c, "1FUJGLDR5CSBM1235"); }, {"FAIL  VIN \"1FUJGLDR5CSBM1235\": VIN \"1FUJGLDR5CSBM1234\""}},
    };
    // clang-format on
    QTemporaryDir dir;
    QVERIFY(writeRecord(dir.filePath("played.cfg"), playedRecord()));
    SimulatorProcess sim({"--can", bus(0), "--config", dir.filePath("played.cfg")});
    QVERIFY(!sim.waitForLine("plays: ").isEmpty());
    QList<QStringList> runs{
        {"verify", dir.filePath("played.cfg"), "--can", bus(0), "--seconds", "1.5"}};
    for (const Row& row : rows) {
      const QString file = dir.filePath(QString(row.name) + ".cfg");
      QVERIFY(writeRecord(file, playedRecord(row.edit)));
      runs << L{"verify", file, "--can", bus(0), "--seconds", "1.5"};
    }
    const QList<Run> ended = runTogether(runs);
    const QString same = "ok    PGN1 65296 (FF10) ";
    QCOMPARE(masked(ended[0].out),
             (L{"ok    address 25 claimed with NAME 2705813A0C6B3039: claimed with that NAME",
                same + "priority 6: priority 6", same + "reserved bit 0: reserved bit 0",
                same + "data page 0: data page 0", same + "PF FF: PF FF", same + "PS 10: PS 10",
                same + "8 bytes: 8 bytes", same + "every 50 ms: every # ms (jitter # ms)",
                same + "parameter changes (dynamic): changes",
                "ok    PGN2 126720 (1EF00) priority 3: priority 3",
                "ok    PGN2 126720 (1EF00) reserved bit 0: reserved bit 0",
                "ok    PGN2 126720 (1EF00) data page 1: data page 1",
                "ok    PGN2 126720 (1EF00) PF EF: PF EF", "ok    PGN2 126720 (1EF00) PS 00: PS 00",
                "ok    PGN2 126720 (1EF00) 8 bytes: 8 bytes",
                "ok    PGN2 126720 (1EF00) every 100 ms: every # ms (jitter # ms)",
                "ok    PGN2 126720 (1EF00) parameter changes (dynamic): changes",
                "ok    VIN \"1FUJGLDR5CSBM1234\": VIN \"1FUJGLDR5CSBM1234\"",
                "all 18 expectations hold"}));
    QCOMPARE(ended[0].exitCode, 0);
    for (qsizetype i = 1; i < ended.size(); ++i) {
      const Row& row = rows[i - 1];
      QVERIFY2(ended[i].exitCode == 1 && ended[i].err.isEmpty(), row.name);
      QVERIFY2(failing(ended[i].out) == row.failing,
               qPrintable(QString(row.name) + ":\n" + ended[i].out));
      const QString count = QString("%1 of 18 expectations %2")
                                .arg(row.failing.size())
                                .arg(row.failing.size() == 1 ? "does not hold" : "do not hold");
      QCOMPARE(masked(ended[i].out).last(), count);
    }
    QVERIFY(sim.quit());
  }

  // Frames the test sends itself, decoded: PDU1 and PDU2, a BAM whole and
  // with each of its faults, an 11-bit frame that is no J1939 message. Three
  // watches at once: every message as JSON, one source and group as text,
  // and the summary; Ctrl-C ends each cleanly.
  void watchDecodes() {
    // The first two show when they are on the bus. The summary, started
    // first, shows it at the end: a probe of its own that it counted came
    // before the frames of the table, which it then counted too.
    Cfg summary({"watch", "--can", bus(0), "--json", "--summary"});
    Cfg table({"watch", "--can", bus(0), "--summary"});
    Cfg json({"watch", "--can", bus(0), "--json"});
    Cfg filtered({"watch", "--can", bus(0), "--from", "0x26", "--pgn", "65260"});
    const CanFrame probe{0x18FEEC26, "PROBE"}, summaryProbe{0x18FF5050, "PROBE"};
    auto isProbe = [](const QString& line) {
      return line.contains("50524F4245") || line.endsWith("50 52 4F 42 45");
    };
    QTimer probing;
    connect(&probing, &QTimer::timeout, this, [&] {
      sender_->send(probe);
      sender_->send(summaryProbe);
    });
    probing.start(50);
    QVERIFY(json.lineWhere(isProbe) && filtered.lineWhere(isProbe));
    QTest::qWait(300);
    probing.stop();

    const QList<CanFrame> vin = BamFrames(65260, "1FUJGLDR5CSBM1234*", 0x26);
    // A request, EEC1 and an RTS; the VIN by BAM; then from 26 to 2F a BAM
    // with each fault (a packet missing, repeated, numbered 0, an abort, a new
    // BAM before the end, a packet with no BAM, a size over 1785, a count that
    // does not fit, a short TP.CM), and one that falls silent.
    // clang-format off
    const QList<CanFrame> frames = QList<CanFrame>{{0x18EA2125, QByteArray::fromHex("ECFE00")}, {0x0CF00425, QByteArray(8, '\xFF')}, {0x1CEC2141, QByteArray::fromHex("10140003FFECFE00")}} + vin +
        QList<CanFrame>{announce(0x26, 20, 3, 65262), packet(0x26, 1), packet(0x26, 3),
                        announce(0x28, 9, 2, 65262), packet(0x28, 1), packet(0x28, 1), packet(0x28, 2),
                        announce(0x29, 20, 3, 65262), packet(0x29, 0),
                        announce(0x2A, 20, 3, 65262), packet(0x2A, 1), announce(0x2A, 0, 0, 65262, 255),
                        announce(0x2B, 20, 3, 65262), packet(0x2B, 1), announce(0x2B, 9, 2, 65226), packet(0x2B, 1), packet(0x2B, 2),
                        packet(0x2C, 1), announce(0x2D, 1786, 255, 65262), announce(0x2E, 20, 4, 65262), CanFrame{0x1CECFF2F, "\x20\x14"},
                        announce(0x26, 20, 3, 65260), packet(0x26, 1)};
    // clang-format on
    sender_->send(CanFrame{0x123, "11-bit"}, false);
    for (const CanFrame& frame : frames) sender_->send(frame);
    auto timedOut = [](const QString& line) { return line.contains("did not come within"); };
    QVERIFY(json.lineWhere(timedOut) && filtered.lineWhere(timedOut));
    for (Cfg* cfg : {&summary, &table, &json, &filtered}) cfg->interrupt();
    const Run all = json.end(), one = filtered.end(), rows = summary.end();
    QCOMPARE(QList<int>({all.exitCode, one.exitCode, rows.exitCode}), QList<int>({0, 0, 0}));
    QCOMPARE(all.err + one.err + rows.err, QString());

    // Each line without its time.
    QStringList decoded;
    for (const QString& line : all.out.split('\n', Qt::SkipEmptyParts)) {
      QJsonObject object = QJsonDocument::fromJson(line.toUtf8()).object();
      QVERIFY2(object.take("time").isDouble(), qPrintable(line));
      if (!isProbe(line))
        decoded << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
    }
    const QString et1 = R"("name":"ET1","pgn":65262,"pgn_hex":"FEEE","priority":7)";
    QCOMPARE(
        decoded,
        (L{R"({"bam":false,"data":"ECFE00","destination":33,"length":3,"name":"RQST","pgn":59904,"pgn_hex":"EA00","priority":6,"source":37})",
           R"({"bam":false,"data":"FFFFFFFFFFFFFFFF","destination":255,"length":8,"name":"EEC1","pgn":61444,"pgn_hex":"F004","priority":3,"source":37})",
           R"({"bam":false,"data":"10140003FFECFE00","destination":33,"length":8,"name":"TP.CM","pgn":60416,"pgn_hex":"EC00","priority":7,"source":65})",
           R"({"bam":true,"data":"3146554A474C4452354353424D313233342A","destination":255,"length":18,"name":"VI","pgn":65260,"pgn_hex":"FEEC","priority":7,"source":38})",
           R"({"fault":"missing_packet","packet":3,"pgn":65262,"source":38,"text":"BAM from 26: ET1 (65262): packet 3 came before the one expected; dropped"})",
           R"({"fault":"repeated_packet","packet":1,"pgn":65262,"source":40,"text":"BAM from 28: ET1 (65262): packet 1 repeated; ignored"})",
           R"({"bam":true,"data":"101010101010102020","destination":255,"length":9,)" + et1 +
               R"(,"source":40})",
           R"({"fault":"wrong_sequence_number","packet":0,"pgn":65262,"source":41,"text":"BAM from 29: ET1 (65262): sequence number 0 is out of order; dropped"})",
           R"({"fault":"aborted","packet":0,"pgn":65262,"source":42,"text":"BAM from 2A: ET1 (65262): aborted by its sender"})",
           R"({"fault":"interrupted","packet":1,"pgn":65262,"source":43,"text":"BAM from 2B: ET1 (65262): a new BAM began before it ended; dropped"})",
           R"({"bam":true,"data":"101010101010102020","destination":255,"length":9,"name":"DM1","pgn":65226,"pgn_hex":"FECA","priority":7,"source":43})",
           R"({"fault":"no_announcement","packet":1,"pgn":0,"source":44,"text":"BAM from 2C: packet 1 with no BAM announced; ignored"})",
           R"({"fault":"size_over_limit","packet":0,"pgn":65262,"source":45,"text":"BAM from 2D: ET1 (65262): announced over 1785 bytes; refused"})",
           R"({"fault":"packet_count_mismatch","packet":0,"pgn":65262,"source":46,"text":"BAM from 2E: ET1 (65262): the packet count does not fit the size; refused"})",
           R"({"fault":"short_frame","packet":0,"pgn":0,"source":47,"text":"BAM from 2F: a transport frame of fewer than 8 bytes; ignored"})",
           R"({"fault":"timed_out","packet":2,"pgn":65260,"source":38,"text":"BAM from 26: VI (65260): packet 2 did not come within 750 ms; dropped"})"}));

    QStringList shown;
    for (const QString& line : one.out.split('\n', Qt::SkipEmptyParts))
      if (!isProbe(line)) shown << line.mid(8);
    QCOMPARE(shown,
             (L{"  prio 7  PGN  65260 (FEEC)  VI      26 -> FF  18 bytes by BAM: 31 46 55 4A "
                "47 4C 44 52 35 43 53 42 4D 31 32 33 34 2A",
                "  BAM from 26: VI (65260): packet 2 did not come within 750 ms; dropped"}));

    // The summary: the totals, then a row per source and group. The probes of
    // the other two and the VIN share a row, whose count is theirs together;
    // the summary's own probes have a row of their own, which must be there.
    QStringList tally;
    for (const QString& line : rows.out.split('\n', Qt::SkipEmptyParts)) {
      QJsonObject object = QJsonDocument::fromJson(line.toUtf8()).object();
      for (const char* varies : {"frames", "messages", "seconds", "mean_period_ms", "jitter_ms"})
        object.remove(varies);
      if (object.value("pgn") == 65360) {
        QVERIFY(object.value("count").toInt() >= 1);
        continue;
      }
      if (object.value("pgn") == 65260) {
        QVERIFY(object.take("count").toInt() >= 2);
        QCOMPARE(object.take("last_data"), "3146554A474C4452354353424D313233342A");
      }
      tally << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
    }
    QCOMPARE(
        tally,
        (L{R"({"faults":10})",
           R"({"count":1,"last_data":"ECFE00","name":"RQST","pgn":59904,"pgn_hex":"EA00","source":37})",
           R"({"count":1,"last_data":"FFFFFFFFFFFFFFFF","name":"EEC1","pgn":61444,"pgn_hex":"F004","source":37})",
           R"({"name":"VI","pgn":65260,"pgn_hex":"FEEC","source":38})",
           R"({"count":1,"last_data":"101010101010102020","name":"ET1","pgn":65262,"pgn_hex":"FEEE","source":40})",
           R"({"count":1,"last_data":"101010101010102020","name":"DM1","pgn":65226,"pgn_hex":"FECA","source":43})",
           R"({"count":1,"last_data":"10140003FFECFE00","name":"TP.CM","pgn":60416,"pgn_hex":"EC00","source":65})"}));
    QVERIFY(rows.out.contains(R"("pgn":65360,)"));

    // The summary as text: each row's count, period and jitter end where their
    // headings do, and its data starts where its heading does.
    const Run text = table.end();
    QCOMPARE(text.exitCode, 0);
    const QStringList lines = text.out.split('\n', Qt::SkipEmptyParts);
    QVERIFY2(lines.size() > 3, qPrintable(text.out));
    const QString heading = lines[1];
    QCOMPARE(heading, "source  PGN                    count  period ms  jitter ms  last data");
    const qsizetype data = heading.indexOf("last data");
    for (const QString& row : lines.mid(2)) {
      for (const QString column : {"count", "period ms", "jitter ms"}) {
        const qsizetype end = heading.indexOf(column) + column.size();
        QVERIFY2(row.at(end - 1) != ' ' && row.at(end) == ' ', qPrintable(row));
      }
      QVERIFY2(row.at(data - 1) == ' ' && row.at(data) != ' ', qPrintable(row));
    }
  }

  // A silent bus, no such plugin or interface, an unreadable file, and a
  // usage that lacks the bus: said, with their exit statuses.
  void busFaults() {
    QTemporaryDir dir;
    const QString file = dir.filePath("bench.cfg");
    QVERIFY(writeRecord(file, playedRecord()));
    // Nobody serves buses 2 and 3: each of the two that joins one serves it, silent.
    const QList<Run> ended =
        runTogether({{"verify", file, "--can", bus(2), "--seconds", "0.5", "--answer-ms", "1"},
                     {"watch", "--can", bus(3), "--seconds", "0.5", "--summary"},
                     {"verify", file, "--can", "nosuch:can0"},
                     {"watch", "--can", "virtualcan:can7"},
                     {"verify", "/no/such.cfg", "--can", bus(2)},
                     {"verify", file},
                     {"watch", "--can", bus(2), "--seconds", "0"},
                     {"watch", "--can", bus(2), "--from", "0x100"},
                     {"verify", file, "--can", bus(2), "--answer-ms", "0"},
                     {"watch", "--can", "nosuch:can0", "--from", "0xFF", "--pgn", "262143"},
                     {"verify", file, "--can", "nosuch:can0", "--answer-ms", "60000"}});
    const QString plugins = QCanBus::instance()->plugins().join(", ");
    const QList<Run> expected{
        {1, "no frames in 0.5 s: is the bus connected and at 500 kbit/s?\n", ""},
        {0, "0 frames, 0 messages, 0 transport faults in 0.5 s\n", ""},
        {2, "",
         "j1939cfg: CAN bus nosuch:can0: no CAN plugin \"nosuch\" (there are: " + plugins + ")\n"},
        {2, "", "j1939cfg: CAN bus virtualcan:can7: Invalid interface 'can7'.\n"},
        {2, "", "j1939cfg: Cannot read the configuration file /no/such.cfg: it does not exist\n"},
        {2, "", "j1939cfg: verify needs --can PLUGIN:INTERFACE; see j1939cfg verify --help\n"},
        {2, "",
         "j1939cfg: --seconds 0: a number of seconds from 0.001 to 1000000, e.g. 10 or 0.5; see "
         "j1939cfg watch --help\n"},
        {2, "",
         "j1939cfg: --from 0x100: a source address is 0 to 255, or 0x00 to 0xFF; see j1939cfg "
         "watch --help\n"},
        {2, "",
         "j1939cfg: --answer-ms 0: milliseconds from 1 to 60000; see j1939cfg verify --help\n"},
        // The highest address, PGN and wait are taken: the bus is what fails.
        {2, "",
         "j1939cfg: CAN bus nosuch:can0: no CAN plugin \"nosuch\" (there are: " + plugins + ")\n"},
        {2, "",
         "j1939cfg: CAN bus nosuch:can0: no CAN plugin \"nosuch\" (there are: " + plugins + ")\n"}};
    // How long the watch listened is measured: it may be a little more than asked.
    static const QRegularExpression listened(" in 0\\.[5-9] s\n$");
    QCOMPARE(QString(ended[1].out).replace(listened, " in 0.5 s\n"), expected[1].out);
    for (qsizetype i = 0; i < ended.size(); ++i) {
      QVERIFY2(ended[i].exitCode == expected[i].exitCode, qPrintable(ended[i].err));
      if (i != 1) QCOMPARE(ended[i].out, expected[i].out);
      QCOMPARE(ended[i].err, expected[i].err);
    }
  }

  // The bus's server goes away under a watch and a verify: said, exit 2.
  void busGoesAway() {
    QTemporaryDir dir;
    const QString file = dir.filePath("bench.cfg");
    QVERIFY(writeRecord(file, playedRecord()));
    SimulatorProcess server({"--can", bus(1), "--config", file});
    QVERIFY(!server.waitForLine("plays: ").isEmpty());
    Cfg watch({"watch", "--can", bus(1)});
    QVERIFY(watch.lineWhere([](const QString&) { return true; }));
    Cfg verify({"verify", file, "--can", bus(1), "--seconds", "20"});
    // The device's claim, asked for by verify: both are on the bus.
    QVERIFY(watch.lineWhere([](const QString& line) { return line.contains("(EE00)"); }));
    QVERIFY(server.quit());
    const QString gone = "j1939cfg: CAN bus " + bus(1) + ": gone (the connection closed)\n";
    const Run watched = watch.end(), verified = verify.end();
    QCOMPARE(watched.exitCode, 2);
    QCOMPARE(watched.err, gone);
    QCOMPARE(verified.exitCode, 2);
    QCOMPARE(verified.err, gone);
    QCOMPARE(verified.out, QString());
  }

  // program --verify: the configuration sent, then the device checked on the
  // bus ("1.01", static, slot 1 on request, slot 2 by BAM); the worse status counts.
  void programThenVerify() {
    QTemporaryDir dir;
    const QString file = dir.filePath("bench.cfg");
    QVERIFY(writeRecord(file, benchRecord([](SimulatorConfig& c) {
                          c.SimulatorVersion = 0, c.DynamicMode = 0;
                          c.Pgns[0] = {1, 0, 6, 0, 0, 0xFF, 0x20, 0xFF20, 8, 1, 3};
                          c.Pgns[1] = {1, 3, 3, 0, 0, 0xFF, 0x30, 0xFF30, 20, 2, 17};
                        })));
    SimulatorProcess sim({"--can", bus(0), "--frames", "0"});
    QVERIFY(!sim.waitForLine("CAN bus ").isEmpty());
    const Run unknown =
        runTogether({{"program", file, "--port", sim.device(), "--verify", "nosuch:can0"}})[0];
    QCOMPARE(unknown.exitCode, 2);
    QCOMPARE(unknown.out, "Configuration is successfull!\n");
    // A test machine runs other suites beside this one: the answers are given
    // a second rather than J1939's 50 ms (the rules' tests hold the 50 ms).
    sender_->heard.clear();
    const Run run = runTogether({{"program", file, "--port", sim.device(), "--verify", bus(0),
                                  "--seconds", "2", "--answer-ms", "1000"}})[0];
    const QString one = "ok    PGN1 65312 (FF20) ", two = "ok    PGN2 65328 (FF30) ";
    QCOMPARE(
        masked(run.out),
        (L{"Configuration is successfull!",
           "ok    address 25 claimed with NAME 2705813A0C6B3039: claimed with that NAME",
           one + "priority 6: priority 6", one + "reserved bit 0: reserved bit 0",
           one + "data page 0: data page 0", one + "PF FF: PF FF", one + "PS 20: PS 20",
           one + "8 bytes: 8 bytes",
           one + "on request, within 1000 ms: every Request answered within # ms",
           one + "parameter stays (static): stays at FF FF 7F 7D FF FF FF FF",
           two + "reserved bit 0: reserved bit 0", two + "data page 0: data page 0",
           two + "PF FF: PF FF", two + "PS 30: PS 30", two + "20 bytes by BAM: 20 bytes by BAM",
           two + "every 500 ms: every # ms (jitter # ms)",
           two + "parameter stays (static): stays at FF FF FF FF FF FF FF FF FF FF FF FF FF "
                 "FF FF FF FF FF 7F 7D",
           "all 16 expectations hold"}));
    QCOMPARE(run.exitCode, 0);
    // The group sent on request was asked for twice from the tool's address:
    // once the device had claimed (0.2 s), and again halfway through (1 s).
    QList<qint64> asked;
    for (const auto& [ms, frame] : sender_->heard)
      if ((frame.identifier & 0xFFFF00FF) == 0x18EA00F9 &&
          frame.data == QByteArray::fromHex("20FF00"))
        asked << ms;
    QCOMPARE(asked.size(), 2);
    QVERIFY2(asked[1] - asked[0] >= 650 && asked[1] - asked[0] <= 1100,
             qPrintable(QString::number(asked[1] - asked[0])));
    QVERIFY(sim.quit());
  }

 private:
  std::unique_ptr<CanSender> sender_;
};

J1939_TEST_MAIN(VerifyTest, "verify")
#include "tst_verify.moc"
