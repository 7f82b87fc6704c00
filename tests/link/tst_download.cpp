#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

#include "link/ConfigFrames.h"
#include "link/DownloadExchange.h"
#include "link/PortOpening.h"
#include "platform/SettingsStore.h"
#include "support/Emulator.h"
#include "support/Harness.h"
#include "support/Records.h"
#include "support/TestMain.h"
#include "ui/AppInfo.h"

namespace {
const QString kAccepted = QStringLiteral("Configuration is successfull!");
const QString kRejected = QStringLiteral("Configuration fails!");

QStringList openSequence(const QString& device) {
  return {"device " + device, "readLength 0",    "receiveBuffer 1024", "open " + device,
          "discardReceive",   "discardTransmit", "line 9600,N,8,1"};
}

// The window on COM1 (COM2 exists too), the fake clock moved by the test only.
// Its simulator answers `reply` `atMs` after the frame has left: within the
// reply window the answer counts, after it the byte arrives past the verdict.
struct Bench : Harness {
  explicit Bench(const QByteArray& reply = "\x55", qint64 atMs = 0) {
    port.existing = {"/dev/ttyS0", "/dev/ttyS1"};
    clock.followReal = false;
    port.onWrite = [=, this](const QByteArray&) {
      QTimer::singleShot(0, &port, [=, this] {
        if (during) during();
        clock.advance(std::min<qint64>(atMs, kWindow));
        if (atMs <= kWindow) port.receive(reply);
        clock.advance(kWindow - std::min<qint64>(atMs, kWindow));
        emit port.bytesWritten(0);  // wakes the reply wait
        if (atMs > kWindow) QTimer::singleShot(0, &port, [=, this] { port.receive(reply); });
      });
    };
    start();
    ui().cmbCOM->setCurrentIndex(0);
    window->portSelector().OpenSelectedPort();
    messages.clear();
    port.log.clear();
  }
  QStringList prompts() const {
    QStringList list;
    for (const ShownMessage& m : messages.shown) list << m.prompt;
    return list;
  }
  QString status() const { return window->findChild<QLabel*>("sbStatusText")->text(); }
  void click() { QTest::mouseClick(ui().cmdConfig, Qt::LeftButton); }
  static constexpr qint64 kWindow = FrameExchange::kReplyWindowMs;
  std::function<void()> during;  // runs while the exchange waits
};

// The user picks the entry from the list's popup.
void pick(QComboBox* list, int index) {
  QTest::mouseClick(list, Qt::LeftButton);
  QTRY_VERIFY(list->view()->isVisible());
  list->view()->setCurrentIndex(list->model()->index(index, 0));
  QTest::keyClick(list->view(), Qt::Key_Return);
  QTRY_VERIFY(!list->view()->isVisible());
}
}  // namespace

