#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include "rules/record/SimulatorConfig.h"

namespace j1939 {

// Every field of a configuration record with what it means, as the window
// reads it: list entries by their texts, bytes in hexadecimal, the NAME with
// its fields, each PGN with its reserved bit, data page, PF and PS, the VIN as
// text. Values stored as they are; where the window shows something else, the
// text says so.
struct ShownField {
  QString name;       // the record's field name, e.g. "Pgn1UpdateRate"
  QString value;      // the stored value as text
  QStringList notes;  // its meaning, in parentheses after it
  QStringList more;   // further lines, indented under the field
  QJsonObject json;   // "value" and the meaning, for --json
  // Every stored byte where the text may not show them all (the VIN after its
  // first 00), written as PrintableText writes them; empty for the others.
  QString stored;

  // What follows "name: " on the line.
  QString text() const;
};

QList<ShownField> ShowRecord(const SimulatorConfig& record);

// Text read from a file or typed by a user, with every character that does
// not print written as \xNN: the C0 and C1 controls (0x9B is a terminal's
// CSI) never reach a terminal or a JSON reader as they are. A backslash is
// written \\, so that the escapes cannot be forged.
QString PrintableText(const QString& text);

// One line a field, "name: text", in record order.
QString RecordAsText(const SimulatorConfig& record);
// One member a field, keyed by the field's name.
QJsonObject RecordAsJson(const SimulatorConfig& record);

}  // namespace j1939
