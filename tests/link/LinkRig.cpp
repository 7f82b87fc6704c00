#include "LinkRig.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QCloseEvent>
#include <QVBoxLayout>
#include <QtTest>
#include <cstdlib>

#include "fields/Controls.h"

TestPty::TestPty() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0) return;
  if (grantpt(master_) != 0 || unlockpt(master_) != 0 || ptsname(master_) == nullptr) {
    ::close(master_);
    master_ = -1;
    return;
  }
  device_ = QString::fromLocal8Bit(ptsname(master_));
  termios tio{};
  tcgetattr(master_, &tio);
  cfmakeraw(&tio);
  tcsetattr(master_, TCSANOW, &tio);
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

TestPty::~TestPty() {
  closeMaster();
}

void TestPty::write(const QByteArray& bytes) {
  if (master_ >= 0)
    QCOMPARE(::write(master_, bytes.constData(), static_cast<size_t>(bytes.size())),
             static_cast<ssize_t>(bytes.size()));
}

QByteArray TestPty::read(int count) {
  QByteArray bytes;
  (void)QTest::qWaitFor(
      [&] {
        char buffer[256];
        ssize_t n;
        while (master_ >= 0 && (n = ::read(master_, buffer, sizeof buffer)) > 0)
          bytes.append(buffer, n);
        return bytes.size() >= count;
      },
      5000);
  return bytes;
}

void TestPty::closeMaster() {
  if (master_ >= 0) ::close(master_);
  master_ = -1;
}

SimulatorProcess::SimulatorProcess(const QStringList& arguments) {
  process_.setProcessChannelMode(QProcess::SeparateChannels);
  process_.setReadChannel(QProcess::StandardOutput);
  process_.start(QStringLiteral(J1939_BIN_DIR "/apps/j1939sim/j1939sim"), arguments);
  if (!process_.waitForStarted(5000)) return;
  // The first line is the device; nothing else is printed before a frame.
  while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
  }
  if (process_.canReadLine()) device_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
}

SimulatorProcess::~SimulatorProcess() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.closeWriteChannel();
  if (!process_.waitForFinished(3000)) {
    process_.kill();
    process_.waitForFinished(3000);
  }
}

void SimulatorProcess::collect() {
  pending_ += process_.readAllStandardOutput();
  qsizetype end;
  while ((end = pending_.indexOf('\n')) >= 0) {
    lines_ << QString::fromLocal8Bit(pending_.left(end));
    pending_.remove(0, end + 1);
  }
}

QStringList SimulatorProcess::lines() {
  collect();
  return lines_;
}

QString SimulatorProcess::waitForLine(const QString& prefix, int timeoutMs) {
  QString found;
  (void)QTest::qWaitFor(
      [&] {
        collect();
        for (const QString& line : lines_)
          if (line.startsWith(prefix)) found = line;
        return !found.isEmpty();
      },
      timeoutMs);
  return found;
}

QByteArray SimulatorProcess::frame(int number) {
  const QString prefix = QStringLiteral("frame %1: ").arg(number);
  const QString line = waitForLine(prefix, 2000);
  if (line.isEmpty()) return {};
  // "frame 1: 32 bytes: FF 00 ..."
  const QString hex = line.section(QStringLiteral(": "), 2);
  return QByteArray::fromHex(hex.toLatin1());
}

int SimulatorProcess::frameCount() {
  int count = 0;
  for (const QString& line : lines())
    if (line.startsWith(QLatin1String("frame "))) ++count;
  return count;
}

void SimulatorProcess::send(const QByteArray& bytes) {
  process_.write("send " + bytes.toHex(',') + "\n");
  QVERIFY(!waitForLine(QStringLiteral("sent: ")).isEmpty());
}

void SimulatorProcess::quit() {
  process_.closeWriteChannel();
}

bool SimulatorProcess::finish() {
  process_.closeWriteChannel();
  return process_.waitForFinished(5000) && process_.exitStatus() == QProcess::NormalExit &&
         process_.exitCode() == 0;
}

void HostWindow::closeEvent(QCloseEvent* event) {
  ++closesAccepted;
  event->accept();
}

