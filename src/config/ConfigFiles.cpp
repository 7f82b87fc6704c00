#include "config/ConfigFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>

#include "config/ConfigFile.h"
#include "config/ConfigRecordFile.h"
#include "config/FormBinding.h"
#include "ui_frmMain.h"

namespace {

QString shown(const QString& path) {
  return QDir::toNativeSeparators(path);
}

Failure cannotOpen(const QString& path, const QString& reason) {
  return Failure{QCoreApplication::translate("ConfigFiles", "Cannot open the configuration file %1")
                     .arg(shown(path)),
                 reason};
}
Failure cannotRead(const QString& path, const QString& reason) {
  return Failure{QCoreApplication::translate("ConfigFiles", "Cannot read the configuration file %1")
                     .arg(shown(path)),
                 reason};
}
Failure cannotWrite(const QString& path, const QString& reason) {
  return Failure{
      QCoreApplication::translate("ConfigFiles", "Cannot write the configuration file %1")
          .arg(shown(path)),
      reason};
}

}  // namespace

ConfigFiles::ConfigFiles(Ui::frmMain& form, FormState& state, FormBinding& binding,
                         Platform platform, const QString& workingDirectory, QObject* parent)
    : QObject(parent),
      state_(state),
      binding_(binding),
      platform_(platform),
      factory_([](const QString& path) { return std::make_unique<QFile>(path); }) {
  defaultFile_.path = QDir(workingDirectory).filePath(kDefaultConfigFileName);
  connect(form.mnuFileOpen, &QAction::triggered, this, [this] { openUserFile(); });
  connect(form.mnuFileSave, &QAction::triggered, this, [this] { save(); });
  connect(form.mnuFileSaveAs, &QAction::triggered, this, [this] { saveAs(); });
}

ConfigFiles::~ConfigFiles() = default;

MaybeFailure ConfigFiles::openFile(OpenFile& slot, QString path) {
  closeFile(slot);
  slot = OpenFile{};
  slot.path = path;
  slot.file = factory_(path);
  // Read-write creates a missing file and never empties an existing one.
  if (slot.file->open(QIODevice::ReadWrite)) return std::nullopt;
  const QString reason = slot.file->errorString();
  // A file that cannot be written may still be read: load it, refuse writes.
  if (QFileInfo::exists(path) && slot.file->open(QIODevice::ReadOnly)) {
    slot.writeRefusal = reason;
    return std::nullopt;
  }
  slot.openError = reason;
  return cannotOpen(path, reason);
}

MaybeFailure ConfigFiles::readRecord(OpenFile& slot, SimulatorConfig& config) {
  if (!slot.file || !slot.file->isOpen()) return cannotRead(slot.path, slot.openError);
  if (MaybeFailure failure = ReadConfigRecord(*slot.file, config))
    return cannotRead(slot.path, failure->reason);
  return std::nullopt;
}

MaybeFailure ConfigFiles::writeRecord(OpenFile& slot, const SimulatorConfig& config) {
  if (!slot.file || !slot.file->isOpen()) {
    return cannotWrite(slot.path,
                       slot.openError.isEmpty() ? tr("the file is not open") : slot.openError);
  }
  if (!slot.file->isWritable()) return cannotWrite(slot.path, slot.writeRefusal);
  if (!slot.file->seek(0)) return cannotWrite(slot.path, slot.file->errorString());
  const QByteArray record = EncodeConfigRecord(config);
  const qint64 written = slot.file->write(record);
  if (written < 0) return cannotWrite(slot.path, slot.file->errorString());
  if (written != record.size()) {
    return cannotWrite(slot.path,
                       tr("only %1 of its %2 bytes were written").arg(written).arg(record.size()));
  }
  if (!slot.file->flush()) return cannotWrite(slot.path, slot.file->errorString());
  return std::nullopt;
}

void ConfigFiles::closeFile(OpenFile& slot) {
  if (slot.file && slot.file->isOpen()) slot.file->close();
}

