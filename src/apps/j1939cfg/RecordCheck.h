#pragma once

#include <QList>
#include <QString>

#include "rules/record/SimulatorConfig.h"

namespace j1939 {

// A configuration record held against the rules the window enforces.
struct Finding {
  enum class Kind {
    // The window would answer the value with a message and replace it, could
    // not show it, or could not store it: it never sends such a record.
    NotAsItStands,
    // The window reads the value as another one without a word (NAME bit 63,
    // PGN parts that disagree with the PGN); what it sends follows that reading.
    ReadAsAnother,
    // A slot rule or the VIN's blank rule: the window warns, and only a
    // built-in PGN stops the download.
    Rule,
  };
  Kind kind;
  QString field;  // the record's field name(s)
  QString text;

  QString line() const { return field + QStringLiteral(": ") + text; }
};

// Every finding: the fields in record order, then the slot rules.
QList<Finding> CheckRecord(const SimulatorConfig& record);

}  // namespace j1939
