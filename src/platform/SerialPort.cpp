#include "platform/SerialPort.h"

#include <QSerialPort>
#include <QStringList>

QtSerialPort::QtSerialPort(QObject* parent) : SerialPort(parent), port_(new QSerialPort(this)) {
  connect(port_, &QSerialPort::readyRead, this, &SerialPort::readyRead);
  connect(port_, &QSerialPort::bytesWritten, this, &SerialPort::bytesWritten);
  connect(port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
    // open() reports NoError first; errors of an open() in progress are
    // returned by open() itself. A ResourceError leaves the port "open" with
    // writes still accepted, so close it here, once.
    if (error != QSerialPort::ResourceError || !port_->isOpen()) return;
    const QString reason = port_->errorString();
    port_->close();
    emit portError(reason);
  });
}

QtSerialPort::~QtSerialPort() = default;

bool QtSerialPort::isOpen() const {
  return port_->isOpen();
}

void QtSerialPort::setDevice(const QString& device) {
  port_->setPortName(device);
}

QString QtSerialPort::device() const {
  return port_->portName();
}

void QtSerialPort::setReceiveBufferSize(qint64 bytes) {
  port_->setReadBufferSize(bytes);
}

MaybeFailure QtSerialPort::open() {
  if (port_->open(QIODevice::ReadWrite)) return std::nullopt;
  const QString reason = port_->errorString();
  port_->clearError();
  return Failure{port_->portName(), reason};
}

void QtSerialPort::close() {
  if (port_->isOpen()) port_->close();
}

MaybeFailure QtSerialPort::discardReceiveBuffer() {
  // Nothing is buffered on a closed port: discarding it is not a failure.
  if (!port_->isOpen() || port_->clear(QSerialPort::Input)) return std::nullopt;
  return Failure{port_->portName(), port_->errorString()};
}

MaybeFailure QtSerialPort::discardTransmitBuffer() {
  if (!port_->isOpen() || port_->clear(QSerialPort::Output)) return std::nullopt;
  return Failure{port_->portName(), port_->errorString()};
}

MaybeFailure QtSerialPort::setLineSettings(const QString& settings) {
  const QStringList parts = settings.split(QLatin1Char(','));
  bool rateOk = false, bitsOk = false, stopOk = false;
  const qint32 rate = parts.value(0).trimmed().toInt(&rateOk);
  const QString parityText = parts.value(1).trimmed().toUpper();
  const int dataBits = parts.value(2).trimmed().toInt(&bitsOk);
  const QString stopText = parts.value(3).trimmed();
  const double stop = stopText.toDouble(&stopOk);
  static const QString kParities = QStringLiteral("NEOMS");
  if (parts.size() != 4 || !rateOk || rate <= 0 || parityText.size() != 1 ||
      !kParities.contains(parityText) || !bitsOk || dataBits < 5 || dataBits > 8 || !stopOk ||
      (stop != 1.0 && stop != 1.5 && stop != 2.0))
    return Failure{settings, QStringLiteral("not a line setting such as 9600,N,8,1")};

  const QSerialPort::Parity parity = parityText == QLatin1String("N")   ? QSerialPort::NoParity
                                     : parityText == QLatin1String("E") ? QSerialPort::EvenParity
                                     : parityText == QLatin1String("O") ? QSerialPort::OddParity
                                     : parityText == QLatin1String("M") ? QSerialPort::MarkParity
                                                                        : QSerialPort::SpaceParity;
  const QSerialPort::StopBits stopBits = stop == 1.0   ? QSerialPort::OneStop
                                         : stop == 1.5 ? QSerialPort::OneAndHalfStop
                                                       : QSerialPort::TwoStop;
  const bool ok = port_->setBaudRate(rate) && port_->setParity(parity) &&
                  port_->setDataBits(static_cast<QSerialPort::DataBits>(dataBits)) &&
                  port_->setStopBits(stopBits) && port_->setFlowControl(QSerialPort::NoFlowControl);
  if (ok) return std::nullopt;
  const QString reason = port_->errorString();
  port_->clearError();
  return Failure{port_->portName(), reason};
}

MaybeFailure QtSerialPort::write(const QByteArray& bytes) {
  if (!port_->isOpen()) return Failure{port_->portName(), QStringLiteral("the port is not open")};
  if (port_->write(bytes) == bytes.size()) return std::nullopt;
  return Failure{port_->portName(), port_->errorString()};
}

qint64 QtSerialPort::bytesToWrite() const {
  return port_->bytesToWrite();
}

qint64 QtSerialPort::bytesAvailable() const {
  return port_->bytesAvailable();
}

QByteArray QtSerialPort::readAll() {
  return port_->readAll();
}
