#include <QtTest>

#include "CfgRun.h"
#include "config/ConfigFile.h"
#include "support/TestMain.h"

// "program" against the simulator emulator over a pseudo-terminal.
class CfgProgramTest : public QObject {
  Q_OBJECT
 private slots:
  void verdict_data();
  void verdict();
  void refusedRecordSendsNothing_data();
  void refusedRecordSendsNothing();
  void comPortStandsForTheDeviceInTheSettings();
  void simulatorGoneDuringTheExchangeIsAPortError();
  void portThatCannotBeOpenedIsAnError_data();
  void portThatCannotBeOpenedIsAnError();

 private:
  QTemporaryDir dir_;
};

namespace {
const QString kAccepted = QStringLiteral("Configuration is successfull!\n");
const QString kRejected = QStringLiteral("Configuration fails!\n");
}  // namespace

void CfgProgramTest::verdict_data() {
  QTest::addColumn<QStringList>("simulator");
  QTest::addColumn<int>("version");
  QTest::addColumn<QString>("out");
  QTest::addColumn<int>("exitCode");
  QTest::newRow("0x55, 2.00") << QStringList{"--version", "2.00"} << 1 << kAccepted << 0;
  QTest::newRow("0x55, 1.01") << QStringList{"--version", "1.01"} << 0 << kAccepted << 0;
  QTest::newRow("silence") << QStringList{"--version", "2.00", "--silent"} << 1 << kRejected << 1;
  QTest::newRow("0xAA") << QStringList{"--version", "1.01", "--reply", "AA"} << 0 << kRejected << 1;
  QTest::newRow("0x55 0x55") << QStringList{"--version", "2.00", "--reply", "55,55"} << 1
                             << kRejected << 1;
}

void CfgProgramTest::verdict() {
  QFETCH(QStringList, simulator);
  QFETCH(int, version);
  QFETCH(QString, out);
  QFETCH(int, exitCode);
  SimulatorProcess sim(simulator);
  QVERIFY(!sim.device().isEmpty());
  SimulatorConfig record = benchRecord();
  record.SimulatorVersion = static_cast<int16_t>(version);
  const QString file = writeConfigFile(dir_, QStringLiteral("bench.cfg"), record);

  const CfgRun run =
      runCfg({QStringLiteral("program"), file, QStringLiteral("--port"), sim.device()});
  QVERIFY(run.finished);
  QCOMPARE(run.err, QString());
  QCOMPARE(run.out, out);
  QCOMPARE(run.exitCode, exitCode);
  // What went out is what "frame" prints, in one piece.
  const QString received = sim.waitForLine(QStringLiteral("frame 1: "));
  const QString frame = runCfg({QStringLiteral("frame"), file}).out.trimmed();
  QCOMPARE(received,
           QStringLiteral("frame 1: %1 bytes: %2").arg(version == 0 ? 32 : 49).arg(frame));
}

void CfgProgramTest::refusedRecordSendsNothing_data() {
  QTest::addColumn<SimulatorConfig>("record");
  QTest::addColumn<QString>("out");
  QTest::addColumn<QString>("err");  // %1: the file
  SimulatorConfig builtIn = benchRecord();
  builtIn.Pgn1 = 65265;  // a "2.00" simulator sends it itself
  builtIn.Pgn1Pf = 0xFE;
  builtIn.Pgn1Ps = 0xF1;
  QTest::newRow("built-in PGN") << builtIn
                                << "Repeated additional PGN1: The additional PGN1 has existed in "
                                   "the simulator, Please change to another one or delete it\n"
                                << "";
  SimulatorConfig tooLong = benchRecord();
  tooLong.Pgn1DataLength = 1786;
  QTest::newRow("a record the window would not send")
      << tooLong << ""
      << "j1939cfg: %1: Pgn1DataLength: 1786 is outside 1 to 1785\n"
         "j1939cfg: the window would not send this configuration as it stands; nothing was sent\n";
}

void CfgProgramTest::refusedRecordSendsNothing() {
  QFETCH(SimulatorConfig, record);
  QFETCH(QString, out);
  QFETCH(QString, err);
  SimulatorProcess sim({"--version", "2.00", "--frames", "0"});
  QVERIFY(!sim.device().isEmpty());
  const QString refused = writeConfigFile(dir_, QStringLiteral("refused.cfg"), record);
  const CfgRun run =
      runCfg({QStringLiteral("program"), refused, QStringLiteral("--port"), sim.device()});
  QCOMPARE(run.exitCode, 1);
  QCOMPARE(run.out, out);
  QCOMPARE(run.err, err.contains(QLatin1String("%1")) ? err.arg(refused) : err);

  // Nothing went out: the first frame the simulator sees is the next one.
  const QString clean = writeConfigFile(dir_, QStringLiteral("clean.cfg"), benchRecord());
  QCOMPARE(runCfg({QStringLiteral("program"), clean, QStringLiteral("--port"), sim.device()}).out,
           kAccepted);
  const QString expected = runCfg({QStringLiteral("frame"), clean}).out.trimmed();
  QCOMPARE(sim.waitForLine(QStringLiteral("frame 1: ")),
           QStringLiteral("frame 1: 49 bytes: %1").arg(expected));
  QCOMPARE(sim.frameCount(), 1);
}

