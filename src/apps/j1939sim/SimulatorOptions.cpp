#include "SimulatorOptions.h"

#include <QRegularExpression>

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
  --help                show this text

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

}  // namespace

std::optional<QString> ParseSimulatorOptions(const QStringList& arguments,
                                             SimulatorOptions& options) {
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& option = arguments[i];
    auto value = [&]() -> std::optional<QString> {
      if (i + 1 >= arguments.size()) return std::nullopt;
      return arguments[++i];
    };
    if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
      options.help = true;
    } else if (option == QLatin1String("--silent")) {
      options.answer.bytes.clear();
    } else if (option == QLatin1String("--version")) {
      const std::optional<QString> version = value();
      if (version == QLatin1String("1.01"))
        options.frameLength = 32;
      else if (version == QLatin1String("2.00"))
        options.frameLength = 49;
      else
        return QStringLiteral("--version takes 1.01 or 2.00");
    } else if (option == QLatin1String("--frames")) {
      const std::optional<QString> text = value();
      const std::optional<int> count = text ? parseCount(*text) : std::nullopt;
      if (!count) return QStringLiteral("--frames takes a count (0 for no limit)");
      options.frames = *count;
    } else if (option == QLatin1String("--reply")) {
      const std::optional<QString> text = value();
      const std::optional<QByteArray> bytes = text ? ParseHexBytes(*text) : std::nullopt;
      if (!bytes) return QStringLiteral("--reply takes hex bytes such as 55 or 55,55");
      options.answer.bytes = *bytes;
    } else if (option == QLatin1String("--delay-ms")) {
      const std::optional<QString> text = value();
      const std::optional<int> delay = text ? parseCount(*text) : std::nullopt;
      if (!delay) return QStringLiteral("--delay-ms takes milliseconds");
      options.answer.delayMs = *delay;
    } else if (option == QLatin1String("--gap-ms")) {
      const std::optional<QString> text = value();
      const std::optional<int> gap = text ? parseCount(*text) : std::nullopt;
      if (!gap || *gap == 0) return QStringLiteral("--gap-ms takes milliseconds above 0");
      options.gapMs = *gap;
    } else if (option == QLatin1String("--bad-reply")) {
      const std::optional<QString> text = value();
      const std::optional<QByteArray> bytes = text ? ParseHexBytes(*text) : std::nullopt;
      if (!bytes) return QStringLiteral("--bad-reply takes hex bytes such as AA");
      options.badFrameReply = *bytes;
    } else if (option == QLatin1String("--link")) {
      const std::optional<QString> text = value();
      if (!text || text->isEmpty()) return QStringLiteral("--link takes a path");
      options.link = *text;
    } else if (option == QLatin1String("--plan")) {
      const std::optional<QString> text = value();
      if (!text) return QStringLiteral("--plan takes a list such as \"55@1500;55\"");
      options.plan.clear();
      for (const QString& entry : text->split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const std::optional<SimulatorAnswer> answer = parseAnswer(entry);
        if (!answer)
          return QStringLiteral("--plan: \"%1\" is not HEX[,HEX...][@MS] or none").arg(entry);
        options.plan << *answer;
      }
    } else {
      return QStringLiteral("unknown option %1 (see --help)").arg(option);
    }
  }
  return std::nullopt;
}
