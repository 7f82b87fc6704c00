#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "config/Failure.h"
#include "config/FormState.h"
#include "platform/Platform.h"

class FormBinding;
class QFile;

namespace Ui {
class frmMain;
}

// Captions of the messages that report what the file commands could not do.
inline QString ConfigFileErrorTitle() {
  return QCoreApplication::translate("ConfigFiles", "Configuration file error");
}
inline QString ConfigNotStoredTitle() {
  return QCoreApplication::translate("ConfigFiles", "Configuration not stored");
}
inline QString ConfigFileFilter() {
  //: The file dialogs' filter: a description, then "|" and the pattern, which stays *.cfg.
  return QCoreApplication::translate("ConfigFiles", "J1939 Configure File (*.cfg)|*.cfg");
}
inline const QString kDefaultConfigFileName = QStringLiteral("j1939.cfg");

// The configuration files: j1939.cfg in the working directory, open from
// start-up to exit, and the one file the user chose last with Open or Save As,
// to which Save writes once there is one. Only record 1 (the first 84 bytes)
// of a file is read or written; anything after it is left alone. A file that
// can be read but not written is still read; writing to it is reported.
class ConfigFiles : public QObject {
  Q_OBJECT
 public:
  // How a file is made; tests substitute files that fail in chosen ways.
  using FileFactory = std::function<std::unique_ptr<QFile>(const QString& path)>;

  ConfigFiles(Ui::frmMain& form, FormState& state, FormBinding& binding, Platform platform,
              const QString& workingDirectory, QObject* parent = nullptr);
  ~ConfigFiles() override;

  void setFileFactory(FileFactory factory) { factory_ = std::move(factory); }
  QString defaultFilePath() const { return defaultFile_.path; }

  // Start-up: opens j1939.cfg for reading and writing, creating it if it is
  // missing, and reads record 1 into the record (an empty file leaves it all
  // zeros). A file that can only be read is opened for reading. A file that
  // cannot be read is not written at exit unless the user saves, opens a file
  // or changes the form.
  MaybeFailure OpenDefaultFile();
  // Why j1939.cfg, open for reading only, cannot be written; nothing when it can.
  MaybeFailure defaultFileWriteRefusal() const;
  // Exit: writes the record as record 1 of j1939.cfg, then closes both files.
  // After this the File commands do nothing.
  MaybeFailure WriteDefaultFileAndClose();

  // The File menu; the toolbar's "Open" and "Save" run the same commands.
  // Each reports what it could not do in a message box naming the file or the
  // field and the reason; the steps done before a failure keep their effect.
  void openUserFile();
  void save();
  void saveAs();

  // Shows a failure of a file step.
  void reportFileFailure(const Failure& failure);
  // Tells the user once which fields of the configuration read from `path`
  // the form could not show, and that they keep their stored values.
  void reportNotShown(const QString& path, const QList<Failure>& fields);

 private:
  struct OpenFile {
    QString path;
    std::unique_ptr<QFile> file;
    QString openError;     // why it could not be opened at all
    QString writeRefusal;  // why it is open for reading only
  };

  MaybeFailure openFile(OpenFile& slot, QString path);
  MaybeFailure readRecord(OpenFile& slot, SimulatorConfig& config);
  MaybeFailure writeRecord(OpenFile& slot, const SimulatorConfig& config);
  static void closeFile(OpenFile& slot);
  // Closes the current user file, or notes that there is one from now on.
  void replaceUserFile();
  void reportNotStored(const Failure& failure, const QString& path);

  FormState& state_;
  FormBinding& binding_;
  Platform platform_;
  FileFactory factory_;
  OpenFile defaultFile_;
  OpenFile userFile_;
  bool closed_ = false;
  bool keepUnreadDefaultFile_ = false;  // j1939.cfg could not be read at start-up
};
