#pragma once

#include <QJsonObject>
#include <QString>

#include "link/bus/CanBus.h"
#include "rules/j1939/BusTraffic.h"
#include "rules/j1939/Verification.h"

namespace j1939 {

// What watch, verify and buses print: a line for people, a JSON object for
// machines, for each thing they report.

// "   1.234  prio 6  PGN  65296 (FF10)         25 -> FF  8 bytes: FF FF 7D 7D FF FF FF FF"
QString MessageLine(const BusMessage& message);
QJsonObject MessageJson(const BusMessage& message);

// "   1.500  BAM from 25: VI (65260): packet 3 came before the one expected; dropped"
QString FaultLine(const TransportFault& fault);
QJsonObject FaultJson(const TransportFault& fault);

// The totals and the table of watch --summary.
QString SummaryText(qint64 frames, qint64 messages, qint64 faults, qint64 ms,
                    const QList<GroupStatistics>& groups);
QList<QJsonObject> SummaryJson(qint64 frames, qint64 messages, qint64 faults, qint64 ms,
                               const QList<GroupStatistics>& groups);

// "ok    address 25 claimed with NAME 2705813A0C6B3039: claimed with that NAME"
QString VerdictLine(const Verdict& verdict);
// "all 17 expectations hold", "2 of 17 expectations do not hold"
QString VerdictCount(const QList<Verdict>& verdicts);
QJsonObject VerdictJson(const Verdict& verdict);

// A line per interface, then a line per plugin that could not look.
QString InterfacesText(const CanInterfaceList& list);
QJsonObject InterfacesJson(const CanInterfaceList& list);

}  // namespace j1939
