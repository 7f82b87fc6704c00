#include "link/serial/SerialPort.h"

#include <QSerialPort>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include <QFile>
#include <QFileInfo>

#include "link/serial/PortInventory.h"
#endif

namespace j1939 {

class QtSerialPort::OwnCall {
 public:
  explicit OwnCall(QtSerialPort& port) : port_(port) { ++port_.ownCalls_; }
  ~OwnCall() { --port_.ownCalls_; }
  OwnCall(const OwnCall&) = delete;
  OwnCall& operator=(const OwnCall&) = delete;

 private:
  QtSerialPort& port_;
};

QtSerialPort::QtSerialPort(QObject* parent) : SerialPort(parent), port_(new QSerialPort(this)) {
  connect(port_, &QSerialPort::readyRead, this, &SerialPort::readyRead);
  connect(port_, &QSerialPort::bytesWritten, this, &SerialPort::bytesWritten);
  connect(port_, &QSerialPort::errorOccurred, this,
          [this](QSerialPort::SerialPortError error) { onError(error); });
}

QtSerialPort::~QtSerialPort() = default;

void QtSerialPort::onError(int error) {
  // open() reports NoError first; a timeout is no failure of the device.
  if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError) return;
  if (ownCalls_ > 0 || !port_->isOpen()) return;
  // A failing read or write after the open means the device has gone: an
  // adapter pulled out, the far end of a terminal closed. QSerialPort keeps the
  // port "open" and raises the error again at every event (the read returns
  // nothing forever), so the port is closed here, once.
  const bool ioError = error == QSerialPort::ReadError || error == QSerialPort::WriteError ||
                       error == QSerialPort::ResourceError;
  const QString reason = ioError ? ioFailureReason() : port_->errorString();
  port_->close();
  port_->clearError();
  emit portError(reason);
}

QString QtSerialPort::ioFailureReason() const {
  // When the device goes away, a read returns nothing and QSerialPort's text
  // is whatever errno an earlier call left behind, e.g. "Inappropriate ioctl
  // for device". Say what happened instead: an adapter that was pulled out
  // takes its device node with it; a terminal whose far end has closed (the
  // program behind a pseudo-terminal, whose node goes as well) is hung up and
  // no longer answers for its settings.
#ifdef Q_OS_UNIX
  constexpr unsigned kPseudoTerminalMajorFirst = 136, kPseudoTerminalMajorCount = 8;
  struct stat node {};
  const bool pseudoTerminal =
      ::fstat(port_->handle(), &node) == 0 && S_ISCHR(node.st_mode) &&
      major(node.st_rdev) - kPseudoTerminalMajorFirst < kPseudoTerminalMajorCount;
  if (!pseudoTerminal && !QFileInfo::exists(device_)) return tr("the device was removed");
  termios settings{};
  if (::tcgetattr(port_->handle(), &settings) != 0) return tr("the device closed the connection");
#endif
  return port_->errorString();
}

bool QtSerialPort::isOpen() const {
  return port_->isOpen();
}

void QtSerialPort::setDevice(const QString& device) {
  // QSerialPort shortens /dev/ttyUSB0 to ttyUSB0; the tool shows the name it was given.
  device_ = device;
  port_->setPortName(device);
}

QString QtSerialPort::device() const {
  return device_;
}

void QtSerialPort::setReceiveBufferSize(qint64 bytes) {
  port_->setReadBufferSize(bytes);
}

MaybeFailure QtSerialPort::open() {
  OwnCall call(*this);
  if (device_.isEmpty()) return failure(tr("no device is named for the port"));
  if (port_->open(QIODevice::ReadWrite)) return std::nullopt;
  QString reason = port_->errorString();
#ifdef Q_OS_UNIX
  // Qt says the same ("Permission error while locking the device") for a
  // device another program holds; only a node the user may not open needs the
  // group that owns serial ports.
  if (port_->error() == QSerialPort::PermissionError) {
    const bool denied =
        ::access(QFile::encodeName(DeviceNode(device_)).constData(), R_OK | W_OK) != 0 &&
        errno == EACCES;
    reason = denied ? tr("permission denied — is your user in the dialout group?")
                    : tr("in use by another program");
  }
#endif
  port_->clearError();
  return failure(reason);
}

void QtSerialPort::close() {
  OwnCall call(*this);
  if (port_->isOpen()) port_->close();
  port_->clearError();
}

MaybeFailure QtSerialPort::discardReceiveBuffer() {
  return discard(QSerialPort::Input);
}

MaybeFailure QtSerialPort::discardTransmitBuffer() {
  return discard(QSerialPort::Output);
}

MaybeFailure QtSerialPort::discard(int buffers) {
  // Nothing is buffered on a closed port: discarding it is not a failure.
  OwnCall call(*this);
  if (!port_->isOpen() || port_->clear(QSerialPort::Directions(buffers))) return std::nullopt;
  const QString reason = port_->errorString();
  port_->clearError();
  return failure(reason);
}

MaybeFailure QtSerialPort::setLineSettings(const LineSettings& line) {
  OwnCall call(*this);
  const bool ok = port_->setBaudRate(line.bitRate) && port_->setParity(line.parity) &&
                  port_->setDataBits(line.dataBits) && port_->setStopBits(line.stopBits) &&
                  port_->setFlowControl(QSerialPort::NoFlowControl);
  if (ok) return std::nullopt;
  const QString reason = port_->errorString();
  port_->clearError();
  return failure(reason);
}

MaybeFailure QtSerialPort::write(const QByteArray& bytes) {
  OwnCall call(*this);
  if (!port_->isOpen()) return failure(tr("the port is not open"));
  if (port_->write(bytes) == bytes.size()) return std::nullopt;
  const QString reason = port_->errorString();
  port_->clearError();
  return failure(reason);
}

qint64 QtSerialPort::bytesToWrite() const {
  // QSerialPort counts only its own buffer, which it empties into the driver at
  // once; the bytes then still wait in the driver's output queue for the line.
  qint64 count = port_->bytesToWrite();
#ifdef Q_OS_UNIX
  int queued = 0;
  if (port_->isOpen() && ::ioctl(port_->handle(), TIOCOUTQ, &queued) == 0 && queued > 0)
    count += queued;
#endif
  return count;
}

qint64 QtSerialPort::bytesAvailable() const {
  return port_->bytesAvailable();
}

QByteArray QtSerialPort::readAll() {
  // A read length of 0 takes every waiting byte; otherwise at most that many.
  if (!port_->isOpen()) return {};
  return readLength_ > 0 ? port_->read(readLength_) : port_->readAll();
}

}  // namespace j1939

#include "moc_SerialPort.cpp"
