#include "apps/j1939sim/SimulatorOptions.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include "apps/console/Console.h"

namespace j1939 {

const char* const kSimulatorUsage =
    R"(Usage: j1939sim [options]

Plays the J1939 ECU simulator at the far end of a pseudo-terminal. It prints
the path of the terminal's device on its first line. Point a COM port of the
configurator at it in ~/.config/TarvikConfig/TarvikConfig.conf:

  [Ports]
  COM1=/dev/pts/7

(or give --link /tmp/j1939sim and map COM1=/tmp/j1939sim once), select that
port and press "Program Config". Each frame received is checked (length and
checksum), printed field by field, and answered.

Options:
  --version 1.01|2.00   simulator version: frames of 32 (1.01) or 49 (2.00)
                        bytes (default 1.01)
  --frames N            serve N frames that pass the length and checksum
                        check, then ignore further bytes (default 1; 0 serves
                        frames until the end)
  --reply HEX[,HEX...]  answer these bytes (default 55, which accepts)
  --silent              answer nothing
  --delay-ms MS         answer MS milliseconds after the frame (default 0)
  --plan LIST           answers to the first frames, one entry a frame,
                        separated by ';': HEX[,HEX...][@MS] or "none"; e.g.
                        "55@1500;55" answers the first frame late and the
                        second at once. Later frames get --reply/--delay-ms.
  --bad-reply HEX       answer to a frame whose checksum is wrong (default:
                        none)
  --gap-ms MS           drop a partial frame after a pause of MS milliseconds
                        (default 500)
  --link PATH           also make PATH a symbolic link to the device, removed
                        when j1939sim ends; an old emulator's link there is
                        replaced, anything else there is refused
  --can IFACE           also play the configured device on this CAN bus, named
                        PLUGIN:INTERFACE: socketcan:can0, peakcan:usb0,
                        virtualcan:can0, or a virtual bus of its own such as
                        virtualcan:tcp://127.0.0.1:35501/can0
  --config FILE         play this .cfg file from the start, as if it had just
                        been programmed (with --can)
  --bus-load N          add N frames per second from other source addresses,
                        for load tests (with --can)
  --help                show this text

On the bus the device sends nothing until a configuration is accepted (answered
55) or given with --config. Each one replaces the one played and is said in a
line "plays: ..." (address, NAME, mode, the additional PGNs with identifier,
length and rate). The device then sends Address Claimed (again in answer to a
Request for it), each additional PGN in use at its rate or, "On Request", in
answer to a Request, groups of 9 bytes and more by BAM, under "2.00" the VIN
by BAM on request, and EEC1, EEC2, ET1 and DM1 as a vehicle does. A bus that
goes away is said once; the serial side goes on.

While it runs, a line "send HEX[,HEX...]" on standard input sends those bytes
at once, unasked (a line is at most 4096 characters). "quit", the end of
standard input (Ctrl-D), Ctrl-C or SIGTERM ends it.
)";

std::optional<QByteArray> ParseHexBytes(const QString& text) {
  const QString trimmed = text.trimmed();
  if (trimmed.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0 ||
      trimmed == QLatin1String("-"))
    return QByteArray();
  QByteArray bytes;
  static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
  for (const QString& part : trimmed.split(separators, Qt::SkipEmptyParts)) {
    QString digits = part;
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) digits = digits.mid(2);
    bool ok = false;
    const uint value = digits.toUInt(&ok, 16);
    if (!ok || digits.size() > 2 || value > 0xFF) return std::nullopt;
    bytes.append(static_cast<char>(value));
  }
  if (bytes.isEmpty()) return std::nullopt;
  return bytes;
}

namespace {

std::optional<int> parseCount(const QString& text) {
  bool ok = false;
  const int value = text.toInt(&ok);
  if (!ok || value < 0) return std::nullopt;
  return value;
}

std::optional<SimulatorAnswer> parseAnswer(const QString& entry) {
  SimulatorAnswer answer;
  QString bytesText = entry;
  const qsizetype at = entry.indexOf(QLatin1Char('@'));
  if (at >= 0) {
    const std::optional<int> delay = parseCount(entry.mid(at + 1));
    if (!delay) return std::nullopt;
    answer.delayMs = *delay;
    bytesText = entry.left(at);
  }
  const std::optional<QByteArray> bytes = ParseHexBytes(bytesText);
  if (!bytes) return std::nullopt;
  answer.bytes = *bytes;
  return answer;
}

// Reads each value given to `option` into `target` with `read` (text to an
// optional value), so that the last one given counts. False when one does not
// read, or when the line ends where the option's value should be.
template <typename Read, typename T>
bool readEach(const QCommandLineParser& parser, const QCommandLineOption& option, Read read,
              T& target) {
  if (ValueMissing(parser, option)) return false;
  for (const QString& text : parser.values(option)) {
    const auto value = read(text);
    if (!value) return false;
    target = *value;
  }
  return true;
}

std::optional<int> frameLengthOf(const QString& version) {
  if (version == QLatin1String("1.01")) return 32;
  if (version == QLatin1String("2.00")) return 49;
  return std::nullopt;
}

std::optional<int> parseGap(const QString& text) {
  const std::optional<int> gap = parseCount(text);
  if (gap == 0) return std::nullopt;
  return gap;
}

std::optional<QString> parsePath(const QString& text) {
  if (text.isEmpty()) return std::nullopt;
  return text;
}

std::optional<QString> parseInterface(const QString& text) {
  const qsizetype colon = text.indexOf(QLatin1Char(':'));
  if (colon <= 0 || colon == text.size() - 1) return std::nullopt;
  return text;
}

}  // namespace

