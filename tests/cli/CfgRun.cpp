#include "CfgRun.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <QtTest>
#include <cstring>

#include "config/ConfigFile.h"

QString cfgProgram() {
  return QStringLiteral(J1939_BIN_DIR "/apps/j1939cfg/j1939cfg");
}

CfgRun runCfg(const QStringList& arguments, const QProcessEnvironment& environment) {
  QProcess process;
  process.setProcessEnvironment(environment);
  process.start(cfgProgram(), arguments);
  CfgRun run;
  if (!process.waitForStarted(5000)) return run;
  run.finished = process.waitForFinished(15000) && process.exitStatus() == QProcess::NormalExit;
  if (!run.finished) process.kill();
  run.exitCode = process.exitCode();
  run.out = QString::fromUtf8(process.readAllStandardOutput());
  run.err = QString::fromUtf8(process.readAllStandardError());
  return run;
}

QString writeBytesFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
  const QString path = dir.filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
    qWarning("cannot write %s", qPrintable(path));
  return path;
}

QString writeConfigFile(const QTemporaryDir& dir, const QString& name,
                        const SimulatorConfig& config) {
  return writeBytesFile(dir, name, EncodeConfigRecord(config));
}

void setVin(SimulatorConfig& config, const char* text) {
  config.Vin.fill(0);
  std::memcpy(config.Vin.data(), text, std::min<std::size_t>(std::strlen(text), config.Vin.size()));
}

SimulatorConfig benchRecord() {
  SimulatorConfig c;
  c.ComPortIndex = 2;  // COM3
  c.SourceAddress = 0x25;
  c.DeviceName = {0x39, 0x30, 0x6B, 0x0C, 0x3A, 0x81, 0x05, 0x27};
  c.DynamicMode = -1;
  c.Pgn1InUse = 1;
  c.Pgn1UpdateRate = 2;  // every 100 ms
  c.Pgn1Priority = 6;
  c.Pgn1DataPage = 0;
  c.Pgn1Reserved = 0;
  c.Pgn1Pf = 0xFF;
  c.Pgn1Ps = 0x10;
  c.Pgn1 = 65296;  // 0xFF10
  c.Pgn1DataLength = 8;
  c.Pgn1ParamType = 1;  // 2 bytes
  c.Pgn1ParamPos = 3;
  c.Pgn2InUse = 1;
  c.Pgn2UpdateRate = 2;
  c.Pgn2Priority = 3;
  c.Pgn2DataPage = 1;
  c.Pgn2Reserved = 0;
  c.Pgn2Pf = 0xEF;  // PDU1: the PS is no part of the PGN
  c.Pgn2Ps = 0x00;
  c.Pgn2 = 126720;  // data page + 0xEF00
  c.Pgn2DataLength = 20;
  c.Pgn2ParamType = 2;  // 4 bytes
  c.Pgn2ParamPos = 17;  // the last position a 4-byte parameter fits in 20 bytes
  c.SimulatorVersion = 1;
  c.DtcVersion = 3;
  setVin(c, "1FUJGLDR5CSBM1234");
  c.CanBaudRate = -1;
  return c;
}

QByteArray fromHexLine(const QString& line) {
  return QByteArray::fromHex(line.trimmed().remove(QLatin1Char(' ')).toLatin1());
}
