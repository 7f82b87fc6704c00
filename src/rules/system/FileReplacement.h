#pragma once

#include <QDateTime>
#include <QLockFile>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>

namespace j1939 {

// One file replaced whole, so that nothing is lost on the way: the new bytes go
// into a temporary file beside it (FILE.XXXXXX, through QSaveFile), which is
// synced and renamed over it only when every step has succeeded; the file
// keeps its owner, group and mode. A link to a file writes the file it leads
// to; a hard link is split (the other names keep the old bytes). While one
// writer holds FILE.lock from its read to its rename, no other writer that
// takes the lock comes between. Qt Core only.
class FileReplacement {
 public:
  // `path` as given; a link to a file stands for that file.
  explicit FileReplacement(const QString& path);
  ~FileReplacement();

  // Why the file cannot be replaced at all: it exists and is not a regular
  // file (a device, a named pipe, a directory, or a link to one). Nothing for
  // a regular file or a new name.
  std::optional<QString> kindRefusal() const;

  // Takes FILE.lock, waiting up to `wait` for another writer to let it go.
  // A lock whose holder has ended is taken over. The reason names the holder's
  // process when another writer keeps it.
  std::optional<QString> lock(std::chrono::milliseconds wait);
  QString lockPath() const;

  // Whether the file exists and says it is not to be written: no write
  // permission for this user, or, for root, none for anyone.
  bool isReadOnly() const;

  // Replaces the file with `bytes` (a read-only file too: it stays read-only).
  // On a failure the file is as it was and the temporary file is gone. After
  // a success, the temporary files that a writer which ended while holding
  // the lock left beside it are removed.
  std::optional<QString> write(const QByteArray& bytes);

 private:
  void removeLeftovers() const;

  QString target_;  // the file written: a link resolved
  std::unique_ptr<QLockFile> lock_;
  // The lock file of a writer that ended while holding it, when there was one.
  std::optional<QDateTime> deadHoldersLock_;
};

}  // namespace j1939
