#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>

#include "window/desktop/Platform.h"
#include "window/link/ConfigDownload.h"
#include "window/link/PortSelector.h"
#include "window/record/FileCommands.h"
#include "window/record/FormBinding.h"
#include "window/record/FormState.h"

class QLabel;
class QTimer;

namespace Ui {
class frmMain;
}

namespace j1939 {

class AddressVinFields;
class NameEditor;
class ParameterLayout;
class PgnSlots;

// The tool's only working window. It creates the form, owns the record, the
// flags, the frames and the seams, and composes the classes that each own one
// group of controls.
class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // workingDirectory is the folder that holds j1939.cfg.
  MainWindow(Platform platform, QString workingDirectory, QWidget* parent = nullptr);
  ~MainWindow() override;

  // COM ports named on the command line, each standing for its device for
  // this run only: the port list and the Ports dialog use them, nothing stores
  // them, and the title, the status bar and the terminal say so (the
  // emulator's by name). Called before startUp().
  void useRunPorts(const QList<RunPort>& ports);

  // Start-up sequence, run once after the window has been created.
  void startUp();
  // Opens a file as File > Open does, without the dialog (the command line,
  // a drop, the recent files); changes not saved are asked about first.
  void openFile(const QString& path);

  // Simulator-version rule: "1.01" fixes the DTC format and the bit rate and
  // has no VIN; "2.00" lets the user choose them.
  void applyVersionRule();
  void showAbout();
  // File > Ports…: the devices COM1 to COM16 stand for.
  void editPorts();

  // Owners of the control groups (simulator link).
  PortSelector& portSelector() { return *portSelector_; }
  ConfigDownload& configDownload() { return *configDownload_; }

  // View > "Bus": the simulator on the CAN bus.
  class BusDock& busDock() {
    return *busDock_;
  }

  // Owner of the File commands.
  FileCommands& fileCommands() { return *fileCommands_; }
  // Shut-down sequence, run once, when the window closes for whatever reason.
  void shutDown();
  // Ends the run as the close box does (the system or a signal asks). Asked
  // again while the shut-down shows a message, it closes that message.
  void requestClose();
  bool hasShutDown() const { return shutDown_; }
  // What the status bar says when another window holds j1939.cfg; empty
  // while this window holds it.
  const QString& defaultFileHeldNote() const { return heldNote_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeOtherWindows();

 private:
  void setUpPgnSlots();
  void setUpKeys();
  // "<file>[*] — Tarvik Configuration", the file being the one Save writes.
  void showFileInTitle(const QString& path);
  void setUpLists();
  void setUpToolbar();
  void setUpStatusBar();
  void refreshClockPanels();
  // The title and the status bar say that another window holds j1939.cfg.
  void sayDefaultFileHeld(qint64 holder);
  void reportSettingsFailure(const Failure& failure, const QString& consequence);

  std::unique_ptr<Ui::frmMain> ui_;
  Platform platform_;
  // The settings store with the run's own ports laid over it.
  RunOnlySettings runSettings_;
  QString workingDirectory_;
  FormState state_;

  // Groups of controls, each owned by one class (identity).
  std::unique_ptr<NameEditor> nameEditor_;
  std::unique_ptr<AddressVinFields> addressVinFields_;

  // Groups of controls, each owned by one class (additional PGNs).
  std::unique_ptr<PgnSlots> pgnSlots_;
  std::array<std::unique_ptr<ParameterLayout>, 2> parameterLayouts_;

  // Groups of controls, each owned by one class (simulator link).
  std::unique_ptr<PortSelector> portSelector_;
  std::unique_ptr<ConfigDownload> configDownload_;

  // Groups of controls, each owned by one class (configuration record and files).
  std::unique_ptr<FormBinding> formBinding_;
  std::unique_ptr<FileCommands> fileCommands_;
  std::unique_ptr<class RecentFiles> recentFiles_;
  class DownloadLog* downloadLog_ = nullptr;
  bool recordShown_ = false;  // the start-up has shown the record in the form
  bool shutDown_ = false;
  QString heldNote_;
  QString caption_;               // the window's own caption, "Tarvik Configuration"
  QString heldTitleNote_;         // another window holds j1939.cfg
  bool closingBySystem_ = false;  // a signal or the session's end: nothing is asked
  QString runPortsNote_;

  class BusDock* busDock_ = nullptr;

  QLabel* statusPanel_ = nullptr;
  QLabel* datePanel_ = nullptr;
  QLabel* timePanel_ = nullptr;
  QTimer* clockTimer_ = nullptr;
};

}  // namespace j1939
