#include "link/DownloadExchange.h"

#include <QEventLoop>
#include <QTimer>
#include <algorithm>

#include "link/ConfigFrames.h"
#include "pgn/BuiltInPgns.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"

namespace {
// The driver's output queue raises no signal when it drains, so the transmit
// wait also looks at it this often (a byte takes about 1 ms at 9600 bit/s).
constexpr int kTransmitCheckMs = 5;
}  // namespace

QString BuiltInPgnConflictPrompt(int slotNumber) {
  return QStringLiteral(
             "The additional PGN%1 has existed in the simulator, Please change to another one or "
             "delete it")
      .arg(slotNumber);
}

QString BuiltInPgnConflictTitle(int slotNumber) {
  return QStringLiteral("Repeated additional PGN%1").arg(slotNumber);
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
  Outcome outcome = Outcome::NotAccepted;
  if (const MaybeFailure failure = port_.write(frame)) {
    portFailure_ = describeFailure(*failure);
    outcome = Outcome::PortFailed;
  } else if (!sleepUntil([this] { return port_.bytesToWrite() == 0; },
                         [] { return kTransmitCheckMs; })) {
    // Transmit wait: until the last byte has left; a failing port ends it.
    outcome = Outcome::PortFailed;
  } else {
    // The reply window opens when the transmit buffer is found empty.
    const qint64 start = clock_.elapsedMs();
    auto elapsed = [this, start] { return clock_.elapsedMs() - start; };
    const bool windowClosed = sleepUntil(
        [&] { return elapsed() >= kReplyWindowMs; },
        [&] { return static_cast<int>(std::max<qint64>(0, kReplyWindowMs - elapsed())); });
    if (!windowClosed) {
      outcome = Outcome::PortFailed;
    } else if (port_.bytesAvailable() == 1) {
      const QByteArray reply = port_.readAll();
      if (reply.size() == 1 && static_cast<uint8_t>(reply[0]) == ConfigAckByte)
        return Outcome::Accepted;
    }
  }
  // Silence, extra bytes, a wrong byte or a failed port: the next exchange
  // starts with an empty receive buffer.
  port_.discardReceiveBuffer();
  return outcome;
}

bool FrameExchange::sleepUntil(const std::function<bool()>& done,
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
  for (;;) {
    // Events first, then the test.
    timer.start(nextWakeMs());
    loop.exec();
    if (portFailed || !port_.isOpen()) {
      if (portFailure_.isEmpty()) portFailure_ = QStringLiteral("the port is no longer open");
      return false;
    }
    if (done()) return true;
  }
}
