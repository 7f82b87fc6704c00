#include "apps/j1939cfg/BusCommands.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QTimer>

#include "apps/console/Console.h"
#include "apps/j1939cfg/BusText.h"
#include "link/bus/BusVerification.h"
#include "link/bus/CanBus.h"
#include "rules/j1939/DeviceExpectations.h"
#include "rules/j1939/Verification.h"
#include "rules/record/RecordReading.h"
#include "rules/system/TerminationSignals.h"

namespace j1939 {

namespace {

// A bus that has not connected by then will not.
constexpr int kConnectWaitMs = 10000;
// How often a BAM whose sender fell silent is looked for.
constexpr int kExpiryTickMs = 100;

void sayJson(const QJsonObject& object) {
  Say(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

// Opens `name` and sleeps on the bus's events until it connects; a failure is said.
bool connectBus(CanBus& bus, const QString& name) {
  // The virtual bus tells of its server and clients: no part of the tool's output.
  QLoggingCategory::setFilterRules(QStringLiteral("qt.canbus.plugins.virtualcan*=false"));
  if (const MaybeFailure failure = bus.open(name)) {
    Complain(QStringLiteral("CAN bus ") + DescribeFailure(*failure));
    return false;
  }
  QString lost = QStringLiteral("it did not connect within %1 s").arg(kConnectWaitMs / 1000);
  if (!bus.isConnected()) {
    QEventLoop loop;
    QObject::connect(&bus, &CanBus::connected, &loop, &QEventLoop::quit);
    QObject::connect(&bus, &CanBus::lost, &loop, [&](const QString& reason) {
      lost = reason;
      loop.quit();
    });
    QTimer::singleShot(kConnectWaitMs, &loop, &QEventLoop::quit);
    loop.exec();
  }
  if (bus.isConnected()) return true;
  Complain(QStringLiteral("CAN bus %1: %2").arg(name, lost));
  return false;
}

void sayLost(const QString& name, const QString& reason) {
  Complain(QStringLiteral("CAN bus %1: gone (%2)").arg(name, reason));
}

// A bus that goes away ends the wait on `loop`, with exit status 2 (said).
void endOnLoss(CanBus& bus, QEventLoop& loop, const QString& name, int& status) {
  QObject::connect(&bus, &CanBus::lost, &loop, [&loop, &status, name](const QString& reason) {
    sayLost(name, reason);
    status = kExitError;
    loop.quit();
  });
}

// Whether watch prints what `source` sends in `pgn`: --from and --pgn.
bool wanted(const CfgCommand& command, uint8_t source, uint32_t pgn) {
  return (!command.from || *command.from == source) && (!command.pgn || *command.pgn == pgn);
}

// The wanted messages and transport faults of `items`, each said on its line,
// or with --summary added to `tally` and `faults`.
void sayBusItems(const CfgCommand& command, const QList<BusItem>& items, BusTally& tally,
                 qint64& faults) {
  for (const BusItem& item : items) {
    if (const auto* message = std::get_if<BusMessage>(&item)) {
      if (!wanted(command, message->source(), message->pgn)) continue;
      if (command.summary)
        tally.add(*message);
      else if (command.json)
        sayJson(MessageJson(*message));
      else
        Say(MessageLine(*message));
    } else {
      const TransportFault& fault = std::get<TransportFault>(item);
      if (!wanted(command, fault.event.sourceAddress, fault.event.pgn)) continue;
      ++faults;
      if (command.summary) continue;
      command.json ? sayJson(FaultJson(fault)) : Say(FaultLine(fault));
    }
  }
}

// With --summary, what the watch of `ms` milliseconds saw, a row per sender and group.
void saySummary(const CfgCommand& command, const BusTally& tally, qint64 frames, qint64 faults,
                qint64 ms) {
  if (!command.summary) return;
  const QList<GroupStatistics> groups = tally.groups();
  if (command.json) {
    for (const QJsonObject& row : SummaryJson(frames, tally.messages(), faults, ms, groups))
      sayJson(row);
  } else {
    Out(SummaryText(frames, tally.messages(), faults, ms, groups));
  }
}

// What the simulator plays once programmed with `record`. Nothing when the
// record makes no frame (said).
std::optional<SimulatorConfig> playedBy(const SimulatorConfig& record, const QString& file) {
  SimulatorConfig played;
  if (const MaybeFailure failure = PlayedConfig(RecordAsShown(record), played)) {
    Complain(QStringLiteral("%1: %2").arg(file, DescribeFailure(*failure)));
    return std::nullopt;
  }
  return played;
}

}  // namespace

int ListBuses(const CfgCommand& command) {
  const CanInterfaceList list = AvailableCanInterfaces();
  if (command.json)
    Out(QString::fromUtf8(QJsonDocument(InterfacesJson(list)).toJson(QJsonDocument::Indented)));
  else
    Out(InterfacesText(list));
  return kExitOk;
}

int WatchBus(const CfgCommand& command) {
  CanBus bus;
  if (!connectBus(bus, command.can)) return kExitError;
  // Ctrl-C, the terminal closing and SIGTERM end the watch as --seconds does.
  TerminationSignals stops;
  BusDecoder decoder;
  BusTally tally;
  qint64 frames = 0, faults = 0;
  int status = kExitOk;
  QElapsedTimer clock;
  clock.start();
  QEventLoop loop;

  auto report = [&](const QList<BusItem>& items) {
    sayBusItems(command, items, tally, faults);
    // A reader that went away ends the watch: nothing more can reach it.
    if (!OutputFailure().isEmpty()) loop.quit();
  };
  QObject::connect(&bus, &CanBus::received, &loop, [&](const CanFrame& frame) {
    ++frames;
    report(decoder.take(frame, clock.elapsed()));
  });
  endOnLoss(bus, loop, command.can, status);
  QObject::connect(&stops, &TerminationSignals::terminationRequested, &loop, &QEventLoop::quit);
  QTimer expiry;
  QObject::connect(&expiry, &QTimer::timeout, &loop,
                   [&] { report(decoder.expire(clock.elapsed())); });
  expiry.start(kExpiryTickMs);
  if (command.listenMs)
    QTimer::singleShot(static_cast<int>(*command.listenMs), Qt::PreciseTimer, &loop,
                       &QEventLoop::quit);
  loop.exec();

  const qint64 ms = clock.elapsed();
  report(decoder.expire(ms));
  saySummary(command, tally, frames, faults, ms);
  return status;
}

int VerifyBus(const CfgCommand& command, const SimulatorConfig& record) {
  const std::optional<SimulatorConfig> played = playedBy(record, command.file);
  if (!played) return kExitError;
  const DeviceExpectations expectations = ExpectationsOf(*played);
  const qint64 listenMs = command.listenMs.value_or(DefaultListeningMs(expectations));

  CanBus bus;
  if (!connectBus(bus, command.can)) return kExitError;
  BusVerification check(bus, expectations, BitRateKbpsOf(*played), listenMs);
  if (command.answerMs) check.setAnswerWithinMs(*command.answerMs);
  QEventLoop loop;
  int status = kExitOk;
  QObject::connect(&check, &BusVerification::requestNotSent, &loop, [&](const QString& reason) {
    Complain(QStringLiteral("CAN bus %1: a Request was not sent (%2)").arg(command.can, reason));
  });
  QObject::connect(&check, &BusVerification::finished, &loop, &QEventLoop::quit);
  endOnLoss(bus, loop, command.can, status);
  check.start();
  loop.exec();
  if (status != kExitOk) return status;

  const BusCheck& result = check.result();
  const bool silent = result.frames == 0;
  if (command.json) {
    QJsonArray list;
    for (const Verdict& verdict : result.verdicts) list.append(VerdictJson(verdict));
    QJsonObject json{
        {"file", command.file},    {"can", command.can},    {"seconds", double(listenMs) / 1000.0},
        {"frames", result.frames}, {"holds", result.holds}, {"expectations", list}};
    if (silent) json.insert("silence", result.silence);
    Out(QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Indented)));
  } else if (silent) {
    Say(result.silence);
  } else {
    for (const Verdict& verdict : result.verdicts) Say(VerdictLine(verdict));
    Say(VerdictCount(result.verdicts));
  }
  return result.holds ? kExitOk : kExitNo;
}

}  // namespace j1939
