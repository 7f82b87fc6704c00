// j1939cfg: the configurator's work on configuration files without its window,
// for test benches, scripts and CI rigs: show a configuration, print its frame,
// check it against the window's rules, program the simulator with it, list
// the serial ports that COM1 to COM16 stand for, and keep configurations as
// text: make one from JSON, set its fields, tell two apart. On a CAN bus
// (BusCommands): list the interfaces, watch the messages, verify the device.

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <chrono>
#include <csignal>

#include "apps/console/Console.h"
#include "apps/j1939cfg/BusCommands.h"
#include "apps/j1939cfg/CfgOptions.h"
#include "apps/j1939cfg/ConfigInput.h"
#include "apps/j1939cfg/JsonText.h"
#include "apps/j1939cfg/PortList.h"
#include "apps/j1939cfg/RecordCheck.h"
#include "apps/j1939cfg/RecordText.h"
#include "apps/j1939cfg/RecordView.h"
#include "link/download/DownloadExchange.h"
#include "link/serial/PortInventory.h"
#include "link/serial/PortOpening.h"
#include "link/serial/SerialPort.h"
#include "rules/protocol/ConfigFrames.h"
#include "rules/record/FactoryConfig.h"
#include "rules/record/RecordCodec.h"
#include "rules/record/RecordReading.h"
#include "rules/system/Clock.h"
#include "rules/system/FileReplacement.h"
#include "rules/system/SettingsFile.h"
#include "rules/system/SettingsStore.h"

