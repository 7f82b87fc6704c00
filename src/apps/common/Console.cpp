#include "Console.h"

#include <cerrno>
#include <cstdio>

namespace {

QString program;
int outputError = 0;

}  // namespace

void SetConsoleProgram(const char* name) {
  program = QString::fromUtf8(name);
}

void out(const QString& text) {
  if ((std::fputs(text.toUtf8().constData(), stdout) < 0 || std::fflush(stdout) != 0) &&
      outputError == 0)
    outputError = errno != 0 ? errno : EIO;
}

void say(const QString& line) {
  out(line + QLatin1Char('\n'));
}

void complain(const QString& line) {
  // One write, so that complaints of programs sharing a terminal do not mix.
  std::fputs((program + QStringLiteral(": ") + line + QLatin1Char('\n')).toUtf8().constData(),
             stderr);
}

int OutputError() {
  return outputError;
}

QString UnknownOption(const QCommandLineParser& parser) {
  const QStringList unknown = parser.unknownOptionNames();
  if (unknown.isEmpty()) return QString();
  const QString& name = unknown.first();
  return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

bool ValueMissing(const QCommandLineParser& parser, const QCommandLineOption& option) {
  // The parser counts the option as given, but holds no value for it.
  return parser.optionNames().count(option.names().constFirst()) > parser.values(option).size();
}