MaybeFailure ConfigFiles::OpenDefaultFile() {
  state_.UserFileOpen = 0;
  MaybeFailure failure = openFile(defaultFile_, defaultFile_.path);
  if (failure) return failure;
  failure = readRecord(defaultFile_, state_.Config);
  // The form then shows the all-zero record, which is nobody's configuration.
  keepUnreadDefaultFile_ = failure.has_value();
  return failure;
}

MaybeFailure ConfigFiles::defaultFileWriteRefusal() const {
  if (!defaultFile_.file || !defaultFile_.file->isOpen() || defaultFile_.file->isWritable())
    return std::nullopt;
  return cannotWrite(defaultFile_.path, defaultFile_.writeRefusal);
}

MaybeFailure ConfigFiles::WriteDefaultFileAndClose() {
  if (closed_) return std::nullopt;
  closed_ = true;
  MaybeFailure failure;
  if (!keepUnreadDefaultFile_ || binding_.formChangedByUser())
    failure = writeRecord(defaultFile_, state_.Config);
  closeFile(defaultFile_);
  // The user file is not written at exit: j1939.cfg holds the last state.
  if (state_.UserFileOpen) closeFile(userFile_);
  return failure;
}

void ConfigFiles::replaceUserFile() {
  if (state_.UserFileOpen)
    closeFile(userFile_);
  else
    state_.UserFileOpen = -1;
}

void ConfigFiles::openUserFile() {
  if (closed_) return;
  const QString name = platform_.fileDialogs.getOpenFileName(tr("Open"), ConfigFileFilter());
  if (name.isEmpty()) return;
  replaceUserFile();
  if (MaybeFailure failure = openFile(userFile_, name)) return reportFileFailure(*failure);
  // Decoded aside first: a file that is refused leaves record and form alone.
  SimulatorConfig loaded = state_.Config;
  if (MaybeFailure failure = readRecord(userFile_, loaded)) return reportFileFailure(*failure);
  state_.Config = loaded;
  // The form shows another configuration now: the exit stores it.
  keepUnreadDefaultFile_ = false;
  // Edits in the form that had not been stored are replaced here.
  const QList<Failure> notShown = binding_.ConfigToForm();
  // The run may have ended during a message of the loading.
  if (!closed_) reportNotShown(name, notShown);
}

void ConfigFiles::save() {
  if (closed_) return;
  keepUnreadDefaultFile_ = false;
  OpenFile& target = state_.UserFileOpen ? userFile_ : defaultFile_;
  if (MaybeFailure failure = binding_.FormToConfig()) return reportNotStored(*failure, target.path);
  if (MaybeFailure failure = writeRecord(target, state_.Config)) reportFileFailure(*failure);
}

void ConfigFiles::saveAs() {
  if (closed_) return;
  const QString name = platform_.fileDialogs.getSaveFileName(tr("save as"), ConfigFileFilter());
  if (name.isEmpty()) return;
  keepUnreadDefaultFile_ = false;
  replaceUserFile();
  // An existing file is opened as it is; only its first record is overwritten.
  if (MaybeFailure failure = openFile(userFile_, name)) return reportFileFailure(*failure);
  if (MaybeFailure failure = binding_.FormToConfig()) return reportNotStored(*failure, name);
  if (MaybeFailure failure = writeRecord(userFile_, state_.Config)) reportFileFailure(*failure);
}

void ConfigFiles::reportFileFailure(const Failure& failure) {
  platform_.messages.show(describeFailure(failure), ConfigFileErrorTitle(),
                          MessageIcon::Information);
}

void ConfigFiles::reportNotShown(const QString& path, const QList<Failure>& fields) {
  if (fields.isEmpty()) return;
  QStringList names;
  for (const Failure& field : fields) names << describeFailure(field);
  reportFileFailure(
      Failure{tr("Cannot show the configuration from %1").arg(shown(path)),
              tr("%1. The other fields are shown. These keep the values stored in the file "
                 "until you set them.")
                  .arg(names.join(QStringLiteral("; ")))});
}

void ConfigFiles::reportNotStored(const Failure& failure, const QString& path) {
  platform_.messages.show(tr("Cannot store %1: %2. Nothing was written to %3.")
                              .arg(failure.what, failure.reason, shown(path)),
                          ConfigNotStoredTitle(), MessageIcon::Information);
}
