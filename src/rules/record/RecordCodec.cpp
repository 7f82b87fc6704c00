#include "rules/record/RecordCodec.h"

#include <QCoreApplication>
#include <array>

namespace j1939 {

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
  void byte(uint8_t& value) { value = in_[pos_++]; }
  void integer(int16_t& value) {
    uint8_t low = 0, high = 0;
    byte(low), byte(high);
    value = static_cast<int16_t>(static_cast<uint16_t>(low | (high << 8)));
  }
  void longInt(int32_t& value) {
    uint32_t bits = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      uint8_t part = 0;
      byte(part);
      bits |= static_cast<uint32_t>(part) << shift;
    }
    value = static_cast<int32_t>(bits);
  }
  template <std::size_t N>
  void bytes(std::array<uint8_t, N>& values) {
    for (uint8_t& value : values) byte(value);
  }

 private:
  std::span<const uint8_t> in_;
  std::size_t pos_ = 0;
};

// The fields in the order the file holds them, once for both directions (a
// const record is written, a record to fill is read). The two additional PGN
// slots follow one another, each in the order of PgnSlotConfig: Pgn1InUse ...
// Pgn1ParamPos, then Pgn2InUse ...
template <typename IO, typename Slot>
void visitSlot(IO& io, Slot& s) {
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

template <typename IO, typename Config>
void visitFields(IO& io, Config& c) {
  io.integer(c.ComPortIndex);
  io.byte(c.SourceAddress);
  io.bytes(c.DeviceName);
  io.integer(c.DynamicMode);
  for (auto& slot : c.Pgns) visitSlot(io, slot);
  io.integer(c.SimulatorVersion);
  io.byte(c.DtcVersion);
  io.bytes(c.Vin);
  io.integer(c.CanBaudRate);
}

}  // namespace

QByteArray EncodeConfigRecord(const SimulatorConfig& config) {
  QByteArray out;
  out.reserve(kConfigRecordSize);
  RecordWriter writer(out);
  visitFields(writer, config);
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
  visitFields(reader, decoded);
  config = decoded;
  return std::nullopt;
}

MaybeFailure DecodeConfigRecord(const QByteArray& bytes, SimulatorConfig& config) {
  return DecodeConfigRecord(
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.constData()),
                               static_cast<std::size_t>(bytes.size())),
      config);
}

}  // namespace j1939
