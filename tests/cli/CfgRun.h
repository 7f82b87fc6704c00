#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "config/SimulatorConfig.h"
#include "support/Emulator.h"

Q_DECLARE_METATYPE(SimulatorConfig)

// One run of j1939cfg as a user runs it: its exit status and both outputs.
struct CfgRun {
  bool finished = false;
  int exitCode = -1;
  QString out;
  QString err;
};

QString cfgProgram();
CfgRun runCfg(const QStringList& arguments,
              const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

// Writes the 84-byte record of `config` (or raw bytes) as a file in `dir`.
QString writeConfigFile(const QTemporaryDir& dir, const QString& name,
                        const SimulatorConfig& config);
QString writeBytesFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes);

// A configuration as a bench would keep it: both slots in use, version "2.00",
// every value one that the window shows without a word.
SimulatorConfig benchRecord();
void setVin(SimulatorConfig& config, const char* text);  // up to 17 characters, 0-filled

// "00 04 A5 ..." as bytes.
QByteArray fromHexLine(const QString& line);
