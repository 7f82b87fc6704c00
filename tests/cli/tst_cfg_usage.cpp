#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QtTest>

#include "CfgRun.h"
#include "config/ConfigFile.h"
#include "support/TestMain.h"

// The command line itself: help, bad arguments and files that are no
// configuration.
class CfgUsageTest : public QObject {
  Q_OBJECT
 private slots:
  void help_data();
  void help();
  void badArguments_data();
  void badArguments();
  void badFiles_data();
  void badFiles();
  void standardInputAndNamedPipesAreRead_data();
  void standardInputAndNamedPipesAreRead();
  void outputThatCannotBeWrittenIsAnError_data();
  void outputThatCannotBeWrittenIsAnError();

 private:
  QTemporaryDir dir_;
};

void CfgUsageTest::help_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<QString>("firstLine");
  const QString program = QStringLiteral("Usage: j1939cfg COMMAND FILE [options]");
  QTest::newRow("--help") << QStringList{"--help"} << program;
  QTest::newRow("-h") << QStringList{"-h"} << program;
  QTest::newRow("help") << QStringList{"help"} << program;
  QTest::newRow("help show") << QStringList{"help", "show"} << "Usage: j1939cfg show FILE [--json]";
  QTest::newRow("show --help") << QStringList{"show", "--help"}
                               << "Usage: j1939cfg show FILE [--json]";
  QTest::newRow("frame --help") << QStringList{"frame", "--help"}
                                << "Usage: j1939cfg frame FILE [--version 1.01|2.00]";
  QTest::newRow("program FILE --help") << QStringList{"program", "some.cfg", "--help"}
                                       << "Usage: j1939cfg program FILE --port DEVICE|COMn";
  QTest::newRow("check -h") << QStringList{"check", "-h"} << "Usage: j1939cfg check FILE";
}

void CfgUsageTest::help() {
  QFETCH(QStringList, arguments);
  QFETCH(QString, firstLine);
  const CfgRun run = runCfg(arguments);
  QCOMPARE(run.exitCode, 0);
  QCOMPARE(run.err, QString());
  QCOMPARE(run.out.section(QLatin1Char('\n'), 0, 0), firstLine);
  QVERIFY(run.out.contains(QLatin1String("Exit status:")));
}

void CfgUsageTest::badArguments_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<QString>("err");
  QTest::newRow("nothing") << QStringList{} << "no command given; see j1939cfg --help";
  QTest::newRow("unknown command")
      << QStringList{"send", "a.cfg"} << "no command \"send\"; see j1939cfg --help";
  QTest::newRow("unknown option first")
      << QStringList{"--json"} << "unknown option --json; see j1939cfg --help";
  QTest::newRow("help of no command")
      << QStringList{"help", "send"} << "no command \"send\"; see j1939cfg --help";
  QTest::newRow("no file") << QStringList{"show"} << "show needs a FILE; see j1939cfg show --help";
  QTest::newRow("two files") << QStringList{"check", "a.cfg", "b.cfg"}
                             << "check takes one FILE, not also b.cfg; see j1939cfg check --help";
  QTest::newRow("option of another command")
      << QStringList{"show", "a.cfg", "--version", "2.00"}
      << "show takes no option --version; see j1939cfg show --help";
  QTest::newRow("unknown option") << QStringList{"frame", "a.cfg", "--jsn"}
                                  << "frame takes no option --jsn; see j1939cfg frame --help";
  QTest::newRow("bad version") << QStringList{"frame", "a.cfg", "--version", "3.00"}
                               << "--version 3.00: the versions are 1.01 and 2.00; see j1939cfg "
                                  "frame --help";
  QTest::newRow("version without value")
      << QStringList{"frame", "a.cfg", "--version"}
      << "--version needs a value: 1.01 or 2.00; see j1939cfg frame --help";
  QTest::newRow("program without port")
      << QStringList{"program", "a.cfg"}
      << "program needs --port DEVICE or --port COMn; see j1939cfg program --help";
  QTest::newRow("empty port") << QStringList{"program", "a.cfg", "--port="}
                              << "--port needs a device or COMn; see j1939cfg program --help";
  QTest::newRow("port twice") << QStringList{"program", "a.cfg", "--port", "COM1", "--port", "COM2"}
                              << "--port is given twice; see j1939cfg program --help";
}

void CfgUsageTest::badArguments() {
  QFETCH(QStringList, arguments);
  QFETCH(QString, err);
  const CfgRun run = runCfg(arguments);
  QVERIFY(run.finished);
  QCOMPARE(run.exitCode, 2);
  QCOMPARE(run.out, QString());
  QCOMPARE(run.err, QStringLiteral("j1939cfg: ") + err + QLatin1Char('\n'));
}

