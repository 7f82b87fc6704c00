#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <QFileInfo>
#include <QTest>
#include <memory>

#include "support/Emulator.h"
#include "support/Records.h"
#include "support/TestMain.h"

using L = QStringList;

// The real port on pseudo-terminals: "j1939cfg program" against j1939sim, the
// exchanges run side by side so that the reply windows overlap; then j1939sim
// itself, its options and its answers to what arrives.
class PtyTest : public QObject {
  Q_OBJECT
 private slots:
  void program() {
    struct Row {
      L sim;
      int exit;
      const char *out, *err;
    };
    // clang-format off
    const Row rows[] = {
        {{"--version", "2.00"}, 0, "Configuration is successfull!\n", ""},
        {{"--version", "1.01"}, 0, "Configuration is successfull!\n", ""},
        {{"--silent"}, 1, "Configuration fails!\n", ""},
        {{"--reply", "AA"}, 1, "Configuration fails!\n", ""},
        {{"--plan", "55@1500"}, 1, "Configuration fails!\n", ""},
        {{"--silent"}, 2, "Configuration fails!\n", "j1939cfg: the port %1 failed: the device closed the connection"},  // far end closes
    };
    // clang-format on
    QTemporaryDir dir;
    QString ports = "[Ports]\n";
    std::vector<std::unique_ptr<SimulatorProcess>> sims;
    std::vector<std::unique_ptr<QProcess>> tools;
    // COM3 stands for a link whose name has a comma, written without quotes.
    const QString link = dir.filePath("j1939sim,3");
    for (const Row& row : rows) {
      const bool linked = sims.size() == 2;
      sims.push_back(
          std::make_unique<SimulatorProcess>(row.sim + (linked ? L{"--link", link} : L{})));
      ports +=
          QStringLiteral("COM%1=%2\n").arg(sims.size()).arg(linked ? link : sims.back()->device());
    }
    QVERIFY(QDir(dir.path()).mkpath("TarvikConfig"));
    QVERIFY(writeBytes(dir.filePath("TarvikConfig/TarvikConfig.conf"), ports.toUtf8()));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", dir.path());  // COMn stands for the n-th emulator
    for (std::size_t i = 0; i < sims.size(); ++i) {
      const QString file = dir.filePath(QStringLiteral("%1.cfg").arg(i));
      const bool v1 = i != 0;  // j1939sim plays "1.01" unless told otherwise
      QVERIFY(writeRecord(file, benchRecord([=](auto& c) { c.SimulatorVersion = v1 ? 0 : 1; })));
      tools.push_back(std::make_unique<QProcess>());
      tools.back()->setProcessEnvironment(environment);
      tools.back()->start(programPath("j1939cfg"),
                          {"program", file, "--port=com" + QString::number(i + 1)});
    }
    QVERIFY(!sims.back()->waitForLine("reply 1: none").isEmpty());
    QVERIFY(sims.back()->quit());
    for (std::size_t i = 0; i < sims.size(); ++i) {
      const Run run = finish(*tools[i]);
      QCOMPARE(run.out, rows[i].out);
      const QString err = QString(rows[i].err).replace("%1", sims[i]->device());
      QVERIFY2(err.isEmpty() ? run.err.isEmpty() : run.err.startsWith(err), qPrintable(run.err));
      QCOMPARE(run.exitCode, rows[i].exit);
      const QString frame = sims[i]->waitForLine("frame 1: ");
      QCOMPARE(frame.section(' ', 2, 3), i == 0 ? "49 bytes:" : "32 bytes:");
    }
    QCOMPARE(sims[0]->waitForLine("frame 1: "),
             "frame 1: 49 bytes: " + runCfg({"frame", dir.filePath("0.cfg")}).out.trimmed());
  }

