#include "rules/protocol/ConfigFrames.h"

#include <QCoreApplication>
#include <QString>

namespace j1939 {

namespace {

QString hex2(unsigned value) {
  return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

uint8_t lowByte(int value) {
  return static_cast<uint8_t>(value % 256);
}
uint8_t highByte(int value) {
  return static_cast<uint8_t>(value / 256);
}

Failure outOfRange(const QString& field, int value, const QString& range) {
  return Failure{field, QCoreApplication::translate(
                            "ConfigFrames", "%1 cannot be sent to the simulator, which takes %2")
                            .arg(value)
                            .arg(range)};
}

// In frame order, so that the first field reported is the first the frame
// could not carry.
MaybeFailure checkSlot(int slotNumber, const PgnSlotConfig& slot) {
  const QString prefix = QStringLiteral("Pgn%1").arg(slotNumber);
  if (slot.UpdateRate < 0 || slot.UpdateRate >= static_cast<int>(kRateWords.size()))
    return outOfRange(
        prefix + QStringLiteral("UpdateRate"), slot.UpdateRate,
        QCoreApplication::translate("ConfigFrames", "an update-rate index of 0 to 5"));
  if (slot.DataLength < 0)
    return outOfRange(prefix + QStringLiteral("DataLength"), slot.DataLength,
                      QCoreApplication::translate("ConfigFrames", "a data length of 0 to 32767"));
  if (slot.Priority < 0 || slot.Priority > 7)
    return outOfRange(prefix + QStringLiteral("Priority"), slot.Priority,
                      QCoreApplication::translate("ConfigFrames", "a priority of 0 to 7"));
  if (slot.ParamPos < 0)
    return outOfRange(
        prefix + QStringLiteral("ParamPos"), slot.ParamPos,
        QCoreApplication::translate("ConfigFrames", "a parameter position of 0 to 32767"));
  return std::nullopt;
}

MaybeFailure checkRecord(const SimulatorConfig& c) {
  if (c.DtcVersion > 3)
    return outOfRange(QStringLiteral("DtcVersion"), c.DtcVersion,
                      QCoreApplication::translate(
                          "ConfigFrames", "a DTC format of 0 to 3 (\"Version1\" to \"Version4\")"));
  if (c.SourceAddress > 0x7F)
    return Failure{QStringLiteral("SourceAddress"),
                   QCoreApplication::translate(
                       "ConfigFrames",
                       "%1 (hex) cannot be sent to the simulator, which takes a source "
                       "address of 00 to 7F: bit 7 carries the CAN bit rate")
                       .arg(hex2(c.SourceAddress))};
  for (std::size_t i = 0; i < c.Pgns.size(); ++i)
    if (MaybeFailure failure = checkSlot(static_cast<int>(i) + 1, c.Pgns[i])) return failure;
  return std::nullopt;
}

// Bytes 11-20 (slot 1) or 21-30 (slot 2) of both frames.
void encodeSlot(const PgnSlotConfig& slot, uint8_t* out) {
  uint16_t rate = kRateWords[static_cast<std::size_t>(slot.UpdateRate)];
  if (slot.InUse == 0) rate |= kRateSlotDeleted;
  out[0] = lowByte(rate);
  out[1] = highByte(rate);
  out[2] = lowByte(slot.DataLength);
  out[3] = highByte(slot.DataLength);
  // Only a ticked box (1) sets its bit, as only a ticked box counts in the PGN
  // that the window shows and stores beside it.
  out[4] = static_cast<uint8_t>(slot.Priority * 32 + (slot.Reserved == 1 ? 0x10 : 0) +
                                (slot.DataPage == 1 ? 0x08 : 0));
  out[5] = slot.Pf;
  out[6] = slot.Ps;
  out[7] = lowByte(slot.ParamPos);
  out[8] = highByte(slot.ParamPos);
  out[9] = slot.ParamType;
}

uint16_t word(QByteArrayView bytes, int at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) |
                               (static_cast<uint8_t>(bytes[at + 1]) << 8));
}

DecodedPgnSlot decodeSlot(QByteArrayView bytes, int at, int slotNumber, QStringList& oddities) {
  DecodedPgnSlot slot;
  slot.rateWord = word(bytes, at);
  slot.deleted = (slot.rateWord & kRateSlotDeleted) != 0;
  slot.onRequest = (slot.rateWord & kRateOnRequest) != 0;
  slot.periodMs = (slot.rateWord & 0x3FFF) * 10;
  const uint16_t rate = slot.rateWord & ~kRateSlotDeleted;
  for (std::size_t i = 0; i < kRateWords.size(); ++i)
    if (kRateWords[i] == rate) slot.updateRateIndex = static_cast<int>(i);
  if (slot.updateRateIndex < 0)
    oddities << QStringLiteral("PGN%1 rate word %2%3 is none of the tool's update rates")
                    .arg(slotNumber)
                    .arg(hex2(slot.rateWord >> 8), hex2(slot.rateWord & 0xFF));
  slot.dataLength = word(bytes, at + 2);
  slot.identifier = static_cast<uint8_t>(bytes[at + 4]);
  slot.priority = slot.identifier >> 5;
  slot.reserved = (slot.identifier & 0x10) != 0;
  slot.dataPage = (slot.identifier & 0x08) != 0;
  if ((slot.identifier & 0x07) != 0)
    oddities << QStringLiteral("PGN%1 identifier byte has bits 2-0 set").arg(slotNumber);
  slot.pf = static_cast<uint8_t>(bytes[at + 5]);
  slot.ps = static_cast<uint8_t>(bytes[at + 6]);
  slot.paramPos = word(bytes, at + 7);
  slot.paramType = static_cast<uint8_t>(bytes[at + 9]);
  if (slot.paramType > 2)
    oddities << QStringLiteral("PGN%1 parameter type %2 is none of the tool's types")
                    .arg(slotNumber)
                    .arg(slot.paramType);
  return slot;
}

QString describeRate(const DecodedPgnSlot& slot) {
  static const char* const kNames[] = {"on request",  "every 50 ms", "every 100 ms",
                                       "every 0.5 s", "every 1 s",   "every 5 s"};
  QString text =
      QStringLiteral("rate word %1%2").arg(hex2(slot.rateWord >> 8), hex2(slot.rateWord & 0xFF));
  if (slot.updateRateIndex >= 0)
    text += QStringLiteral(" (%1)").arg(QLatin1String(kNames[slot.updateRateIndex]));
  return text;
}

QString describeSlot(int number, const DecodedPgnSlot& slot) {
  static const char* const kTypes[] = {"single byte", "2 bytes", "4 bytes"};
  const QString type = slot.paramType <= 2 ? QLatin1String(kTypes[slot.paramType])
                                           : QStringLiteral("type %1").arg(slot.paramType);
  return QStringLiteral(
             "PGN%1: %2, %3, priority %4, reserved bit %5, data page %6, PF %7, PS %8, "
             "data length %9, parameter %10 at position %11")
      .arg(number)
      .arg(slot.deleted ? QStringLiteral("deleted") : QStringLiteral("in use"))
      .arg(describeRate(slot))
      .arg(slot.priority)
      .arg(slot.reserved ? 1 : 0)
      .arg(slot.dataPage ? 1 : 0)
      .arg(hex2(slot.pf), hex2(slot.ps))
      .arg(slot.dataLength)
      .arg(type)
      .arg(slot.paramPos);
}

}  // namespace

