#pragma once

#include <QByteArray>
#include <QFile>
#include <QLineEdit>
#include <QString>
#include <QtTest>
#include <cstring>

#include "config/ConfigFile.h"
#include "config/ConfigFiles.h"
#include "link/PortSelector.h"
#include "support/Harness.h"

// What the configuration tests share: real .cfg files in the harness's
// working directory, and files that fail the way a disk or a permission can.
namespace configkit {

inline QByteArray fileBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline bool writeConfig(const QString& path, const SimulatorConfig& config) {
  return writeBytes(path, EncodeConfigRecord(config));
}

// The record a file holds; a file of fewer than 77 bytes fails the test.
inline SimulatorConfig configIn(const QString& path) {
  SimulatorConfig config;
  const QByteArray bytes = fileBytes(path);
  if (bytes.size() < kConfigFieldBytes) {
    QTest::qFail(qPrintable(QStringLiteral("%1 holds %2 bytes").arg(path).arg(bytes.size())),
                 __FILE__, __LINE__);
    return config;
  }
  DecodeConfigRecord(bytes, config);
  return config;
}

inline QString vinOf(const SimulatorConfig& config) {
  return QString::fromLatin1(reinterpret_cast<const char*>(config.Vin.data()), 17);
}

inline void setVin(SimulatorConfig& config, const char* vin) {
  std::memcpy(config.Vin.data(), vin, 17);
}

inline QString defaultPath(Harness& h) {
  return h.path(kDefaultConfigFileName);
}

// Every COM port of the list opens, so that the start-up shows no port message.
inline void portsOpen(Harness& h) {
  for (int n = 1; n <= PortSelector::kPortCount; ++n)
    h.port.existing << PortSelector::platformDevice(n);
}

// Starts the window on `config` in j1939.cfg, every port present.
inline void startOn(Harness& h, const SimulatorConfig& config) {
  QVERIFY(writeConfig(defaultPath(h), config));
  portsOpen(h);
  h.start();
}

// A record as the tool itself would store it: every value one the form can show.
inline SimulatorConfig typicalConfig() {
  SimulatorConfig c;
  c.ComPortIndex = 2;
  c.SourceAddress = 0x2A;
  c.DeviceName = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
  c.DynamicMode = -1;
  c.Pgn1InUse = 1;
  c.Pgn1UpdateRate = 3;
  c.Pgn1Priority = 6;
  c.Pgn1Pf = 0xFF;
  c.Pgn1Ps = 0x10;
  c.Pgn1 = 0xFF10;
  c.Pgn1DataLength = 8;
  c.Pgn1ParamType = 1;
  c.Pgn1ParamPos = 3;
  c.Pgn2InUse = 0;
  c.Pgn2UpdateRate = 1;
  c.Pgn2Priority = 3;
  c.Pgn2Pf = 0xFF;
  c.Pgn2Ps = 0x20;
  c.Pgn2 = 0xFF20;
  c.Pgn2DataLength = 4;
  c.Pgn2ParamType = 2;
  c.Pgn2ParamPos = 1;
  c.SimulatorVersion = 1;
  c.DtcVersion = 1;
  setVin(c, "WDB9634031L123456");
  c.CanBaudRate = -1;
  return c;
}

// Opens like a file that the user may read but not write (root is not held
// back by permissions, so the refusal is made here).
class ReadOnlyFile : public QFile {
 public:
  using QFile::open;
  using QFile::QFile;
  bool open(OpenMode mode) override {
    if (mode & QIODevice::WriteOnly) {
      setErrorString(QStringLiteral("Permission denied"));
      return false;
    }
    return QFile::open(mode);
  }
};

// Takes at most `limit` bytes of a write, as a full disk can.
class ShortWriteFile : public QFile {
 public:
  ShortWriteFile(const QString& path, qint64 limit) : QFile(path), limit_(limit) {}

 protected:
  qint64 writeData(const char* data, qint64 length) override {
    if (limit_ < 0) {
      setErrorString(QStringLiteral("No space left on device"));
      return -1;
    }
    return QFile::writeData(data, std::min(length, limit_));
  }

 private:
  qint64 limit_;
};

// Makes every file of the run with `make`, from before the start-up on.
template <typename Make>
void useFiles(Harness& h, Make make) {
  h.create().configFiles().setFileFactory(
      [make](const QString& path) -> std::unique_ptr<QFile> { return make(path); });
}

// The user selects the whole text and types over it, key by key.
inline void typeOver(QLineEdit* box, const QString& text) {
  box->setFocus();
  box->selectAll();
  QTest::keyClicks(box, text);
}

// Message texts as the user sees them.
inline QString cannotWrite(const QString& path, const QString& reason) {
  return QStringLiteral("Cannot write the configuration file %1: %2").arg(path, reason);
}
inline QString cannotOpen(const QString& path, const QString& reason) {
  return QStringLiteral("Cannot open the configuration file %1: %2").arg(path, reason);
}
inline QString cannotRead(const QString& path, const QString& reason) {
  return QStringLiteral("Cannot read the configuration file %1: %2").arg(path, reason);
}

// Why the system will not open `path` for reading and writing.
inline QString openRefusal(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadWrite) ? QString() : file.errorString();
}

// The record as the form shows and stores it after loading the all-zero record.
inline SimulatorConfig zeroRecordAsStored() {
  SimulatorConfig c;
  c.Pgn1DataLength = c.Pgn2DataLength = 1;
  c.Pgn1ParamPos = c.Pgn2ParamPos = 1;
  c.DtcVersion = 2;  // "1.01" shows "Version3"
  return c;
}

}  // namespace configkit
