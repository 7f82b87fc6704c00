#include <QComboBox>
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

}  // namespace

// "Program Config" as the user finds it in the main window: the window holds
// back a port change and its own closing until the exchange has its verdict.
// (What goes out and the verdicts are driven against j1939sim in
// tst_download_exchange.cpp and through the window in tst_window_agreement.cpp.)
class DownloadWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void portChangeDuringADownloadWaitsForItsEnd();
  void closingTheWindowDuringADownloadWaitsForItsEnd();
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

void DownloadWindowTest::closingTheWindowDuringADownloadWaitsForItsEnd() {
  Harness h;
  startOnCom1(h);
  bool closed = true, visible = false;
  QTimer::singleShot(300, h.window.get(), [&] {
    closed = h.window->close();
    visible = h.window->isVisible();
  });
  QTest::mouseClick(h.ui().cmdConfig, Qt::LeftButton);
  QVERIFY(!closed);
  QVERIFY(visible);
  QCOMPARE(h.messages.shown.first().prompt, kAccepted);
  QVERIFY(!h.window->isVisible());
  // Whatever the closing did to the port came after the verdict.
  const qsizetype read = h.port.log.indexOf(QStringLiteral("read"));
  QVERIFY(read >= 0);
  QVERIFY(h.port.log.indexOf(QStringLiteral("close")) < 0 ||
          h.port.log.indexOf(QStringLiteral("close")) > read);
}

J1939_TEST(DownloadWindowTest);
#include "tst_download_window.moc"
