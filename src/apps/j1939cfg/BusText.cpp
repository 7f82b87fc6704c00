#include "apps/j1939cfg/BusText.h"

#include <QJsonArray>

#include "rules/j1939/GroupNames.h"

namespace j1939 {

namespace {

QString digitsHex(uint32_t value, int digits) {
  return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

QString seconds(qint64 ms) {
  return QString::number(double(ms) / 1000.0, 'f', 3).rightJustified(8);
}

QString spacedHex(const QByteArray& data) {
  return QString::fromLatin1(data.toHex(' ').toUpper());
}

QString acronym(uint32_t pgn) {
  const std::optional<ParameterGroupName> name = ParameterGroupNameOf(pgn);
  return name ? QLatin1String(name->acronym) : QString();
}

// "  65296 (FF10)  EEC1  ": the PGN in decimal, in hexadecimal and by name,
// in columns.
QString pgnColumns(uint32_t pgn) {
  return QString::number(pgn).rightJustified(6) + QStringLiteral(" ") +
         (QLatin1Char('(') + digitsHex(pgn, 4) + QLatin1Char(')')).leftJustified(7) +
         QLatin1Char(' ') + acronym(pgn).leftJustified(6);
}

double oneDecimal(double value) {
  return std::round(value * 10) / 10;
}

}  // namespace

QString MessageLine(const BusMessage& m) {
  QString line = seconds(m.ms) + QStringLiteral("  prio %1  PGN ").arg(m.identifier.priority) +
                 pgnColumns(m.pgn) +
                 QStringLiteral("  %1 -> %2  %3 bytes")
                     .arg(digitsHex(m.source(), 2), digitsHex(m.destination(), 2))
                     .arg(m.data.size());
  if (m.byBam) line += QStringLiteral(" by BAM");
  if (!m.data.isEmpty()) line += QStringLiteral(": ") + spacedHex(m.data);
  return line;
}

QJsonObject MessageJson(const BusMessage& m) {
  QJsonObject json{{"time", double(m.ms) / 1000.0},
                   {"priority", m.identifier.priority},
                   {"pgn", static_cast<qint64>(m.pgn)},
                   {"pgn_hex", digitsHex(m.pgn, 4)},
                   {"source", m.source()},
                   {"destination", m.destination()},
                   {"length", m.data.size()},
                   {"data", QString::fromLatin1(m.data.toHex().toUpper())},
                   {"bam", m.byBam}};
  if (const QString name = acronym(m.pgn); !name.isEmpty()) json.insert("name", name);
  return json;
}

QString FaultLine(const TransportFault& fault) {
  return seconds(fault.ms) + QStringLiteral("  ") + DescribeBamEvent(fault.event);
}

QJsonObject FaultJson(const TransportFault& fault) {
  return QJsonObject{{"time", double(fault.ms) / 1000.0},
                     {"fault", QLatin1String(BamFaultName(fault.event.kind))},
                     {"source", fault.event.sourceAddress},
                     {"pgn", static_cast<qint64>(fault.event.pgn)},
                     {"packet", fault.event.sequenceNumber},
                     {"text", DescribeBamEvent(fault.event)}};
}

QString SummaryText(qint64 frames, qint64 messages, qint64 faults, qint64 ms,
                    const QList<GroupStatistics>& groups) {
  QString text = QStringLiteral("%1 frames, %2 messages, %3 transport faults in %4 s\n")
                     .arg(frames)
                     .arg(messages)
                     .arg(faults)
                     .arg(QString::number(double(ms) / 1000.0, 'f', 1));
  if (groups.isEmpty()) return text;
  text += QStringLiteral("source  PGN                    count  period ms  jitter ms  last data\n");
  for (const GroupStatistics& g : groups) {
    const bool periodic = g.count > 1;
    text += QStringLiteral("    %1  ").arg(digitsHex(g.source, 2)) + pgnColumns(g.pgn) +
            QString::number(g.count).rightJustified(7) +
            (periodic ? QString::number(g.meanPeriodMs(), 'f', 1) : QStringLiteral("-"))
                .rightJustified(11) +
            (periodic ? QString::number(g.jitterMs(), 'f', 1) : QStringLiteral("-"))
                .rightJustified(11) +
            QStringLiteral("  ") + spacedHex(g.lastData) + QLatin1Char('\n');
  }
  return text;
}

QList<QJsonObject> SummaryJson(qint64 frames, qint64 messages, qint64 faults, qint64 ms,
                               const QList<GroupStatistics>& groups) {
  QList<QJsonObject> rows{QJsonObject{{"frames", frames},
                                      {"messages", messages},
                                      {"faults", faults},
                                      {"seconds", double(ms) / 1000.0}}};
  for (const GroupStatistics& g : groups) {
    QJsonObject row{{"source", g.source},
                    {"pgn", static_cast<qint64>(g.pgn)},
                    {"pgn_hex", digitsHex(g.pgn, 4)},
                    {"count", g.count},
                    {"last_data", QString::fromLatin1(g.lastData.toHex().toUpper())}};
    if (g.count > 1) {
      row.insert("mean_period_ms", oneDecimal(g.meanPeriodMs()));
      row.insert("jitter_ms", oneDecimal(g.jitterMs()));
    }
    if (const QString name = acronym(g.pgn); !name.isEmpty()) row.insert("name", name);
    rows << row;
  }
  return rows;
}

QString VerdictLine(const Verdict& v) {
  return (v.holds ? QStringLiteral("ok    ") : QStringLiteral("FAIL  ")) + v.expectation +
         QStringLiteral(": ") + v.measured;
}

QString VerdictCount(const QList<Verdict>& verdicts) {
  const auto failing =
      std::count_if(verdicts.cbegin(), verdicts.cend(), [](const Verdict& v) { return !v.holds; });
  if (failing == 0) return QStringLiteral("all %1 expectations hold").arg(verdicts.size());
  return QStringLiteral("%1 of %2 expectations %3")
      .arg(failing)
      .arg(verdicts.size())
      .arg(failing == 1 ? QStringLiteral("does not hold") : QStringLiteral("do not hold"));
}

QJsonObject VerdictJson(const Verdict& v) {
  return QJsonObject{{"expectation", v.expectation}, {"holds", v.holds}, {"measured", v.measured}};
}

QString InterfacesText(const CanInterfaceList& list) {
  QString text;
  for (const CanInterface& i : list.interfaces) {
    QStringList traits;
    if (i.isVirtual) traits << QStringLiteral("virtual");
    if (i.flexibleDataRate) traits << QStringLiteral("CAN FD");
    QString about = i.description;
    if (!traits.isEmpty())
      about += QStringLiteral(" (") + traits.join(QStringLiteral(", ")) + QLatin1Char(')');
    const QString name = i.plugin + QLatin1Char(':') + i.name;
    text += (about.isEmpty() ? name : name.leftJustified(20) + QLatin1Char(' ') + about.trimmed()) +
            QLatin1Char('\n');
  }
  if (list.interfaces.isEmpty())
    text += QStringLiteral("no CAN interface found (plugins: %1)\n")
                .arg(list.plugins.isEmpty() ? QStringLiteral("none")
                                            : list.plugins.join(QStringLiteral(", ")));
  for (const auto& [plugin, reason] : list.failures)
    text += QStringLiteral("%1: cannot look for interfaces: %2\n").arg(plugin, reason);
  return text;
}

QJsonObject InterfacesJson(const CanInterfaceList& list) {
  QJsonArray interfaces, failures;
  for (const CanInterface& i : list.interfaces)
    interfaces.append(QJsonObject{{"name", i.plugin + QLatin1Char(':') + i.name},
                                  {"plugin", i.plugin},
                                  {"interface", i.name},
                                  {"description", i.description},
                                  {"virtual", i.isVirtual},
                                  {"can_fd", i.flexibleDataRate}});
  for (const auto& [plugin, reason] : list.failures)
    failures.append(QJsonObject{{"plugin", plugin}, {"reason", reason}});
  return QJsonObject{{"interfaces", interfaces}, {"failures", failures}};
}

}  // namespace j1939
