#include "apps/console/Console.h"

#include <QtGlobal>
#ifndef Q_OS_UNIX
#error \
    "POSIX only: the console keeps descriptors 0 to 2 open with POSIX calls; this platform needs a port of this file"
#endif

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace j1939 {

namespace {

QString program;
int outputError = 0;
bool inputClosed = false;
bool outputClosed = false;

}  // namespace

void SetConsoleProgram(const char* name) {
  program = QString::fromUtf8(name);
}

void OpenClosedStandardDescriptors() {
  for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor: the one that is closed, the lower ones being open.
    if (::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY) != fd) continue;
    if (fd == STDIN_FILENO) inputClosed = true;
    if (fd == STDOUT_FILENO) outputClosed = true;
  }
}

bool StandardInputClosed() {
  return inputClosed;
}

void Out(const QString& text) {
  OutBytes(text.toUtf8());
}

void OutBytes(const QByteArray& bytes) {
  if (outputError != 0 || bytes.isEmpty()) return;
  if (outputClosed)
    outputError = EBADF;
  else if (std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout) !=
               static_cast<size_t>(bytes.size()) ||
           std::fflush(stdout) != 0)
    outputError = errno != 0 ? errno : EIO;
}

void Say(const QString& line) {
  Out(line + QLatin1Char('\n'));
}

void Complain(const QString& line) {
  // One write, so that complaints of programs sharing a terminal do not mix.
  std::fputs((program + QStringLiteral(": ") + line + QLatin1Char('\n')).toUtf8().constData(),
             stderr);
}

QString OutputFailure() {
  if (outputError == 0) return QString();
  if (outputClosed) return QStringLiteral("it is closed");
  return QString::fromLocal8Bit(std::strerror(outputError));
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

}  // namespace j1939
