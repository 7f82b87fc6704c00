#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

class Clock;
class QEventLoop;
class SerialPort;

// The download of a configuration to the simulator, without the window: the
// test against the PGNs the simulator sends itself, the choice of frame, and
// the exchange of one frame for one reply byte. The window's "Program Config"
// and the command-line tool both run it.

// What the tool shows for each outcome: prompt and caption. The window shows
// them translated, in the context "ConfigDownload"; j1939cfg prints the
// prompts as they are.
inline constexpr char kConfigAcceptedPrompt[] =
    QT_TRANSLATE_NOOP("ConfigDownload", "Configuration is successfull!");
inline constexpr char kConfigAcceptedTitle[] =
    QT_TRANSLATE_NOOP("ConfigDownload", "config confirmation");
inline constexpr char kConfigRejectedPrompt[] =
    QT_TRANSLATE_NOOP("ConfigDownload", "Configuration fails!");
inline constexpr char kConfigRejectedTitle[] =
    QT_TRANSLATE_NOOP("ConfigDownload", "Config confirmation");
QString BuiltInPgnConflictPrompt(int slotNumber);  // slot 1 or 2
QString BuiltInPgnConflictTitle(int slotNumber);

// The slots (1 or 2) whose PGN the simulator sends itself, in the order in
// which the download tests them: both slots against the PGNs of every
// simulator first, then, for version "2.00" (index 1), both against the three
// more of that version. A deleted slot is not tested. The download reports the
// first one only.
QList<int> BuiltInPgnConflicts(const std::array<bool, 2>& inUse, const std::array<int32_t, 2>& pgns,
                               int simulatorVersionIndex);

// The frame of the version: the 32-byte frame for "1.01" (index 0), the
// 49-byte frame for any other index.
constexpr bool SendsFrameV1(int simulatorVersionIndex) {
  return simulatorVersionIndex == 0;
}

// One frame out, one byte back. Writes the whole frame at once, sleeps in a
// nested event loop until it has left the transmit buffer, then gives the
// simulator one second, counted from that moment, to answer. Exactly one byte
// 0x55 waiting then is the simulator's acceptance. In every other case the
// receive buffer is emptied, so that the next exchange starts clean. It never
// opens, closes or sets up the port.
//
// The frame gets its time on the line at 9600 8N1 plus one second to leave the
// transmit buffer. Output that is held back longer (a wedged adapter, flow
// control from the far end) ends the exchange as a failed port, and what is
// still queued is discarded so that it cannot reach the simulator later.
class FrameExchange : public QObject {
  Q_OBJECT
 public:
  enum class Outcome {
    Accepted,
    NotAccepted,  // silence, a late reply, extra bytes or a wrong byte
    PortFailed,   // the frame could not be written, or the port failed meanwhile
  };

  static constexpr qint64 kReplyWindowMs = 1000;
  static constexpr qint64 kDrainMarginMs = 1000;
  // How long `bytes` bytes may take to leave the transmit buffer: their time
  // on the line at 9600 bit/s with 10 bits a byte (8N1), rounded up to whole
  // milliseconds, plus the margin.
  static constexpr qint64 drainLimitMs(qint64 bytes) {
    return (bytes * 10 * 1000 + 9600 - 1) / 9600 + kDrainMarginMs;
  }

  FrameExchange(SerialPort& port, Clock& clock, QObject* parent = nullptr);

  Outcome run(const QByteArray& frame);
  // Why the port failed, after Outcome::PortFailed.
  const QString& portFailure() const { return portFailure_; }

  // Ends a running exchange at once, without a verdict: it returns NotAccepted
  // with the receive buffer emptied. For the window that is asked to close.
  void cancel();
  bool wasCancelled() const { return cancelled_; }

 private:
  enum class Wake { Done, PortFailed, Cancelled };
  // Sleeps in a nested event loop, woken by the port's signals and a timer of
  // `nextWakeMs()` milliseconds, until `done()` holds, the port fails or the
  // exchange is cancelled.
  Wake sleepUntil(const std::function<bool()>& done, const std::function<int()>& nextWakeMs);
  // Milliseconds from `start` on the clock.
  qint64 since(qint64 start) const;

  SerialPort& port_;
  Clock& clock_;
  QString portFailure_;
  bool cancelled_ = false;
  QEventLoop* loop_ = nullptr;  // the wait that is sleeping, if any
};
