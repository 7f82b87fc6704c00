#include <fcntl.h>
#include <unistd.h>

#include <QtTest>

#include "CfgRun.h"
#include "link/ConfigFrames.h"
#include "support/TestMain.h"

// j1939sim itself, as a bench user runs it: its frame budget, its link, its
// standard input and its stop signals.
class SimulatorTest : public QObject {
  Q_OBJECT
 private slots:
  void onlyWellFormedFramesCountTowardTheBudget();
  void linkGoesOnlyWhereNothingElseStands_data();
  void linkGoesOnlyWhereNothingElseStands();
  void eachEmulatorRemovesOnlyItsOwnLink();
  void overlongLineIsDroppedAndTheNextOneRuns();
  void stopSignalEndsItWhileNobodyReadsTheDevice();
};

void SimulatorTest::onlyWellFormedFramesCountTowardTheBudget() {
  SimulatorProcess sim({"--version", "2.00", "--frames", "1"});
  QVERIFY(!sim.device().isEmpty());
  const int port = ::open(sim.device().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
  QVERIFY(port >= 0);
  const QByteArray garbage(kConfigFrameV2Size, '\x01');  // its checksum byte is wrong
  QCOMPARE(::write(port, garbage.constData(), garbage.size()), ssize_t(garbage.size()));
  QVERIFY(!sim.waitForLine(QStringLiteral("  refused: ")).isEmpty());
  ConfigFrameV1Bytes v1{};
  ConfigFrameV2Bytes v2{};
  QVERIFY(!BuildConfigFrames(benchRecord(), v1, v2));
  QCOMPARE(::write(port, v2.data(), v2.size()), ssize_t(v2.size()));
  QVERIFY(!sim.waitForLine(QStringLiteral("served 1 frame")).isEmpty());
  QCOMPARE(sim.frame(2), FrameBytes(v2));
  ::close(port);
}

void SimulatorTest::linkGoesOnlyWhereNothingElseStands_data() {
  QTest::addColumn<QString>("there");
  QTest::newRow("a file") << "file";
  QTest::newRow("a directory") << "directory";
  QTest::newRow("a link to a file") << "link";
}

void SimulatorTest::linkGoesOnlyWhereNothingElseStands() {
  QFETCH(QString, there);
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("j1939sim"));
  const QString notes = writeBytesFile(dir, QStringLiteral("notes.txt"), "bench notes");
  if (there == QLatin1String("file")) QVERIFY(QFile::copy(notes, path));
  if (there == QLatin1String("directory"))
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("j1939sim")));
  if (there == QLatin1String("link")) QVERIFY(QFile::link(notes, path));
  const QFileInfo before(path);

  SimulatorProcess sim({"--link", path});
  QCOMPARE(sim.exitCode(), 2);
  QCOMPARE(sim.errors(),
           QStringLiteral("j1939sim: --link %1: something other than an emulator's link is "
                          "there; it is left as it is\n")
               .arg(path));
  const QFileInfo after(path);
  QCOMPARE(after.isDir(), before.isDir());
  QCOMPARE(after.symLinkTarget(), before.symLinkTarget());
  QCOMPARE(after.size(), before.size());
}

void SimulatorTest::eachEmulatorRemovesOnlyItsOwnLink() {
  QTemporaryDir dir;
  const QString link = dir.filePath(QStringLiteral("j1939sim"));
  SimulatorProcess first({"--link", link});
  SimulatorProcess second({"--link", link});  // an emulator's link is replaced
  QVERIFY(!second.device().isEmpty());
  QCOMPARE(QFileInfo(link).symLinkTarget(), second.device());
  QVERIFY(first.finish());
  QCOMPARE(QFileInfo(link).symLinkTarget(), second.device());
  QVERIFY(second.terminate());
  QVERIFY(!QFileInfo(link).isSymLink());
}

void SimulatorTest::overlongLineIsDroppedAndTheNextOneRuns() {
  SimulatorProcess sim({"--frames", "0"});
  QVERIFY(!sim.device().isEmpty());
  sim.type(QByteArray(100000, 'x'));
  sim.send(QByteArray(1, '\x55'));
  QCOMPARE(sim.errors(),
           QStringLiteral("j1939sim: a line longer than 4096 characters is no command; dropped\n"));
}

void SimulatorTest::stopSignalEndsItWhileNobodyReadsTheDevice() {
  SimulatorProcess sim({"--frames", "0"});
  QVERIFY(!sim.device().isEmpty());
  // Nobody reads the device: line by line, the terminal's buffer (some 18 KB)
  // fills up, and the emulator waits to send the rest.
  const QByteArray line = "send " + QByteArray(1000, '\x55').toHex(',');
  for (int i = 1; i <= 100; ++i) {
    sim.type(line);
    QVERIFY(QTest::qWaitFor([&] { return sim.lines().size() >= i; }, 5000));
    if (sim.lines().constLast().startsWith(QLatin1String("output held: "))) break;
  }
  QVERIFY(sim.lines().constLast().startsWith(QLatin1String("output held: ")));
  QVERIFY(sim.terminate());
}

J1939_TEST(SimulatorTest);
#include "tst_sim.moc"
