#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QQueue>
#include <QSet>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <functional>

#include "window/desktop/Platform.h"

// The tests name the tool's classes and functions as its own files do.
using namespace j1939;

// A message box as the user saw it: prompt, title, icon, and the texts of the
// watched window's controls at that moment (objectName -> text).
struct ShownMessage {
  QString prompt;
  QString title;
  MessageIcon icon;
  QMap<QString, QString> texts;
};

class RecordingMessageBoxes : public MessageBoxes {
 public:
  void show(const QString& prompt, const QString& title, MessageIcon icon) override;
  // Recorded as a message of its own; answered from `saveAnswers`, Discard
  // when none is left.
  SaveAnswer askToSave(const QString& prompt, const QString& title) override;
  // The window whose line-edit and list texts are captured with each message.
  void watch(QWidget* window) { watched_ = window; }
  QStringList titles() const;
  void clear() { shown.clear(); }

  QList<ShownMessage> shown;
  // Runs while the box is "open", as the user would act before pressing OK.
  std::function<void(const ShownMessage&)> whileShown;
  QQueue<SaveAnswer> saveAnswers;

 private:
  QPointer<QWidget> watched_;
};

// Answers the file dialogs from a script; an empty answer is a Cancel.
class ScriptedFileDialogs : public FileDialogs {
 public:
  struct Call {
    bool save;
    QString title;
    QString filter;
  };
  QString getOpenFileName(const QString& title, const QString& filter) override;
  QString getSaveFileName(const QString& title, const QString& filter) override;

  QQueue<QString> answers;
  QList<Call> calls;

 private:
  QString answer(bool save, const QString& title, const QString& filter);
};

// An in-memory port. Devices in `existing` open; what is written is kept in
// `written` and leaves the transmit buffer when events are next processed;
// `receive()` delivers bytes as the simulator would.
class FakeSerialPort : public SerialPort {
  Q_OBJECT
 public:
  bool isOpen() const override { return open_; }
  void setDevice(const QString& device) override { log << "device " + (device_ = device); }
  QString device() const override { return device_; }
  void setReadLength(int bytes) override { log << QStringLiteral("readLength %1").arg(bytes); }
  void setReceiveBufferSize(qint64 n) override { log << QStringLiteral("receiveBuffer %1").arg(n); }
  MaybeFailure open() override;
  void close() override { log << "close", open_ = false, pending_ = 0; }
  MaybeFailure discardReceiveBuffer() override {
    return log << "discardReceive", received_.clear(), std::nullopt;
  }
  MaybeFailure discardTransmitBuffer() override {
    return log << "discardTransmit", pending_ = 0, std::nullopt;
  }
  // Logged as mode commands write it: "line 9600,N,8,1".
  MaybeFailure setLineSettings(const LineSettings& line) override {
    const char* parity = line.parity == QSerialPort::EvenParity    ? "E"
                         : line.parity == QSerialPort::OddParity   ? "O"
                         : line.parity == QSerialPort::MarkParity  ? "M"
                         : line.parity == QSerialPort::SpaceParity ? "S"
                                                                   : "N";
    const char* stop = line.stopBits == QSerialPort::TwoStop          ? "2"
                       : line.stopBits == QSerialPort::OneAndHalfStop ? "1.5"
                                                                      : "1";
    return log << QStringLiteral("line %1,%2,%3,%4")
                      .arg(line.bitRate)
                      .arg(QLatin1String(parity))
                      .arg(int(line.dataBits))
                      .arg(QLatin1String(stop)),
           std::nullopt;
  }
  MaybeFailure write(const QByteArray& bytes) override;
  qint64 bytesToWrite() const override { return pending_; }
  qint64 bytesAvailable() const override { return received_.size(); }
  QByteArray readAll() override { return log << "read", std::exchange(received_, {}); }

  // The far end sends these bytes (queued, as a driver would deliver them).
  void receive(const QByteArray& bytes);
  // The port fails after it was opened, as when an adapter is pulled out.
  void failNow(const QString& reason);

  QSet<QString> existing;
  QStringList log;  // every operation, in order, e.g. "open /dev/ttyS0"
  QByteArray written;
  std::function<void(const QByteArray&)> onWrite;  // the simulator's reaction
  bool holdOutput = false;  // written bytes stay in the transmit buffer (flow held back)
  MaybeFailure failWrite;   // what write() answers on the open port: the driver refuses

 private:
  bool open_ = false;
  QString device_;
  qint64 pending_ = 0;
  QByteArray received_;
};

class MemorySettingsStore : public SettingsStore {
 public:
  bool contains(const QString& section, const QString& key) const override {
    return values.contains(section + '/' + key);
  }
  QString value(const QString& section, const QString& key) const override {
    return values.value(section + '/' + key);
  }
  void setValue(const QString& section, const QString& key, const QString& value) override {
    values.insert(section + '/' + key, value), writes << section + '/' + key;
  }
  MaybeFailure sync() override { return ++syncs, failSync; }

  QMap<QString, QString> values;  // "section/key" -> value
  QStringList writes;             // keys in the order they were written
  int syncs = 0;
  MaybeFailure failSync;  // what every sync() answers
};

// The ports "present": those listed; nothing else is.
class FakePortInventory : public PortInventory {
 public:
  QList<PresentPort> presentPorts() const override { return ports; }
  bool isPresent(const QString& device) const override {
    return std::any_of(ports.begin(), ports.end(),
                       [&](const PresentPort& port) { return port.systemLocation == device; });
  }

  QList<PresentPort> ports;
};

// A clock the test moves by hand, or that follows real time from an offset.
class FakeClock : public Clock {
 public:
  FakeClock() { real_.start(); }
  qint64 elapsedMs() const override { return offset + (followReal ? real_.elapsed() : 0); }
  void advance(qint64 ms) { offset += ms; }

  qint64 offset = 0;
  bool followReal = true;

 private:
  QElapsedTimer real_;
};