namespace j1939 {

namespace {

// A configuration's JSON takes a few kilobytes; more is no configuration.
constexpr qsizetype kMaxJsonBytes = 1024 * 1024;

// The file a command wrote, for what is said when its findings could not be
// printed: the command did something, which exit status 2 would deny.
QString written;

// How long a writer waits for another one to let the file's lock go. The
// tool's own tests shorten it with J1939CFG_LOCK_WAIT_MS; it is no option.
std::chrono::milliseconds lockWait() {
  bool set = false;
  const int wait = qEnvironmentVariableIntValue("J1939CFG_LOCK_WAIT_MS", &set);
  return std::chrono::milliseconds(set && wait >= 0 ? wait : 5000);
}

// The settings name the devices COM1 to COM16 stand for: a settings file that
// cannot be read leaves them unknown, not the system's own ports.
bool settingsReadable() {
  const std::optional<QString> problem = SettingsFileProblem();
  if (problem)
    Complain(*problem + QStringLiteral("; the devices COM1 to COM16 stand for are unknown"));
  return !problem;
}

// Both frames of the configuration as the window would store it after showing
// it; the one of `version` is returned. Nothing on a failure, reported.
std::optional<QByteArray> frameOf(const SimulatorConfig& record, SimVersion version,
                                  const QString& file) {
  ConfigFrameV1Bytes v1{};
  ConfigFrameV2Bytes v2{};
  if (const MaybeFailure failure = BuildConfigFrames(RecordAsShown(record), v1, v2)) {
    Complain(QStringLiteral("%1: %2").arg(file, DescribeFailure(*failure)));
    return std::nullopt;
  }
  return SendsFrameV1(version) ? FrameBytes(v1) : FrameBytes(v2);
}

int show(const CfgCommand& command, const SimulatorConfig& record) {
  if (command.json)
    Out(QString::fromUtf8(QJsonDocument(RecordAsJson(record)).toJson(QJsonDocument::Indented)));
  else
    Out(RecordAsText(record));
  return kExitOk;
}

int frame(const CfgCommand& command, const SimulatorConfig& record) {
  const SimVersion version =
      command.frameVersion.value_or(SimulatorVersionOf(record.SimulatorVersion));
  const std::optional<QByteArray> bytes = frameOf(record, version, command.file);
  if (!bytes) return kExitNo;
  Say(HexBytes(*bytes));
  return kExitOk;
}

int check(const SimulatorConfig& record) {
  const QList<Finding> findings = CheckRecord(record);
  for (const Finding& finding : findings) Say(finding.line());
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
    Complain(QStringLiteral("%1: the configurator's ports are COM1 to COM%2")
                 .arg(port)
                 .arg(kComPortCount));
    return std::nullopt;
  }
  if (!settingsReadable()) return std::nullopt;
  QtSettingsStore settings;
  return PortDevice(settings, number);
}

// The window shows the record before it can send it, and it answers some
// values with a message and replaces them, or cannot store them: such a
// record is not sent as it stands. False for such a record (said).
bool sentAsItStands(const CfgCommand& command, const SimulatorConfig& record) {
  bool refused = false;
  for (const Finding& finding : CheckRecord(record)) {
    if (finding.kind != Finding::Kind::NotAsItStands) continue;
    Complain(QStringLiteral("%1: %2").arg(command.file, finding.line()));
    refused = true;
  }
  if (refused) {
    Complain(
        QStringLiteral("the window would not send this configuration as it stands; nothing "
                       "was sent"));
    return false;
  }
  return true;
}

// The frame that the window would send for `record`. Nothing (said) when the
// record makes no frame, or when one of its additional PGNs is one that the
// simulator sends itself, which the download refuses.
std::optional<QByteArray> frameToSend(const CfgCommand& command, const SimulatorConfig& record) {
  const SimulatorConfig shown = RecordAsShown(record);
  const SimVersion version = SimulatorVersionOf(shown.SimulatorVersion);
  const std::optional<QByteArray> bytes = frameOf(record, version, command.file);
  if (!bytes) {
    Complain(QStringLiteral("nothing was sent"));
    return std::nullopt;
  }
  const QList<int> conflicts =
      BuiltInPgnConflicts({IsSlotInUse(shown.Pgns[0].InUse), IsSlotInUse(shown.Pgns[1].InUse)},
                          {shown.Pgns[0].Pgn, shown.Pgns[1].Pgn}, version);
  if (!conflicts.isEmpty()) {
    Say(BuiltInPgnConflictTitle(conflicts.first()) + QStringLiteral(": ") +
        BuiltInPgnConflictPrompt(conflicts.first()));
    return std::nullopt;
  }
  return bytes;
}

// Opens `port` on `device` as the window opens its COM port; false when it
// does not open (said).
bool openPort(QtSerialPort& port, const QString& device) {
  QStringList portFailures;
  OpenPortSequence(port, PortChoice{device, std::nullopt},
                   [&](const Failure& failure) { portFailures << failure.reason; });
  if (!portFailures.isEmpty() || !port.isOpen()) {
    Complain(QStringLiteral("cannot open the port %1: %2")
                 .arg(device, portFailures.value(0, QStringLiteral("it did not open"))));
    return false;
  }
  return true;
}

// Sends `bytes` on the open `port` and waits for the simulator's answer, as
// "Program Config" does; says the answer and closes the port. The exit status.
int sendFrame(QtSerialPort& port, const QString& device, const QByteArray& bytes) {
  SteadyClock clock;
  FrameExchange exchange(port, clock);
  FrameExchange::Outcome outcome = FrameExchange::Outcome::NotAccepted;
  QEventLoop exchanging;
  QObject::connect(&exchange, &FrameExchange::finished, &exchanging,
                   [&](FrameExchange::Outcome reached) {
                     outcome = reached;
                     exchanging.quit();
                   });
  exchange.start(bytes);
  exchanging.exec();
  port.close();
  switch (outcome) {
    case FrameExchange::Outcome::Accepted:
      Say(kConfigAcceptedPrompt);
      return kExitOk;
    case FrameExchange::Outcome::NotAccepted:
      Say(kConfigRejectedPrompt);
      return kExitNo;
    case FrameExchange::Outcome::PortFailed:
      break;
  }
  Say(kConfigRejectedPrompt);
  Complain(QStringLiteral("the port %1 failed: %2").arg(device, exchange.portFailure()));
  return kExitError;
}

int program(const CfgCommand& command, const SimulatorConfig& record) {
  if (!sentAsItStands(command, record)) return kExitNo;
  const std::optional<QByteArray> bytes = frameToSend(command, record);
  if (!bytes) return kExitNo;
  const std::optional<QString> device = deviceOf(command.port);
  if (!device) return kExitError;
  QtSerialPort port;
  if (!openPort(port, *device)) return kExitError;
  return sendFrame(port, *device, *bytes);
}

int ports(const CfgCommand& command) {
  if (!settingsReadable()) return kExitError;
  QtSettingsStore settings;
  QtPortInventory inventory;
  const PortList list = ListPorts(settings, inventory);
  if (command.json)
    Out(QString::fromUtf8(QJsonDocument(PortListJson(list)).toJson(QJsonDocument::Indented)));
  else
    Out(PortListText(list));
  return kExitOk;
}

// Takes `file` (`path` as given) for a write: a regular file or a new name,
// locked against other writers from the read to the rename, and written when
// read-only only with --force. `refused` leads the refusal of another kind of
// file. Each refusal is reported.
bool claim(FileReplacement& file, const QString& path, const QString& refused, bool force) {
  if (const std::optional<QString> reason = file.kindRefusal()) {
    Complain(refused.arg(QDir::toNativeSeparators(path)) + QStringLiteral(": ") + *reason);
    return false;
  }
  if (const std::optional<QString> reason = file.lock(lockWait())) {
    Complain(QStringLiteral("cannot write %1: %2").arg(path, *reason));
    return false;
  }
  if (file.isReadOnly() && !force) {
    Complain(
        QStringLiteral("%1 is read-only and not written; --force writes it, keeping it read-only")
            .arg(path));
    return false;
  }
  return true;
}

// The record `bytes` with what follows the fields in `was`, the file it
// replaces: the filler and whatever follows the configuration stay as they
// were, as the window keeps them.
QByteArray withTail(QByteArray bytes, const QByteArray& was) {
  if (was.size() > kConfigFieldBytes) {
    bytes = bytes.left(kConfigFieldBytes) + was.mid(kConfigFieldBytes);
    if (bytes.size() < kConfigRecordSize) bytes.append(kConfigRecordSize - bytes.size(), '\0');
  }
  return bytes;
}

// The whole of `path`, a regular file, into `bytes`; nothing for a new name.
bool readWhole(const QString& path, QByteArray& bytes) {
  QFile file(path);
  if (!file.exists()) return true;
  if (file.open(QIODevice::ReadOnly)) {
    bytes = file.readAll();
    if (file.error() == QFileDevice::NoError) return true;
  }
  Complain(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
  return false;
}

// The record checked as `check` does, then written when clean or forced: to
// `file` (`path` as given), or to standard output when there is none, the
// findings then going to standard error.
int store(const CfgCommand& command, FileReplacement* file, const QString& path,
          const SimulatorConfig& record, const QByteArray& bytes) {
  const QList<Finding> findings = CheckRecord(record);
  for (const Finding& finding : findings) file ? Say(finding.line()) : Complain(finding.line());
  if (!findings.isEmpty() && !command.force) {
    Complain(QStringLiteral("%1 is not written; --force writes it with these findings")
                 .arg(file ? path : QStringLiteral("the configuration")));
    return kExitNo;
  }
  if (!file) {
    OutBytes(bytes);
  } else if (const std::optional<QString> error = file->write(bytes)) {
    Complain(QStringLiteral("cannot write %1: %2").arg(path, *error));
    return kExitError;
  } else {
    written = path;
  }
  return findings.isEmpty() ? kExitOk : kExitNo;
}

int make(const CfgCommand& command) {
  QByteArray text;
  if (const std::optional<QString> reason = ReadInputBytes(command.file, kMaxJsonBytes + 1, text)) {
    Complain(QStringLiteral("cannot read %1: %2").arg(command.file, *reason));
    return kExitError;
  }
  if (text.size() > kMaxJsonBytes) {
    Complain(QStringLiteral("%1: more than 1 MiB, which is no configuration's JSON (a few "
                            "kilobytes)")
                 .arg(command.file));
    return kExitError;
  }
  if (const std::optional<QString> fault = JsonTextFault(text)) {
    Complain(QStringLiteral("%1: %2").arg(command.file, *fault));
    return kExitError;
  }
  QJsonParseError parsed{};
  const QJsonDocument document = QJsonDocument::fromJson(text, &parsed);
  if (parsed.error != QJsonParseError::NoError || !document.isObject()) {
    Complain(
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
    Complain(QStringLiteral("%1: %2").arg(command.file, *error));
    return kExitError;
  }
  if (command.output == QLatin1String("-"))
    return store(command, nullptr, command.output, record, EncodeConfigRecord(record));
  FileReplacement file(command.output);
  QByteArray was;
  if (!claim(file, command.output, QStringLiteral("Cannot write the configuration file %1"),
             command.force) ||
      !readWhole(command.output, was))
    return kExitError;
  return store(command, &file, command.output, record, withTail(EncodeConfigRecord(record), was));
}

int set(const CfgCommand& command) {
  // set replaces the file it reads: a named pipe or a socket is no such file.
  FileReplacement file(command.file);
  SimulatorConfig record;
  // Why the file cannot be read is said before any wait for its lock; what
  // counts is what it holds once the lock is taken.
  MaybeFailure failure;
  if (!file.kindRefusal()) failure = ReadConfigInput(command.file, record);
  if (failure) {
    Complain(DescribeFailure(*failure));
    return kExitError;
  }
  if (!claim(file, command.file, QStringLiteral("Cannot change the configuration file %1"),
             command.force))
    return kExitError;
  QByteArray was;
  failure = ReadConfigInput(command.file, record);
  if (failure || !readWhole(command.file, was)) {
    if (failure) Complain(DescribeFailure(*failure));
    return kExitError;
  }
  for (const QString& setting : command.settings) {
    QJsonObject member;
    std::optional<QString> error = SettingAsJson(setting, member);
    if (!error) error = ReadRecordJson(member, record);
    if (error) {
      Complain(*error);
      return kExitError;
    }
  }
  return store(command, &file, command.file, record, withTail(EncodeConfigRecord(record), was));
}

int diff(const CfgCommand& command, const SimulatorConfig& from) {
  SimulatorConfig to;
  if (const MaybeFailure failure = ReadConfigInput(command.other, to)) {
    Complain(DescribeFailure(*failure));
    return kExitError;
  }
  const QJsonObject json = RecordDiffJson(from, to);
  if (command.json)
    Out(QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Indented)));
  else
    Out(RecordDiffText(from, to));
  return json.isEmpty() ? kExitOk : kExitNo;
}

// Qt's own diagnostics are no part of the tool's output: each failure is said
// once, in the tool's words, on standard error.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtFatalMsg) Complain(message);
}

