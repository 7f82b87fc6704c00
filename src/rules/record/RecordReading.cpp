#include "rules/record/RecordReading.h"

#include <optional>

#include "rules/identity/DeviceName.h"
#include "rules/pgn/PgnMath.h"
#include "rules/record/VersionRule.h"

namespace j1939 {

namespace {

void readSlot(PgnSlotConfig& s) {
  s.InUse = IsSlotInUse(s.InUse) ? 1 : 0;
  s.DataLength = ShownLayoutValue(s.DataLength);
  s.ParamPos = ShownLayoutValue(s.ParamPos);
  // The boxes, PF and PS are shown first; in PDU1 the PS box turns any entry
  // into 0.
  s.Reserved = static_cast<int16_t>(PgnBitBoxValue(s.Reserved));
  s.DataPage = static_cast<int16_t>(PgnBitBoxValue(s.DataPage));
  PgnParts parts{s.Reserved == 1, s.DataPage == 1, s.Pf, IsPdu1Format(s.Pf) ? uint8_t{0} : s.Ps};
  // Then the PGN, which rewrites the parts where it differs from them. A
  // negative number is no decimal text: the slot replaces it by 0.
  if (s.Pgn < 0) {
    parts = PgnParts{};
  } else if (const std::optional<PgnParts> fromPgn = PartsFromPgn(s.Pgn)) {
    parts = *fromPgn;
  }
  // A box the slot cannot show keeps its stored value; the others show the parts.
  if (s.Reserved == 0 || s.Reserved == 1) s.Reserved = parts.reserved ? 1 : 0;
  if (s.DataPage == 0 || s.DataPage == 1) s.DataPage = parts.dataPage ? 1 : 0;
  s.Pf = parts.pf;
  s.Ps = parts.ps;
  // Storing recomputes the PGN from the parts.
  s.Pgn = PgnFromParts(parts);
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
  for (PgnSlotConfig& slot : c.Pgns) readSlot(slot);
  for (std::size_t i = 0; i < c.DeviceName.size(); ++i)
    c.DeviceName[i] = HeldNameByte(i, c.DeviceName[i]);
  const SimVersion version = SimulatorVersionOf(c.SimulatorVersion);
  c.SimulatorVersion = static_cast<int16_t>(ListIndex(version));
  if (version == SimVersion::V101) {
    // "1.01" fixes the DTC format; the VIN and the bit rate keep what they held.
    c.DtcVersion = static_cast<uint8_t>(ListIndex(kDtcFormatOfVersion101));
  } else {
    c.CanBaudRate = IsCan500Kbps(c.CanBaudRate) ? -1 : 0;
  }
  return c;
}

}  // namespace j1939
