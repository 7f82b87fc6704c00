#include "window/link/ConfigDownload.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

#include "link/serial/SerialPort.h"
#include "rules/protocol/ConfigFrames.h"
#include "rules/record/RecordReading.h"
#include "window/desktop/MessageBoxes.h"
#include "window/fields/Controls.h"

namespace j1939 {

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
      messages_(messages) {
  connect(controls_.cmdConfig, &QPushButton::clicked, this, &ConfigDownload::programSimulator);
  connect(&exchange_, &FrameExchange::finished, this, &ConfigDownload::showVerdict);
}

void ConfigDownload::programSimulator() {
  // One exchange at a time: the button is disabled while one runs, but code can
  // still click it.
  if (isRunning()) return;

  // The reports that stop the command before anything is sent: the form
  // cannot be stored, or the record cannot be put into a frame.
  const QString nothingSent = tr("\nNothing was sent to the simulator.");
  const QString stoppedTitle = tr("Program Config");
  SimulatorConfig shown;
  if (const MaybeFailure failure = formToConfig_(shown)) {
    messages_.show(DescribeFailure(*failure) + nothingSent, stoppedTitle, MessageIcon::Information);
    return;
  }
  if (const MaybeFailure failure =
          BuildConfigFrames(shown, state_.ConfigFrameV1, state_.ConfigFrameV2)) {
    messages_.show(DescribeFailure(*failure) + nothingSent, stoppedTitle, MessageIcon::Information);
    return;
  }

  // An additional PGN may not be one that the simulator transmits itself; the
  // first conflict found is the one reported.
  const SimVersion version = SimulatorVersionOf(shown.SimulatorVersion);
  const QList<int> conflicts = BuiltInPgnConflicts(
      {CheckValue(controls_.chkDeletePGN1) == 0, CheckValue(controls_.chkDeletePGN2) == 0},
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

  entry_ = DownloadEntry{};
  entry_.when = QDateTime::currentDateTime();
  entry_.port = controls_.cmbCOM->currentText();
  entry_.device = port_.device();
  entry_.frame = frame;
  begin();
  exchange_.start(frame);
}

void ConfigDownload::showVerdict(FrameExchange::Outcome outcome) {
  // The port and the controls are free again before the verdict is shown, so
  // that closing the window while the box is up is an ordinary close.
  end();
  entry_.reply = exchange_.reply();
  entry_.accepted = outcome == FrameExchange::Outcome::Accepted;
  entry_.reason = exchange_.reason(outcome);
  emit downloaded(entry_);
  if (outcome == FrameExchange::Outcome::Accepted) emit configAccepted();
  if (outcome == FrameExchange::Outcome::Accepted)
    messages_.show(tr(kConfigAcceptedPrompt), tr(kConfigAcceptedTitle), MessageIcon::Information);
  else
    messages_.show(tr(kConfigRejectedPrompt), tr(kConfigRejectedTitle), MessageIcon::Information);
}

void ConfigDownload::cancel() {
  if (!isRunning()) return;
  exchange_.cancel();
  end();
}

void ConfigDownload::begin() {
  cmdConfigWasEnabled_ = controls_.cmdConfig->isEnabled();
  cmbCOMWasEnabled_ = controls_.cmbCOM->isEnabled();
  controls_.cmdConfig->setEnabled(false);
  controls_.cmbCOM->setEnabled(false);
  emit exchangeStarted();
}

void ConfigDownload::end() {
  controls_.cmdConfig->setEnabled(cmdConfigWasEnabled_);
  controls_.cmbCOM->setEnabled(cmbCOMWasEnabled_);
  emit exchangeFinished();
}

}  // namespace j1939

#include "moc_ConfigDownload.cpp"
