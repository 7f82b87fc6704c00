#include "link/download/DownloadExchange.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

#include "link/serial/SerialPort.h"
#include "rules/pgn/BuiltInPgns.h"
#include "rules/protocol/ConfigFrames.h"
#include "rules/system/Clock.h"

namespace {
// The driver's output queue raises no signal when it drains, so the transmit
// wait also looks at it this often (a byte takes about 1 ms at 9600 bit/s).
constexpr int kTransmitCheckMs = 5;
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
                               int simulatorVersionIndex) {
  QList<int> found;
  for (std::size_t slot = 0; slot < 2; ++slot)
    if (inUse[slot] && PgnIsIn(BuiltInPgns, pgns[slot])) found << static_cast<int>(slot) + 1;
  if (simulatorVersionIndex == 1) {
    for (std::size_t slot = 0; slot < 2; ++slot)
      if (inUse[slot] && PgnIsIn(BuiltInPgnsV2, pgns[slot])) found << static_cast<int>(slot) + 1;
  }
  return found;
}

FrameExchange::FrameExchange(SerialPort& port, Clock& clock, QObject* parent)
    : QObject(parent), port_(port), clock_(clock) {}

FrameExchange::Outcome FrameExchange::run(const QByteArray& frame) {
  portFailure_.clear();
  cancelled_ = false;
  Outcome outcome = Outcome::NotAccepted;
  if (const MaybeFailure failure = port_.write(frame)) {
    portFailure_ = describeFailure(*failure);
    outcome = Outcome::PortFailed;
  } else {
    // Transmit wait: until the last byte has left, or the frame has had its
    // time on the line and the margin.
    const qint64 written = clock_.elapsedMs();
    const qint64 limit = drainLimitMs(frame.size());
    Wake wake = sleepUntil(
        [&] { return port_.bytesToWrite() == 0 || since(written) >= limit; },
        [&] {
          return static_cast<int>(std::clamp<qint64>(limit - since(written), 0, kTransmitCheckMs));
        });
    if (wake == Wake::Done && port_.bytesToWrite() > 0) {
      portFailure_ =
          QStringLiteral("the frame did not leave the port within %1 ms; its output is held back")
              .arg(limit);
      port_.discardTransmitBuffer();
      outcome = Outcome::PortFailed;
    } else if (wake == Wake::Done) {
      // The reply window opens when the transmit buffer is found empty.
      const qint64 drained = clock_.elapsedMs();
      wake = sleepUntil(
          [&] { return since(drained) >= kReplyWindowMs; },
          [&] { return static_cast<int>(std::max<qint64>(0, kReplyWindowMs - since(drained))); });
      if (wake == Wake::Done && port_.bytesAvailable() == 1) {
        const QByteArray reply = port_.readAll();
        if (reply.size() == 1 && static_cast<uint8_t>(reply[0]) == ConfigAckByte)
          return Outcome::Accepted;
      }
    }
    if (wake == Wake::PortFailed) outcome = Outcome::PortFailed;
  }
  // Silence, extra bytes, a wrong byte, a failed port or a cancelled exchange:
  // the next exchange starts with an empty receive buffer.
  port_.discardReceiveBuffer();
  return outcome;
}

void FrameExchange::cancel() {
  cancelled_ = true;
  if (loop_) loop_->quit();
}

qint64 FrameExchange::since(qint64 start) const {
  return clock_.elapsedMs() - start;
}

FrameExchange::Wake FrameExchange::sleepUntil(const std::function<bool()>& done,
                                              const std::function<int()>& nextWakeMs) {
  QEventLoop loop;
  bool portFailed = false;
  QTimer timer;
  timer.setSingleShot(true);
  timer.setTimerType(Qt::PreciseTimer);
  connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  connect(&port_, &SerialPort::bytesWritten, &loop, &QEventLoop::quit);
  connect(&port_, &SerialPort::portError, &loop, [&](const QString& reason) {
    portFailed = true;
    if (portFailure_.isEmpty()) portFailure_ = reason;
    loop.quit();
  });
  const auto wake = [this](Wake why) {
    loop_ = nullptr;
    return why;
  };
  loop_ = &loop;
  for (;;) {
    if (cancelled_) return wake(Wake::Cancelled);
    // Events first, then the test.
    timer.start(nextWakeMs());
    loop.exec();
    if (cancelled_) return wake(Wake::Cancelled);
    if (portFailed || !port_.isOpen()) {
      if (portFailure_.isEmpty()) portFailure_ = QStringLiteral("the port is no longer open");
      return wake(Wake::PortFailed);
    }
    if (done()) return wake(Wake::Done);
  }
}