uint8_t FrameChecksum(QByteArrayView bytes) {
  unsigned sum = 0;
  for (char byte : bytes) sum += static_cast<uint8_t>(byte);
  return static_cast<uint8_t>(sum % 256);
}

MaybeFailure BuildConfigFrames(const SimulatorConfig& c, ConfigFrameV1Bytes& v1,
                               ConfigFrameV2Bytes& v2) {
  if (MaybeFailure failure = checkRecord(c)) return failure;

  ConfigFrameV1Bytes f1{};
  ConfigFrameV2Bytes f2{};
  f1[0] = c.DynamicMode != 0 ? 0x00 : 0xFF;
  f2[0] = f1[0];
  f1[1] = 0;
  f2[1] = static_cast<uint8_t>(c.DtcVersion + 1);
  f1[2] = static_cast<uint8_t>(c.SourceAddress | (c.CanBaudRate != 0 ? 0x80 : 0));
  for (std::size_t i = 0; i < c.DeviceName.size(); ++i) f1[3 + i] = c.DeviceName[i];
  for (std::size_t i = 0; i < c.Pgns.size(); ++i) encodeSlot(c.Pgns[i], &f1[11 + 10 * i]);
  f1[31] = FrameChecksum(QByteArrayView(f1.data(), 31));

  for (int i = 2; i <= 30; ++i) f2[i] = f1[i];
  for (std::size_t i = 0; i < c.Vin.size(); ++i) f2[31 + i] = c.Vin[i];
  f2[48] = FrameChecksum(QByteArrayView(f2.data(), 48));

  v1 = f1;
  v2 = f2;
  return std::nullopt;
}

