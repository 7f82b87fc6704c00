#include "apps/j1939cfg/ConfigInput.h"

#include <QtGlobal>
#ifndef Q_OS_UNIX
#error \
    "POSIX only: j1939cfg tells files, devices and pipes apart with POSIX stat; this platform needs a port of this file"
#endif

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <cerrno>
#include <cstring>

#include "apps/console/Console.h"
#include "rules/record/RecordCodec.h"

namespace j1939 {

namespace {

QString systemReason(int error) {
  if (error == ENOENT) return QStringLiteral("it does not exist");
  return QString::fromLocal8Bit(std::strerror(error));
}

// Only what can be read from start to end: a directory is not a file, and a
// device (a terminal, /dev/zero, a serial port) is never opened, since opening
// some of them already acts on them.
std::optional<QString> refusal(const struct stat& info) {
  if (S_ISDIR(info.st_mode)) return QStringLiteral("it is a directory");
  if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
    return QStringLiteral("it is a device, not a file");
  return std::nullopt;
}

// Up to `limit` bytes from `fd`, as they come; a descriptor left non-blocking
// by whoever opened it is waited on.
std::optional<int> readBytes(int fd, qsizetype limit, QByteArray& bytes) {
  bytes.resize(limit);
  qsizetype count = 0;
  while (count < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + count, static_cast<size_t>(bytes.size() - count));
    if (n == 0) break;
    if (n > 0) {
      count += n;
      continue;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN) return errno;
    pollfd in{fd, POLLIN, 0};
    ::poll(&in, 1, -1);
  }
  bytes.resize(count);
  return std::nullopt;
}

}  // namespace

std::optional<QString> ReadInputBytes(const QString& file, qsizetype limit, QByteArray& bytes) {
  const bool standardInput = file == QLatin1String("-");
  if (standardInput && StandardInputClosed()) return QStringLiteral("standard input is closed");
  const QByteArray path = file.toLocal8Bit();

  struct stat info {};
  if (!standardInput && ::stat(path.constData(), &info) != 0) return systemReason(errno);
  if (!standardInput)
    if (const std::optional<QString> reason = refusal(info)) return reason;

  const int fd = standardInput ? STDIN_FILENO : ::open(path.constData(), O_RDONLY | O_NOCTTY);
  if (fd < 0) return systemReason(errno);
  // What was opened is what is read: check it again, and standard input here.
  std::optional<QString> reason;
  if (::fstat(fd, &info) != 0)
    reason = systemReason(errno);
  else
    reason = refusal(info);
  if (!reason)
    if (const std::optional<int> error = readBytes(fd, limit, bytes)) reason = systemReason(*error);
  if (!standardInput) ::close(fd);
  return reason;
}

MaybeFailure ReadConfigInput(const QString& file, SimulatorConfig& config) {
  const QString what = file == QLatin1String("-")
                           ? QStringLiteral("Cannot read the configuration from standard input")
                           : QStringLiteral("Cannot read the configuration file %1")
                                 .arg(QDir::toNativeSeparators(file));
  QByteArray bytes;
  if (const std::optional<QString> reason = ReadInputBytes(file, kConfigRecordSize, bytes))
    return Failure{what, *reason};
  if (const MaybeFailure failure = DecodeConfigRecord(bytes, config))
    return Failure{what, failure->reason};
  return std::nullopt;
}

}  // namespace j1939