// "Program Config" in the real window, on the fake port and the fake clock.
class DownloadTest : public QObject {
  Q_OBJECT
 private slots:
  void verdict_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("atMs");
    QTest::addColumn<int>("version");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("55, 1.01") << QByteArray("\x55") << 0 << 0 << true;
    QTest::newRow("55, 2.00") << QByteArray("\x55") << 0 << 1 << true;
    QTest::newRow("55 at the end of the window") << QByteArray("\x55") << 1000 << 1 << true;
    QTest::newRow("55 a millisecond late") << QByteArray("\x55") << 1001 << 0 << false;
    QTest::newRow("silence") << QByteArray() << 0 << 0 << false;
    QTest::newRow("AA") << QByteArray("\xAA") << 0 << 1 << false;
    QTest::newRow("00") << QByteArray(1, '\0') << 0 << 0 << false;
    QTest::newRow("55 55") << QByteArray("\x55\x55") << 0 << 1 << false;
  }
  void verdict() {
    QFETCH(QByteArray, reply);
    QFETCH(int, atMs);
    QFETCH(int, version);
    QFETCH(bool, accepted);
    Bench b(reply, atMs);
    b.ui().cmbSimulatorVersion->setCurrentIndex(version);
    b.click();
    QCOMPARE(b.messages.shown.size(), 1);
    const ShownMessage& box = b.messages.shown.first();
    QCOMPARE(box.prompt, accepted ? kAccepted : kRejected);
    QCOMPARE(box.title, accepted ? "config confirmation" : "Config confirmation");
    QCOMPARE(box.icon, MessageIcon::Information);
    const FormState& state = b.window->state();
    QCOMPARE(b.port.written,
             version == 0 ? FrameBytes(state.ConfigFrameV1) : FrameBytes(state.ConfigFrameV2));
    QCOMPARE(b.port.bytesAvailable(), 0);  // read, or emptied at the verdict
    QVERIFY(b.port.isOpen() && b.ui().cmdConfig->isEnabled() && b.ui().cmbCOM->isEnabled());
  }

  // A late byte stays until the next exchange, which it then spoils.
  void lateByteSpoilsTheNextExchange() {
    Bench b("\x55", 1500);
    b.click();
    QTRY_COMPARE(b.port.bytesAvailable(), 1);
    b.port.onWrite = [&b](const QByteArray&) {
      b.port.receive("\x55");
      QTimer::singleShot(0, [&b] {
        b.clock.advance(1000);
        emit b.port.bytesWritten(0);
      });
    };
    b.click();  // the late byte and this one's reply: two bytes
    QCOMPARE(b.port.bytesAvailable(), 0);
    b.click();
    QCOMPARE(b.prompts(), QStringList({kRejected, kRejected, kAccepted}));
  }

  // A PGN the simulator sends itself is refused before anything goes out.
  void builtInPgn() {
    for (int slot = 1; slot <= 2; ++slot) {
      Bench b;
      QLineEdit* pgn = b.window->findChild<QLineEdit*>(QStringLiteral("txtPGN%1").arg(slot));
      b.window->findChild<QCheckBox*>(QStringLiteral("chkDeletePGN%1").arg(slot))
          ->setChecked(false);
      pgn->setText("65265");  // sent by a simulator of version "2.00"
      b.messages.clear();
      b.ui().cmbSimulatorVersion->setCurrentIndex(1);
      b.click();
      QCOMPARE(b.messages.titles(),
               QStringList{QStringLiteral("Repeated additional PGN%1").arg(slot)});
      QCOMPARE(b.prompts(), QStringList{BuiltInPgnConflictPrompt(slot)});
      QVERIFY(b.port.written.isEmpty());
      b.ui().cmbSimulatorVersion->setCurrentIndex(0);
      b.click();
      QCOMPARE(b.prompts().last(), kAccepted);
    }
  }
  void builtInPgnRules_data() {
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("pgn");
    QTest::addColumn<bool>("inUse");
    QTest::addColumn<bool>("refused");
    QTest::newRow("61444 with every version") << 0 << 61444 << true << true;
    QTest::newRow("65226 in a deleted slot") << 1 << 65226 << false << false;
    QTest::newRow("65226 with the data page set") << 0 << 65226 + 65536 << true << false;
    QTest::newRow("2.00: 65276") << 1 << 65276 << true << true;
    QTest::newRow("1.01: 65276") << 0 << 65276 << true << false;
    QTest::newRow("65280") << 1 << 65280 << true << false;
  }
  void builtInPgnRules() {
    QFETCH(int, version);
    QFETCH(int, pgn);
    QFETCH(bool, inUse);
    QFETCH(bool, refused);
    for (int slot = 0; slot < 2; ++slot) {
      std::array<int32_t, 2> pgns = {65281, 65282};
      pgns[slot] = pgn;
      std::array<bool, 2> used = {true, true};
      used[slot] = inUse;
      QCOMPARE(BuiltInPgnConflicts(used, pgns, version),
               refused ? QList<int>{slot + 1} : QList<int>{});
    }
    // Both slots against every simulator's list first, then against those of "2.00".
    QCOMPARE(BuiltInPgnConflicts({true, true}, {65276, 61444}, 1), QList<int>({2, 1}));
  }

  void noOpenPortSendsNothing() {
    Bench b;
    b.ui().cmbCOM->setCurrentIndex(6);  // COM7 does not exist
    QCOMPARE(b.prompts(), QStringList{"Com Port fails to open, try another com port"});
    QCOMPARE(b.messages.shown.first().title, kAppTitle);
    QCOMPARE(b.messages.shown.first().icon, MessageIcon::None);
    QCOMPARE(b.messages.shown.first().texts.value("cmbCOM"), QStringLiteral("COM7"));
    QCOMPARE(b.port.log, QStringList{"close"} + openSequence("/dev/ttyS6"));
    b.messages.clear();
    b.click();
    QCOMPARE(b.prompts(),
             QStringList{
                 "Com Port is not open, nothing was sent. Choose a com port that opens, then press "
                 "Program Config again"});
    QVERIFY(b.port.written.isEmpty());
  }

  // Output held back for good ends the exchange once the frame has had its
  // time on the line (33.3 ms for 32 bytes) and one second more; it is dropped.
  void heldOutputEndsAtItsBound() {
    Bench b;
    b.port.holdOutput = true;
    bool runningAtTheLastMs = false;
    QTimer::singleShot(10, [&] { b.clock.advance(1033); });
    QTimer::singleShot(30, [&] {
      runningAtTheLastMs = b.window->configDownload().isRunning();
      b.clock.advance(1);
    });
    b.click();
    QVERIFY(runningAtTheLastMs);
    QCOMPARE(b.prompts(), QStringList{kRejected});
    QCOMPARE(b.port.log, QStringList({"write 32", "discardTransmit", "discardReceive"}));
  }

  // The adapter is pulled out during the exchange: the verdict comes at once,
  // the status bar says so, and picking COM1 again reopens it.
  void portFailsDuringTheExchange() {
    Bench b;
    b.port.onWrite = [&b](const QByteArray&) { b.port.failNow("the device was removed"); };
    b.click();
    QCOMPARE(b.prompts(), QStringList{kRejected});
    QCOMPARE(b.status(), "COM1 is closed: the device was removed. Choose COM1 again to reopen it");
    b.port.log.clear();
    pick(b.ui().cmbCOM, 0);
    QCOMPARE(b.port.log, openSequence("/dev/ttyS0"));
    QCOMPARE(b.status(), "Status");
    b.port.log.clear();
    pick(b.ui().cmbCOM, 1);  // a pick that changes the entry opens once
    QCOMPARE(b.port.log, QStringList{"close"} + openSequence("/dev/ttyS1"));
  }

  // A port change asked for meanwhile waits for the verdict, and the controls
  // are disabled until then.
  void portChangeWaitsForTheVerdict() {
    Bench b;
    QStringList logDuring;
    bool buttonEnabled = true, listEnabled = true;
    b.during = [&] {
      buttonEnabled = b.ui().cmdConfig->isEnabled();
      listEnabled = b.ui().cmbCOM->isEnabled();
      b.ui().cmbCOM->setCurrentIndex(1);
      b.window->configDownload().cmdConfig_Click();  // a second exchange cannot start
      logDuring = b.port.log;
    };
    b.click();
    QVERIFY(!buttonEnabled && !listEnabled);
    QCOMPARE(logDuring, QStringList{"write 32"});
    QCOMPARE(b.prompts(), QStringList{kAccepted});
    QCOMPARE(b.port.log.mid(1), QStringList({"read", "close"}) + openSequence("/dev/ttyS1"));
  }

  void closingEndsTheExchangeAndShutsDown() {
    for (bool bySystem : {false, true}) {
      Bench b;
      b.port.holdOutput = true;
      QTimer::singleShot(10,
                         [&] { bySystem ? b.window->requestClose() : (void)b.window->close(); });
      b.click();
      QVERIFY(b.window->hasShutDown() && !b.window->isVisible());
      QVERIFY(b.messages.shown.isEmpty());
      QCOMPARE(fileBytes(b.path("j1939.cfg")).size(), 84);
      QCOMPARE(b.port.log, QStringList({"write 32", "discardReceive", "close"}));
    }
  }

  // COMn stands for the device named under [Ports], read at each open.
  void portsMapping() {
    Bench b;
    b.port.existing << "/dev/ttyUSB0";
    b.settings.setValue("Ports", "COM3", "/dev/ttyUSB0");
    b.settings.setValue("Ports", "COM4", "  ");  // blank: the platform's own
    b.ui().cmbCOM->setCurrentIndex(2);
    QVERIFY(b.port.isOpen());
    QCOMPARE(b.port.device(), "/dev/ttyUSB0");
    QCOMPARE(b.ui().cmbCOM->toolTip(), "/dev/ttyUSB0");
    QCOMPARE(b.ui().cmbCOM->itemData(15, Qt::ToolTipRole).toString(), "/dev/ttyS15");
    b.ui().cmbCOM->setCurrentIndex(3);
    QCOMPARE(b.port.device(), "/dev/ttyS3");
  }
  void portsWrittenByHand_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("device");
    QTest::newRow("plain") << QByteArray("COM2=/dev/ttyUSB0") << "/dev/ttyUSB0";
    QTest::newRow("comma") << QByteArray("COM2=/dev/by-id/x,y") << "/dev/by-id/x,y";
    QTest::newRow("quoted comma") << QByteArray("COM2=\"/dev/a,b\"") << "/dev/a,b";
  }
  void portsWrittenByHand() {
    QFETCH(QByteArray, line);
    QFETCH(QString, device);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(kAppTitle));
    QVERIFY(writeBytes(dir.filePath(kAppTitle + "/" + kAppTitle + ".conf"), "[Ports]\n" + line));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    const QString read = PortDevice(QtSettingsStore(), 2);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    QCOMPARE(read, device);
  }
};

J1939_TEST(DownloadTest);
#include "tst_download.moc"