int run(const CfgCommand& command) {
  if (command.help) {
    Out(CfgHelp(command.name));
    return kExitOk;
  }
  if (command.name == CfgCommand::Name::Ports) return ports(command);
  if (command.name == CfgCommand::Name::Make) return make(command);
  if (command.name == CfgCommand::Name::Set) return set(command);
  if (command.name == CfgCommand::Name::Buses) return ListBuses(command);
  if (command.name == CfgCommand::Name::Watch) return WatchBus(command);
  SimulatorConfig record;
  if (const MaybeFailure failure = ReadConfigInput(command.file, record)) {
    Complain(DescribeFailure(*failure));
    return kExitError;
  }
  switch (command.name) {
    case CfgCommand::Name::Show:
      return show(command, record);
    case CfgCommand::Name::Frame:
      return frame(command, record);
    case CfgCommand::Name::Program:
      // --verify: programmed or not, the bus is checked; the worse status counts.
      if (!command.can.isEmpty()) {
        const int programmed = program(command, record);
        return std::max(programmed, VerifyBus(command, record));
      }
      return program(command, record);
    case CfgCommand::Name::Verify:
      return VerifyBus(command, record);
    case CfgCommand::Name::Check:
      return check(record);
    case CfgCommand::Name::Diff:
      return diff(command, record);
    case CfgCommand::Name::Ports:
    case CfgCommand::Name::Make:
    case CfgCommand::Name::Set:
    case CfgCommand::Name::Buses:
    case CfgCommand::Name::Watch:
    case CfgCommand::Name::Json:
    case CfgCommand::Name::None:
      break;
  }
  return kExitError;
}

}  // namespace

}  // namespace j1939

int main(int argc, char* argv[]) {
  // main() is the one name the language wants global; the program's own are j1939's.
  using namespace j1939;
  // A file-size limit is a write that fails (EFBIG), reported as any other,
  // not the end of the run. (Only POSIX systems have file-size limits.)
#ifdef SIGXFSZ
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  OpenClosedStandardDescriptors();
  SetConsoleProgram("j1939cfg");
  qInstallMessageHandler(quietQtMessages);
  QCoreApplication app(argc, argv);
  CfgCommand command;
  if (const std::optional<QString> error = ParseCfgArguments(app.arguments().mid(1), command)) {
    Complain(*error + QStringLiteral("; ") + CfgHelpHint(command.name));
    return kExitError;
  }
  const int status = run(command);
  if (const QString failure = OutputFailure(); !failure.isEmpty()) {
    // Exit status 2 says nothing was done: a file written keeps its own status.
    if (written.isEmpty()) {
      Complain(QStringLiteral("cannot write to standard output: %1").arg(failure));
      return kExitError;
    }
    Complain(QStringLiteral("cannot write to standard output: %1; %2 was written")
                 .arg(failure, written));
  }
  return status;
}