void CfgProgramTest::comPortStandsForTheDeviceInTheSettings() {
  SimulatorProcess sim({"--version", "2.00"});
  QVERIFY(!sim.device().isEmpty());
  // The configurator's own settings file, in a home of the test's own.
  QTemporaryDir home;
  QDir(home.path()).mkpath(QStringLiteral("TarvikConfig"));
  writeBytesFile(home, QStringLiteral("TarvikConfig/TarvikConfig.conf"),
                 "[Ports]\nCOM7=" + sim.device().toLocal8Bit() + "\n");
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());

  const QString file = writeConfigFile(dir_, QStringLiteral("bench.cfg"), benchRecord());
  const CfgRun run =
      runCfg({QStringLiteral("program"), file, QStringLiteral("--port=com7")}, environment);
  QCOMPARE(run.err, QString());
  QCOMPARE(run.out, kAccepted);
  QCOMPARE(run.exitCode, 0);
  QVERIFY(!sim.waitForLine(QStringLiteral("frame 1: 49 bytes")).isEmpty());

  // An unmapped port stands for the platform's own device.
  const CfgRun unmapped =
      runCfg({QStringLiteral("program"), file, QStringLiteral("--port"), QStringLiteral("COM16")},
             environment);
  QCOMPARE(unmapped.exitCode, 2);
  QVERIFY2(unmapped.err.startsWith(QStringLiteral("j1939cfg: cannot open the port /dev/ttyS15: ")),
           qPrintable(unmapped.err));
}

void CfgProgramTest::simulatorGoneDuringTheExchangeIsAPortError() {
  SimulatorProcess sim({"--version", "2.00", "--silent"});
  QVERIFY(!sim.device().isEmpty());
  const QString file = writeConfigFile(dir_, QStringLiteral("bench.cfg"), benchRecord());
  QProcess tool;
  tool.start(cfgProgram(),
             {QStringLiteral("program"), file, QStringLiteral("--port"), sim.device()});
  QVERIFY(tool.waitForStarted(5000));
  // The frame is out and the reply window open: the far end goes away.
  QVERIFY(!sim.waitForLine(QStringLiteral("reply 1: none")).isEmpty());
  QVERIFY(sim.finish());
  QVERIFY(tool.waitForFinished(5000));
  QCOMPARE(tool.exitCode(), 2);
  QCOMPARE(QString::fromUtf8(tool.readAllStandardOutput()), kRejected);
  const QString err = QString::fromUtf8(tool.readAllStandardError());
  QVERIFY2(err.startsWith(QStringLiteral("j1939cfg: the port %1 failed: ").arg(sim.device())),
           qPrintable(err));
}

void CfgProgramTest::portThatCannotBeOpenedIsAnError_data() {
  QTest::addColumn<QString>("port");
  QTest::addColumn<QString>("err");
  QTest::newRow("no such device") << "/dev/ttyNoSuchPort9"
                                  << "j1939cfg: cannot open the port /dev/ttyNoSuchPort9: ";
  QTest::newRow("not a terminal") << "/dev/null"
                                  << "j1939cfg: cannot open the port /dev/null: ";
  QTest::newRow("COM0") << "COM0"
                        << "j1939cfg: COM0: the configurator's ports are COM1 to COM16";
  QTest::newRow("COM17") << "COM17"
                         << "j1939cfg: COM17: the configurator's ports are COM1 to COM16";
}

void CfgProgramTest::portThatCannotBeOpenedIsAnError() {
  QFETCH(QString, port);
  QFETCH(QString, err);
  const QString file = writeConfigFile(dir_, QStringLiteral("bench.cfg"), benchRecord());
  const CfgRun run = runCfg({QStringLiteral("program"), file, QStringLiteral("--port"), port});
  QCOMPARE(run.exitCode, 2);
  QCOMPARE(run.out, QString());
  QVERIFY2(run.err.startsWith(err), qPrintable(run.err));
}

J1939_TEST(CfgProgramTest);
#include "tst_cfg_program.moc"
