#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "rules/system/Failure.h"
#include "window/desktop/Platform.h"
#include "window/record/FormState.h"

class QFile;
class QLockFile;

namespace Ui {
class frmMain;
}

namespace j1939 {

class FormBinding;

// Captions of the messages that report what the file commands could not do.
inline QString ConfigFileErrorTitle() {
  return QCoreApplication::translate("j1939::FileCommands", "Configuration file error");
}
inline QString ConfigNotStoredTitle() {
  return QCoreApplication::translate("j1939::FileCommands", "Configuration not stored");
}
inline QString ConfigFileFilter() {
  //: The file dialogs' filter: a description, then "|" and the pattern, which stays *.cfg.
  return QCoreApplication::translate("j1939::FileCommands", "J1939 Configure File (*.cfg)|*.cfg");
}
inline const QString kDefaultConfigFileName = QStringLiteral("j1939.cfg");

// The configuration files: j1939.cfg in the working directory, read at
// start-up and written at exit, and the one file the user chose last with Open
// or Save As, to which Save writes once there is one. Every read and write
// opens the file at its path at that moment and closes it again: a file that
// another program replaced meanwhile (an editor, git, `j1939cfg set`) is the
// one written, never the old one it unlinked. Only record 1 (the first 84
// bytes) of a file is read or written; anything after it is left alone. A
// write that fails puts back the bytes it had replaced.
//
// j1939.cfg is held with a lock file (j1939.cfg.lock) for the whole run, so
// that of two windows in one folder only the first writes it at exit.
class FileCommands : public QObject {
  Q_OBJECT
 public:
  // How a file is made; tests substitute files that fail in chosen ways.
  using FileFactory = std::function<std::unique_ptr<QFile>(const QString& path)>;

  FileCommands(Ui::frmMain& form, FormState& state, FormBinding& binding, Platform platform,
               const QString& workingDirectory, QObject* parent = nullptr);
  ~FileCommands() override;

  void setFileFactory(FileFactory factory) { factory_ = std::move(factory); }
  QString defaultFilePath() const { return defaultPath_; }

  // Start-up: takes the lock of j1939.cfg, creates the file if it is missing
  // and reads record 1 into the record (an empty file leaves it all zeros). A
  // file that cannot be read is not written at exit unless the user saves,
  // opens a file or changes the form.
  MaybeFailure OpenDefaultFile();
  // Why j1939.cfg, readable at start-up, could not be opened for writing then;
  // nothing when it could.
  MaybeFailure defaultFileWriteRefusal() const;
  // The process id of the other window that holds j1939.cfg (0 when the lock
  // does not say); nothing when this window holds it or no lock could be made.
  std::optional<qint64> defaultFileHolder() const { return holder_; }
  // Exit: writes the record as record 1 of j1939.cfg, unless another window
  // holds it, and lets go of the lock. After this the File commands do nothing.
  MaybeFailure WriteDefaultFileAndClose();

  // The File menu; the toolbar's "Open" and "Save" run the same commands.
  // Each reports what it could not do in a message box naming the file or the
  // field and the reason; the steps done before a failure keep their effect.
  void openUserFile();
  // Open without the dialog: a file given on the command line, dropped on the
  // window or picked from the recent files. Changes are asked about first by
  // the caller.
  void openFile(const QString& name);
  // True when the record was stored and written.
  bool save();
  void saveAs();

  // The file that Save writes: the user file once there is one, else j1939.cfg.
  QString currentFile() const { return state_.UserFileOpen ? userPath_ : defaultPath_; }
  bool hasUserFile() const { return state_.UserFileOpen; }
  // Before the form's changes would be replaced or left behind: asks whether
  // to save them (Save / Discard / Cancel) when the form is modified. True when
  // the command may go on: nothing to ask, Discard, or Save that succeeded.
  enum class Before { Replacing, Closing };
  bool settleChanges(Before what);

  // Shows a failure of a file step.
  void reportFileFailure(const Failure& failure);
  // Tells the user once which fields of the configuration read from `path`
  // the form could not show, and that they keep their stored values.
  void reportNotShown(const QString& path, const QList<Failure>& fields);

 signals:
  // Save now writes to this file (j1939.cfg at start-up, then the file of the
  // last Open or Save As).
  void currentFileChanged(const QString& path);
  // A file was opened, or written by Save or Save As.
  void fileUsed(const QString& path);

 private:
  // Record 1 of the file at `path`. An empty file is the all-zero record only
  // where `emptyIsNew` (j1939.cfg of a first run); elsewhere it is refused.
  MaybeFailure readRecordAt(const QString& path, SimulatorConfig& config, bool emptyIsNew);
  MaybeFailure writeRecordAt(const QString& path, const SimulatorConfig& config);
  void takeDefaultFileLock();
  void reportNotStored(const Failure& failure, const QString& path);

  FormState& state_;
  FormBinding& binding_;
  Platform platform_;
  FileFactory factory_;
  QString defaultPath_;
  QString userPath_;
  QString defaultWriteRefusal_;  // why j1939.cfg could only be opened for reading
  std::unique_ptr<QLockFile> lock_;
  std::optional<qint64> holder_;
  bool closed_ = false;
  bool keepUnreadDefaultFile_ = false;  // j1939.cfg could not be read at start-up
};

}  // namespace j1939
