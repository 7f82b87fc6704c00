#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include "rules/system/Failure.h"

namespace j1939 {

// How the line runs, flow control always off.
struct LineSettings {
  qint32 bitRate;
  QSerialPort::Parity parity;
  QSerialPort::DataBits dataBits;
  QSerialPort::StopBits stopBits;
};

// The one RS-232 port to the simulator. Settings made while the port is closed
// apply to the next open; line settings also take effect on an open port.
// Bytes move between the driver and the buffers only while events are processed,
// so a waiting caller sleeps on readyRead/bytesWritten/portError, never polls.
class SerialPort : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~SerialPort() override = default;

  virtual bool isOpen() const = 0;
  virtual void setDevice(const QString& device) = 0;  // the device the next open uses
  virtual QString device() const = 0;
  virtual void setReadLength(int bytes) = 0;  // 0: a read returns all waiting bytes
  virtual void setReceiveBufferSize(qint64 bytes) = 0;
  virtual MaybeFailure open() = 0;
  virtual void close() = 0;
  virtual MaybeFailure discardReceiveBuffer() = 0;
  virtual MaybeFailure discardTransmitBuffer() = 0;
  virtual MaybeFailure setLineSettings(const LineSettings& line) = 0;
  // Queues the whole array for sending and returns at once.
  virtual MaybeFailure write(const QByteArray& bytes) = 0;
  virtual qint64 bytesToWrite() const = 0;
  virtual qint64 bytesAvailable() const = 0;
  virtual QByteArray readAll() = 0;

 signals:
  void readyRead();
  void bytesWritten(qint64 bytes);
  // The port failed after it was opened (an adapter pulled out). It has been
  // closed by the time this is emitted.
  void portError(const QString& reason);
};

class QtSerialPort : public SerialPort {
  Q_OBJECT
 public:
  explicit QtSerialPort(QObject* parent = nullptr);
  ~QtSerialPort() override;

  bool isOpen() const override;
  void setDevice(const QString& device) override;
  QString device() const override;
  void setReadLength(int bytes) override { readLength_ = bytes; }
  void setReceiveBufferSize(qint64 bytes) override;
  MaybeFailure open() override;
  void close() override;
  MaybeFailure discardReceiveBuffer() override;
  MaybeFailure discardTransmitBuffer() override;
  MaybeFailure setLineSettings(const LineSettings& line) override;
  MaybeFailure write(const QByteArray& bytes) override;
  qint64 bytesToWrite() const override;
  qint64 bytesAvailable() const override;
  QByteArray readAll() override;

 private:
  // Errors that QSerialPort raises inside one of the calls below are returned
  // by that call; only those that arrive on their own mean the port has failed.
  class OwnCall;
  void onError(int error);
  // Empties the receive or transmit buffer (QSerialPort::Directions).
  MaybeFailure discard(int buffers);
  // Why a read or a write failed after the open: the device was removed or
  // closed the connection, else what the system said.
  QString ioFailureReason() const;
  Failure failure(const QString& reason) const { return Failure{device_, reason}; }

  QSerialPort* port_;
  QString device_;
  int readLength_ = 0;
  int ownCalls_ = 0;
};

}  // namespace j1939
