#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>
#include <cstring>
#include <functional>

#include "rules/protocol/ConfigFrames.h"
#include "rules/record/RecordCodec.h"
#include "rules/record/SimulatorConfig.h"

// The tests name the tool's classes and functions as its own files do.
using namespace j1939;

// Records and .cfg files as the tests build and read them.

// A change to a record, as a column of a test table.
using Edit = std::function<void(SimulatorConfig&)>;
Q_DECLARE_METATYPE(Edit)

// Up to 17 characters, 0-filled.
inline void setVin(SimulatorConfig& config, const char* text) {
  config.Vin.fill(0);
  std::memcpy(config.Vin.data(), text, std::min(std::strlen(text), config.Vin.size()));
}

// A configuration as a bench keeps it: version "2.00", both slots in use with
// different PGNs (slot 2 a PDU1 PGN), every value one the window shows as it is.
inline SimulatorConfig benchRecord(const std::function<void(SimulatorConfig&)>& edit = {}) {
  SimulatorConfig c;
  c.ComPortIndex = 2, c.SourceAddress = 0x25, c.DynamicMode = -1;  // COM3
  c.DeviceName = {0x39, 0x30, 0x6B, 0x0C, 0x3A, 0x81, 0x05, 0x27};
  // The slots in record order: InUse, UpdateRate, Priority, DataPage, Reserved,
  // Pf, Ps, Pgn, DataLength, ParamType, ParamPos.
  // Slot 1: every 100 ms, PGN FF10, "2 Bytes" at 3 of 8.
  c.Pgns[0] = {1, 2, 6, 0, 0, 0xFF, 0x10, 0xFF10, 8, 1, 3};
  // Slot 2: PDU1 (the PS is a destination address, no part of the PGN) on
  // data page 1; "4 Bytes" at the last position they fit in 20 bytes.
  c.Pgns[1] = {1, 1, 3, 1, 0, 0xEF, 0x00, 0x1EF00, 20, 2, 17};
  c.SimulatorVersion = 1, c.DtcVersion = 3, c.CanBaudRate = -1;
  setVin(c, "1FUJGLDR5CSBM1234");
  if (edit) edit(c);
  return c;
}

// The bench configuration's file.
inline QByteArray benchBytes(const std::function<void(SimulatorConfig&)>& edit = {}) {
  return EncodeConfigRecord(benchRecord(edit));
}

inline QByteArray fileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline bool writeRecord(const QString& path, const SimulatorConfig& config) {
  return writeBytes(path, EncodeConfigRecord(config));
}

// The record a file holds; a file of fewer than 77 bytes fails the calling test.
inline SimulatorConfig recordIn(const QString& path) {
  SimulatorConfig config;
  const QByteArray bytes = fileBytes(path);
  if (bytes.size() < kConfigFieldBytes)
    QTest::qFail(qPrintable(QStringLiteral("%1 holds %2 bytes").arg(path).arg(bytes.size())),
                 __FILE__, __LINE__);
  else
    DecodeConfigRecord(bytes, config);
  return config;
}

// The frame of the record's own version ("1.01" for 0, "2.00" otherwise);
// "refused" for a record that no frame can carry.
inline QByteArray frameOf(const SimulatorConfig& c) {
  ConfigFrameV1Bytes v1{};
  ConfigFrameV2Bytes v2{};
  if (BuildConfigFrames(c, v1, v2)) return "refused";
  return c.SimulatorVersion == 0 ? FrameBytes(v1) : FrameBytes(v2);
}
