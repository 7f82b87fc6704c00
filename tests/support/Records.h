#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

#include "config/SimulatorConfig.h"

// Records and .cfg files as the tests build and read them.

// A configuration as a bench keeps it: version "2.00", both slots in use with
// different PGNs (slot 2 a PDU1 PGN), every value one the window shows as it is.
SimulatorConfig benchRecord(const std::function<void(SimulatorConfig&)>& edit = {});

void setVin(SimulatorConfig& config, const char* text);  // up to 17 characters, 0-filled
QString vinOf(const SimulatorConfig& config);

QByteArray fileBytes(const QString& path);  // empty if it cannot be read
bool writeBytes(const QString& path, const QByteArray& bytes);
bool writeRecord(const QString& path, const SimulatorConfig& config);
// The record a file holds; a file of fewer than 77 bytes fails the calling test.
SimulatorConfig recordIn(const QString& path);

// One additional PGN slot of a record (0 or 1), its fields by reference.
struct SlotFields {
  int16_t &InUse, &UpdateRate, &Priority, &DataPage, &Reserved;
  uint8_t &Pf, &Ps;
  int32_t& Pgn;
  int16_t& DataLength;
  uint8_t& ParamType;
  int16_t& ParamPos;
};
SlotFields slotOf(SimulatorConfig& c, int slot);
