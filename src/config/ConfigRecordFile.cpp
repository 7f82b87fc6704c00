#include "config/ConfigRecordFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>
#include <span>

#include "config/ConfigFile.h"

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

MaybeFailure ReadConfigFile(const QString& path, SimulatorConfig& config) {
  const Failure cannotRead{
      QStringLiteral("Cannot read the configuration file %1").arg(QDir::toNativeSeparators(path)),
      QString()};
  const QFileInfo info(path);
  if (!info.exists()) return Failure{cannotRead.what, QStringLiteral("it does not exist")};
  if (info.isDir()) return Failure{cannotRead.what, QStringLiteral("it is a directory")};
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return Failure{cannotRead.what, file.errorString()};
  if (MaybeFailure failure = ReadConfigRecord(file, config))
    return Failure{cannotRead.what, failure->reason};
  return std::nullopt;
}
