#include "CfgOptions.h"

#include <QCommandLineParser>

#include "apps/common/Console.h"
#include "config/ListTexts.h"

namespace {

using Name = CfgCommand::Name;

struct CommandName {
  const char* word;
  Name name;
};
constexpr CommandName kCommands[] = {{"show", Name::Show},
                                     {"frame", Name::Frame},
                                     {"program", Name::Program},
                                     {"check", Name::Check},
                                     {"ports", Name::Ports}};

// The parser takes the first argument for the program's name and skips it.
const QString kProgram = QStringLiteral("j1939cfg");
const QCommandLineOption kHelp(QStringList{QStringLiteral("h"), QStringLiteral("help")});

std::optional<Name> commandNamed(const QString& word) {
  for (const CommandName& command : kCommands)
    if (word == QLatin1String(command.word)) return command.name;
  return std::nullopt;
}

QString wordOf(Name name) {
  for (const CommandName& command : kCommands)
    if (command.name == name) return QLatin1String(command.word);
  return QString();
}

const char* const kProgramHelp = R"txt(Usage: j1939cfg COMMAND FILE [options]

Works on a configuration file (.cfg) of the J1939 ECU simulator's configurator
without its window, for test benches, scripts and CI rigs. FILE is read as the
window reads it: the first 77 bytes hold the configuration; an empty file is
the all-zero configuration; a file of 1 to 76 bytes is refused. FILE is never
written. FILE "-" is standard input; pipes and named pipes are read as they
come, devices and directories are refused.

Commands:
  show FILE [--json]          every field of the configuration, with its meaning
  frame FILE [--version V]    the configuration frame that the simulator receives
  program FILE --port PORT    sends the configuration to the simulator, as the
                              window's "Program Config" does
  check FILE                  the configuration against the window's rules
  ports [--json]              COM1 to COM16, the device each stands for and
                              whether it is present, then the serial ports
                              present that no COMn names

"j1939cfg COMMAND --help" describes a command.

Exit status: 0 done; 1 the command's answer is no (check found something, the
download was refused or not accepted); 2 a usage, file or port error. Errors go
to standard error; standard output carries the result only.
)txt";

const char* const kShowHelp = R"txt(Usage: j1939cfg show FILE [--json]

Prints every field of the configuration in FILE, one a line, in the order of
the record ("field: value (meaning)"): list entries with their texts, bytes in
hexadecimal, the NAME with its fields, each PGN with its reserved bit, data
page, PF and PS, the VIN as text. Values are printed as stored; where the
window shows something else (a data length of 0 is shown as 1, any mode but -1
is Static, ...) the line says so.

  --json    one JSON object instead, a member per field, keyed by the field's
            name, each with its "value" and its meaning

Exit status: 0 shown; 2 usage or file error.
)txt";

const char* const kFrameHelp = R"txt(Usage: j1939cfg frame FILE [--version 1.01|2.00]

Prints the configuration frame that "Program Config" sends for the
configuration in FILE, as upper-case hexadecimal bytes separated by blanks:
32 bytes for simulator version "1.01", 49 bytes for "2.00". The frame is built
from the configuration as the window would store it after showing it.

  --version V   the frame of version V (1.01 or 2.00); by default the version
                that FILE holds

Exit status: 0 printed; 1 the configuration cannot be put into a frame (the
reason goes to standard error); 2 usage or file error.
)txt";

const char* const kProgramCommandHelp = R"txt(Usage: j1939cfg program FILE --port DEVICE|COMn

Sends the configuration in FILE to the simulator, as the window's "Program
Config" does: an additional PGN in use that the simulator sends itself refuses
the download; otherwise the frame of FILE's version is written to the port at
9600,N,8,1 and the simulator has one second, from the moment the frame has
left, to answer. Exactly one byte 0x55 accepts it.

Prints what the window would show: "Configuration is successfull!",
"Configuration fails!", or, for a refused download, its caption and text
("Repeated additional PGN1: The additional PGN1 has existed in the simulator,
..."). A configuration that the window would not send as it stands (a value it
answers with a message, see "j1939cfg check") is refused before anything is
sent, with the reasons on standard error.

  --port PORT   the serial device (/dev/ttyUSB0, /dev/pts/3, ...) or COM1 to
                COM16, which stand for the device named in the configurator's
                settings (~/.config/TarvikConfig/TarvikConfig.conf, section
                [Ports], e.g. COM1=/dev/ttyUSB0), else for /dev/ttyS0 to
                /dev/ttyS15

Exit status: 0 the simulator accepted the configuration; 1 the download was
refused or not accepted; 2 usage, file or port error.
)txt";

const char* const kCheckHelp = R"txt(Usage: j1939cfg check FILE

Checks the configuration in FILE against the rules the window enforces and
prints one line per finding ("field: what is wrong"); prints nothing for a
clean configuration. The rules: list entries that exist; source address 00 to
7F; NAME byte 7 below 80; check boxes 0 or 1; PGNs 0 to 262143 and their
reserved bit, data page, PF and PS as the PGN gives them; data length 1 to
1785; a parameter type that fits the data and a position within it; with
version "2.00" a DTC format from the list and a VIN of 17 characters without a
blank; and for the slots in use, no PGN that the simulator of FILE's version
sends itself and not the same PGN in both.

