#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

#include "config/Failure.h"
#include "config/FormState.h"

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
// reports its verdict.
//
// The waits sleep in a nested event loop, so the window stays responsive. While
// an exchange runs, `cmdConfig` and `cmbCOM` are disabled, a second exchange
// cannot start, and a request to close the window waits until the exchange has
// ended (exchangeStarted/exchangeFinished let the port selector hold the port).
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

  static constexpr qint64 kReplyWindowMs = 1000;
  static inline const QString kAcceptedPrompt = QStringLiteral("Configuration is successfull!");
  static inline const QString kAcceptedTitle = QStringLiteral("config confirmation");
  static inline const QString kRejectedPrompt = QStringLiteral("Configuration fails!");
  static inline const QString kRejectedTitle = QStringLiteral("Config confirmation");
  static inline const QString kNotOpenPrompt = QStringLiteral(
      "Com Port is not open, nothing was sent. Choose a com port that opens, then press Program "
      "Config again");
  // The caption of the reports that stop the command before anything is sent
  // (the form cannot be stored, the record cannot be put into a frame).
  static inline const QString kStoppedTitle = QStringLiteral("Program Config");
  static QString conflictPrompt(int slot);  // slot 1 or 2
  static QString conflictTitle(int slot);

  // The window that `controls.cmdConfig` stands in is the one whose closing
  // waits for a running exchange.
  ConfigDownload(const Controls& controls, FormState& state, SerialPort& port, Clock& clock,
                 MessageBoxes& messages, QObject* parent = nullptr);
  ~ConfigDownload() override;

  // Stores the form into the record. Empty: there is nothing to store. A
  // failure names the field; the command then stops with nothing sent.
  std::function<MaybeFailure()> formToConfig;

  void cmdConfig_Click();
  bool isRunning() const { return running_; }

 signals:
  void exchangeStarted();
  void exchangeFinished();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Returns true when the simulator accepted the frame.
  bool exchange(const QByteArray& frame);
  // Sleeps in a nested event loop, woken by the port's signals and a timer of
  // `nextWakeMs()` milliseconds, until `done()` holds. false if the port fails.
  bool sleepUntil(const std::function<bool()>& done, const std::function<int()>& nextWakeMs);
  void begin();
  void end();

  Controls controls_;
  FormState& state_;
  SerialPort& port_;
  Clock& clock_;
  MessageBoxes& messages_;
  QPointer<QWidget> window_;
  bool running_ = false;
  bool closePending_ = false;
  bool cmdConfigWasEnabled_ = true;
  bool cmbCOMWasEnabled_ = true;
};