  // A terminal this user may not open: the reason names the group that may.
  // Root opens any, so there the tool runs as nobody.
  void portRefusedForPermission() {
    SimulatorProcess sim({});
    QTemporaryDir dir;
    QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
    QVERIFY(writeRecord(dir.filePath("bench.cfg"), benchRecord()));
    QVERIFY(::chmod(QFile::encodeName(sim.device()).constData(), 0) == 0);
    QProcess tool;
    if (::geteuid() == 0)
      tool.setChildProcessModifier([] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
          ::_exit(127);
      });
    tool.start(programPath("j1939cfg"),
               {"program", dir.filePath("bench.cfg"), "--port", sim.device()});
    const Run run = finish(tool);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.err, "j1939cfg: cannot open the port " + sim.device() +
                          ": permission denied \u2014 is your user in the dialout group?\n");
  }

  // Lines typed to it: "send HEX,..." puts bytes on the line and "quit" ends
  // it; anything else is said and dropped, a line over 4096 characters unread.
  void commands() {
    SimulatorProcess sim({});
    const int port = ::open(sim.device().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    QVERIFY(port >= 0);
    const auto padded = [](int length, const QByteArray& command) {
      return QByteArray(length - command.size(), ' ') + command + '\n';
    };
    termios raw{};
    QVERIFY(::tcgetattr(port, &raw) == 0);
    ::cfmakeraw(&raw);  // bytes as they come, not lines; a read waits up to 0.5 s for one
    raw.c_cc[VMIN] = 0, raw.c_cc[VTIME] = 5;
    QVERIFY(::tcsetattr(port, TCSANOW, &raw) == 0);
    sim.type("send 55,aa\n" + padded(4096, "send 01") + padded(4097, "send 02") + "send\n");
    QVERIFY(!sim.waitForLine("sent: 01").isEmpty());
    QByteArray line;
    for (char byte = 0; line.size() < 4 && ::read(port, &byte, 1) == 1;) line += byte;
    QCOMPARE(line.toHex(' '), "55 aa 01");
    // "quit" ends it, standard input still open; nothing after it runs,
    // though the line is there to take it.
    sim.type("quit\nsend 03\n");
    const Run ended = sim.end();
    ::close(port);
    QCOMPARE(ended.exitCode, 0);
    QCOMPARE(ended.out, "sent: 55 AA\nsent: 01\n");
    QCOMPARE(ended.err,
             "j1939sim: a line longer than 4096 characters is no command; dropped\n"
             "j1939sim: unknown command \"send\" (send HEX[,HEX...] or quit)\n");
  }

  // The link --link makes names the device while j1939sim runs, and goes with it.
  void linkRemovedAtEnd() {
    QTemporaryDir dir;
    const QString link = dir.filePath("sim0");
    SimulatorProcess sim({"--link", link});
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.device());
    QVERIFY(sim.quit());
    QVERIFY(!QFileInfo(link).isSymLink());
  }

  // More than the terminal holds, sent while nobody reads the device: the
  // wait is said once, and every byte comes out in order once it is read.
  void heldOutput() {
    SimulatorProcess sim({});
    const int port = ::open(sim.device().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    QVERIFY(port >= 0);
    termios raw{};
    QVERIFY(::tcgetattr(port, &raw) == 0);
    ::cfmakeraw(&raw);
    raw.c_cc[VMIN] = 0, raw.c_cc[VTIME] = 5;
    QVERIFY(::tcsetattr(port, TCSANOW, &raw) == 0);
    QByteArray chunk, command = "send ";
    for (int i = 0; i < 1000; ++i) chunk += char(i % 251);
    command += chunk.toHex(',') + '\n';
    QByteArray expected;
    for (int i = 0; i < 40; ++i) sim.type(command), expected += chunk;
    QVERIFY(QTest::qWaitFor([&] { return sim.output().count("sent: ") == 40; }, 15000));
    QVERIFY(sim.output().contains("output held: nobody reads the device; "));
    QByteArray got;
    char buffer[4096];
    for (ssize_t n = 1; got.size() < expected.size() && n > 0;)
      if ((n = ::read(port, buffer, sizeof buffer)) > 0) got.append(buffer, n);
    ::close(port);
    QCOMPARE(got.size(), expected.size());
    QVERIFY(got == expected);
    sim.type("quit\n");
    QCOMPARE(sim.end().out.count("output held"), 1);
  }

  void simulatorOptions_data() {
    QTest::addColumn<L>("args");
    QTest::addColumn<QString>("err");
    // clang-format off
    QTest::newRow("--version 3.00") << L{"--version", "3.00"} << "--version takes 1.01 or 2.00";
    QTest::newRow("--frames -1") << L{"--frames", "-1"} << "--frames takes a count (0 for no limit)";
    QTest::newRow("--reply 5G") << L{"--reply", "5G"} << "--reply takes hex bytes such as 55 or 55,55";
    QTest::newRow("--plan 55@x") << L{"--plan", "55@x"} << "--plan: \"55@x\" is not HEX[,HEX...][@MS] or none";
    QTest::newRow("--gap-ms 0") << L{"--gap-ms", "0"} << "--gap-ms takes milliseconds above 0";
    QTest::newRow("--fast") << L{"--fast"} << "unknown option --fast (see --help)";
    for (const char* can : {"can0", ":can0", "virtualcan:"})
      QTest::addRow("--can %s", can) << L{"--can", can} << "--can takes a CAN interface PLUGIN:INTERFACE such as socketcan:can0";
    QTest::newRow("--bus-load -5") << L{"--can", "virtualcan:can0", "--bus-load", "-5"} << "--bus-load takes frames per second";
    QTest::newRow("--config without --can") << L{"--config", "bench.cfg"} << "--config and --bus-load play on a CAN bus: give --can too";
    const QString deep = "/tmp/" + QString("x").repeated(4100);
    QTest::newRow("--link over a file") << L{"--link", "%t"} << "--link %t: something other than an emulator's link is there; it is left as it is";
    QTest::newRow("--link too long") << L{"--link", deep} << "--link " + deep + ": the path is too long";
    QTest::newRow("--config missing") << L{"--can", "virtualcan:can0", "--config", "/nonexistent/bench.cfg"} << "--config /nonexistent/bench.cfg: No such file or directory";
    // clang-format on
  }
  void simulatorOptions() {
    QFETCH(L, args);
    QFETCH(QString, err);
    QTemporaryDir dir;  // %t: someone's file where a link is asked for
    const QString file = dir.filePath("bench.txt");
    QVERIFY(writeBytes(file, "kept"));
    const Run run = runProgram("j1939sim", args.replaceInStrings("%t", file));
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.err, "j1939sim: " + err.replace("%t", file) + "\n");
    QCOMPARE(fileBytes(file), "kept");
  }
  void simulatorHelp() {
    QCOMPARE(runProgram("j1939sim", {"--help"}).out.section('\n', 0, 0),
             "Usage: j1939sim [options]");
  }

  // Each frame is checked and answered, also when it comes in pieces (a read of
  // one byte among them); a partial frame is dropped after a pause, and the
  // next frame is read from its first byte. Each write waits for its line.
  void simulatorAnswers_data() {
    QTest::addColumn<L>("args");
    QTest::addColumn<QByteArrayList>("writes");
    QTest::addColumn<L>("lines");  // the line that each write brings ("" none)
    const QByteArray v1 = frameOf(benchRecord([](auto& c) { c.SimulatorVersion = 0; }));
    const QByteArray onRequest = frameOf(benchRecord([](auto& c) { c.Pgns[1].UpdateRate = 0; }));
    QByteArray bad = v1;
    bad[31] = 0;
    // clang-format off
    QTest::newRow("1.01 frame") << L{} << QByteArrayList{v1} << L{"reply 1: 55"};
    QTest::newRow("in pieces") << L{"--gap-ms", "5000"} << QByteArrayList{v1.left(1), v1.mid(1, 20), v1.mid(21)} << L{"", "", "reply 1: 55"};
    QTest::newRow("a reply written 0x") << L{"--reply", "0xAA,0X5"} << QByteArrayList{v1} << L{"reply 1: AA 05"};
    QTest::newRow("wrong sum") << L{"--bad-reply", "AA"} << QByteArrayList{bad} << L{"  refused: checksum: the frame carries 00, its bytes sum to D4"};
    QTest::newRow("described") << L{"--version", "2.00"} << QByteArrayList{onRequest} << L{"  PGN2: in use, rate word 8000 (on request), priority 3, reserved bit 0, data page 1, PF EF, PS 00, data length 20, parameter 4 bytes at position 17"};
    QTest::newRow("partial, then a frame") << L{"--gap-ms", "20"} << QByteArrayList{bad.left(3), v1} << L{"dropped 3 bytes after a pause: 00 00 A5", "reply 1: 55"};
    QTest::newRow("one byte, then a frame") << L{"--gap-ms", "20"} << QByteArrayList{bad.left(1), v1} << L{"dropped 1 byte after a pause: 00", "reply 1: 55"};
    QTest::newRow("budget spent") << L{"--frames", "1"} << QByteArrayList{v1} << L{"served 1 frame"};
    QTest::newRow("one frame unless told") << L{} << QByteArrayList{v1, "\x01"} << L{"reply 1: 55", "ignored: 01"};
    QTest::newRow("beyond the budget") << L{"--frames", "1"} << QByteArrayList{v1 + "\x01"} << L{"ignored: 01"};
    // clang-format on
  }
  void simulatorAnswers() {
    QFETCH(L, args);
    QFETCH(QByteArrayList, writes);
    QFETCH(L, lines);
    SimulatorProcess sim(args);
    const int port = ::open(sim.device().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    QVERIFY(port >= 0);
    for (qsizetype i = 0; i < writes.size(); ++i) {
      QCOMPARE(::write(port, writes[i].constData(), writes[i].size()), ssize_t(writes[i].size()));
      if (lines[i].isEmpty())
        QTest::qWait(50);  // read apart from what follows
      else
        QCOMPARE(sim.waitForLine(lines[i].left(12)), lines[i]);
    }
    ::close(port);
  }
};

J1939_TEST_MAIN(PtyTest, "pty")
#include "tst_pty.moc"
