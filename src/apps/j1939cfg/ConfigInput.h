#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "rules/record/SimulatorConfig.h"
#include "rules/system/Failure.h"

namespace j1939 {

// Reads the configuration from FILE as the window reads a .cfg file, or from
// standard input for "-". Files, pipes and named pipes are read from their
// start to the end of the record, never seeking, so a stream reads as `cat`
// reads it; what follows the record is not read. Directories and devices are
// refused before they are opened. `config` is changed only on success; the
// failure names the input.
MaybeFailure ReadConfigInput(const QString& file, SimulatorConfig& config);

// Up to `limit` bytes of FILE ("-" standard input), read as ReadConfigInput
// reads it: devices and directories are refused, a closed standard input is
// said to be. Returns the reason on a failure.
std::optional<QString> ReadInputBytes(const QString& file, qsizetype limit, QByteArray& bytes);

}  // namespace j1939
