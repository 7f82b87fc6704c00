#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHelpEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "link/download/DownloadExchange.h"
#include "support/Emulator.h"
#include "support/Harness.h"
#include "support/RecordModel.h"
#include "support/Records.h"
#include "support/TestMain.h"
#include "window/PortsDialog.h"
#include "window/link/DownloadLog.h"

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
  explicit Bench(const QByteArray& reply = "\x55", qint64 atMs = 0,
                 const SimulatorConfig& record = {}) {
    QVERIFY(writeRecord(path(kDefaultConfigFileName), record));
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
    find<QComboBox>("cmbCOM")->setCurrentIndex(0);
    window->portSelector().OpenSelectedPort();
    messages.clear();
    port.log.clear();
  }
  // "title: prompt (i)", (i) for the information icon.
  QStringList boxes() const {
    QStringList list;
    for (const ShownMessage& m : messages.shown)
      list << m.title + ": " + m.prompt + (m.icon == MessageIcon::Information ? " (i)" : "");
    return list;
  }
  QStringList prompts() const {
    QStringList list;
    for (const ShownMessage& m : messages.shown) list << m.prompt;
    return list;
  }
  QString status() const { return window->findChild<QLabel*>("sbStatusText")->text(); }
  QString portState() const { return window->findChild<QLabel*>("sbStatusPort")->text(); }
  void click() { QVERIFY(programConfig()); }
  static constexpr qint64 kWindow = FrameExchange::kReplyWindowMs;
  std::function<void()> during;  // runs while the exchange waits
};

