#include "link/download/DownloadExchange.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>

#include "link/serial/SerialPort.h"
#include "rules/pgn/BuiltInPgns.h"
#include "rules/protocol/ConfigFrames.h"
#include "rules/system/Clock.h"

namespace j1939 {

namespace {
// The driver's output queue raises no signal when it drains, so the transmit
// wait also looks at it this often (a byte takes about 1 ms at 9600 bit/s).
constexpr qint64 kTransmitCheckMs = 5;
}  // namespace

QString BuiltInPgnConflictPrompt(int slotNumber) {
  return QCoreApplication::translate(
             "DownloadExchange",
             "The additional PGN%1 has existed in the simulator, Please change to another one or "
             "delete it")
      .arg(slotNumber);
}

QString BuiltInPgnConflictTitle(int slotNumber) {
  return QCoreApplication::translate("DownloadExchange", "Repeated additional PGN%1")
      .arg(slotNumber);
}

QList<int> BuiltInPgnConflicts(const std::array<bool, 2>& inUse, const std::array<int32_t, 2>& pgns,
                               SimVersion version) {
  QList<int> found;
  for (std::size_t slot = 0; slot < 2; ++slot)
    if (inUse[slot] && PgnIsIn(BuiltInPgns, pgns[slot])) found << static_cast<int>(slot) + 1;
  if (version == SimVersion::V200) {
    for (std::size_t slot = 0; slot < 2; ++slot)
      if (inUse[slot] && PgnIsIn(BuiltInPgnsV2, pgns[slot])) found << static_cast<int>(slot) + 1;
  }
  return found;
}

FrameExchange::FrameExchange(SerialPort& port, Clock& clock, QObject* parent)
    : QObject(parent), port_(port), clock_(clock), timer_(new QTimer(this)) {
  timer_->setSingleShot(true);
  timer_->setTimerType(Qt::PreciseTimer);
  connect(timer_, &QTimer::timeout, this, &FrameExchange::step);
  // Each wake looks at the port and the clock afresh. A reply byte decides
  // nothing before the reply window has closed, so readyRead wakes nothing.
  connect(&port_, &SerialPort::bytesWritten, this, &FrameExchange::step);
  // A failure is acted on from the event loop, not from inside the port's
  // report of it.
  connect(&port_, &SerialPort::portError, this, [this](const QString& reason) {
    if (!isRunning()) return;
    if (portFailure_.isEmpty())
      portFailure_ = reason.isEmpty() ? QStringLiteral("the port failed") : reason;
    timer_->start(0);
  });
}

void FrameExchange::start(const QByteArray& frame) {
  Q_ASSERT(!isRunning());
  portFailure_.clear();
  reply_.clear();
  lateReply_ = port_.bytesAvailable() > 0 ? port_.readAll() : QByteArray();
  phase_ = Phase::Transmitting;
  drainLimit_ = drainLimitMs(frame.size());
  if (const MaybeFailure failure = port_.write(frame)) {
    portFailure_ = DescribeFailure(*failure);
    return timer_->start(0);
  }
  phaseStart_ = clock_.elapsedMs();
  // Events first, then the first look at the transmit buffer.
  timer_->start(static_cast<int>(kTransmitCheckMs));
}

void FrameExchange::step() {
  if (!isRunning()) return;
  if (!portFailure_.isEmpty() || !port_.isOpen()) {
    if (portFailure_.isEmpty()) portFailure_ = QStringLiteral("the port is no longer open");
    return finish(Outcome::PortFailed);
  }
  const qint64 waited = clock_.elapsedMs() - phaseStart_;
  if (phase_ == Phase::Transmitting) {
    if (port_.bytesToWrite() > 0 && waited < drainLimit_)
      return timer_->start(static_cast<int>(std::min(drainLimit_ - waited, kTransmitCheckMs)));
    if (port_.bytesToWrite() > 0) {
      portFailure_ =
          QStringLiteral("the frame did not leave the port within %1 ms; its output is held back")
              .arg(drainLimit_);
      port_.discardTransmitBuffer();
      return finish(Outcome::PortFailed);
    }
    // The reply window opens when the transmit buffer is found empty.
    phase_ = Phase::AwaitingReply;
    phaseStart_ = clock_.elapsedMs();
    return timer_->start(static_cast<int>(kReplyWindowMs));
  }
  if (waited < kReplyWindowMs) return timer_->start(static_cast<int>(kReplyWindowMs - waited));
  if (port_.bytesAvailable() > 0) reply_ = port_.readAll();
  finish(reply_.size() == 1 && static_cast<uint8_t>(reply_[0]) == ConfigAckByte
             ? Outcome::Accepted
             : Outcome::NotAccepted);
}

void FrameExchange::finish(Outcome outcome) {
  phase_ = Phase::Idle;
  timer_->stop();
  // Silence, extra bytes, a wrong byte or a failed port: the next exchange
  // starts with an empty receive buffer.
  if (outcome != Outcome::Accepted) port_.discardReceiveBuffer();
  // The last thing done: whoever hears it may start the next exchange.
  emit finished(outcome);
}

QString FrameExchange::reason(Outcome outcome) const {
  QString why;
  if (outcome == Outcome::PortFailed)
    why = tr("the port closed during the exchange: %1").arg(portFailure_);
  else if (outcome == Outcome::NotAccepted && reply_.isEmpty())
    why = tr("no reply within the second");
  else if (outcome == Outcome::NotAccepted && reply_.size() == 1)
    why = tr("the simulator answered %1").arg(HexBytes(reply_));
  else if (outcome == Outcome::NotAccepted)
    why = tr("the simulator answered %1 bytes: %2").arg(reply_.size()).arg(HexBytes(reply_));
  if (lateReply_.isEmpty()) return why;
  const QString late =
      tr("a late reply to the last download (%1) was still waiting and was flushed before this one")
          .arg(HexBytes(lateReply_));
  return why.isEmpty() ? late : why + QStringLiteral("; ") + late;
}

void FrameExchange::cancel() {
  if (!isRunning()) return;
  phase_ = Phase::Idle;
  timer_->stop();
  port_.discardReceiveBuffer();
}

}  // namespace j1939

#include "moc_DownloadExchange.cpp"
