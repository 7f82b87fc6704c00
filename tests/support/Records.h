#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>
#include <cstring>
#include <functional>

#include "config/ConfigFile.h"
#include "config/SimulatorConfig.h"

// Records and .cfg files as the tests build and read them.

// One additional PGN slot of a record (0 or 1), its fields by reference.
struct SlotFields {
  int16_t &InUse, &UpdateRate, &Priority, &DataPage, &Reserved;
  uint8_t &Pf, &Ps;
  int32_t& Pgn;
  int16_t& DataLength;
  uint8_t& ParamType;
  int16_t& ParamPos;
};

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
  // Slot 1: every 100 ms, PGN FF10, "2 Bytes" at 3 of 8.
  c.Pgn1InUse = 1, c.Pgn1UpdateRate = 2, c.Pgn1Priority = 6, c.Pgn1Pf = 0xFF, c.Pgn1Ps = 0x10;
  c.Pgn1 = 0xFF10, c.Pgn1DataLength = 8, c.Pgn1ParamType = 1, c.Pgn1ParamPos = 3;
  // Slot 2: PDU1 (the PS is a destination address, no part of the PGN) on
  // data page 1; "4 Bytes" at the last position they fit in 20 bytes.
  c.Pgn2InUse = 1, c.Pgn2UpdateRate = 1, c.Pgn2Priority = 3, c.Pgn2DataPage = 1, c.Pgn2Pf = 0xEF;
  c.Pgn2 = 0x1EF00, c.Pgn2DataLength = 20, c.Pgn2ParamType = 2, c.Pgn2ParamPos = 17;
  c.SimulatorVersion = 1, c.DtcVersion = 3, c.CanBaudRate = -1;
  setVin(c, "1FUJGLDR5CSBM1234");
  if (edit) edit(c);
  return c;
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

inline SlotFields slotOf(SimulatorConfig& c, int slot) {
  if (slot == 0)
    return {c.Pgn1InUse,      c.Pgn1UpdateRate, c.Pgn1Priority, c.Pgn1DataPage,
            c.Pgn1Reserved,   c.Pgn1Pf,         c.Pgn1Ps,       c.Pgn1,
            c.Pgn1DataLength, c.Pgn1ParamType,  c.Pgn1ParamPos};
  return {c.Pgn2InUse,      c.Pgn2UpdateRate, c.Pgn2Priority, c.Pgn2DataPage,
          c.Pgn2Reserved,   c.Pgn2Pf,         c.Pgn2Ps,       c.Pgn2,
          c.Pgn2DataLength, c.Pgn2ParamType,  c.Pgn2ParamPos};
}
