// j1939cfg: the configurator's work on configuration files without its window,
// for test benches, scripts and CI rigs: show a configuration, print its frame,
// check it against the window's rules, program the simulator with it, list
// the serial ports that COM1 to COM16 stand for, and keep configurations as
// text: make one from JSON, set its fields, tell two apart.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSaveFile>
#include <cstring>

#include "CfgOptions.h"
#include "ConfigInput.h"
#include "PortList.h"
#include "RecordCheck.h"
#include "RecordText.h"
#include "RecordView.h"
#include "apps/common/Console.h"
#include "config/ConfigFile.h"
#include "config/FactoryConfig.h"
#include "config/RecordReading.h"
#include "link/ConfigFrames.h"
#include "link/DownloadExchange.h"
#include "link/PortOpening.h"
#include "platform/Clock.h"
#include "platform/PortInventory.h"
#include "platform/SerialPort.h"
#include "platform/SettingsStore.h"

namespace {

// Both frames of the configuration as the window would store it after showing
// it; the one of `versionIndex` is returned. Nothing on a failure, reported.
std::optional<QByteArray> frameOf(const SimulatorConfig& record, int versionIndex,
                                  const QString& file) {
  ConfigFrameV1Bytes v1{};
  ConfigFrameV2Bytes v2{};
  if (const MaybeFailure failure = BuildConfigFrames(RecordAsShown(record), v1, v2)) {
    complain(QStringLiteral("%1: %2").arg(file, describeFailure(*failure)));
    return std::nullopt;
  }
  return SendsFrameV1(versionIndex) ? FrameBytes(v1) : FrameBytes(v2);
}

int show(const CfgCommand& command, const SimulatorConfig& record) {
  if (command.json)
    out(QString::fromUtf8(QJsonDocument(RecordAsJson(record)).toJson(QJsonDocument::Indented)));
  else
    out(RecordAsText(record));
  return kExitOk;
}

int frame(const CfgCommand& command, const SimulatorConfig& record) {
  const int version = command.frameVersion >= 0 ? command.frameVersion
                                                : SimulatorVersionIndex(record.SimulatorVersion);
  const std::optional<QByteArray> bytes = frameOf(record, version, command.file);
  if (!bytes) return kExitNo;
  say(HexBytes(*bytes));
  return kExitOk;
}

int check(const SimulatorConfig& record) {
  const QList<Finding> findings = CheckRecord(record);
  for (const Finding& finding : findings) say(finding.line());
  return findings.isEmpty() ? kExitOk : kExitNo;
}

// COMn (1 to 16, any case) stands for the device the settings name for it.
std::optional<QString> deviceOf(const QString& port) {
  static const QRegularExpression comPort(QStringLiteral("^COM([0-9]+)$"),
                                          QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch match = comPort.match(port);
  if (!match.hasMatch()) return port;
  const int number = match.captured(1).toInt();
  if (number < 1 || number > kComPortCount) {
    complain(QStringLiteral("%1: the configurator's ports are COM1 to COM%2")
                 .arg(port)
                 .arg(kComPortCount));
    return std::nullopt;
  }
  QtSettingsStore settings;
  return PortDevice(settings, number);
}

int program(const CfgCommand& command, const SimulatorConfig& record) {
  // The window shows the record before it can send it, and it answers some
  // values with a message and replaces them, or cannot store them: such a
  // record is not sent as it stands.
  bool refused = false;
  for (const Finding& finding : CheckRecord(record)) {
    if (finding.kind != Finding::Kind::NotAsItStands) continue;
    complain(QStringLiteral("%1: %2").arg(command.file, finding.line()));
    refused = true;
  }
  if (refused) {
    complain(
        QStringLiteral("the window would not send this configuration as it stands; nothing "
                       "was sent"));
    return kExitNo;
  }

  const SimulatorConfig shown = RecordAsShown(record);
  const int version = shown.SimulatorVersion;
  const std::optional<QByteArray> bytes = frameOf(record, version, command.file);
  if (!bytes) {
    complain(QStringLiteral("nothing was sent"));
    return kExitNo;
  }
  const QList<int> conflicts =
      BuiltInPgnConflicts({IsSlotInUse(shown.Pgns[0].InUse), IsSlotInUse(shown.Pgns[1].InUse)},
                          {shown.Pgns[0].Pgn, shown.Pgns[1].Pgn}, version);
  if (!conflicts.isEmpty()) {
    say(BuiltInPgnConflictTitle(conflicts.first()) + QStringLiteral(": ") +
        BuiltInPgnConflictPrompt(conflicts.first()));
    return kExitNo;
  }

  const std::optional<QString> device = deviceOf(command.port);
  if (!device) return kExitError;
  QtSerialPort port;
  QStringList portFailures;
  OpenPortSequence(port, PortChoice{*device, std::nullopt},
                   [&](const Failure& failure) { portFailures << failure.reason; });
  if (!portFailures.isEmpty() || !port.isOpen()) {
    complain(QStringLiteral("cannot open the port %1: %2")
                 .arg(*device, portFailures.value(0, QStringLiteral("it did not open"))));
    return kExitError;
  }

  SteadyClock clock;
  FrameExchange exchange(port, clock);
  const FrameExchange::Outcome outcome = exchange.run(*bytes);
  port.close();
  switch (outcome) {
    case FrameExchange::Outcome::Accepted:
      say(kConfigAcceptedPrompt);
      return kExitOk;
    case FrameExchange::Outcome::NotAccepted:
      say(kConfigRejectedPrompt);
      return kExitNo;
    case FrameExchange::Outcome::PortFailed:
      break;
  }
  say(kConfigRejectedPrompt);
  complain(QStringLiteral("the port %1 failed: %2").arg(*device, exchange.portFailure()));
  return kExitError;
}

int ports(const CfgCommand& command) {
  QtSettingsStore settings;
  QtPortInventory inventory;
  const PortList list = ListPorts(settings, inventory);
  if (command.json)
    out(QString::fromUtf8(QJsonDocument(PortListJson(list)).toJson(QJsonDocument::Indented)));
  else
    out(PortListText(list));
  return kExitOk;
}

// `bytes` as the whole of `path`: written beside it and renamed over it, so that
// the file is either as it was or as it is now, never torn.
std::optional<QString> writeWhole(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
    return std::nullopt;
  return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
}

// The record checked as `check` does: written to `path` only when clean or
// forced.
int store(const CfgCommand& command, const QString& path, const SimulatorConfig& record,
          const QByteArray& bytes) {
  const QList<Finding> findings = CheckRecord(record);
  for (const Finding& finding : findings) say(finding.line());
  if (!findings.isEmpty() && !command.force) {
    complain(QStringLiteral("%1 is not written; --force writes it with these findings").arg(path));
    return kExitNo;
  }
  if (const std::optional<QString> error = writeWhole(path, bytes)) {
    complain(*error);
    return kExitError;
  }
  return findings.isEmpty() ? kExitOk : kExitNo;
}

int make(const CfgCommand& command) {
  QFile in(command.file);
  const bool standardInput = command.file == QLatin1String("-");
  if (!(standardInput ? in.open(stdin, QIODevice::ReadOnly) : in.open(QIODevice::ReadOnly))) {
    complain(QStringLiteral("cannot read %1: %2").arg(command.file, in.errorString()));
    return kExitError;
  }
  QJsonParseError parsed{};
  const QJsonDocument document = QJsonDocument::fromJson(in.readAll(), &parsed);
  if (parsed.error != QJsonParseError::NoError || !document.isObject()) {
    complain(
        QStringLiteral("%1: not a JSON object: %2")
            .arg(
                command.file,
                parsed.error != QJsonParseError::NoError
                    ? QStringLiteral("%1 at offset %2").arg(parsed.errorString()).arg(parsed.offset)
                    : QStringLiteral("the document is no object")));
    return kExitError;
  }
  SimulatorConfig record = FactoryConfig();
  if (const std::optional<QString> error = ReadRecordJson(document.object(), record)) {
    complain(QStringLiteral("%1: %2").arg(command.file, *error));
    return kExitError;
  }
  return store(command, command.output, record, EncodeConfigRecord(record));
}

int set(const CfgCommand& command, SimulatorConfig record) {
  for (const QString& setting : command.settings) {
    QJsonObject member;
    std::optional<QString> error = SettingAsJson(setting, member);
    if (!error) error = ReadRecordJson(member, record);
    if (error) {
      complain(*error);
      return kExitError;
    }
  }
  // The file as it was after the fields: the filler and whatever follows the
  // configuration stay as they were.
  QFile file(command.file);
  if (!file.open(QIODevice::ReadOnly)) {
    complain(QStringLiteral("cannot read %1: %2").arg(command.file, file.errorString()));
    return kExitError;
  }
  const QByteArray was = file.readAll();
  QByteArray bytes = EncodeConfigRecord(record);
  if (was.size() > kConfigFieldBytes) {
    bytes = bytes.left(kConfigFieldBytes) + was.mid(kConfigFieldBytes);
    if (bytes.size() < kConfigRecordSize) bytes.append(kConfigRecordSize - bytes.size(), '\0');
  }
  return store(command, command.file, record, bytes);
}

int diff(const CfgCommand& command, const SimulatorConfig& from) {
  SimulatorConfig to;
  if (const MaybeFailure failure = ReadConfigInput(command.other, to)) {
    complain(describeFailure(*failure));
    return kExitError;
  }
  const QJsonObject json = RecordDiffJson(from, to);
  if (command.json)
    out(QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Indented)));
  else
    out(RecordDiffText(from, to));
  return json.isEmpty() ? kExitOk : kExitNo;
}

