#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>

#include "rules/record/SimulatorConfig.h"

namespace j1939 {

// Configurations as text, for benches and version control: the JSON that
// `show --json` prints read back into a record, the KEY=VALUE settings of
// `set`, and what differs between two records in the words of `show`.

// Puts the fields of `document`, in the form `show --json` prints, into
// `record`. The stored value counts: a field's "value" (the NAME's and the
// VIN's "bytes"); the meaning printed beside it ("text", "hex", "shownAs", a
// PGN's parts, ...) is not read. The NAME's fields and the VIN's "text" are
// read where "bytes" is missing, and must agree with it where both are given.
// A field or member that is missing keeps what `record` holds. On an unknown
// key, a wrong type or a value the field cannot hold, returns the reason, led
// by the key's path ("Pgn1.bogus: no such key"); `record` may then be partly
// changed.
std::optional<QString> ReadRecordJson(const QJsonObject& document, SimulatorConfig& record);

// One setting of `set`, KEY=VALUE, as the JSON member it stands for: KEY a
// field's name (its stored value) or FIELD.MEMBER, VALUE in the form the JSON
// holds (a number in decimal or 0x hexadecimal, the VIN as text, bytes as
// hexadecimal pairs separated by blanks, true or false). "SourceAddress=0x26"
// gives {"SourceAddress": {"value": 38}}.
std::optional<QString> SettingAsJson(const QString& setting, QJsonObject& document);

// One line for each field whose stored value differs, in record order, in the
// words of `show`: "SourceAddress: 25 (hex) -> 26 (hex)"; the NAME's fields
// that differ follow it, indented. Empty when none differ.
QString RecordDiffText(const SimulatorConfig& from, const SimulatorConfig& to);
// The same as one JSON object, a member per field that differs: {"from": ...,
// "to": ...}, each as `show --json` prints the field.
QJsonObject RecordDiffJson(const SimulatorConfig& from, const SimulatorConfig& to);

}  // namespace j1939
