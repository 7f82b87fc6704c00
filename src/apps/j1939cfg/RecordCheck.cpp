#include "apps/j1939cfg/RecordCheck.h"

#include <array>
#include <optional>

#include "link/download/DownloadExchange.h"
#include "rules/identity/DeviceName.h"
#include "rules/identity/IdentityRules.h"
#include "rules/pgn/BuiltInPgns.h"
#include "rules/pgn/ParameterRules.h"
#include "rules/pgn/PgnMath.h"
#include "rules/record/RecordReading.h"
#include "rules/record/VersionRule.h"
#include "rules/text/ListTexts.h"
#include "rules/text/TextCodecs.h"

namespace j1939 {

namespace {

using Kind = Finding::Kind;

QString dataBytes(int64_t count) {
  return QStringLiteral("%1 data byte%2").arg(count).arg(count == 1 ? "" : "s");
}

QString partsText(bool reserved, bool dataPage, uint8_t pf, uint8_t ps) {
  return QStringLiteral("reserved bit %1, data page %2, PF %3, PS %4")
      .arg(reserved ? 1 : 0)
      .arg(dataPage ? 1 : 0)
      .arg(ByteToHexText(pf), ByteToHexText(ps));
}

class Checker {
 public:
  void add(Kind kind, const QString& field, const QString& text) {
    found_ << Finding{kind, field, text};
  }

  // A list index that the list has: the window could not show any other.
  bool listIndex(const QString& field, int value, const FormList& list) {
    const int count = static_cast<int>(list.entries.size());
    if (value >= 0 && value < count) return true;
    add(Kind::NotAsItStands, field,
        QStringLiteral("%1 is no entry of the list %2 (0 to %3)")
            .arg(value)
            .arg(list.name)
            .arg(count - 1));
    return false;
  }

  void slot(int slot, const PgnSlotConfig& v) {
    const QString prefix = QStringLiteral("Pgn%1").arg(slot + 1);
    listIndex(prefix + QStringLiteral("UpdateRate"), v.UpdateRate, UpdateRateList(slot));
    listIndex(prefix + QStringLiteral("Priority"), v.Priority, PriorityList(slot));

    // The window stores these boxes as 0 (clear) or 1 (ticked); it shows a
    // greyed box (2) clear, as the PGN counts it.
    bool boxesHeld = true;
    for (const auto& [name, value] :
         {std::pair{"DataPage", v.DataPage}, {"Reserved", v.Reserved}}) {
      if (value == 0 || value == 1) continue;
      if (PgnBitBoxValue(value) == 0) {
        add(Kind::ReadAsAnother, prefix + QLatin1String(name),
            QStringLiteral("%1 (greyed) is shown clear, as the PGN counts it").arg(value));
        continue;
      }
      boxesHeld = false;
      add(Kind::NotAsItStands, prefix + QLatin1String(name),
          QStringLiteral("%1 is neither 0 (clear) nor 1 (ticked)").arg(value));
    }

    if (v.Pgn < 0 || v.Pgn > kMaxPgn) {
      add(Kind::NotAsItStands, prefix,
          QStringLiteral("%1 is outside 0 to %2").arg(v.Pgn).arg(kMaxPgn));
    } else if (boxesHeld) {
      // The PGN decides its parts; the frame carries the parts.
      const PgnParts parts = *PartsFromPgn(v.Pgn);
      const PgnParts held{v.Reserved == 1, v.DataPage == 1, v.Pf, v.Ps};
      if (!(parts == held)) {
        add(Kind::ReadAsAnother, prefix,
            QStringLiteral("%1 is %2, but the record holds reserved bit %3, data page %4, PF %5, "
                           "PS %6; the window goes by the PGN")
                .arg(v.Pgn)
                .arg(partsText(parts.reserved, parts.dataPage, parts.pf, parts.ps))
                .arg(v.Reserved)
                .arg(v.DataPage)
                .arg(ByteToHexText(v.Pf), ByteToHexText(v.Ps)));
      }
    }

    const int16_t length = ShownLayoutValue(v.DataLength);
    const bool lengthOk = IsDataLengthInRange(length);
    if (!lengthOk)
      add(Kind::NotAsItStands, prefix + QStringLiteral("DataLength"),
          QStringLiteral("%1 is outside 1 to %2").arg(v.DataLength).arg(kMaxDataLength));

    int type = v.ParamType;
    const FormList& typeList = ParameterTypeList(slot);
    if (!listIndex(prefix + QStringLiteral("ParamType"), type, typeList) || !lengthOk) return;
    if (const std::optional<int> smaller =
            SmallerParameterType(static_cast<uint64_t>(length), type)) {
      add(Kind::NotAsItStands, prefix + QStringLiteral("ParamType"),
          QStringLiteral("%1 (%2) does not fit %3")
              .arg(type)
              .arg(*typeList.entry(type), dataBytes(length)));
      type = *smaller;
    }
    const int16_t position = ShownLayoutValue(v.ParamPos);
    const int64_t bound = MaxParameterPosFor(length, type);
    if (position < 1 || position > bound)
      add(Kind::NotAsItStands, prefix + QStringLiteral("ParamPos"),
          QStringLiteral("%1 is outside 1 to %2 (%3, %4)")
              .arg(v.ParamPos)
              .arg(bound)
              .arg(dataBytes(length), *typeList.entry(type)));
  }

