#include "rules/system/SettingsFile.h"

#include <QtGlobal>
#ifndef Q_OS_UNIX
#error \
    "POSIX only: the settings file is checked with POSIX calls; this platform needs a port of this file"
#endif

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QSettings>
#include <cerrno>
#include <cstring>

#include "rules/system/AppInfo.h"

namespace j1939 {

std::optional<QString> SettingsFileProblem() {
  // The same file as the store's: organisation and application both the title.
  const QSettings settings(kAppTitle, kAppTitle);
  if (settings.status() == QSettings::NoError) return std::nullopt;
  const QString file = settings.fileName();
  const auto problem = [&](const QString& reason) {
    return QStringLiteral("cannot read the settings file %1: %2").arg(file, reason);
  };
  if (settings.status() == QSettings::FormatError)
    return problem(QStringLiteral("it is no INI file"));
  const QByteArray path = QFile::encodeName(file);
  struct stat info {};
  if (::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode))
    return problem(QStringLiteral("it is a directory"));
  int error = EACCES;
  if (const int fd = ::open(path.constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
      fd >= 0)
    ::close(fd);
  else
    error = errno;
  return problem(QString::fromLocal8Bit(std::strerror(error)));
}

}  // namespace j1939
