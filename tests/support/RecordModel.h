#pragma once

#include <algorithm>

#include "support/Records.h"

// What the window makes of a record, from the J1939 bit positions, not the window's code.

// The record as the window shows it, and sends it, from the bit positions of a
// PGN: reserved bit 17, data page 16, PF 15-8, PS 7-0 (no part of a PDU1 PGN).
inline SimulatorConfig shownBack(SimulatorConfig c) {
  c.DynamicMode = c.DynamicMode == -1 ? -1 : 0;
  c.DeviceName[7] &= 0x7F;  // NAME bit 63 is never set
  c.SimulatorVersion = c.SimulatorVersion != 0 ? 1 : 0;
  if (c.SimulatorVersion == 0)
    c.DtcVersion = 2;  // "Version3"; the VIN and the bit rate keep what they held
  else
    c.CanBaudRate = c.CanBaudRate != 0 ? -1 : 0;
  for (PgnSlotConfig& s : c.Pgns) {
    s.InUse = s.InUse != 0 ? 1 : 0;
    s.DataLength = std::max<int16_t>(s.DataLength, 1);
    s.ParamPos = std::max<int16_t>(s.ParamPos, 1);
    // A number the slot cannot split (2^24 and up) leaves the parts it shows.
    uint32_t bits = (s.Reserved == 1) << 17 | (s.DataPage == 1) << 16 | s.Pf << 8 | s.Ps;
    if (s.Pgn < 0) bits = 0;
    if (s.Pgn >= 0 && s.Pgn < (1 << 24)) bits = static_cast<uint32_t>(s.Pgn) & 0x3FFFF;
    s.Reserved = bits >> 17 & 1, s.DataPage = bits >> 16 & 1;
    s.Pf = static_cast<uint8_t>(bits >> 8), s.Ps = s.Pf < 240 ? 0 : static_cast<uint8_t>(bits);
    s.Pgn = s.Reserved << 17 | s.DataPage << 16 | s.Pf << 8 | s.Ps;
  }
  return c;
}

// The record as the window stores it back: as shown, except that a PDU1 PGN
// stored with a low byte (a destination address) keeps its PGN and PS.
inline SimulatorConfig storedBack(const SimulatorConfig& record) {
  SimulatorConfig c = shownBack(record);
  for (std::size_t i = 0; i < c.Pgns.size(); ++i) {
    const PgnSlotConfig& was = record.Pgns[i];
    if (was.Pgn >= 0 && was.Pgn < (1 << 18) && (was.Pgn >> 8 & 0xFF) < 240 && (was.Pgn & 0xFF))
      c.Pgns[i].Pgn = was.Pgn, c.Pgns[i].Ps = was.Ps;
  }
  return c;
}

// What "Default" puts into the form over `shown`; the lists and boxes it leaves
// alone keep what they showed.
inline SimulatorConfig factoryOver(SimulatorConfig c) {
  c.SourceAddress = 0, c.DynamicMode = 0, c.DeviceName = {}, c.CanBaudRate = 0;  // static, 250K
  c.SimulatorVersion = 1, c.DtcVersion = 3;  // "2.00", "Version4"
  setVin(c, "KorvaneElectronic");
  for (PgnSlotConfig& s : c.Pgns)  // deleted, "On Request", "Single Byte" at 1
    s.InUse = 0, s.UpdateRate = 0, s.Priority = 7, s.ParamType = 0, s.ParamPos = 1;
  return c;
}
