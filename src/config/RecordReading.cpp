#include "config/RecordReading.h"

#include <optional>

#include "config/VersionRule.h"
#include "identity/DeviceName.h"
#include "pgn/PgnMath.h"

namespace {

void readSlot(int16_t& inUse, int16_t& dataPage, int16_t& reserved, uint8_t& pf, uint8_t& ps,
              int32_t& pgn, int16_t& dataLength, int16_t& paramPos) {
  inUse = IsSlotInUse(inUse) ? 1 : 0;
  dataLength = ShownLayoutValue(dataLength);
  paramPos = ShownLayoutValue(paramPos);
  // The boxes, PF and PS are shown first; in PDU1 the PS box turns any entry
  // into 0.
  reserved = static_cast<int16_t>(PgnBitBoxValue(reserved));
  dataPage = static_cast<int16_t>(PgnBitBoxValue(dataPage));
  PgnParts parts{reserved == 1, dataPage == 1, pf, IsPdu1Format(pf) ? uint8_t{0} : ps};
  // Then the PGN, which rewrites the parts where it differs from them. A
  // negative number is no decimal text: the slot replaces it by 0.
  if (pgn < 0) {
    parts = PgnParts{};
  } else if (const std::optional<PgnParts> fromPgn = PartsFromPgn(pgn)) {
    parts = *fromPgn;
  }
  // A box the slot cannot show keeps its stored value; the others show the parts.
  if (reserved == 0 || reserved == 1) reserved = parts.reserved ? 1 : 0;
  if (dataPage == 0 || dataPage == 1) dataPage = parts.dataPage ? 1 : 0;
  pf = parts.pf;
  ps = parts.ps;
  // Storing recomputes the PGN from the parts.
  pgn = PgnFromParts(parts);
}

}  // namespace

QString VinText(const std::array<uint8_t, 17>& vin) {
  QString text;
  for (uint8_t code : vin) {
    if (code == 0) break;
    text += QChar(code);
  }
  return text;
}

SimulatorConfig RecordAsShown(const SimulatorConfig& record) {
  SimulatorConfig c = record;
  c.DynamicMode = IsDynamicMode(c.DynamicMode) ? -1 : 0;
  readSlot(c.Pgn1InUse, c.Pgn1DataPage, c.Pgn1Reserved, c.Pgn1Pf, c.Pgn1Ps, c.Pgn1,
           c.Pgn1DataLength, c.Pgn1ParamPos);
  readSlot(c.Pgn2InUse, c.Pgn2DataPage, c.Pgn2Reserved, c.Pgn2Pf, c.Pgn2Ps, c.Pgn2,
           c.Pgn2DataLength, c.Pgn2ParamPos);
  for (std::size_t i = 0; i < c.DeviceName.size(); ++i)
    c.DeviceName[i] = HeldNameByte(i, c.DeviceName[i]);
  c.SimulatorVersion = static_cast<int16_t>(SimulatorVersionIndex(c.SimulatorVersion));
  if (c.SimulatorVersion == kVersion101) {
    // "1.01" fixes the DTC format; the VIN and the bit rate keep what they held.
    c.DtcVersion = kDtcFormatOfVersion101;
  } else {
    c.CanBaudRate = IsCan500Kbps(c.CanBaudRate) ? -1 : 0;
  }
  return c;
}
