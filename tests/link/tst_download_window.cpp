#include <QComboBox>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "support/Harness.h"
#include "support/TestMain.h"

namespace {

const QString kAccepted = QStringLiteral("Configuration is successfull!");

// The window started on an open COM1 whose simulator accepts every frame.
void startOnCom1(Harness& h) {
  h.port.existing = {QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyS1")};
  h.port.onWrite = [&h](const QByteArray&) { h.port.receive(QByteArray(1, '\x55')); };
  h.start();
  h.ui().cmbCOM->setCurrentIndex(0);
  h.window->portSelector().OpenSelectedPort();
  h.messages.clear();
  h.port.log.clear();
}

// Lets a download that would never end finish after 10 s, so that a test
// fails instead of hanging: the held bytes go and the clock runs on.
struct Watchdog {
  explicit Watchdog(Harness& h) {
    QObject::connect(&timer, &QTimer::timeout, [this, &h] {
      fired = true;
      timer.setInterval(50);
      h.port.holdOutput = false;
      h.port.discardTransmitBuffer();
      h.clock.advance(1000);
    });
    timer.start(10000);
  }
  QTimer timer;
  bool fired = false;
};

// COM1 open, its output held back for good, the clock moved by the test only.
void startStuck(Harness& h) {
  startOnCom1(h);
  h.port.holdOutput = true;
  h.clock.followReal = false;
}

}  // namespace

// "Program Config" as the user finds it in the main window: the window holds
// back a port change until the exchange has its verdict; closing the window
// ends the exchange and shuts down as usual.
// (What goes out and the verdicts are driven against j1939sim in
// tst_download_exchange.cpp and through the window in tst_window_agreement.cpp.)
class DownloadWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void portChangeDuringADownloadWaitsForItsEnd();
  void heldBackOutputEndsTheDownloadAtItsBound();
  void closingDuringAStuckDownloadEndsItAndShutsDown_data();
  void closingDuringAStuckDownloadEndsItAndShutsDown();
};

void DownloadWindowTest::portChangeDuringADownloadWaitsForItsEnd() {
  Harness h;
  startOnCom1(h);
  QStringList logDuring;
  bool running = false, buttonEnabled = true, listEnabled = true;
  QTimer::singleShot(300, h.window.get(), [&] {
    running = h.window->configDownload().isRunning();
    buttonEnabled = h.ui().cmdConfig->isEnabled();
    listEnabled = h.ui().cmbCOM->isEnabled();
    h.ui().cmbCOM->setCurrentIndex(1);
    logDuring = h.port.log;
  });
  QTest::mouseClick(h.ui().cmdConfig, Qt::LeftButton);
  QVERIFY(running);
  QVERIFY(!buttonEnabled);
  QVERIFY(!listEnabled);
  QVERIFY(!logDuring.contains(QStringLiteral("close")));
  QCOMPARE(h.messages.titles(), QStringList{QStringLiteral("config confirmation")});
  // After the verdict the port moved to COM2.
  QCOMPARE(h.port.device(), QStringLiteral("/dev/ttyS1"));
  QVERIFY(h.port.isOpen());
  const qsizetype read = h.port.log.indexOf(QStringLiteral("read"));
  const qsizetype closed = h.port.log.indexOf(QStringLiteral("close"));
  QVERIFY(read >= 0 && closed > read);
  QVERIFY(h.ui().cmdConfig->isEnabled());
  QVERIFY(h.ui().cmbCOM->isEnabled());
}

void DownloadWindowTest::heldBackOutputEndsTheDownloadAtItsBound() {
  Harness h;
  startStuck(h);
  Watchdog watchdog(h);
  // A 32-byte frame is 33.3 ms on the line at 9600 8N1: it gets 1034 ms.
  bool runningAtTheLastMs = false;
  QTimer::singleShot(50, h.window.get(), [&] { h.clock.advance(1033); });
  QTimer::singleShot(150, h.window.get(), [&] {
    runningAtTheLastMs = h.window->configDownload().isRunning();
    h.clock.advance(1);
  });
  QTest::mouseClick(h.ui().cmdConfig, Qt::LeftButton);
  QVERIFY(!watchdog.fired);
  QVERIFY(runningAtTheLastMs);
  QCOMPARE(h.messages.shown.size(), 1);
  QCOMPARE(h.messages.shown.first().prompt, QStringLiteral("Configuration fails!"));
  // The held frame is dropped, so that it cannot reach the simulator later.
  const QStringList log = h.port.log;
  QCOMPARE(log.mid(log.indexOf(QStringLiteral("write 32"))),
           QStringList({"write 32", "discardTransmit", "discardReceive"}));
  QVERIFY(h.port.isOpen());
}

void DownloadWindowTest::closingDuringAStuckDownloadEndsItAndShutsDown_data() {
  QTest::addColumn<bool>("bySystem");
  QTest::newRow("close box") << false;
  QTest::newRow("SIGTERM or the end of the session") << true;
}

void DownloadWindowTest::closingDuringAStuckDownloadEndsItAndShutsDown() {
  QFETCH(bool, bySystem);
  Harness h;
  startStuck(h);
  Watchdog watchdog(h);
  QTimer::singleShot(300, h.window.get(), [&] {
    if (bySystem)
      h.window->requestClose();
    else
      h.window->close();
  });
  QTest::mouseClick(h.ui().cmdConfig, Qt::LeftButton);
  QVERIFY(!watchdog.fired);
  QVERIFY(h.window->hasShutDown());
  QVERIFY(!h.window->isVisible());
  // No verdict box holds the shut-down; j1939.cfg holds the form.
  QVERIFY(h.messages.shown.isEmpty());
  QCOMPARE(QFileInfo(h.path(QStringLiteral("j1939.cfg"))).size(), 84);
  // The exchange let go of the port before the shut-down closed it.
  const QStringList log = h.port.log;
  QCOMPARE(log.mid(log.indexOf(QStringLiteral("write 32"))),
           QStringList({"write 32", "discardReceive", "close"}));
}

J1939_TEST(DownloadWindowTest);
#include "tst_download_window.moc"
