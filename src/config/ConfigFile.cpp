#include "config/ConfigFile.h"

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
void writeFields(RecordWriter& io, const SimulatorConfig& c) {
  io.integer(c.ComPortIndex);
  io.byte(c.SourceAddress);
  io.bytes(c.DeviceName);
  io.integer(c.DynamicMode);
  io.integer(c.Pgn1InUse);
  io.integer(c.Pgn1UpdateRate);
  io.integer(c.Pgn1Priority);
  io.integer(c.Pgn1DataPage);
  io.integer(c.Pgn1Reserved);
  io.byte(c.Pgn1Pf);
  io.byte(c.Pgn1Ps);
  io.longInt(c.Pgn1);
  io.integer(c.Pgn1DataLength);
  io.byte(c.Pgn1ParamType);
  io.integer(c.Pgn1ParamPos);
  io.integer(c.Pgn2InUse);
  io.integer(c.Pgn2UpdateRate);
  io.integer(c.Pgn2Priority);
  io.integer(c.Pgn2DataPage);
  io.integer(c.Pgn2Reserved);
  io.byte(c.Pgn2Pf);
  io.byte(c.Pgn2Ps);
  io.longInt(c.Pgn2);
  io.integer(c.Pgn2DataLength);
  io.byte(c.Pgn2ParamType);
  io.integer(c.Pgn2ParamPos);
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
  c.Pgn1InUse = io.integer();
  c.Pgn1UpdateRate = io.integer();
  c.Pgn1Priority = io.integer();
  c.Pgn1DataPage = io.integer();
  c.Pgn1Reserved = io.integer();
  c.Pgn1Pf = io.byte();
  c.Pgn1Ps = io.byte();
  c.Pgn1 = io.longInt();
  c.Pgn1DataLength = io.integer();
  c.Pgn1ParamType = io.byte();
  c.Pgn1ParamPos = io.integer();
  c.Pgn2InUse = io.integer();
  c.Pgn2UpdateRate = io.integer();
  c.Pgn2Priority = io.integer();
  c.Pgn2DataPage = io.integer();
  c.Pgn2Reserved = io.integer();
  c.Pgn2Pf = io.byte();
  c.Pgn2Ps = io.byte();
  c.Pgn2 = io.longInt();
  c.Pgn2DataLength = io.integer();
  c.Pgn2ParamType = io.byte();
  c.Pgn2ParamPos = io.integer();
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

MaybeFailure DecodeConfigRecord(std::span<const uint8_t> bytes, SimulatorConfig& config) {
  if (bytes.empty()) {
    config = SimulatorConfig{};
    return std::nullopt;
  }
  if (bytes.size() < static_cast<std::size_t>(kConfigFieldBytes)) {
    return Failure{QString(),
                   QStringLiteral("it holds %1 %2; a configuration needs %3")
                       .arg(bytes.size())
                       .arg(bytes.size() == 1 ? QStringLiteral("byte") : QStringLiteral("bytes"))
                       .arg(kConfigFieldBytes)};
  }
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
