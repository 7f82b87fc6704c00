#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

#include "link/download/DownloadExchange.h"
#include "rules/system/Failure.h"
#include "window/record/FormState.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QWidget;
class Clock;
class MessageBoxes;
class SerialPort;

// "Program Config": stores the form, builds both frames, refuses an additional
// PGN that the simulator transmits itself, writes the frame of the selected
// version, waits for it to leave, gives the simulator one second to answer and
// reports its verdict. The test and the exchange are the window-free ones of
// DownloadExchange.h; this class binds them to the window's controls.
//
// The waits sleep in a nested event loop, so the window stays responsive. While
// an exchange runs, `cmdConfig` and `cmbCOM` are disabled, a second exchange
// cannot start, and the port selector holds the port (exchangeStarted and
// exchangeFinished). A request to close the window (the close box, SIGTERM,
// the end of the session) ends the exchange at once without a verdict; the
// window then closes through its ordinary shut-down.
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

  static constexpr qint64 kReplyWindowMs = FrameExchange::kReplyWindowMs;
  static QString conflictPrompt(int slot);  // slot 1 or 2
  static QString conflictTitle(int slot);

  // The window that `controls.cmdConfig` stands in is the one whose closing
  // ends a running exchange.
  // `formToConfig` stores the form into the record and gives the record as
  // the window shows it, which is what the frame carries; a failure names the
  // field, and the command then stops with nothing sent.
  using FormToConfig = std::function<MaybeFailure(SimulatorConfig& shown)>;
  ConfigDownload(const Controls& controls, FormState& state, FormToConfig formToConfig,
                 SerialPort& port, Clock& clock, MessageBoxes& messages, QObject* parent = nullptr);
  ~ConfigDownload() override;

  void programSimulator();
  bool isRunning() const { return running_; }

 signals:
  void exchangeStarted();
  void exchangeFinished();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void begin();
  // true when a close was asked for during the exchange and has been made.
  bool end();

  Controls controls_;
  FormState& state_;
  FormToConfig formToConfig_;
  SerialPort& port_;
  FrameExchange exchange_;
  MessageBoxes& messages_;
  QPointer<QWidget> window_;
  bool running_ = false;
  bool closePending_ = false;
  bool cmdConfigWasEnabled_ = true;
  bool cmbCOMWasEnabled_ = true;
};