std::optional<QString> ParseSimulatorOptions(const QStringList& arguments,
                                             SimulatorOptions& options) {
  auto withValue = [](const char* name) {
    return QCommandLineOption(QLatin1String(name), QString(), QStringLiteral("VALUE"));
  };
  const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
  const QCommandLineOption silent(QStringLiteral("silent"));
  const QCommandLineOption version = withValue("version"), frames = withValue("frames"),
                           reply = withValue("reply"), delay = withValue("delay-ms"),
                           gap = withValue("gap-ms"), badReply = withValue("bad-reply"),
                           link = withValue("link"), plan = withValue("plan"),
                           can = withValue("can"), config = withValue("config"),
                           busLoad = withValue("bus-load");
  QCommandLineParser parser;
  parser.addOptions({help, silent, version, frames, reply, delay, gap, badReply, link, plan, can,
                     config, busLoad});
  // The parser skips the first argument, the program's name.
  const bool parsed = parser.parse(QStringList{QStringLiteral("j1939sim")} + arguments);
  QString unknown = UnknownOption(parser);
  if (unknown.isEmpty()) unknown = parser.positionalArguments().value(0);
  if (!unknown.isEmpty()) return QStringLiteral("unknown option %1 (see --help)").arg(unknown);
  options.help = parser.isSet(help);

  if (!readEach(parser, version, frameLengthOf, options.frameLength))
    return QStringLiteral("--version takes 1.01 or 2.00");
  if (!readEach(parser, frames, parseCount, options.frames))
    return QStringLiteral("--frames takes a count (0 for no limit)");
  if (!readEach(parser, reply, ParseHexBytes, options.answer.bytes))
    return QStringLiteral("--reply takes hex bytes such as 55 or 55,55");
  // --silent and --reply both set the answer: the later one given counts.
  const QStringList given = parser.optionNames();
  if (given.lastIndexOf(QStringLiteral("silent")) > given.lastIndexOf(QStringLiteral("reply")))
    options.answer.bytes.clear();
  if (!readEach(parser, delay, parseCount, options.answer.delayMs))
    return QStringLiteral("--delay-ms takes milliseconds");
  if (!readEach(parser, gap, parseGap, options.gapMs))
    return QStringLiteral("--gap-ms takes milliseconds above 0");
  if (!readEach(parser, badReply, ParseHexBytes, options.badFrameReply))
    return QStringLiteral("--bad-reply takes hex bytes such as AA");
  if (!readEach(parser, link, parsePath, options.link))
    return QStringLiteral("--link takes a path");
  if (!readEach(parser, can, parseInterface, options.can))
    return QStringLiteral("--can takes a CAN interface PLUGIN:INTERFACE such as socketcan:can0");
  if (!readEach(parser, config, parsePath, options.configFile))
    return QStringLiteral("--config takes a .cfg file");
  if (!readEach(parser, busLoad, parseCount, options.busLoad))
    return QStringLiteral("--bus-load takes frames per second");
  if (options.can.isEmpty() && (!options.configFile.isEmpty() || options.busLoad > 0))
    return QStringLiteral("--config and --bus-load play on a CAN bus: give --can too");
  if (ValueMissing(parser, plan))
    return QStringLiteral("--plan takes a list such as \"55@1500;55\"");
  for (const QString& text : parser.values(plan)) {
    options.plan.clear();
    for (const QString& entry : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      const std::optional<SimulatorAnswer> answer = parseAnswer(entry);
      if (!answer)
        return QStringLiteral("--plan: \"%1\" is not HEX[,HEX...][@MS] or none").arg(entry);
      options.plan << *answer;
    }
  }
  if (!parsed) return parser.errorText();  // a value after a switch: --silent=yes
  return std::nullopt;
}

}  // namespace j1939
