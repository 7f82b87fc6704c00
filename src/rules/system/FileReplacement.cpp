#include "rules/system/FileReplacement.h"

#include <QtGlobal>
#ifndef Q_OS_UNIX
#error \
    "POSIX only: a file is replaced keeping its owner and mode with POSIX calls; this platform needs a port of this file"
#endif

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSysInfo>
#include <cerrno>
#include <cstring>

namespace j1939 {

namespace {

// The permission bits chmod takes: set-user-ID, set-group-ID, sticky and rwx for all.
constexpr mode_t kModeBits = S_ISUID | S_ISGID | S_ISVTX | S_IRWXU | S_IRWXG | S_IRWXO;

QString systemReason(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

// All of `bytes` into `fd`; the reason (an errno value) when it cannot take
// them, a full disk (ENOSPC) or the file-size limit (EFBIG) among them. Written
// past QSaveFile's own buffer, whose failure to flush commit() does not see.
std::optional<int> writeAll(int fd, const QByteArray& bytes) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    done += n;
  }
  return std::nullopt;
}

// Whether the process that wrote a lock file on this machine has ended.
bool processEnded(qint64 pid, const QString& host) {
  if (!host.isEmpty() && host != QSysInfo::machineHostName()) return false;
  return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

bool writableByMe(const QByteArray& path) {
  return ::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) == 0;
}

// Writes `bytes` into a new file that takes the place of `path` at once, with
// the owner, group and mode of `was` (the file replaced), when there was one.
std::optional<QString> replace(const QString& path, const QByteArray& bytes,
                               const struct stat* was) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return file.errorString();
  const int fd = file.handle();
  std::optional<int> error;
  if (was) {
    struct stat now {};
    if (::fstat(fd, &now) != 0) {
      error = errno;
    } else if ((now.st_uid != was->st_uid || now.st_gid != was->st_gid) &&
               ::fchown(fd, was->st_uid, was->st_gid) != 0) {
      const int reason = errno;
      file.cancelWriting();
      return QStringLiteral("its owner and group (%1:%2) cannot be kept: %3")
          .arg(was->st_uid)
          .arg(was->st_gid)
          .arg(systemReason(reason));
    } else if (::fchmod(fd, was->st_mode & kModeBits) != 0) {
      // After the owner: a new owner clears the set-user-ID and set-group-ID bits.
      error = errno;
    }
  }
  if (!error) error = writeAll(fd, bytes);
  if (!error && ::fsync(fd) != 0) error = errno;
  if (error) {
    file.cancelWriting();
    return systemReason(*error);
  }
  if (!file.commit()) return file.errorString();
  return std::nullopt;
}

}  // namespace

FileReplacement::FileReplacement(const QString& path) {
  const QFileInfo info(path);
  target_ = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
}

FileReplacement::~FileReplacement() = default;

QString FileReplacement::lockPath() const {
  return target_ + QStringLiteral(".lock");
}

std::optional<QString> FileReplacement::kindRefusal() const {
  struct stat info {};
  if (::stat(QFile::encodeName(target_).constData(), &info) == 0 && !S_ISREG(info.st_mode))
    return QStringLiteral("it is not a regular file");
  return std::nullopt;
}

std::optional<QString> FileReplacement::lock(std::chrono::milliseconds wait) {
  lock_ = std::make_unique<QLockFile>(lockPath());
  // A holder that still runs is waited for however long it has held the lock;
  // only one that has ended leaves a lock to take over.
  lock_->setStaleLockTime(0);
  qint64 pid = 0;
  QString host, program;
  const QFileInfo previous(lockPath());
  if (previous.exists() && lock_->getLockInfo(&pid, &host, &program) && processEnded(pid, host))
    deadHoldersLock_ = previous.lastModified();
  if (lock_->tryLock(static_cast<int>(wait.count()))) return std::nullopt;
  const QLockFile::LockError error = lock_->error();
  lock_.reset();
  if (error == QLockFile::LockFailedError) {
    if (QLockFile(lockPath()).getLockInfo(&pid, &host, &program))
      return QStringLiteral("another writer, process %1%2, holds %3")
          .arg(pid)
          .arg(host.isEmpty() || host == QSysInfo::machineHostName()
                   ? QString()
                   : QStringLiteral(" on %1").arg(host),
               lockPath());
    return QStringLiteral("another writer holds %1").arg(lockPath());
  }
  if (error == QLockFile::PermissionError)
    return QStringLiteral("cannot create its lock file %1: %2")
        .arg(lockPath(), systemReason(EACCES));
  return QStringLiteral("cannot create its lock file %1").arg(lockPath());
}

bool FileReplacement::isReadOnly() const {
  const QByteArray path = QFile::encodeName(target_);
  struct stat info {};
  if (::stat(path.constData(), &info) != 0) return false;
  return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || !writableByMe(path);
}

std::optional<QString> FileReplacement::write(const QByteArray& bytes) {
  const QByteArray path = QFile::encodeName(target_);
  struct stat was {};
  const bool existed = ::stat(path.constData(), &was) == 0;
  if (existed && !S_ISREG(was.st_mode)) return QStringLiteral("it is not a regular file");

  // QSaveFile refuses a file this user may not write: its owner makes it
  // writable for the time of the write. The new file gets the old mode; the
  // old one gets it back, whatever names it still has.
  const bool lockedForMe = existed && !writableByMe(path);
  int old = -1;
  if (lockedForMe) {
    old = ::open(path.constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (::chmod(path.constData(), was.st_mode | S_IWUSR) != 0) {
      if (old >= 0) ::close(old);
      return systemReason(EACCES);
    }
  }
  const std::optional<QString> failure = replace(target_, bytes, existed ? &was : nullptr);
  if (lockedForMe) {
    if (old >= 0)
      ::fchmod(old, was.st_mode & kModeBits);
    else if (failure)
      ::chmod(path.constData(), was.st_mode & kModeBits);
    if (old >= 0) ::close(old);
  }
  if (!failure) removeLeftovers();
  return failure;
}

void FileReplacement::removeLeftovers() const {
  // QSaveFile names its temporary file FILE.XXXXXX, six letters. Only a writer
  // that ended while holding the lock can have left one, made after it took
  // the lock: a file of that name from before (FILE.backup) is someone's own.
  if (!deadHoldersLock_) return;
  const QFileInfo file(target_);
  const QRegularExpression temporary(QRegularExpression::anchoredPattern(
      QRegularExpression::escape(file.fileName()) + QStringLiteral("\\.[A-Za-z]{6}")));
  const QDir folder = file.dir();
  for (const QFileInfo& entry : folder.entryInfoList(QDir::Files | QDir::Hidden)) {
    if (temporary.match(entry.fileName()).hasMatch() && !entry.isSymLink() &&
        entry.lastModified() >= *deadHoldersLock_)
      QFile::remove(entry.absoluteFilePath());
  }
}

}  // namespace j1939
