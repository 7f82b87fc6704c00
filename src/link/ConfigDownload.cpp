#include "link/ConfigDownload.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "fields/Controls.h"
#include "link/ConfigFrames.h"
#include "pgn/BuiltInPgns.h"
#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "platform/SerialPort.h"

namespace {
// The driver's output queue raises no signal when it drains, so the transmit
// wait also looks at it this often (a byte takes about 1 ms at 9600 bit/s).
constexpr int kTransmitCheckMs = 5;
}  // namespace

QString ConfigDownload::conflictPrompt(int slot) {
  return QStringLiteral(
             "The additional PGN%1 has existed in the simulator, Please change to another one or "
             "delete it")
      .arg(slot);
}

QString ConfigDownload::conflictTitle(int slot) {
  return QStringLiteral("Repeated additional PGN%1").arg(slot);
}

ConfigDownload::ConfigDownload(const Controls& controls, FormState& state, SerialPort& port,
                               Clock& clock, MessageBoxes& messages, QObject* parent)
    : QObject(parent),
      controls_(controls),
      state_(state),
      port_(port),
      clock_(clock),
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
  const bool inUse[2] = {checkValue(controls_.chkDeletePGN1) == 0,
                         checkValue(controls_.chkDeletePGN2) == 0};
  const int32_t pgns[2] = {state_.Config.Pgn1, state_.Config.Pgn2};
  const int version = controls_.cmbSimulatorVersion->currentIndex();
  auto conflict = [&](auto isBuiltIn) {
    for (int slot = 0; slot < 2; ++slot) {
      if (inUse[slot] && isBuiltIn(pgns[slot])) {
        messages_.show(conflictPrompt(slot + 1), conflictTitle(slot + 1), MessageIcon::Information);
        return true;
      }
    }
    return false;
  };
  if (conflict([](int64_t pgn) { return PgnIsIn(BuiltInPgns, pgn); })) return;
  if (version == 1 && conflict([](int64_t pgn) { return PgnIsIn(BuiltInPgnsV2, pgn); })) return;

  const QByteArray frame =
      version == 0 ? FrameBytes(state_.ConfigFrameV1) : FrameBytes(state_.ConfigFrameV2);

  if (!port_.isOpen()) {
    messages_.show(kNotOpenPrompt, kRejectedTitle, MessageIcon::Information);
    return;
  }

  begin();
  if (exchange(frame))
    messages_.show(kAcceptedPrompt, kAcceptedTitle, MessageIcon::Information);
  else
    messages_.show(kRejectedPrompt, kRejectedTitle, MessageIcon::Information);
  end();
}

bool ConfigDownload::exchange(const QByteArray& frame) {
  bool sent = !port_.write(frame).has_value();
  // Transmit wait: until the last byte has left, with no time limit of its own
  // (the line drains at its bit rate; a failing port ends the wait).
  if (sent)
    sent =
        sleepUntil([this] { return port_.bytesToWrite() == 0; }, [] { return kTransmitCheckMs; });
  if (sent) {
    // The reply window opens when the transmit buffer is found empty.
    const qint64 start = clock_.elapsedMs();
    auto elapsed = [this, start] { return clock_.elapsedMs() - start; };
    const bool windowClosed = sleepUntil(
        [&] { return elapsed() >= kReplyWindowMs; },
        [&] { return static_cast<int>(std::max<qint64>(0, kReplyWindowMs - elapsed())); });
    if (windowClosed && port_.bytesAvailable() == 1) {
      const QByteArray reply = port_.readAll();
      if (reply.size() == 1 && static_cast<uint8_t>(reply[0]) == ConfigAckByte) return true;
    }
  }
  // Silence, extra bytes, a wrong byte or a failed port: the next exchange
  // starts with an empty receive buffer.
  port_.discardReceiveBuffer();
  return false;
}

bool ConfigDownload::sleepUntil(const std::function<bool()>& done,
                                const std::function<int()>& nextWakeMs) {
  QEventLoop loop;
  bool portFailed = false;
  QTimer timer;
  timer.setSingleShot(true);
  timer.setTimerType(Qt::PreciseTimer);
  connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  connect(&port_, &SerialPort::bytesWritten, &loop, &QEventLoop::quit);
  connect(&port_, &SerialPort::portError, &loop, [&] {
    portFailed = true;
    loop.quit();
  });
  for (;;) {
    // Events first, then the test.
    timer.start(nextWakeMs());
    loop.exec();
    if (portFailed || !port_.isOpen()) return false;
    if (done()) return true;
  }
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
