#pragma once

#include "rules/record/SimulatorConfig.h"
#include "rules/system/Failure.h"

class QIODevice;

namespace j1939 {

// Reading record 1 of a configuration file, as the window reads it: the fields
// from the first 77 bytes; an empty file is the all-zero record; a file of 1 to
// 76 bytes is refused. `config` is changed only on success.

// From an open file, whatever its position. The failure gives the reason only.
MaybeFailure ReadConfigRecord(QIODevice& file, SimulatorConfig& config);

}  // namespace j1939