Exit status: 0 clean; 1 findings; 2 usage or file error.
)txt";

const char* const kPortsHelp = R"txt(Usage: j1939cfg ports [--json]

Lists COM1 to COM16 of the window's list "Com Port Number:", one a line, with
the device each stands for and whether that device is present ("COM1:
/dev/ttyUSB0 (present)"), then the serial ports present that no COMn names,
with what their drivers say of them (description, manufacturer, serial
number). COMn stands for the device named in the configurator's settings
(~/.config/TarvikConfig/TarvikConfig.conf, section [Ports], e.g.
COM1=/dev/ttyUSB0; the window's File > Ports... edits it), else for
/dev/ttyS0 to /dev/ttyS15.

  --json    one JSON object instead: "ports", a member per COMn with its
            "name", "device" and "present", and "unmapped", the ports present
            that no COMn names, with "device", "description", "manufacturer"
            and "serial_number"

Exit status: 0 listed; 2 usage error.
)txt";

// The command's own options and FILE (`line` holds what follows the command
// word), into `command`.
std::optional<QString> readCommandLine(const QStringList& line, CfgCommand& command) {
  const QString word = wordOf(command.name);
  const QCommandLineOption json(QStringLiteral("json"));
  const QCommandLineOption version(QStringLiteral("version"), QString(), QStringLiteral("V"));
  const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("PORT"));
  QCommandLineParser parser;
  parser.addOption(kHelp);
  if (command.name == Name::Show || command.name == Name::Ports) parser.addOption(json);
  if (command.name == Name::Frame) parser.addOption(version);
  if (command.name == Name::Program) parser.addOption(port);
  const bool parsed = parser.parse(QStringList{kProgram} + line);
  if (const QString option = UnknownOption(parser); !option.isEmpty())
    return QStringLiteral("%1 takes no option %2").arg(word, option);
  command.help = parser.isSet(kHelp);
  command.json = parser.isSet(json);

  const QStringList versions = parser.values(version);
  for (const QString& given : versions) {
    const qsizetype index = SimulatorVersionList().entries.indexOf(given);
    if (index < 0) return QStringLiteral("--version %1: the versions are 1.01 and 2.00").arg(given);
    command.frameVersion = static_cast<int>(index);
  }
  if (ValueMissing(parser, version)) return QStringLiteral("--version needs a value: 1.01 or 2.00");
  if (versions.size() > 1) return QStringLiteral("--version is given twice");

  const QStringList ports = parser.values(port);
  if (ValueMissing(parser, port) || ports.contains(QString()))
    return QStringLiteral("--port needs a device or COMn");
  if (ports.size() > 1) return QStringLiteral("--port is given twice");
  command.port = ports.value(0);

  if (!parsed) return parser.errorText();  // a value after a switch: --json=yes
  if (command.help) return std::nullopt;
  const QStringList files = parser.positionalArguments();
  if (command.name == Name::Ports) {
    if (!files.isEmpty()) return QStringLiteral("ports takes no FILE, not %1").arg(files.first());
    return std::nullopt;
  }
  if (files.isEmpty()) return QStringLiteral("%1 needs a FILE").arg(word);
  if (files.size() > 1)
    return QStringLiteral("%1 takes one FILE, not also %2").arg(word, files.at(1));
  command.file = files.first();
  if (command.name == Name::Program && command.port.isEmpty())
    return QStringLiteral("program needs --port DEVICE or --port COMn");
  return std::nullopt;
}

}  // namespace

std::optional<QString> ParseCfgArguments(const QStringList& arguments, CfgCommand& command) {
  command = CfgCommand{};
  // The command word first; what follows it is left to the command.
  QCommandLineParser words;
  words.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
  words.addOption(kHelp);
  if (!words.parse(QStringList{kProgram} + arguments)) {
    const QString option = UnknownOption(words);
    return option.isEmpty() ? words.errorText() : QStringLiteral("unknown option %1").arg(option);
  }
  QStringList line = words.positionalArguments();
  command.help = words.isSet(kHelp);
  if (!command.help && line.value(0) == QLatin1String("help")) {
    command.help = true;
    line.removeFirst();
  }
  if (line.isEmpty()) {
    if (command.help) return std::nullopt;
    return QStringLiteral("no command given");
  }
  const std::optional<Name> name = commandNamed(line.first());
  if (!name) return QStringLiteral("no command \"%1\"").arg(line.first());
  command.name = *name;
  if (command.help) return std::nullopt;  // "--help show ...": the rest is not read
  return readCommandLine(line.mid(1), command);
}

QString CfgHelp(CfgCommand::Name name) {
  switch (name) {
    case Name::Show:
      return QString::fromUtf8(kShowHelp);
    case Name::Frame:
      return QString::fromUtf8(kFrameHelp);
    case Name::Program:
      return QString::fromUtf8(kProgramCommandHelp);
    case Name::Check:
      return QString::fromUtf8(kCheckHelp);
    case Name::Ports:
      return QString::fromUtf8(kPortsHelp);
    case Name::None:
      break;
  }
  return QString::fromUtf8(kProgramHelp);
}

QString CfgHelpHint(CfgCommand::Name name) {
  if (name == Name::None) return QStringLiteral("see j1939cfg --help");
  return QStringLiteral("see j1939cfg %1 --help").arg(wordOf(name));
}
