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

J1939_TEST(SimulatorTest);
#include "tst_sim.moc"
