#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "link/PortSelector.h"
#include "support/Harness.h"
#include "support/TestMain.h"
#include "ui/AppInfo.h"

namespace {

const QString kPrompt = QStringLiteral("Com Port fails to open, try another com port");

QStringList openSequence(const QString& device) {
  return {QStringLiteral("device ") + device,   QStringLiteral("readLength 0"),
          QStringLiteral("receiveBuffer 1024"), QStringLiteral("open ") + device,
          QStringLiteral("discardReceive"),     QStringLiteral("discardTransmit"),
          QStringLiteral("line 9600,N,8,1")};
}

// A port whose named steps fail even when it is open.
class StepFailingPort : public FakeSerialPort {
 public:
  QSet<QString> failing;
  MaybeFailure discardReceiveBuffer() override {
    FakeSerialPort::discardReceiveBuffer();
    return fail(QStringLiteral("discardReceive"));
  }
  MaybeFailure discardTransmitBuffer() override {
    FakeSerialPort::discardTransmitBuffer();
    return fail(QStringLiteral("discardTransmit"));
  }
  MaybeFailure setLineSettings(const QString& settings) override {
    FakeSerialPort::setLineSettings(settings);
    return fail(QStringLiteral("line"));
  }

 private:
  MaybeFailure fail(const QString& step) {
    if (failing.contains(step)) return Failure{device(), step + QStringLiteral(" failed")};
    return std::nullopt;
  }
};

// A settings store that counts how often it is read.
class CountingSettingsStore : public MemorySettingsStore {
 public:
  mutable int reads = 0;
  bool contains(const QString& section, const QString& key) const override {
    ++reads;
    return MemorySettingsStore::contains(section, key);
  }
  QString value(const QString& section, const QString& key) const override {
    ++reads;
    return MemorySettingsStore::value(section, key);
  }
};

// The COM list on its own, as the window fills it.
struct Selector {
  explicit Selector(SerialPort& port) : port(port) {
    for (int n = 1; n <= 16; ++n) list.addItem(QStringLiteral("COM%1").arg(n));
    list.setCurrentIndex(-1);
  }
  void build() { selector = std::make_unique<PortSelector>(&list, port, settings, messages); }
  QComboBox list;
  SerialPort& port;
  CountingSettingsStore settings;
  RecordingMessageBoxes messages;
  std::unique_ptr<PortSelector> selector;
};

// The user picks the entry from the list's popup.
void pick(QComboBox* list, int index) {
  QTest::mouseClick(list, Qt::LeftButton);
  QAbstractItemView* view = list->view();
  QTRY_VERIFY(view->isVisible());
  view->setCurrentIndex(view->model()->index(index, 0));
  QTest::keyClick(view, Qt::Key_Return);
  QTRY_VERIFY(!view->isVisible());
}

}  // namespace

class PortSelectorTest : public QObject {
  Q_OBJECT
 private slots:
  void choosingAPortClosesTheOldOneAndOpensTheNew_data();
  void choosingAPortClosesTheOldOneAndOpensTheNew();
  void startUpOpensTheSelectedPort();
  void eachFailingStepIsReportedOnce_data();
  void eachFailingStepIsReportedOnce();
  void noSelectionIsNoPort();
  void settingsStoreNamesTheDevice();
  void portsWrittenByHandAreReadAsWritten_data();
  void portsWrittenByHandAreReadAsWritten();
  void tooltipsShowTheDevices();
  void heldPortWaitsForRelease();
  void portErrorAfterOpeningIsNotRetried();
  void pickingTheSelectedEntryReopensAPortThatClosedItself();
};

void PortSelectorTest::choosingAPortClosesTheOldOneAndOpensTheNew_data() {
  QTest::addColumn<int>("entry");
  QTest::addColumn<bool>("exists");
  QTest::newRow("COM3") << 2 << true;
  QTest::newRow("COM7: no such port") << 6 << false;
}

