#include "apps/j1939config/WindowOptions.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include "apps/console/Console.h"

namespace j1939 {

const char* const kWindowUsage = R"(Usage: j1939config [options] [FILE]

The desktop configurator of the J1939 ECU simulator. It keeps j1939.cfg in the
folder it is started from. FILE, a .cfg file, is opened once j1939.cfg has
been read, as File > Open opens it.

Options:
  --port COMn=DEVICE      COMn (COM1 to COM16) stands for DEVICE for this run
                          only, before the mapping of File > Ports...; nothing
                          stores it. Give it once for each port.
  --emulator COMn=DEVICE  the same, for the emulator j1939sim serving DEVICE:
                          the title and the status bar say that COMn is the
                          emulator (scripts/run.sh starts both)
  --bus IFACE             show View > Bus connected to the CAN interface
                          IFACE (PLUGIN:INTERFACE, such as socketcan:can0 or
                          virtualcan:tcp://127.0.0.1:35468/can0) for this run;
                          nothing stores it
  -h, --help              show this text
  -v, --version           show the version

Ports given on the command line are said on standard error too, with what
becomes of them. Qt's own options (-style fusion, -platform offscreen, ...) are
taken as well.
)";

namespace {

// "COMn=DEVICE" given to `option` (without its dashes): the port, or why not.
std::optional<QString> readPort(const QString& option, const QString& text, bool emulator,
                                QList<RunPort>& ports) {
  static const QRegularExpression form(
      QStringLiteral("^COM([0-9]+)=(.*)$"),
      QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
  const QString given = QStringLiteral("--%1 %2").arg(option, text);
  const QRegularExpressionMatch match = form.match(text);
  if (!match.hasMatch())
    return QStringLiteral("--%1 takes COMn=DEVICE, such as COM1=/dev/ttyUSB0").arg(option);
  const int number = match.captured(1).toInt();
  if (number < 1 || number > kComPortCount)
    return QStringLiteral("%1: the ports are COM1 to COM%2").arg(given).arg(kComPortCount);
  const QString device = match.captured(2).trimmed();
  if (device.isEmpty()) return QStringLiteral("%1: no device is named").arg(given);
  for (const RunPort& port : ports)
    if (port.number == number)
      return QStringLiteral("%1: COM%2 is given twice").arg(given).arg(number);
  ports.append(RunPort{number, device, emulator});
  return std::nullopt;
}

}  // namespace

std::optional<QString> ParseWindowOptions(const QStringList& arguments, WindowOptions& options) {
  const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
  const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
  const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("COMn=DEVICE"));
  const QCommandLineOption emulator(QStringLiteral("emulator"), QString(),
                                    QStringLiteral("COMn=DEVICE"));
  const QCommandLineOption bus(QStringLiteral("bus"), QString(), QStringLiteral("IFACE"));
  QCommandLineParser parser;
  parser.addOptions({help, version, port, emulator, bus});
  // The parser skips the first argument, the program's name.
  parser.parse(QStringList{QStringLiteral("j1939config")} + arguments);
  if (const QString unknown = UnknownOption(parser); !unknown.isEmpty())
    return QStringLiteral("unknown option %1 (see --help)").arg(unknown);
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1)
    return QStringLiteral("unexpected argument %1: one FILE at most (see --help)").arg(files[1]);
  if (!files.isEmpty()) options.file = files.constFirst();
  options.help = parser.isSet(help);
  options.version = parser.isSet(version);
  // The last one given counts; a plugin and an interface, each named.
  if (parser.isSet(bus)) {
    const QStringList given = parser.values(bus);
    options.bus = given.isEmpty() ? QString() : given.constLast().trimmed();
    const qsizetype colon = options.bus.indexOf(QLatin1Char(':'));
    if (colon <= 0 || colon == options.bus.size() - 1)
      return QStringLiteral("--bus takes a CAN interface PLUGIN:INTERFACE such as socketcan:can0");
  }

  // Both options in the order given, so that a port given twice is named where
  // it is given the second time.
  qsizetype ports = 0, emulators = 0;
  for (const QString& name : parser.optionNames()) {
    const bool isEmulator = name == QLatin1String("emulator");
    if (!isEmulator && name != QLatin1String("port")) continue;
    const QStringList values = parser.values(isEmulator ? emulator : port);
    qsizetype& taken = isEmulator ? emulators : ports;
    if (taken == values.size())  // the line ended where its value should be
      return QStringLiteral("--%1 takes COMn=DEVICE, such as COM1=/dev/ttyUSB0").arg(name);
    if (const std::optional<QString> failure =
            readPort(name, values[taken++], isEmulator, options.ports))
      return failure;
  }
  return std::nullopt;
}

}  // namespace j1939