// The user picks the entry from the list's popup (opened with its arrow).
void pick(QComboBox* list, int index) {
  QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(list->width() - 4, list->height() / 2));
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
    QTest::addColumn<QString>("why");  // the status bar's reason, after "Program Config: "
    const QString silence = "not accepted \u2014 no reply within the second";
    QTest::newRow("55, 1.01") << QByteArray("\x55") << 0 << 0 << true << "accepted";
    QTest::newRow("55, 2.00") << QByteArray("\x55") << 0 << 1 << true << "accepted";
    QTest::newRow("55 at the end of the window")
        << QByteArray("\x55") << 1000 << 1 << true << "accepted";
    QTest::newRow("55 a millisecond late") << QByteArray("\x55") << 1001 << 0 << false << silence;
    QTest::newRow("silence") << QByteArray() << 0 << 0 << false << silence;
    QTest::newRow("AA") << QByteArray("\xAA") << 0 << 1 << false
                        << "not accepted \u2014 the simulator answered AA";
    QTest::newRow("00") << QByteArray(1, '\0') << 0 << 0 << false
                        << "not accepted \u2014 the simulator answered 00";
    QTest::newRow("55 55") << QByteArray("\x55\x55") << 0 << 1 << false
                           << "not accepted \u2014 the simulator answered 2 bytes: 55 55";
  }
  void verdict() {
    QFETCH(QByteArray, reply);
    QFETCH(int, atMs);
    QFETCH(int, version);
    QFETCH(bool, accepted);
    QFETCH(QString, why);
    const SimulatorConfig record = benchRecord([=](auto& c) { c.SimulatorVersion = version; });
    Bench b(reply, atMs, record);
    b.click();
    QCOMPARE(b.boxes(), QStringList{accepted ? "config confirmation: " + kAccepted + " (i)"
                                             : "Config confirmation: " + kRejected + " (i)"});
    QCOMPARE(b.port.written.toHex(' '), frameOf(shownBack(record)).toHex(' '));
    QCOMPARE(b.port.bytesAvailable(), 0);  // read, or emptied at the verdict
    QCOMPARE(b.status(), "Program Config: " + why);
    QVERIFY(b.port.isOpen() && b.find<QPushButton>("cmdConfig")->isEnabled() &&
            b.find<QComboBox>("cmbCOM")->isEnabled());
  }

  // The real port on a pseudo-terminal, j1939sim answering each download as
  // planned: the status bar's reason after each, the port's state, and the
  // Download Log's text after them; then a second program on the same port.
  void reasonsFromTheEmulator() {
    SimulatorProcess sim({"--frames", "0", "--plan", "AA;55,55;55@1500;55"});
    QtSerialPort port;
    MemorySettingsStore settings;
    settings.values["Ports/COM1"] = sim.device();
    SteadyClock clock;
    RecordingMessageBoxes messages;
    ScriptedFileDialogs dialogs;
    FakePortInventory inventory;
    QTemporaryDir dir;
    MainWindow window(Platform{messages, dialogs, port, settings, clock, inventory}, dir.path());
    window.startUp();
    const auto label = [&](const char* name) { return window.findChild<QLabel*>(name)->text(); };
    QCOMPARE(label("sbStatusPort"), "COM1 \u2192 " + sim.device() + " \u00b7 9600 8N1 \u00b7 open");
    QStringList said;
    for (int download = 1; download <= 4; ++download) {
      // The third reply comes after its window: wait for it before the fourth.
      if (download == 4) QVERIFY(!sim.waitForLine("reply 3").isEmpty());
      QSignalSpy ended(&window.configDownload(), &ConfigDownload::exchangeFinished);
      QTest::mouseClick(window.findChild<QPushButton*>("cmdConfig"), Qt::LeftButton);
      QVERIFY(ended.wait(10000));
      said << label("sbStatusText");
    }
    QCOMPARE(said, QStringList(
                       {"Program Config: not accepted \u2014 the simulator answered AA",
                        "Program Config: not accepted \u2014 the simulator answered 2 bytes: 55 55",
                        "Program Config: not accepted \u2014 no reply within the second",
                        "Program Config: accepted (a late reply to the last download (55) "
                        "was still waiting and was flushed before this one)"}));
    // The log: each download's time, port, frame as j1939cfg prints it, reply, verdict.
    const QString frame = runCfg({"frame", dir.filePath("j1939.cfg")}).out.trimmed();
    QStringList expected;
    const char* replies[] = {"AA", "55 55", "nothing", "55"};
    const char* verdicts[] = {"Configuration fails! (the simulator answered AA)",
                              "Configuration fails! (the simulator answered 2 bytes: 55 55)",
                              "Configuration fails! (no reply within the second)",
                              "Configuration is successfull! (a late reply to the last download "
                              "(55) was still waiting and was flushed before this one)"};
    for (int i = 0; i < 4; ++i)
      expected << QStringLiteral(
                      "TIME  COM1 \u2192 %1\n  sent      %2 (32 bytes)\n  received  %3\n"
                      "  verdict   %4\n")
                      .arg(sim.device(), frame, replies[i], verdicts[i]);
    // Saved as text, as it reads.
    dialogs.answers << dir.filePath("log.txt");
    window.findChild<QPushButton*>("cmdSaveDownloadLog")->click();
    QString log = window.findChild<QPlainTextEdit*>("txtDownloadLog")->toPlainText();
    QCOMPARE(QString::fromUtf8(fileBytes(dir.filePath("log.txt"))), log);
    log.replace(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d",
                                   QRegularExpression::MultilineOption),
                "TIME");
    QCOMPARE(log, expected.join('\n'));
    // Another program on the same device: it is in use, said as such.
    QtSerialPort second;
    second.setDevice(sim.device());
    const MaybeFailure busy = second.open();
    QCOMPARE(busy ? busy->reason : QString(), "in use by another program");
    window.close();
  }

  // The Download Log holds the run's last 200 downloads, the oldest first;
  // opened before the first, it is empty.
  void logKeepsTheLast200() {
    RecordingMessageBoxes messages;
    ScriptedFileDialogs dialogs;
    DownloadLog log(dialogs, messages);
    log.show();  // opened before any download: empty, its buttons there
    QVERIFY(QTest::qWaitForWindowExposed(&log));
    const auto* view = log.findChild<QPlainTextEdit*>("txtDownloadLog");
    QVERIFY(view && view->isVisible() && view->toPlainText().isEmpty());
    const auto* save = log.findChild<QPushButton*>("cmdSaveDownloadLog");
    QVERIFY(save && save->isVisible());
    QStringList described;
    for (int n = 1; n <= 201; ++n) {
      const DownloadEntry entry{QDateTime(QDate(2026, 12, 7), QTime(9, 0).addSecs(n)),
                                "COM1",
                                "/dev/ttyUSB0",
                                QByteArray(32, char(n)),
                                "\x55",
                                true,
                                {}};
      log.add(entry);
      described << DownloadLog::describe(entry);
    }
    QCOMPARE(log.findChild<QPlainTextEdit*>()->toPlainText(), described.mid(1).join('\n'));
  }

  // A late reply to one download never answers the next: it is flushed
  // before the next frame goes, and the status bar says so.
  void lateReplyIsFlushedBeforeTheNextExchange() {
    Bench b("\x55", 1500);
    b.click();
    QTRY_COMPARE(b.port.bytesAvailable(), 1);
    b.click();  // its own reply is late again
    QCOMPARE(b.prompts(), QStringList({kRejected, kRejected}));
    QCOMPARE(b.status(),
             "Program Config: not accepted \u2014 no reply within the second; a late "
             "reply to the last download (55) was still waiting and was flushed "
             "before this one");
  }

  void noOpenPortSendsNothing() {
    Bench b;
    b.find<QComboBox>("cmbCOM")->setCurrentIndex(6);  // COM7 does not exist
    QCOMPARE(b.boxes(), QStringList{"TarvikConfig: Com Port fails to open, try another com port"});
    QCOMPARE(b.messages.shown.first().texts.value("cmbCOM"), QStringLiteral("COM7"));
    QCOMPARE(b.port.log, QStringList{"close"} + openSequence("/dev/ttyS6"));
    QCOMPARE(b.status(), "COM7 = /dev/ttyS6: No such file or directory");
    QCOMPARE(b.portState(), "COM7 \u2192 /dev/ttyS6 \u00b7 not open: No such file or directory");
    b.messages.clear();
    b.click();
    QCOMPARE(b.boxes(),
             QStringList{"Config confirmation: Com Port is not open, nothing was sent. Choose a "
                         "com port that opens, then press Program Config again (i)"});
    QVERIFY(b.port.written.isEmpty());
    b.find<QComboBox>("cmbCOM")->setCurrentIndex(1);
    QCOMPARE(b.status(), "Status");
  }

  // A port named by a long path (a udev by-id link): the status bar cuts it
  // rather than widen the window past the screen; its tool tip holds it whole.
  void longDeviceNameKeepsTheWindowOnTheScreen() {
    Harness h;
    const QString device = "/dev/serial/by-id/usb-" + QString("FTDI_FT232R_USB_UART_").repeated(8);
    h.settings.values["Ports/COM1"] = device;
    h.port.existing.insert(device);
    h.start();
    const QString state = "COM1 \u2192 " + device + " \u00b7 9600 8N1 \u00b7 open";
    QCOMPARE(h.find<QLabel>("sbStatusPort")->text(), state);
    QCOMPARE(h.find<QLabel>("sbStatusPort")->toolTip(), state);
    const int screen = h.window->screen()->availableGeometry().width();
    QVERIFY2(h.window->minimumSizeHint().width() <= screen,
             qPrintable(QString::number(h.window->minimumSizeHint().width())));
    QVERIFY2(h.window->frameGeometry().width() <= screen,
             qPrintable(QString::number(h.window->frameGeometry().width())));
  }

  // The status bar's date and time follow the clock as the locale shows them:
  // the time panel wakes once a second where it shows seconds, else once a
  // minute, and never lags.
  void clockPanels_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("mostWakes");
    QTest::newRow("seconds shown") << QLocale::c() << 3;  // 14:03:07
    QTest::newRow("minutes shown") << QLocale(QLocale::English, QLocale::UnitedStates) << 1;
  }
  void clockPanels() {
    QFETCH(QLocale, locale);
    QFETCH(int, mostWakes);
    const auto restore = qScopeGuard([before = QLocale()] { QLocale::setDefault(before); });
    QLocale::setDefault(locale);
    Harness h;
    h.start();
    struct WakeCounter : QObject {
      int wakes = 0;
      bool eventFilter(QObject*, QEvent* event) override {
        wakes += event->type() == QEvent::Timer;
        return false;
      }
    } counter;
    h.window->findChild<QTimer*>("clockTimer")->installEventFilter(&counter);
    // Each 50 ms the panels show now, or what was now at most 0.4 s ago.
    QStringList late;
    QTimer looking;
    connect(&looking, &QTimer::timeout, this, [&] {
      const QDateTime now = QDateTime::currentDateTime(), before = now.addMSecs(-400);
      const QString shown =
          h.find<QLabel>("sbStatusDate")->text() + " " + h.find<QLabel>("sbStatusTime")->text();
      if (shown != locale.toString(now, QLocale::ShortFormat).replace(", ", " ") &&
          shown != locale.toString(before, QLocale::ShortFormat).replace(", ", " "))
        late << shown + " at " + now.toString("HH:mm:ss.zzz");
    });
    looking.start(50);
    QTest::qWait(2100);
    QCOMPARE(late, QStringList());
    QVERIFY2(counter.wakes <= mostWakes, qPrintable(QString::number(counter.wakes)));
  }

  // File > Ports…: each box lists the ports present and starts with today's
  // mapping; OK writes what was changed and reopens the selected port if its
  // device changed, Cancel writes nothing. The list's tooltips follow.
  void portsDialog() {
    Bench b;
    b.inventory.ports = {{"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A10K3XYZ"}};
    b.port.existing << "/dev/ttyUSB0";
    b.settings.values = {{"Ports/COM3", "/dev/old"}};
    QStringList shown;   // COM1, COM3 and the first port listed, as each dialog opened
    QStringList beside;  // each label left of the box it names, on its row
    const auto edit = [&](bool ok) {
      QTimer::singleShot(0, [&, ok] {
        auto* dialog = qobject_cast<PortsDialog*>(QApplication::activeModalWidget());
        QComboBox *com1 = dialog->portBox(1), *com3 = dialog->portBox(3);
        shown << com1->currentText() << com3->currentText() << com1->itemText(0);
        for (const QLabel* label : dialog->findChildren<QLabel*>()) {
          const QWidget* box = label->buddy();
          if (box != nullptr && label->geometry().right() < box->geometry().left() &&
              qAbs(label->geometry().center().y() - box->geometry().center().y()) < 4)
            beside << label->text() + " " + box->objectName();
        }
        pick(com1, 0);
        enter(com3->lineEdit(), "");
        dialog->findChild<QDialogButtonBox*>()
            ->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)
            ->click();
      });
      b.find<QAction>("mnuFilePorts")->trigger();
    };
    edit(false);
    QVERIFY(b.settings.writes.isEmpty() && b.port.log.isEmpty());
    QStringList rows;
    for (int n = 1; n <= 16; ++n) rows << QString("COM%1 cmbPort%1").arg(n);
    QCOMPARE(beside, rows);
    beside.clear();
    edit(true);
    edit(false);
    const QString usb = "/dev/ttyUSB0 — FT232R USB UART (FTDI, A10K3XYZ)";
    QCOMPARE(shown, QStringList({"/dev/ttyS0", "/dev/old", usb, "/dev/ttyS0", "/dev/old", usb,
                                 "/dev/ttyUSB0", "/dev/ttyS2", usb}));
    QCOMPARE(b.settings.values,
             (QMap<QString, QString>{{"Ports/COM1", "/dev/ttyUSB0"}, {"Ports/COM3", ""}}));
    QCOMPARE(b.settings.syncs, 1);
    QCOMPARE(b.port.log, QStringList{"close"} + openSequence("/dev/ttyUSB0"));
    QCOMPARE(b.find<QComboBox>("cmbCOM")->itemData(0, Qt::ToolTipRole), "/dev/ttyUSB0");
    QCOMPARE(b.find<QComboBox>("cmbCOM")->toolTip(), "/dev/ttyUSB0");  // COM1's, the one selected
    QCOMPARE(b.find<QComboBox>("cmbCOM")->itemData(2, Qt::ToolTipRole), "/dev/ttyS2 (not present)");
  }

  // A settings file that cannot be written: OK in the Ports dialog and the
  // geometry at exit say so; the mapping still holds for this run.
  void settingsThatCannotBeWritten() {
    Bench b;
    b.port.existing << "/dev/ttyUSB0";
    const Failure refusal{"Cannot write the settings file /home/u/.config/TarvikConfig.conf",
                          "its folder /home/u/.config cannot be written"};
    b.settings.failSync = refusal;
    QTimer::singleShot(0, [] {
      auto* dialog = qobject_cast<PortsDialog*>(QApplication::activeModalWidget());
      dialog->portBox(1)->setEditText("/dev/ttyUSB0");
      dialog->accept();
    });
    b.find<QAction>("mnuFilePorts")->trigger();
    b.window->close();
    const QString said = DescribeFailure(refusal) + ". ";
    QCOMPARE(
        b.boxes(),
        QStringList(
            {"Settings not stored: " + said + "The ports you chose hold for this run only. (i)",
             "Settings not stored: " + said + "The window's place and size are not kept. (i)"}));
    QCOMPARE(b.port.log.mid(0, 8), QStringList{"close"} + openSequence("/dev/ttyUSB0"));
  }

  // Whether a device is present is asked as the pointer rests on the list or
  // the list opens, not only when a port opens: adapters come and go.
  void tooltipsFollowTheDevicesPresent() {
    Bench b;
    QComboBox* list = b.find<QComboBox>("cmbCOM");
    QHelpEvent hover(QEvent::ToolTip, QPoint(2, 2), list->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(list, &hover);
    QCOMPARE(list->toolTip(), "/dev/ttyS0 (not present)");
    b.inventory.ports = {{"/dev/ttyS0", "", "", ""}};
    QApplication::sendEvent(list, &hover);
    QCOMPARE(list->toolTip(), "/dev/ttyS0");
    QCOMPARE(list->itemData(0, Qt::ToolTipRole), "/dev/ttyS0");
    // The keys that open the list ask again; a key that opens nothing asks no driver.
    const struct {
      Qt::Key key;
      Qt::KeyboardModifiers modifiers;
      bool asks;
    } keys[] = {{Qt::Key_X, Qt::NoModifier, false},
                {Qt::Key_F4, Qt::NoModifier, true},
                {Qt::Key_Space, Qt::NoModifier, true},
                {Qt::Key_Down, Qt::AltModifier, true},
                {Qt::Key_Up, Qt::AltModifier, true}};
    bool present = true;
    for (const auto& k : keys) {
      b.inventory.ports.clear();
      if (!present) b.inventory.ports = {{"/dev/ttyS0", "", "", ""}};
      QTest::keyClick(list, k.key, k.modifiers);
      list->hidePopup();
      present = present != k.asks;
      QCOMPARE(list->itemData(0, Qt::ToolTipRole),
               present ? "/dev/ttyS0" : "/dev/ttyS0 (not present)");
    }
    b.inventory.ports = {{"/dev/ttyS1", "", "", ""}};
    QTest::mouseClick(list, Qt::LeftButton);
    QCOMPARE(list->itemData(1, Qt::ToolTipRole), "/dev/ttyS1");
    QCOMPARE(b.port.log, QStringList());  // no port was opened for it
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
    QCOMPARE(b.status(),
             "Program Config: not accepted \u2014 the port closed during the "
             "exchange: the device was removed");
    QCOMPARE(b.portState(), "COM1 \u2192 /dev/ttyS0 \u00b7 closed: the device was removed");
    b.port.log.clear();
    pick(b.find<QComboBox>("cmbCOM"), 0);
    QCOMPARE(b.port.log, openSequence("/dev/ttyS0"));
    QCOMPARE(b.status(), "Status");
    QCOMPARE(b.portState(), "COM1 \u2192 /dev/ttyS0 \u00b7 9600 8N1 \u00b7 open");
    b.port.log.clear();
    pick(b.find<QComboBox>("cmbCOM"), 1);  // a pick that changes the entry opens once
    QCOMPARE(b.port.log, QStringList{"close"} + openSequence("/dev/ttyS1"));
  }

  // A port change asked for meanwhile waits for the verdict, and the controls
  // are disabled until then.
  void portChangeWaitsForTheVerdict() {
    Bench b;
    QStringList logDuring;
    bool buttonEnabled = true, listEnabled = true;
    b.during = [&] {
      buttonEnabled = b.find<QPushButton>("cmdConfig")->isEnabled();
      listEnabled = b.find<QComboBox>("cmbCOM")->isEnabled();
      b.find<QComboBox>("cmbCOM")->setCurrentIndex(1);
      b.window->configDownload().programSimulator();  // a second exchange cannot start
      logDuring = b.port.log;
    };
    b.click();
    QVERIFY(!buttonEnabled && !listEnabled);
    QCOMPARE(logDuring, QStringList{"write 32"});
    QCOMPARE(b.prompts(), QStringList{kAccepted});
    QCOMPARE(b.port.log.mid(1), QStringList({"read", "close"}) + openSequence("/dev/ttyS1"));
    // The exchange over, a port chosen opens at once.
    b.port.log.clear();
    b.find<QComboBox>("cmbCOM")->setCurrentIndex(0);
    QCOMPARE(b.port.log, QStringList{"close"} + openSequence("/dev/ttyS0"));
  }

  // The exchange alone, on a port that refuses the write, closed or open: its
  // one outcome comes from the event loop, never from within start()
  // (j1939cfg sleeps in exec() after it), and the receive buffer is emptied.
  void refusedWriteEndsFromTheEventLoop_data() {
    QTest::addColumn<bool>("open");
    QTest::addColumn<QString>("failure");
    QTest::newRow("never opened") << false << "/dev/ttyS0: the port is not open";
    QTest::newRow("open, the driver refuses") << true << "/dev/ttyS0: Input/output error";
  }
  void refusedWriteEndsFromTheEventLoop() {
    QFETCH(bool, open);
    QFETCH(QString, failure);
    FakeSerialPort port;
    FakeClock clock;
    port.setDevice("/dev/ttyS0");
    port.existing = {"/dev/ttyS0"};
    if (open) QVERIFY(!port.open());
    port.failWrite = Failure{"/dev/ttyS0", "Input/output error"};
    FrameExchange exchange(port, clock);
    QSignalSpy finished(&exchange, &FrameExchange::finished);
    exchange.start(QByteArray(32, '\x01'));
    QVERIFY(exchange.isRunning() && finished.isEmpty());
    QVERIFY(finished.wait());
    QCOMPARE(finished,
             QList<QVariantList>{{QVariant::fromValue(FrameExchange::Outcome::PortFailed)}});
    QVERIFY(!exchange.isRunning());
    QCOMPARE(exchange.portFailure(), failure);
    QCOMPARE(port.log.mid(open ? 2 : 1), QStringList({"write 32", "discardReceive"}));
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
};

J1939_TEST_MAIN(DownloadTest, "download")
#include "tst_download.moc"