void PortSelectorTest::choosingAPortClosesTheOldOneAndOpensTheNew() {
  QFETCH(int, entry);
  QFETCH(bool, exists);
  const QString device = QStringLiteral("/dev/ttyS%1").arg(entry);
  Harness h;
  h.port.existing = {QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyS1")};
  if (exists) h.port.existing << device;
  h.start();
  h.ui().cmbCOM->setCurrentIndex(0);
  h.window->portSelector().OpenSelectedPort();
  QVERIFY(h.port.isOpen());
  QCOMPARE(h.port.device(), QStringLiteral("/dev/ttyS0"));
  h.port.log.clear();
  h.messages.clear();

  h.ui().cmbCOM->setCurrentIndex(entry);
  // The old port goes first; every step of the sequence runs, whatever fails.
  QCOMPARE(h.port.log, QStringList{QStringLiteral("close")} + openSequence(device));
  QCOMPARE(h.port.isOpen(), exists);
  QCOMPARE(h.port.receiveBufferSize, 1024);
  QCOMPARE(h.port.readLength, 0);
  QCOMPARE(h.port.lineSettings, QStringLiteral("9600,N,8,1"));
  QCOMPARE(h.ui().cmbCOM->currentIndex(), entry);
  if (exists) {
    QVERIFY(h.messages.shown.isEmpty());
  } else {
    // Reported once, while the list shows the entry chosen.
    QCOMPARE(h.messages.shown.size(), 1);
    const ShownMessage& message = h.messages.shown.first();
    QCOMPARE(message.prompt, kPrompt);
    QCOMPARE(message.title, kAppTitle);
    QCOMPARE(message.title, QStringLiteral("TarvikConfig"));
    QCOMPARE(message.icon, MessageIcon::None);
    QCOMPARE(message.texts.value(QStringLiteral("cmbCOM")), QStringLiteral("COM7"));
  }

  h.messages.clear();
  h.ui().cmbCOM->setCurrentIndex(1);
  QVERIFY(h.messages.shown.isEmpty());
  QVERIFY(h.port.isOpen());
  QCOMPARE(h.port.device(), QStringLiteral("/dev/ttyS1"));
}

void PortSelectorTest::startUpOpensTheSelectedPort() {
  // The start-up sequence calls OpenSelectedPort on a closed port: nothing to close.
  Harness h;
  h.port.existing = {QStringLiteral("/dev/ttyS4")};
  h.create();
  h.ui().cmbCOM->blockSignals(true);
  h.ui().cmbCOM->setCurrentIndex(4);
  h.ui().cmbCOM->blockSignals(false);
  h.port.log.clear();
  h.window->portSelector().OpenSelectedPort();
  QCOMPARE(h.port.log, openSequence("/dev/ttyS4"));
  QVERIFY(h.port.isOpen());
}

void PortSelectorTest::eachFailingStepIsReportedOnce_data() {
  QTest::addColumn<bool>("exists");
  QTest::addColumn<QStringList>("failing");
  QTest::addColumn<int>("messages");
  QTest::newRow("all steps pass") << true << QStringList{} << 0;
  QTest::newRow("open fails, closed port discards and sets the line")
      << false << QStringList{} << 1;
  QTest::newRow("receive discard fails") << true << QStringList{"discardReceive"} << 1;
  QTest::newRow("both discards fail")
      << true << QStringList{"discardReceive", "discardTransmit"} << 2;
  QTest::newRow("open, discards and line fail")
      << false << QStringList{"discardReceive", "discardTransmit", "line"} << 4;
}

void PortSelectorTest::eachFailingStepIsReportedOnce() {
  QFETCH(bool, exists);
  QFETCH(QStringList, failing);
  QFETCH(int, messages);
  StepFailingPort port;
  if (exists) port.existing = {QStringLiteral("/dev/ttyS0")};
  port.failing = QSet<QString>(failing.begin(), failing.end());
  Selector s(port);
  s.build();
  s.list.setCurrentIndex(0);
  QCOMPARE(s.messages.shown.size(), messages);
  for (const ShownMessage& message : s.messages.shown) {
    QCOMPARE(message.prompt, kPrompt);
    QCOMPARE(message.title, kAppTitle);
    QCOMPARE(message.icon, MessageIcon::None);
  }
  // Every step ran, whatever failed before it.
  QCOMPARE(port.log, openSequence("/dev/ttyS0"));
}

void PortSelectorTest::noSelectionIsNoPort() {
  FakeSerialPort port;
  port.existing = {QStringLiteral("/dev/ttyS0")};
  Selector s(port);
  s.build();
  s.list.setCurrentIndex(0);
  QVERIFY(port.isOpen());
  s.messages.clear();
  s.list.setCurrentIndex(-1);
  // No port number (one message), then the open finds no device (another).
  QCOMPARE(s.messages.titles(), QStringList({kAppTitle, kAppTitle}));
  QVERIFY(!port.isOpen());
  QVERIFY(port.log.contains(QStringLiteral("device ")));
}

void PortSelectorTest::settingsStoreNamesTheDevice() {
  FakeSerialPort port;
  port.existing = {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyS1"),
                   QStringLiteral("/dev/ttyACM3")};
  Selector s(port);
  s.settings.setValue(QStringLiteral("Ports"), QStringLiteral("COM1"),
                      QStringLiteral("/dev/ttyUSB0"));
  s.settings.setValue(QStringLiteral("Ports"), QStringLiteral("COM3"), QStringLiteral("  "));
  s.build();
  s.list.setCurrentIndex(0);
  QCOMPARE(port.device(), QStringLiteral("/dev/ttyUSB0"));
  QVERIFY(port.isOpen());
  s.list.setCurrentIndex(1);
  QCOMPARE(port.device(), PortSelector::platformDevice(2));
  QCOMPARE(port.device(), QStringLiteral("/dev/ttyS1"));
  s.list.setCurrentIndex(2);  // a blank entry counts as none
  QCOMPARE(port.device(), QStringLiteral("/dev/ttyS2"));
  QCOMPARE(PortSelector::platformDevice(16), QStringLiteral("/dev/ttyS15"));

  // A mapping made while the tool runs is used at the next open.
  s.settings.setValue(QStringLiteral("Ports"), QStringLiteral("COM4"),
                      QStringLiteral("/dev/ttyACM3"));
  s.list.setCurrentIndex(3);
  QCOMPARE(port.device(), QStringLiteral("/dev/ttyACM3"));
  QVERIFY(port.isOpen());
}

void PortSelectorTest::portsWrittenByHandAreReadAsWritten_data() {
  QTest::addColumn<QString>("line");  // as written in [Ports]
  QTest::addColumn<QString>("device");
  QTest::newRow("plain") << "COM2=/dev/ttyUSB0"
                         << "/dev/ttyUSB0";
  QTest::newRow("comma") << "COM2=/dev/serial/by-id/usb-FTDI_x,y"
                         << "/dev/serial/by-id/usb-FTDI_x,y";
  QTest::newRow("quoted comma") << "COM2=\"/dev/a,b\""
                                << "/dev/a,b";
}

void PortSelectorTest::portsWrittenByHandAreReadAsWritten() {
  QFETCH(QString, line);
  QFETCH(QString, device);
  QTemporaryDir dir;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
  QVERIFY(QDir().mkpath(dir.filePath(kAppTitle)));
  QFile file(dir.filePath(kAppTitle + "/" + kAppTitle + ".conf"));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("[Ports]\n" + line.toUtf8() + "\n");
  file.close();
  QtSettingsStore settings;
  const QString read = PortDevice(settings, 2);
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                     QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
  QCOMPARE(read, device);
}

void PortSelectorTest::tooltipsShowTheDevices() {
  FakeSerialPort port;
  port.existing = {QStringLiteral("/dev/ttyUSB0")};
  Selector s(port);
  s.settings.setValue(QStringLiteral("Ports"), QStringLiteral("COM1"),
                      QStringLiteral("/dev/ttyUSB0"));
  s.build();
  QCOMPARE(s.list.itemData(0, Qt::ToolTipRole).toString(), QStringLiteral("/dev/ttyUSB0"));
  QCOMPARE(s.list.itemData(1, Qt::ToolTipRole).toString(), QStringLiteral("/dev/ttyS1"));
  QCOMPARE(s.list.itemData(15, Qt::ToolTipRole).toString(), QStringLiteral("/dev/ttyS15"));
  s.list.setCurrentIndex(0);
  QCOMPARE(s.list.toolTip(), QStringLiteral("/dev/ttyUSB0"));
  s.settings.setValue(QStringLiteral("Ports"), QStringLiteral("COM2"),
                      QStringLiteral("/dev/rfcomm0"));
  s.list.setCurrentIndex(1);
  QCOMPARE(s.list.itemData(1, Qt::ToolTipRole).toString(), QStringLiteral("/dev/rfcomm0"));
  QCOMPARE(s.list.toolTip(), QStringLiteral("/dev/rfcomm0"));

  // The window's list has them from the start.
  Harness h;
  h.settings.setValue(QStringLiteral("Ports"), QStringLiteral("COM3"),
                      QStringLiteral("/dev/ttyUSB1"));
  h.create();
  QCOMPARE(h.ui().cmbCOM->itemData(2, Qt::ToolTipRole).toString(), QStringLiteral("/dev/ttyUSB1"));
  QCOMPARE(h.ui().cmbCOM->itemData(0, Qt::ToolTipRole).toString(), QStringLiteral("/dev/ttyS0"));
}

void PortSelectorTest::heldPortWaitsForRelease() {
  FakeSerialPort port;
  port.existing = {QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyS2"),
                   QStringLiteral("/dev/ttyS3")};
  Selector s(port);
  s.build();
  QVERIFY(s.settings.reads > 0);
  QVERIFY(port.log.isEmpty());  // building opens nothing
  s.list.setCurrentIndex(0);
  port.log.clear();
  // A hold and its release with no change between them leave the port alone.
  s.selector->holdPort();
  s.selector->releasePort();
  s.selector->releasePort();
  QVERIFY(port.log.isEmpty());
  QVERIFY(port.isOpen());

  s.settings.reads = 0;
  s.selector->holdPort();
  QVERIFY(s.selector->isHeld());
  s.list.setCurrentIndex(2);
  s.selector->OpenSelectedPort();
  s.list.setCurrentIndex(3);
  // Nothing opened, and the settings store not even read, until the release.
  QVERIFY(port.log.isEmpty());
  QCOMPARE(s.settings.reads, 0);
  QCOMPARE(port.device(), QStringLiteral("/dev/ttyS0"));
  QVERIFY(port.isOpen());

  s.selector->releasePort();
  QVERIFY(!s.selector->isHeld());
  QVERIFY(s.settings.reads > 0);
  // One reopen, on the entry selected at the release.
  QCOMPARE(port.log, QStringList{QStringLiteral("close")} + openSequence("/dev/ttyS3"));
  QVERIFY(s.messages.shown.isEmpty());
}

void PortSelectorTest::portErrorAfterOpeningIsNotRetried() {
  FakeSerialPort port;
  port.existing = {QStringLiteral("/dev/ttyS0")};
  Selector s(port);
  s.build();
  s.list.setCurrentIndex(0);
  port.log.clear();
  port.failNow(QStringLiteral("device reports readiness to read but returned no data"));
  QTest::qWait(50);
  QVERIFY(!port.isOpen());
  QVERIFY(port.log.isEmpty());
  QVERIFY(s.messages.shown.isEmpty());
}

void PortSelectorTest::pickingTheSelectedEntryReopensAPortThatClosedItself() {
  Harness h;
  h.port.existing = {QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyS1")};
  h.start();
  const QLabel* status = h.window->findChild<QLabel*>(QStringLiteral("sbStatusText"));
  QVERIFY(h.port.isOpen());
  h.port.failNow(QStringLiteral("the device was removed"));
  QCOMPARE(
      status->text(),
      QStringLiteral("COM1 is closed: the device was removed. Choose COM1 again to reopen it"));
  h.port.log.clear();
  pick(h.ui().cmbCOM, 0);
  QCOMPARE(h.port.log, openSequence("/dev/ttyS0"));
  QVERIFY(h.port.isOpen());
  QCOMPARE(status->text(), QStringLiteral("Status"));
  // A pick that changes the entry opens the port once.
  h.port.log.clear();
  pick(h.ui().cmbCOM, 1);
  QCOMPARE(h.port.log, QStringList{QStringLiteral("close")} + openSequence("/dev/ttyS1"));
  QVERIFY(h.messages.shown.isEmpty());
}

J1939_TEST(PortSelectorTest);
#include "tst_port_selector.moc"