LinkRig::LinkRig() {
  auto* layout = new QVBoxLayout(&window);
  cmbCOM = new QComboBox(&window);
  cmbCOM->setObjectName(QStringLiteral("cmbCOM"));
  for (int n = 1; n <= PortSelector::kPortCount; ++n)
    cmbCOM->addItem(QStringLiteral("COM%1").arg(n));
  cmbCOM->setCurrentIndex(-1);
  cmbSimulatorVersion = new QComboBox(&window);
  cmbSimulatorVersion->setObjectName(QStringLiteral("cmbSimulatorVersion"));
  cmbSimulatorVersion->addItems({QStringLiteral("1.01"), QStringLiteral("2.00")});
  chkDeletePGN1 = new QCheckBox(QStringLiteral("Delete This PGN"), &window);
  chkDeletePGN1->setObjectName(QStringLiteral("chkDeletePGN1"));
  chkDeletePGN2 = new QCheckBox(QStringLiteral("Delete This PGN"), &window);
  chkDeletePGN2->setObjectName(QStringLiteral("chkDeletePGN2"));
  cmdConfig = new QPushButton(QStringLiteral("Program Config"), &window);
  cmdConfig->setObjectName(QStringLiteral("cmdConfig"));
  for (QWidget* widget : std::initializer_list<QWidget*>{cmbCOM, cmbSimulatorVersion, chkDeletePGN1,
                                                         chkDeletePGN2, cmdConfig})
    layout->addWidget(widget);
  messages.watch(&window);
  record = slotsInUse();
}

LinkRig::~LinkRig() {
  download.reset();
  selector.reset();
}

void LinkRig::mapPort(int portNumber, const QString& device) {
  settings.setValue(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(portNumber), device);
}

void LinkRig::build() {
  selector = std::make_unique<PortSelector>(cmbCOM, port, settings, messages);
  download =
      std::make_unique<ConfigDownload>(ConfigDownload::Controls{cmdConfig, cmbCOM, chkDeletePGN1,
                                                                chkDeletePGN2, cmbSimulatorVersion},
                                       state, port, clock, messages);
  QObject::connect(download.get(), &ConfigDownload::exchangeStarted, selector.get(),
                   &PortSelector::holdPort);
  QObject::connect(download.get(), &ConfigDownload::exchangeFinished, selector.get(),
                   &PortSelector::releasePort);
  download->formToConfig = [this]() -> MaybeFailure {
    ++formStores;
    SimulatorConfig stored = record;
    stored.ComPortIndex = static_cast<int16_t>(cmbCOM->currentIndex());
    stored.Pgn1InUse = checkValue(chkDeletePGN1) == 0 ? 1 : 0;
    stored.Pgn2InUse = checkValue(chkDeletePGN2) == 0 ? 1 : 0;
    stored.SimulatorVersion = static_cast<int16_t>(cmbSimulatorVersion->currentIndex());
    state.Config = stored;
    return std::nullopt;
  };
  window.show();
}

void LinkRig::selectPort(int index) {
  cmbCOM->setCurrentIndex(index);
}

void LinkRig::deleteSlot(int slot, bool deleted) {
  setCheckValue(slot == 1 ? chkDeletePGN1 : chkDeletePGN2, deleted ? 1 : 0);
}

QStringList LinkRig::prompts() const {
  QStringList result;
  for (const ShownMessage& message : messages.shown) result << message.prompt;
  return result;
}

SimulatorConfig slotsInUse(int32_t pgn1, int32_t pgn2) {
  SimulatorConfig c{};
  c.SourceAddress = 0x25;
  c.Pgn1InUse = 1;
  c.Pgn1UpdateRate = 4;
  c.Pgn1Priority = 6;
  c.Pgn1Pf = static_cast<uint8_t>((pgn1 >> 8) & 0xFF);
  c.Pgn1Ps = static_cast<uint8_t>(pgn1 & 0xFF);
  c.Pgn1 = pgn1;
  c.Pgn1DataLength = 8;
  c.Pgn1ParamPos = 1;
  c.Pgn2InUse = 1;
  c.Pgn2UpdateRate = 2;
  c.Pgn2Priority = 6;
  c.Pgn2Pf = static_cast<uint8_t>((pgn2 >> 8) & 0xFF);
  c.Pgn2Ps = static_cast<uint8_t>(pgn2 & 0xFF);
  c.Pgn2 = pgn2;
  c.Pgn2DataLength = 8;
  c.Pgn2ParamPos = 3;
  c.DtcVersion = 3;
  const char vin[] = "KorvaneElectronic";
  for (int i = 0; i < 17; ++i) c.Vin[i] = static_cast<uint8_t>(vin[i]);
  return c;
}
