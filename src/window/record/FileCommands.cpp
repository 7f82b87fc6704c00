#include "window/record/FileCommands.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <array>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include "rules/record/RecordCodec.h"
#include "rules/record/RecordFromFile.h"
#include "ui_frmMain.h"
#include "window/record/FormBinding.h"

namespace j1939 {

namespace {

QString shown(const QString& path) {
  return QDir::toNativeSeparators(path);
}

Failure cannotOpen(const QString& path, const QString& reason) {
  return Failure{
      QCoreApplication::translate("j1939::FileCommands", "Cannot open the configuration file %1")
          .arg(shown(path)),
      reason};
}
Failure cannotRead(const QString& path, const QString& reason) {
  return Failure{
      QCoreApplication::translate("j1939::FileCommands", "Cannot read the configuration file %1")
          .arg(shown(path)),
      reason};
}
Failure cannotWrite(const QString& path, const QString& reason) {
  return Failure{
      QCoreApplication::translate("j1939::FileCommands", "Cannot write the configuration file %1")
          .arg(shown(path)),
      reason};
}

}  // namespace

FileCommands::FileCommands(Ui::frmMain& form, FormState& state, FormBinding& binding,
                           Platform platform, const QString& workingDirectory, QObject* parent)
    : QObject(parent),
      state_(state),
      binding_(binding),
      platform_(platform),
      factory_([](const QString& path) { return std::make_unique<QFile>(path); }),
      defaultPath_(QDir(workingDirectory).filePath(kDefaultConfigFileName)) {
  connect(form.mnuFileOpen, &QAction::triggered, this, [this] { openUserFile(); });
  connect(form.mnuFileSave, &QAction::triggered, this, [this] { save(); });
  connect(form.mnuFileSaveAs, &QAction::triggered, this, [this] { saveAs(); });
}

FileCommands::~FileCommands() = default;

MaybeFailure FileCommands::readRecordAt(const QString& path, SimulatorConfig& config,
                                        bool emptyIsNew) {
  const std::unique_ptr<QFile> file = factory_(path);
  if (!file->open(QIODevice::ReadOnly)) return cannotOpen(path, file->errorString());
  if (!emptyIsNew && file->size() == 0) return cannotRead(path, ShortRecordReason(0));
  if (MaybeFailure failure = ReadConfigRecord(*file, config))
    return cannotRead(path, failure->reason);
  return std::nullopt;
}

namespace {

// Record 1 into an open file, through to the disk.
MaybeFailure putRecord(QFile& file, const QByteArray& record) {
  if (!file.seek(0)) return Failure{QString(), file.errorString()};
  const qint64 written = file.write(record);
  if (written < 0) return Failure{QString(), file.errorString()};
  if (written != record.size()) {
    return Failure{QString(), QCoreApplication::translate("j1939::FileCommands",
                                                          "only %1 of its %2 bytes were written")
                                  .arg(written)
                                  .arg(record.size())};
  }
  if (!file.flush()) return Failure{QString(), file.errorString()};
#ifdef Q_OS_UNIX
  // A full disk may only say so when the data leaves the page cache.
  if (::fsync(file.handle()) != 0) return Failure{QString(), qt_error_string(errno)};
#endif
  return std::nullopt;
}

}  // namespace

MaybeFailure FileCommands::writeRecordAt(const QString& path, const SimulatorConfig& config) {
  const bool existed = QFileInfo::exists(path);
  const std::unique_ptr<QFile> file = factory_(path);
  // Read-write creates a missing file and never empties an existing one.
  if (!file->open(QIODevice::ReadWrite)) return cannotWrite(path, file->errorString());
  const qint64 sizeBefore = file->size();
  const QByteArray replaced = file->read(kConfigRecordSize);
  const MaybeFailure failure = putRecord(*file, EncodeConfigRecord(config));
  if (!failure) return std::nullopt;
  // The file as it was: a new one goes again, an old one gets its bytes back.
  if (!existed) {
    file->close();
    QFile::remove(path);
  } else if (file->seek(0) && file->write(replaced) == replaced.size()) {
    if (sizeBefore < kConfigRecordSize) file->resize(sizeBefore);
    file->flush();
  }
  return cannotWrite(path, failure->reason);
}

void FileCommands::takeDefaultFileLock() {
  lock_ = std::make_unique<QLockFile>(defaultPath_ + QStringLiteral(".lock"));
  // Held as long as the window runs: only a lock whose process is gone is
  // stale (a crashed run), never one that is merely old.
  lock_->setStaleLockTime(0);
  if (lock_->tryLock(0)) return;
  if (lock_->error() == QLockFile::LockFailedError) {
    qint64 pid = 0;
    QString host, application;
    lock_->getLockInfo(&pid, &host, &application);
    holder_ = pid;
  }
  // No lock could be made (a folder that cannot be written): the writes say why.
  lock_.reset();
}

MaybeFailure FileCommands::OpenDefaultFile() {
  state_.UserFileOpen = false;
  takeDefaultFileLock();
  defaultWriteRefusal_.clear();
  {
    // A first run leaves j1939.cfg in place, empty, as the file of this folder.
    const std::unique_ptr<QFile> file = factory_(defaultPath_);
    if (!file->open(QIODevice::ReadWrite)) {
      // A file that cannot be written may still be read: load it, say so.
      const QString reason = file->errorString();
      if (!file->open(QIODevice::ReadOnly)) return cannotOpen(defaultPath_, reason);
      defaultWriteRefusal_ = reason;
    }
  }
  const MaybeFailure failure = readRecordAt(defaultPath_, state_.Config, true);
  // The form then shows the all-zero record, which is nobody's configuration.
  keepUnreadDefaultFile_ = failure.has_value();
  return failure;
}

MaybeFailure FileCommands::defaultFileWriteRefusal() const {
  if (defaultWriteRefusal_.isEmpty()) return std::nullopt;
  return cannotWrite(defaultPath_, defaultWriteRefusal_);
}

MaybeFailure FileCommands::WriteDefaultFileAndClose() {
  if (closed_) return std::nullopt;
  closed_ = true;
  MaybeFailure failure;
  // Another window holds j1939.cfg and writes it when it closes.
  if (!holder_ && (!keepUnreadDefaultFile_ || binding_.formChangedByUser()))
    failure = writeRecordAt(defaultPath_, state_.Config);
  // The user file is not written at exit: j1939.cfg holds the last state.
  lock_.reset();
  return failure;
}

bool FileCommands::settleChanges(Before what) {
  if (!binding_.isModified()) return true;
  const QString file = QFileInfo(currentFile()).fileName();
  const QString prompt =
      what == Before::Closing
          ? tr("The form has changes that are not saved in %1. Save them before closing? %2 "
               "receives them at exit either way.")
                .arg(file, kDefaultConfigFileName)
          : tr("The form has changes that are not saved in %1. Save them first?").arg(file);
  switch (platform_.messages.askToSave(prompt, tr("Tarvik Configuration"))) {
    case SaveAnswer::Save:
      return save();
    case SaveAnswer::Discard:
      return true;
    case SaveAnswer::Cancel:
      break;
  }
  return false;
}

void FileCommands::openUserFile() {
  if (closed_ || !settleChanges(Before::Replacing)) return;
  const QString name = platform_.fileDialogs.getOpenFileName(tr("Open"), ConfigFileFilter());
  if (!name.isEmpty()) openFile(name);
}

void FileCommands::openFile(const QString& name) {
  if (closed_) return;
  // A mistyped name opens nothing and creates nothing: the form and the file
  // that Save writes stay as they were.
  if (!QFileInfo::exists(name))
    return reportFileFailure(cannotOpen(name, tr("there is no such file")));
  // From here on Save writes to the chosen file, even one that cannot be read.
  state_.UserFileOpen = true;
  userPath_ = name;
  emit currentFileChanged(name);
  // Decoded aside first: a file that is refused leaves record and form alone.
  SimulatorConfig loaded = state_.Config;
  if (MaybeFailure failure = readRecordAt(name, loaded, false)) return reportFileFailure(*failure);
  state_.Config = loaded;
  // The form shows another configuration now: the exit stores it.
  keepUnreadDefaultFile_ = false;
  // Edits in the form that had not been stored are replaced here.
  const QList<Failure> notShown = binding_.ConfigToForm();
  // The run may have ended during a message of the loading.
  if (!closed_) reportNotShown(name, notShown);
  if (!closed_) binding_.checkShownSlots();
  binding_.markUnmodified();
  emit fileUsed(name);
}

bool FileCommands::save() {
  if (closed_) return false;
  keepUnreadDefaultFile_ = false;
  const QString target = currentFile();
  if (MaybeFailure failure = binding_.FormToConfig()) {
    reportNotStored(*failure, target);
    return false;
  }
  if (MaybeFailure failure = writeRecordAt(target, state_.Config)) {
    reportFileFailure(*failure);
    return false;
  }
  binding_.markUnmodified();
  emit fileUsed(target);
  return true;
}

void FileCommands::saveAs() {
  if (closed_) return;
  const QString name = platform_.fileDialogs.getSaveFileName(tr("save as"), ConfigFileFilter());
  if (name.isEmpty()) return;
  keepUnreadDefaultFile_ = false;
  state_.UserFileOpen = true;
  userPath_ = name;
  emit currentFileChanged(name);
  if (MaybeFailure failure = binding_.FormToConfig()) return reportNotStored(*failure, name);
  // An existing file keeps everything after its first record.
  if (MaybeFailure failure = writeRecordAt(name, state_.Config)) return reportFileFailure(*failure);
  binding_.markUnmodified();
  emit fileUsed(name);
}

void FileCommands::reportFileFailure(const Failure& failure) {
  platform_.messages.show(DescribeFailure(failure), ConfigFileErrorTitle(),
                          MessageIcon::Information);
}

void FileCommands::reportNotShown(const QString& path, const QList<Failure>& fields) {
  if (fields.isEmpty()) return;
  QStringList names;
  for (const Failure& field : fields) names << DescribeFailure(field);
  reportFileFailure(
      Failure{tr("Cannot show the configuration from %1").arg(shown(path)),
              tr("%1. The other fields are shown. These keep the values stored in the file "
                 "until you set them.")
                  .arg(names.join(QStringLiteral("; ")))});
}

void FileCommands::reportNotStored(const Failure& failure, const QString& path) {
  platform_.messages.show(tr("Cannot store %1: %2. Nothing was written to %3.")
                              .arg(failure.what, failure.reason, shown(path)),
                          ConfigNotStoredTitle(), MessageIcon::Information);
}

}  // namespace j1939

#include "moc_FileCommands.cpp"
