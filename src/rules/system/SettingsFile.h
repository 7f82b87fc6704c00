#pragma once

#include <QString>
#include <optional>

namespace j1939 {

// Why the per-user settings file cannot be read, naming the file; nothing when
// it reads or does not exist. The settings store reads a file it cannot read
// as an empty one without a word, so that each COMn would stand for the
// system's own port.
std::optional<QString> SettingsFileProblem();

}  // namespace j1939
