#include "rules/j1939/DeviceExpectations.h"

#include "rules/j1939/GroupNames.h"
#include "rules/j1939/Transport.h"
#include "rules/pgn/PgnMath.h"
#include "rules/record/RecordReading.h"

namespace j1939 {

namespace {

QString hex(uint32_t value, int digits) {
  return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

// The group a vehicle's engine controller keeps sending, at the rate and
// priority that J1939 gives it.
ExpectedGroup backgroundGroup(uint32_t pgn, int priority, int periodMs, uint8_t source,
                              const QByteArray& data) {
  ExpectedGroup group;
  group.label = QLatin1String(ParameterGroupNameOf(pgn)->acronym);
  group.pgn = pgn;
  group.identifier = IdentifierFor(pgn, static_cast<uint8_t>(priority), source);
  group.length = static_cast<int>(data.size());
  group.periodMs = periodMs;
  group.askedPeriodMs = periodMs;
  group.fixedData = data;
  return group;
}

// One additional PGN, or the reason it is not sent.
std::optional<ExpectedGroup> slotGroup(int number, const PgnSlotConfig& slot, uint8_t source,
                                       QStringList& notes) {
  const QString label = QStringLiteral("PGN%1").arg(number);
  auto refuse = [&](const QString& why) {
    notes << label + QStringLiteral(" not sent: ") + why;
    return std::nullopt;
  };
  if (slot.InUse == 0) return refuse(QStringLiteral("deleted"));
  if (slot.UpdateRate < 0 || slot.UpdateRate >= static_cast<int>(kRateWords.size()))
    return refuse(QStringLiteral("its update rate is none of the tool's"));
  if (slot.DataLength < 1 || slot.DataLength > kMaxBamSize)
    return refuse(QStringLiteral("a data length of %1, where J1939 carries 1 to %2")
                      .arg(slot.DataLength)
                      .arg(kMaxBamSize));
  ExpectedGroup group;
  group.label = label;
  PgnParts parts;
  parts.reserved = slot.Reserved == 1;
  parts.dataPage = slot.DataPage == 1;
  parts.pf = slot.Pf;
  parts.ps = slot.Ps;
  group.pgn = static_cast<uint32_t>(PgnFromParts(parts));
  group.identifier = IdentifierFor(group.pgn, static_cast<uint8_t>(slot.Priority), source, slot.Ps);
  group.length = slot.DataLength;
  const uint16_t rate = kRateWords[static_cast<std::size_t>(slot.UpdateRate)];
  group.askedPeriodMs = (rate & kRateOnRequest) != 0 ? 0 : rate * 10;
  group.periodMs = group.askedPeriodMs;
  // One BAM at a time from a source, its packets 50 ms apart and a gap after
  // the last: a BAM every period cannot come faster than that.
  if (group.byBam() && group.periodMs > 0)
    group.periodMs = std::max(group.periodMs, (BamPacketCount(group.length) + 1) * kBamPacketGapMs);
  const int size = slot.ParamType == 0 ? 1 : slot.ParamType == 1 ? 2 : slot.ParamType == 2 ? 4 : 0;
  if (size == 0)
    notes << label + QStringLiteral(": parameter type %1 is none of the tool's; no parameter")
                         .arg(slot.ParamType);
  else if (slot.ParamPos < 1 || slot.ParamPos + size - 1 > slot.DataLength)
    notes << label + QStringLiteral(
                         ": a parameter of %1 bytes at %2 does not fit %3 bytes; "
                         "no parameter")
                         .arg(size)
                         .arg(slot.ParamPos)
                         .arg(slot.DataLength);
  else {
    group.parameterOffset = slot.ParamPos - 1;
    group.parameterSize = size;
  }
  return group;
}

QString describeGroup(const ExpectedGroup& g) {
  QString text = QStringLiteral("%1 %2 %3")
                     .arg(g.label)
                     .arg(g.pgn)
                     .arg(hex(EncodeIdentifier(g.identifier), 8));
  text += g.byBam() ? QStringLiteral(" %1 bytes by BAM").arg(g.length)
                    : QStringLiteral(" %1 bytes").arg(g.length);
  if (g.periodMs == 0)
    text += QStringLiteral(" on request");
  else
    text += QStringLiteral(" every %1 ms").arg(g.periodMs);
  if (g.periodMs != g.askedPeriodMs)
    text += QStringLiteral(" (%1 ms asked; a BAM takes longer)").arg(g.askedPeriodMs);
  return text;
}

}  // namespace

QByteArray ExpectedGroup::dataWith(uint32_t value) const {
  if (!fixedData.isEmpty()) return fixedData;
  QByteArray data(length, '\xFF');
  for (int i = 0; i < parameterSize; ++i)
    data[parameterOffset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return data;
}

const ExpectedGroup* DeviceExpectations::answerTo(uint32_t pgn) const {
  for (const ExpectedGroup& group : additional)
    if (group.pgn == pgn) return &group;
  if (vehicleIdentification && vehicleIdentification->pgn == pgn) return &*vehicleIdentification;
  return nullptr;
}

DeviceExpectations ExpectationsOf(const SimulatorConfig& c) {
  DeviceExpectations e;
  e.sourceAddress = c.SourceAddress;
  e.name = c.DeviceName;
  e.dynamic = c.DynamicMode != 0;
  e.version2 = c.SimulatorVersion != 0;
  e.addressClaim =
      FrameFor(IdentifierFor(kPgnAddressClaimed, kAddressClaimPriority, e.sourceAddress),
               QByteArray(reinterpret_cast<const char*>(c.DeviceName.data()), 8));
  for (std::size_t i = 0; i < c.Pgns.size(); ++i)
    if (auto group = slotGroup(static_cast<int>(i) + 1, c.Pgns[i], e.sourceAddress, e.notes))
      e.additional << *group;
  if (e.version2) {
    QByteArray vin;
    for (uint8_t code : c.Vin) {
      if (code == 0) break;  // the zero filling of a record that never held a VIN
      vin += static_cast<char>(code);
    }
    ExpectedGroup vi = backgroundGroup(kPgnVehicleIdentification, kVehicleIdentificationPriority, 0,
                                       e.sourceAddress, vin + '*');
    e.vehicleIdentification = vi;
  }
  const QByteArray notAvailable(8, '\xFF');
  // DM1 with no active trouble code (J1939-73): lamps off, SPN, FMI and
  // occurrence count 0, the rest "not available"; all FF would read as a code.
  const QByteArray noTroubleCode = QByteArray::fromHex("00FF00000000FFFF");
  e.background << backgroundGroup(kPgnEec1, 3, 20, e.sourceAddress, notAvailable)
               << backgroundGroup(kPgnEec2, 3, 50, e.sourceAddress, notAvailable)
               << backgroundGroup(kPgnEt1, 6, 1000, e.sourceAddress, notAvailable)
               << backgroundGroup(kPgnDm1, 6, 1000, e.sourceAddress, noTroubleCode);
  return e;
}

SimulatorConfig ConfigFromFrame(const DecodedConfigFrame& f) {
  SimulatorConfig c;
  c.SourceAddress = f.sourceAddress;
  c.DeviceName = f.deviceName;
  c.DynamicMode = f.dynamicMode ? -1 : 0;
  c.SimulatorVersion = static_cast<int16_t>(f.simulatorVersion);
  if (f.simulatorVersion == 1) {
    c.DtcVersion = f.dtcByte >= 1 ? static_cast<uint8_t>(f.dtcByte - 1) : 0;
    c.Vin = f.vin;
  }
  c.CanBaudRate = f.canBaud500 ? -1 : 0;
  for (std::size_t i = 0; i < c.Pgns.size(); ++i) {
    const DecodedPgnSlot& s = f.pgns[i];
    PgnSlotConfig& slot = c.Pgns[i];
    slot.InUse = s.deleted ? 0 : 1;
    slot.UpdateRate = static_cast<int16_t>(s.updateRateIndex);
    slot.Priority = static_cast<int16_t>(s.priority);
    slot.DataPage = s.dataPage ? 1 : 0;
    slot.Reserved = s.reserved ? 1 : 0;
    slot.Pf = s.pf;
    slot.Ps = s.ps;
    slot.Pgn = PgnFromParts(PgnParts{s.reserved, s.dataPage, s.pf, s.ps});
    slot.DataLength = static_cast<int16_t>(s.dataLength);
    slot.ParamType = s.paramType;
    slot.ParamPos = static_cast<int16_t>(s.paramPos);
  }
  return c;
}

MaybeFailure PlayedConfig(const SimulatorConfig& shown, SimulatorConfig& played) {
  // The frame is all the device learns.
  ConfigFrameV1Bytes v1{};
  ConfigFrameV2Bytes v2{};
  DecodedConfigFrame decoded;
  if (MaybeFailure failure = BuildConfigFrames(shown, v1, v2)) return failure;
  if (MaybeFailure failure = DecodeConfigFrame(
          SimulatorVersionOf(shown.SimulatorVersion) == SimVersion::V101 ? FrameBytes(v1)
                                                                         : FrameBytes(v2),
          decoded))
    return failure;
  played = ConfigFromFrame(decoded);
  return std::nullopt;
}

int BitRateKbpsOf(const SimulatorConfig& config) {
  return IsCan500Kbps(config.CanBaudRate) ? 500 : 250;
}

uint32_t ParameterMaximum(int size) {
  switch (size) {
    case 1:
      return 0xFA;
    case 2:
      return 0xFAFF;
    case 4:
      return 0xFAFFFFFF;
  }
  return 0;
}

uint32_t ParameterValue(bool dynamic, int size, int64_t transmission) {
  const uint64_t maximum = ParameterMaximum(size);
  if (!dynamic) return static_cast<uint32_t>(maximum / 2);
  constexpr int kSteps = 250;
  const uint64_t step = static_cast<uint64_t>(transmission % (kSteps + 1));
  return static_cast<uint32_t>(step * maximum / kSteps);
}

CanFrame RequestFrame(uint32_t pgn, uint8_t sourceAddress, uint8_t destination) {
  QByteArray data(3, '\0');
  data[0] = static_cast<char>(pgn & 0xFF);
  data[1] = static_cast<char>((pgn >> 8) & 0xFF);
  data[2] = static_cast<char>((pgn >> 16) & 0xFF);
  return FrameFor(IdentifierFor(kPgnRequest, 6, sourceAddress, destination), data);
}

std::optional<uint32_t> RequestedPgn(const CanFrame& frame, uint8_t deviceAddress) {
  const J1939Identifier id = DecodeIdentifier(frame.identifier);
  if (PgnOf(id) != kPgnRequest || frame.data.size() < 3) return std::nullopt;
  if (id.ps != kGlobalAddress && id.ps != deviceAddress) return std::nullopt;
  return static_cast<uint8_t>(frame.data[0]) | (static_cast<uint8_t>(frame.data[1]) << 8) |
         (static_cast<uint32_t>(static_cast<uint8_t>(frame.data[2])) << 16);
}

QString DescribeExpectations(const DeviceExpectations& e) {
  uint64_t name = 0;
  for (int i = 7; i >= 0; --i) name = (name << 8) | e.name[static_cast<std::size_t>(i)];
  QStringList parts;
  parts << QStringLiteral("plays: address %1, NAME %2, %3")
               .arg(hex(e.sourceAddress, 2),
                    QStringLiteral("%1").arg(name, 16, 16, QLatin1Char('0')).toUpper(),
                    e.dynamic ? QStringLiteral("dynamic") : QStringLiteral("static"));
  for (const ExpectedGroup& group : e.additional) parts << describeGroup(group);
  parts << e.notes;
  if (e.vehicleIdentification) parts << describeGroup(*e.vehicleIdentification);
  return parts.join(QStringLiteral("; "));
}

}  // namespace j1939