// Qt's own diagnostics are no part of the tool's output: each failure is said
// once, in the tool's words, on standard error.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtFatalMsg) complain(message);
}

int run(const CfgCommand& command) {
  if (command.help) {
    out(CfgHelp(command.name));
    return kExitOk;
  }
  if (command.name == CfgCommand::Name::Ports) return ports(command);
  if (command.name == CfgCommand::Name::Make) return make(command);
  // set replaces the file it reads: a named pipe or a socket is no such file.
  if (const QFileInfo info(command.file);
      command.name == CfgCommand::Name::Set && info.exists() && !info.isFile()) {
    complain(QStringLiteral("Cannot change the configuration file %1: it is not a regular file")
                 .arg(QDir::toNativeSeparators(command.file)));
    return kExitError;
  }
  SimulatorConfig record;
  if (const MaybeFailure failure = ReadConfigInput(command.file, record)) {
    complain(describeFailure(*failure));
    return kExitError;
  }
  switch (command.name) {
    case CfgCommand::Name::Show:
      return show(command, record);
    case CfgCommand::Name::Frame:
      return frame(command, record);
    case CfgCommand::Name::Program:
      return program(command, record);
    case CfgCommand::Name::Check:
      return check(record);
    case CfgCommand::Name::Set:
      return set(command, record);
    case CfgCommand::Name::Diff:
      return diff(command, record);
    case CfgCommand::Name::Ports:
    case CfgCommand::Name::Make:
    case CfgCommand::Name::Json:
    case CfgCommand::Name::None:
      break;
  }
  return kExitError;
}

}  // namespace

int main(int argc, char* argv[]) {
  SetConsoleProgram("j1939cfg");
  qInstallMessageHandler(quietQtMessages);
  QCoreApplication app(argc, argv);
  CfgCommand command;
  if (const std::optional<QString> error = ParseCfgArguments(app.arguments().mid(1), command)) {
    complain(*error + QStringLiteral("; ") + CfgHelpHint(command.name));
    return kExitError;
  }
  const int status = run(command);
  if (const int error = OutputError(); error != 0) {
    complain(QStringLiteral("cannot write to standard output: %1")
                 .arg(QString::fromLocal8Bit(std::strerror(error))));
    return kExitError;
  }
  return status;
}
