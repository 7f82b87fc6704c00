#pragma once

#include <cstdint>

#include "config/SimulatorConfig.h"

// The eleven fields of one additional PGN slot of a record (0 for Pgn1, 1 for
// Pgn2), so that both slots are shown and checked by one piece of code.
struct RecordSlot {
  int16_t inUse, updateRate, priority, dataPage, reserved;
  uint8_t pf, ps;
  int32_t pgn;
  int16_t dataLength;
  uint8_t paramType;
  int16_t paramPos;
};

inline RecordSlot RecordSlotOf(const SimulatorConfig& c, int slot) {
  if (slot >= 1)
    return {c.Pgn2InUse,      c.Pgn2UpdateRate, c.Pgn2Priority, c.Pgn2DataPage,
            c.Pgn2Reserved,   c.Pgn2Pf,         c.Pgn2Ps,       c.Pgn2,
            c.Pgn2DataLength, c.Pgn2ParamType,  c.Pgn2ParamPos};
  return {c.Pgn1InUse,      c.Pgn1UpdateRate, c.Pgn1Priority, c.Pgn1DataPage,
          c.Pgn1Reserved,   c.Pgn1Pf,         c.Pgn1Ps,       c.Pgn1,
          c.Pgn1DataLength, c.Pgn1ParamType,  c.Pgn1ParamPos};
}
