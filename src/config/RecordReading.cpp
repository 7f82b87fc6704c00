#include "config/RecordReading.h"

#include <optional>

#include "identity/DeviceName.h"
#include "pgn/PgnMath.h"
#include "ui/VersionRule.h"

namespace {

void readSlot(int16_t& inUse, int16_t& dataPage, int16_t& reserved, uint8_t& pf, uint8_t& ps,
              int32_t pgn, int16_t& dataLength, int16_t& paramPos) {
  inUse = IsSlotInUse(inUse) ? 1 : 0;
  dataLength = ShownLayoutValue(dataLength);
  paramPos = ShownLayoutValue(paramPos);
  // The PGN is written after its parts, and where it differs from them it
  // rewrites them.
  if (pgn < 0 || pgn > kMaxPgn) return;
  const std::optional<PgnParts> parts = PartsFromPgn(pgn);
  if (!parts) return;
  reserved = parts->reserved ? 1 : 0;
  dataPage = parts->dataPage ? 1 : 0;
  pf = parts->pf;
  ps = parts->ps;
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
