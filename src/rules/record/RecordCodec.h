#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <span>

#include "rules/record/SimulatorConfig.h"
#include "rules/system/Failure.h"

namespace j1939 {

// The layout of a .cfg file: record 1 is the first 84 bytes, of which the first
// 77 hold the fields of SimulatorConfig packed in record order, little-endian,
// with no padding; the 7 bytes after them carry nothing and are written as
// zeros. There is no magic number, version or checksum: any file is read as
// this layout. Each field is encoded and decoded byte by byte, so the layout
// does not depend on how the compiler lays out the struct.
inline constexpr int kConfigRecordSize = 84;
inline constexpr int kConfigFieldBytes = 77;

// The 84 bytes of record 1.
QByteArray EncodeConfigRecord(const SimulatorConfig& config);

// Why a file of `size` bytes (fewer than 77) holds no configuration.
QString ShortRecordReason(qsizetype size);

// Reads the fields from the first 77 bytes; later bytes are ignored. An empty
// input (a file just created) is the all-zero record. An input of 1 to 76 bytes
// is refused: it is not a configuration, and its fields cannot be told apart
// from the missing ones. `config` is changed only on success.
MaybeFailure DecodeConfigRecord(std::span<const uint8_t> bytes, SimulatorConfig& config);
MaybeFailure DecodeConfigRecord(const QByteArray& bytes, SimulatorConfig& config);

}  // namespace j1939
