#include "link/ConfigDownload.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QPushButton>

#include "fields/Controls.h"
#include "link/ConfigFrames.h"
#include "platform/MessageBoxes.h"
#include "platform/SerialPort.h"

QString ConfigDownload::conflictPrompt(int slot) {
  return BuiltInPgnConflictPrompt(slot);
}

QString ConfigDownload::conflictTitle(int slot) {
  return BuiltInPgnConflictTitle(slot);
}

ConfigDownload::ConfigDownload(const Controls& controls, FormState& state, SerialPort& port,
                               Clock& clock, MessageBoxes& messages, QObject* parent)
    : QObject(parent),
      controls_(controls),
      state_(state),
      port_(port),
      exchange_(port, clock),
      messages_(messages),
      window_(controls.cmdConfig->window()) {
  connect(controls_.cmdConfig, &QPushButton::clicked, this, &ConfigDownload::cmdConfig_Click);
}

ConfigDownload::~ConfigDownload() {
  if (window_) window_->removeEventFilter(this);
}

void ConfigDownload::cmdConfig_Click() {
  // One exchange at a time: the button is disabled while one runs, but code can
  // still click it.
  if (running_) return;

  const QString nothingSent = QStringLiteral("\nNothing was sent to the simulator.");
  if (formToConfig) {
    if (const MaybeFailure failure = formToConfig()) {
      messages_.show(describeFailure(*failure) + nothingSent, kStoppedTitle,
                     MessageIcon::Information);
      return;
    }
  }
  if (const MaybeFailure failure = BuildConfigFrames(state_)) {
    messages_.show(describeFailure(*failure) + nothingSent, kStoppedTitle,
                   MessageIcon::Information);
    return;
  }

  // An additional PGN may not be one that the simulator transmits itself; the
  // first conflict found is the one reported.
  const int version = controls_.cmbSimulatorVersion->currentIndex();
  const QList<int> conflicts = BuiltInPgnConflicts(
      {checkValue(controls_.chkDeletePGN1) == 0, checkValue(controls_.chkDeletePGN2) == 0},
      {state_.Config.Pgn1, state_.Config.Pgn2}, version);
  if (!conflicts.isEmpty()) {
    messages_.show(conflictPrompt(conflicts.first()), conflictTitle(conflicts.first()),
                   MessageIcon::Information);
    return;
  }

  const QByteArray frame =
      SendsFrameV1(version) ? FrameBytes(state_.ConfigFrameV1) : FrameBytes(state_.ConfigFrameV2);

  if (!port_.isOpen()) {
    messages_.show(kNotOpenPrompt, kRejectedTitle, MessageIcon::Information);
    return;
  }

  begin();
  if (exchange_.run(frame) == FrameExchange::Outcome::Accepted)
    messages_.show(kAcceptedPrompt, kAcceptedTitle, MessageIcon::Information);
  else
    messages_.show(kRejectedPrompt, kRejectedTitle, MessageIcon::Information);
  end();
}

void ConfigDownload::begin() {
  running_ = true;
  closePending_ = false;
  cmdConfigWasEnabled_ = controls_.cmdConfig->isEnabled();
  cmbCOMWasEnabled_ = controls_.cmbCOM->isEnabled();
  controls_.cmdConfig->setEnabled(false);
  controls_.cmbCOM->setEnabled(false);
  // Installed afresh for each exchange, so that it sees a close request before
  // any other filter of the window does (the last installed acts first).
  if (window_) window_->installEventFilter(this);
  emit exchangeStarted();
}

void ConfigDownload::end() {
  controls_.cmdConfig->setEnabled(cmdConfigWasEnabled_);
  controls_.cmbCOM->setEnabled(cmbCOMWasEnabled_);
  running_ = false;
  if (window_) window_->removeEventFilter(this);
  emit exchangeFinished();
  // A close asked for during the exchange is carried out now.
  if (std::exchange(closePending_, false) && window_) window_->close();
}

bool ConfigDownload::eventFilter(QObject* watched, QEvent* event) {
  if (running_ && watched == window_ && event->type() == QEvent::Close) {
    event->ignore();
    closePending_ = true;
    return true;
  }
  return QObject::eventFilter(watched, event);
}