void CfgUsageTest::badFiles_data() {
  QTest::addColumn<QString>("file");
  QTest::addColumn<QString>("reason");
  QTest::newRow("missing") << dir_.filePath(QStringLiteral("missing.cfg")) << "it does not exist";
  QTest::newRow("directory") << dir_.path() << "it is a directory";
  QTest::newRow("device") << "/dev/zero"
                          << "it is a device, not a file";
  const QByteArray record = EncodeConfigRecord(benchRecord());
  QTest::newRow("1 byte") << writeBytesFile(dir_, QStringLiteral("1.cfg"), record.left(1))
                          << "it holds 1 byte; a configuration needs 77";
  QTest::newRow("76 bytes") << writeBytesFile(dir_, QStringLiteral("76.cfg"), record.left(76))
                            << "it holds 76 bytes; a configuration needs 77";
}

void CfgUsageTest::badFiles() {
  QFETCH(QString, file);
  QFETCH(QString, reason);
  // Every command reads the file the same way, and refuses it before anything else.
  const QList<QStringList> commands = {{"show", file},
                                       {"show", file, "--json"},
                                       {"frame", file},
                                       {"check", file},
                                       {"program", file, "--port", "/dev/ttyNoSuchPort9"}};
  for (const QStringList& arguments : commands) {
    const CfgRun run = runCfg(arguments);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QString());
    QCOMPARE(
        run.err,
        QStringLiteral("j1939cfg: Cannot read the configuration file %1: %2\n").arg(file, reason));
  }
  // The window creates a missing file when it opens one; the tool never writes.
  if (reason == QLatin1String("it does not exist")) QVERIFY(!QFileInfo::exists(file));
}

void CfgUsageTest::standardInputAndNamedPipesAreRead_data() {
  QTest::addColumn<QString>("file");
  QTest::newRow("-") << "-";
  QTest::newRow("/dev/stdin") << "/dev/stdin";
  QTest::newRow("named pipe") << dir_.filePath(QStringLiteral("bench.fifo"));
}

void CfgUsageTest::standardInputAndNamedPipesAreRead() {
  QFETCH(QString, file);
  const QByteArray record = EncodeConfigRecord(benchRecord());
  int fifo = -1;
  if (file.endsWith(QLatin1String(".fifo"))) {
    QCOMPARE(::mkfifo(qPrintable(file), 0600), 0);
    fifo = ::open(qPrintable(file), O_RDWR);  // both ends: neither waits for the other
    QCOMPARE(::write(fifo, record.constData(), record.size()), ssize_t(record.size()));
  }
  QProcess tool;
  tool.start(cfgProgram(), {QStringLiteral("show"), file});
  if (fifo < 0) {
    tool.write(record);
    tool.closeWriteChannel();
  }
  QVERIFY(tool.waitForFinished(15000));
  if (fifo >= 0) ::close(fifo);
  QCOMPARE(QString::fromUtf8(tool.readAllStandardError()), QString());
  QCOMPARE(tool.exitCode(), 0);
  const QString regular = writeBytesFile(dir_, QStringLiteral("bench.cfg"), record);
  QCOMPARE(QString::fromUtf8(tool.readAllStandardOutput()), runCfg({"show", regular}).out);
}

void CfgUsageTest::outputThatCannotBeWrittenIsAnError_data() {
  QTest::addColumn<QStringList>("arguments");
  const QString file = writeConfigFile(dir_, QStringLiteral("bench.cfg"), benchRecord());
  QTest::newRow("show") << QStringList{"show", file};
  QTest::newRow("show --json") << QStringList{"show", file, "--json"};
  QTest::newRow("frame") << QStringList{"frame", file};
  QTest::newRow("--help") << QStringList{"--help"};
}

void CfgUsageTest::outputThatCannotBeWrittenIsAnError() {
  QFETCH(QStringList, arguments);
  QProcess tool;
  tool.setStandardOutputFile(QStringLiteral("/dev/full"));
  tool.start(cfgProgram(), arguments);
  QVERIFY(tool.waitForFinished(15000));
  QCOMPARE(tool.exitCode(), 2);
  QCOMPARE(QString::fromUtf8(tool.readAllStandardError()),
           QStringLiteral("j1939cfg: cannot write to standard output: No space left on device\n"));
}

J1939_TEST(CfgUsageTest);
#include "tst_cfg_usage.moc"
