#include "rules/record/RecordCodec.h"

#include <QCoreApplication>
#include <array>

namespace {

// Appends the fields one after another, least significant byte first.
class RecordWriter {
 public:
  explicit RecordWriter(QByteArray& out) : out_(out) {}
  void byte(uint8_t value) { out_.append(static_cast<char>(value)); }
  void integer(int16_t value) {
    const auto bits = static_cast<uint16_t>(value);
    byte(static_cast<uint8_t>(bits & 0xFF));
    byte(static_cast<uint8_t>(bits >> 8));
  }
  void longInt(int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) byte(static_cast<uint8_t>((bits >> shift) & 0xFF));
  }
  template <std::size_t N>
  void bytes(const std::array<uint8_t, N>& values) {
    for (uint8_t value : values) byte(value);
  }

 private:
  QByteArray& out_;
};

// Takes the fields one after another from a span known to hold all 77 bytes.
class RecordReader {
 public:
  explicit RecordReader(std::span<const uint8_t> in) : in_(in) {}
  uint8_t byte() { return in_[pos_++]; }
  int16_t integer() {
    const uint16_t low = byte();
    const uint16_t high = byte();
    return static_cast<int16_t>(static_cast<uint16_t>(low | (high << 8)));
  }
  int32_t longInt() {
    uint32_t bits = 0;
    for (int shift = 0; shift < 32; shift += 8) bits |= static_cast<uint32_t>(byte()) << shift;
    return static_cast<int32_t>(bits);
  }
  template <std::size_t N>
  void bytes(std::array<uint8_t, N>& values) {
    for (uint8_t& value : values) value = byte();
  }

 private:
  std::span<const uint8_t> in_;
  std::size_t pos_ = 0;
};

// The field order, once for each direction; both follow the record's order.
// The file holds the two additional PGN slots one after the other, each in the
// order of PgnSlotConfig: Pgn1InUse ... Pgn1ParamPos, then Pgn2InUse ...
void writeSlot(RecordWriter& io, const PgnSlotConfig& s) {
  io.integer(s.InUse);
  io.integer(s.UpdateRate);
  io.integer(s.Priority);
  io.integer(s.DataPage);
  io.integer(s.Reserved);
  io.byte(s.Pf);
  io.byte(s.Ps);
  io.longInt(s.Pgn);
  io.integer(s.DataLength);
  io.byte(s.ParamType);
  io.integer(s.ParamPos);
}

void readSlot(RecordReader& io, PgnSlotConfig& s) {
  s.InUse = io.integer();
  s.UpdateRate = io.integer();
  s.Priority = io.integer();
  s.DataPage = io.integer();
  s.Reserved = io.integer();
  s.Pf = io.byte();
  s.Ps = io.byte();
  s.Pgn = io.longInt();
  s.DataLength = io.integer();
  s.ParamType = io.byte();
  s.ParamPos = io.integer();
}

void writeFields(RecordWriter& io, const SimulatorConfig& c) {
  io.integer(c.ComPortIndex);
  io.byte(c.SourceAddress);
  io.bytes(c.DeviceName);
  io.integer(c.DynamicMode);
  for (const PgnSlotConfig& slot : c.Pgns) writeSlot(io, slot);
  io.integer(c.SimulatorVersion);
  io.byte(c.DtcVersion);
  io.bytes(c.Vin);
  io.integer(c.CanBaudRate);
}

void readFields(RecordReader& io, SimulatorConfig& c) {
  c.ComPortIndex = io.integer();
  c.SourceAddress = io.byte();
  io.bytes(c.DeviceName);
  c.DynamicMode = io.integer();
  for (PgnSlotConfig& slot : c.Pgns) readSlot(io, slot);
  c.SimulatorVersion = io.integer();
  c.DtcVersion = io.byte();
  io.bytes(c.Vin);
  c.CanBaudRate = io.integer();
}

}  // namespace

QByteArray EncodeConfigRecord(const SimulatorConfig& config) {
  QByteArray out;
  out.reserve(kConfigRecordSize);
  RecordWriter writer(out);
  writeFields(writer, config);
  Q_ASSERT(out.size() == kConfigFieldBytes);
  out.append(kConfigRecordSize - kConfigFieldBytes, '\0');
  return out;
}

QString ShortRecordReason(qsizetype size) {
  return QCoreApplication::translate("ConfigFile", "it holds %1 %2; a configuration needs %3")
      .arg(size)
      .arg(size == 1 ? QStringLiteral("byte") : QStringLiteral("bytes"))
      .arg(kConfigFieldBytes);
}

MaybeFailure DecodeConfigRecord(std::span<const uint8_t> bytes, SimulatorConfig& config) {
  if (bytes.empty()) {
    config = SimulatorConfig{};
    return std::nullopt;
  }
  if (bytes.size() < static_cast<std::size_t>(kConfigFieldBytes))
    return Failure{QString(), ShortRecordReason(static_cast<qsizetype>(bytes.size()))};
  SimulatorConfig decoded;
  RecordReader reader(bytes.first(kConfigFieldBytes));
  readFields(reader, decoded);
  config = decoded;
  return std::nullopt;
}

MaybeFailure DecodeConfigRecord(const QByteArray& bytes, SimulatorConfig& config) {
  return DecodeConfigRecord(
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.constData()),
                               static_cast<std::size_t>(bytes.size())),
      config);
}
