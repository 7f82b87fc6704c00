#include "rules/record/RecordFromFile.h"

#include <QIODevice>
#include <array>
#include <span>

#include "rules/record/RecordCodec.h"

namespace j1939 {

MaybeFailure ReadConfigRecord(QIODevice& file, SimulatorConfig& config) {
  if (!file.seek(0)) return Failure{QString(), file.errorString()};
  std::array<uint8_t, kConfigFieldBytes> bytes{};
  const qint64 count = file.read(reinterpret_cast<char*>(bytes.data()), bytes.size());
  if (count < 0) return Failure{QString(), file.errorString()};
  if (MaybeFailure failure = DecodeConfigRecord(
          std::span<const uint8_t>(bytes.data(), static_cast<size_t>(count)), config))
    return Failure{QString(), failure->reason};
  return std::nullopt;
}

}  // namespace j1939