MaybeFailure DecodeConfigFrame(QByteArrayView frame, DecodedConfigFrame& decoded) {
  if (frame.size() != kConfigFrameV1Size && frame.size() != kConfigFrameV2Size)
    return Failure{QStringLiteral("frame"),
                   QStringLiteral("%1 bytes, where a configuration frame has %2 (\"1.01\") or %3 "
                                  "(\"2.00\")")
                       .arg(frame.size())
                       .arg(kConfigFrameV1Size)
                       .arg(kConfigFrameV2Size)};
  const qsizetype last = frame.size() - 1;
  const uint8_t expected = FrameChecksum(frame.first(last));
  const uint8_t sent = static_cast<uint8_t>(frame[last]);
  if (sent != expected)
    return Failure{QStringLiteral("checksum"),
                   QStringLiteral("the frame carries %1, its bytes sum to %2")
                       .arg(hex2(sent), hex2(expected))};

  DecodedConfigFrame d;
  d.simulatorVersion = frame.size() == kConfigFrameV1Size ? 0 : 1;
  d.checksum = sent;
  d.modeByte = static_cast<uint8_t>(frame[0]);
  d.dynamicMode = d.modeByte == 0x00;
  if (d.modeByte != 0x00 && d.modeByte != 0xFF)
    d.oddities << QStringLiteral("mode byte %1 is neither 00 (dynamic) nor FF (static)")
                      .arg(hex2(d.modeByte));
  d.dtcByte = static_cast<uint8_t>(frame[1]);
  if (d.simulatorVersion == 0 && d.dtcByte != 0)
    d.oddities << QStringLiteral("byte 1 is %1 where a \"1.01\" frame has 00").arg(hex2(d.dtcByte));
  if (d.simulatorVersion == 1 && (d.dtcByte < 1 || d.dtcByte > 4))
    d.oddities << QStringLiteral("DTC format byte %1 is none of 01 to 04").arg(hex2(d.dtcByte));
  d.sourceAddress = static_cast<uint8_t>(frame[2]) & 0x7F;
  d.canBaud500 = (static_cast<uint8_t>(frame[2]) & 0x80) != 0;
  for (std::size_t i = 0; i < d.deviceName.size(); ++i)
    d.deviceName[i] = static_cast<uint8_t>(frame[3 + static_cast<qsizetype>(i)]);
  d.pgns[0] = decodeSlot(frame, 11, 1, d.oddities);
  d.pgns[1] = decodeSlot(frame, 21, 2, d.oddities);
  if (d.simulatorVersion == 1)
    for (std::size_t i = 0; i < d.vin.size(); ++i)
      d.vin[i] = static_cast<uint8_t>(frame[31 + static_cast<qsizetype>(i)]);
  decoded = d;
  return std::nullopt;
}

QStringList DescribeConfigFrame(const DecodedConfigFrame& d) {
  QStringList lines;
  const bool v2 = d.simulatorVersion == 1;
  lines << QStringLiteral("simulator version: %1 (%2 bytes)")
               .arg(v2 ? QStringLiteral("2.00") : QStringLiteral("1.01"))
               .arg(v2 ? kConfigFrameV2Size : kConfigFrameV1Size);
  lines << QStringLiteral("checksum: %1 ok").arg(hex2(d.checksum));
  lines << QStringLiteral("mode: %1")
               .arg(d.dynamicMode ? QStringLiteral("dynamic") : QStringLiteral("static"));
  if (v2) lines << QStringLiteral("DTC format: Version%1").arg(d.dtcByte);
  lines << QStringLiteral("source address: %1 (hex)").arg(hex2(d.sourceAddress));
  lines << QStringLiteral("CAN bit rate: %1")
               .arg(d.canBaud500 ? QStringLiteral("500 kbit/s") : QStringLiteral("250 kbit/s"));
  QStringList name;
  for (uint8_t byte : d.deviceName) name << hex2(byte);
  lines << QStringLiteral("NAME bytes 0-7: %1").arg(name.join(QLatin1Char(' ')));
  lines << describeSlot(1, d.pgns[0]);
  lines << describeSlot(2, d.pgns[1]);
  if (v2) {
    QString vin;
    for (uint8_t code : d.vin) vin += (code >= 0x20 && code < 0x7F) ? QChar(code) : QChar(u'.');
    lines << QStringLiteral("VIN: %1").arg(vin);
  }
  for (const QString& oddity : d.oddities) lines << QStringLiteral("note: %1").arg(oddity);
  return lines;
}

QString HexBytes(QByteArrayView bytes) {
  QStringList parts;
  for (char byte : bytes) parts << hex2(static_cast<uint8_t>(byte));
  return parts.join(QLatin1Char(' '));
}

}  // namespace j1939
