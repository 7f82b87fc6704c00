#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>

#include "link/download/DownloadExchange.h"
#include "rules/system/Failure.h"
#include "window/record/FormState.h"

class QCheckBox;
class QComboBox;
class QPushButton;

namespace j1939 {

// One download as the log and the status bar tell it.
struct DownloadEntry {
  QDateTime when;
  QString port;    // "COM1"
  QString device;  // what COM1 stands for
  QByteArray frame;
  QByteArray reply;  // what came back within the reply window
  bool accepted = false;
  QString reason;  // why, in words (empty for a plain acceptance)
};

class Clock;
class MessageBoxes;
class SerialPort;

// "Program Config": stores the form, builds both frames, refuses an additional
// PGN that the simulator transmits itself, writes the frame of the selected
// version, waits for it to leave, gives the simulator one second to answer and
// reports its verdict. The test and the exchange are the window-free ones of
// DownloadExchange.h; this class binds them to the window's controls.
//
// The exchange runs on the event loop, so the window stays responsive. While
// it runs, `cmdConfig` and `cmbCOM` are disabled, a second exchange cannot
// start, and the port selector holds the port (exchangeStarted and
// exchangeFinished). The window that closes (the close box, SIGTERM, the end
// of the session) cancels it: it ends at once, without a verdict.
class ConfigDownload : public QObject {
  Q_OBJECT
 public:
  struct Controls {
    QPushButton* cmdConfig;
    QComboBox* cmbCOM;
    QCheckBox* chkDeletePGN1;
    QCheckBox* chkDeletePGN2;
    QComboBox* cmbSimulatorVersion;
  };

  static QString conflictPrompt(int slot);  // slot 1 or 2
  static QString conflictTitle(int slot);

  // `formToConfig` stores the form into the record and gives the record as
  // the window shows it, which is what the frame carries; a failure names the
  // field, and the command then stops with nothing sent.
  using FormToConfig = std::function<MaybeFailure(SimulatorConfig& shown)>;
  ConfigDownload(const Controls& controls, FormState& state, FormToConfig formToConfig,
                 SerialPort& port, Clock& clock, MessageBoxes& messages, QObject* parent = nullptr);

  void programSimulator();
  bool isRunning() const { return exchange_.isRunning(); }
  // Ends a running exchange at once, without a verdict, and lets go of the
  // port and the controls. A close must never wait for a line that may not
  // drain.
  void cancel();

 signals:
  void exchangeStarted();
  void exchangeFinished();
  // A download has ended with a verdict, just before the verdict is shown.
  void downloaded(const DownloadEntry& entry);
  // The simulator accepted the configuration: said before the verdict is shown.
  void configAccepted();

 private:
  void begin();
  void end();
  void showVerdict(FrameExchange::Outcome outcome);

  DownloadEntry entry_;  // of the download under way

  Controls controls_;
  FormState& state_;
  FormToConfig formToConfig_;
  SerialPort& port_;
  FrameExchange exchange_;
  MessageBoxes& messages_;
  bool cmdConfigWasEnabled_ = true;
  bool cmbCOMWasEnabled_ = true;
};

}  // namespace j1939
