#include "window/link/ConfigDownload.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QPushButton>

#include "link/serial/SerialPort.h"
#include "rules/protocol/ConfigFrames.h"
#include "window/desktop/MessageBoxes.h"
#include "window/fields/Controls.h"

QString ConfigDownload::conflictPrompt(int slot) {
  return BuiltInPgnConflictPrompt(slot);
}

QString ConfigDownload::conflictTitle(int slot) {
  return BuiltInPgnConflictTitle(slot);
}

ConfigDownload::ConfigDownload(const Controls& controls, FormState& state,
                               FormToConfig formToConfig, SerialPort& port, Clock& clock,
                               MessageBoxes& messages, QObject* parent)
    : QObject(parent),
      controls_(controls),
      state_(state),
      formToConfig_(std::move(formToConfig)),
      port_(port),
      exchange_(port, clock),
      messages_(messages),
      window_(controls.cmdConfig->window()) {
  connect(controls_.cmdConfig, &QPushButton::clicked, this, &ConfigDownload::programSimulator);
}

ConfigDownload::~ConfigDownload() {
  if (window_) window_->removeEventFilter(this);
}

void ConfigDownload::programSimulator() {
  // One exchange at a time: the button is disabled while one runs, but code can
  // still click it.
  if (running_) return;

  // The reports that stop the command before anything is sent: the form
  // cannot be stored, or the record cannot be put into a frame.
  const QString nothingSent = tr("\nNothing was sent to the simulator.");
  const QString stoppedTitle = tr("Program Config");
  SimulatorConfig shown;
  if (const MaybeFailure failure = formToConfig_(shown)) {
    messages_.show(describeFailure(*failure) + nothingSent, stoppedTitle, MessageIcon::Information);
    return;
  }
  if (const MaybeFailure failure =
          BuildConfigFrames(shown, state_.ConfigFrameV1, state_.ConfigFrameV2)) {
    messages_.show(describeFailure(*failure) + nothingSent, stoppedTitle, MessageIcon::Information);
    return;
  }

  // An additional PGN may not be one that the simulator transmits itself; the
  // first conflict found is the one reported.
  const int version = controls_.cmbSimulatorVersion->currentIndex();
  const QList<int> conflicts = BuiltInPgnConflicts(
      {checkValue(controls_.chkDeletePGN1) == 0, checkValue(controls_.chkDeletePGN2) == 0},
      {shown.Pgns[0].Pgn, shown.Pgns[1].Pgn}, version);
  if (!conflicts.isEmpty()) {
    messages_.show(conflictPrompt(conflicts.first()), conflictTitle(conflicts.first()),
                   MessageIcon::Information);
    return;
  }

  const QByteArray frame =
      SendsFrameV1(version) ? FrameBytes(state_.ConfigFrameV1) : FrameBytes(state_.ConfigFrameV2);

  if (!port_.isOpen()) {
    messages_.show(tr("Com Port is not open, nothing was sent. Choose a com port that opens, then "
                      "press Program Config again"),
                   tr(kConfigRejectedTitle), MessageIcon::Information);
    return;
  }

  begin();
  const bool accepted = exchange_.run(frame) == FrameExchange::Outcome::Accepted;
  // The port and the controls are free again before the verdict is shown, so
  // that closing the window while the box is up is an ordinary close.
  const bool closing = end();
  // Asked to close during the exchange: it ended without a verdict and the
  // window is closed now, with nobody left to press OK on a box.
  if (closing) return;
  if (accepted)
    messages_.show(tr(kConfigAcceptedPrompt), tr(kConfigAcceptedTitle), MessageIcon::Information);
  else
    messages_.show(tr(kConfigRejectedPrompt), tr(kConfigRejectedTitle), MessageIcon::Information);
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

bool ConfigDownload::end() {
  controls_.cmdConfig->setEnabled(cmdConfigWasEnabled_);
  controls_.cmbCOM->setEnabled(cmbCOMWasEnabled_);
  running_ = false;
  if (window_) window_->removeEventFilter(this);
  emit exchangeFinished();
  // A close asked for during the exchange is carried out now: the window's
  // own shut-down runs as for any close.
  if (!std::exchange(closePending_, false)) return false;
  if (window_) window_->close();
  return true;
}

bool ConfigDownload::eventFilter(QObject* watched, QEvent* event) {
  if (running_ && watched == window_ && event->type() == QEvent::Close) {
    // The exchange ends at once, without a verdict; the window closes when
    // it has let go of the port (end()). A close must never wait for a line
    // that may not drain.
    event->ignore();
    closePending_ = true;
    exchange_.cancel();
    return true;
  }
  return QObject::eventFilter(watched, event);
}