  QList<Finding> found_;
};

}  // namespace

QList<Finding> CheckRecord(const SimulatorConfig& c) {
  Checker check;
  check.listIndex(QStringLiteral("ComPortIndex"), c.ComPortIndex, ComPortList());
  if (c.SourceAddress > kMaxSourceAddress)
    check.add(Kind::NotAsItStands, QStringLiteral("SourceAddress"),
              QStringLiteral("%1 (hex) is above %2")
                  .arg(ByteToHexText(c.SourceAddress), ByteToHexText(kMaxSourceAddress)));
  if (c.DeviceName[7] > kMaxNameByte7)
    check.add(Kind::ReadAsAnother, QStringLiteral("DeviceName"),
              QStringLiteral("byte 7 is %1 (hex), above %2: bit 63 (arbitrary address capable) is "
                             "never set, the window shows %3")
                  .arg(ByteToHexText(c.DeviceName[7]), ByteToHexText(kMaxNameByte7),
                       ByteToHexText(c.DeviceName[7] & kMaxNameByte7)));
  for (int slot = 0; slot < 2; ++slot) check.slot(slot, c.Pgns[slot]);

  const SimVersion version = SimulatorVersionOf(c.SimulatorVersion);
  if (version == SimVersion::V200) {
    check.listIndex(QStringLiteral("DtcVersion"), c.DtcVersion, DtcFormatList());
    const QString vin = VinText(c.Vin);
    if (const std::optional<VinFault> fault = CheckVinText(vin)) {
      if (fault->kind == VinFault::Kind::TooShort)
        check.add(Kind::NotAsItStands, QStringLiteral("Vin"),
                  QStringLiteral("it has %1; a VIN needs %2")
                      .arg(vin.size() == 1 ? QStringLiteral("1 character")
                                           : QStringLiteral("%1 characters").arg(vin.size()))
                      .arg(kVinLength));
      else
        check.add(
            Kind::Rule, QStringLiteral("Vin"),
            QStringLiteral("character %1 is a blank; a VIN has none").arg(fault->position + 1));
    }
  }

  // The slot rules, for the slots in use.
  const std::array<bool, 2> inUse = {IsSlotInUse(c.Pgns[0].InUse), IsSlotInUse(c.Pgns[1].InUse)};
  const std::array<int32_t, 2> pgns = {c.Pgns[0].Pgn, c.Pgns[1].Pgn};
  for (int slotNumber : BuiltInPgnConflicts(inUse, pgns, version)) {
    const int32_t pgn = pgns[static_cast<std::size_t>(slotNumber - 1)];
    check.add(Kind::Rule, QStringLiteral("Pgn%1").arg(slotNumber),
              QStringLiteral("%1 is sent by %2 itself; delete the slot or choose another PGN")
                  .arg(pgn)
                  .arg(PgnIsIn(BuiltInPgns, pgn) ? QStringLiteral("the simulator")
                                                 : QStringLiteral("a simulator of version 2.00")));
  }
  if (inUse[0] && inUse[1] && pgns[0] == pgns[1])
    check.add(Kind::Rule, QStringLiteral("Pgn1, Pgn2"),
              QStringLiteral("both slots in use carry PGN %1").arg(pgns[0]));
  return check.found_;
}

}  // namespace j1939
