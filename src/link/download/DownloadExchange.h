#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>

#include "rules/record/VersionRule.h"

class QTimer;

namespace j1939 {

class Clock;
class SerialPort;

// The download of a configuration to the simulator, without the window: the
// test against the PGNs the simulator sends itself, the choice of frame, and
// the exchange of one frame for one reply byte. The window's "Program Config"
// and the command-line tool both run it.

// What the tool shows for each outcome: prompt and caption. The window shows
// them translated, in the context "j1939::ConfigDownload"; j1939cfg prints the
// prompts as they are.
inline constexpr char kConfigAcceptedPrompt[] =
    QT_TRANSLATE_NOOP("j1939::ConfigDownload", "Configuration is successfull!");
inline constexpr char kConfigAcceptedTitle[] =
    QT_TRANSLATE_NOOP("j1939::ConfigDownload", "config confirmation");
inline constexpr char kConfigRejectedPrompt[] =
    QT_TRANSLATE_NOOP("j1939::ConfigDownload", "Configuration fails!");
inline constexpr char kConfigRejectedTitle[] =
    QT_TRANSLATE_NOOP("j1939::ConfigDownload", "Config confirmation");
QString BuiltInPgnConflictPrompt(int slotNumber);  // slot 1 or 2
QString BuiltInPgnConflictTitle(int slotNumber);

// The slots (1 or 2) whose PGN the simulator sends itself, in the order in
// which the download tests them: both slots against the PGNs of every
// simulator first, then, for version "2.00" (index 1), both against the three
// more of that version. A deleted slot is not tested. The download reports the
// first one only.
QList<int> BuiltInPgnConflicts(const std::array<bool, 2>& inUse, const std::array<int32_t, 2>& pgns,
                               SimVersion version);

// The frame of the version: the 32-byte frame for "1.01", the 49-byte frame
// for "2.00".
constexpr bool SendsFrameV1(SimVersion version) {
  return version == SimVersion::V101;
}

// One frame out, one byte back, as a state machine on the event loop: start()
// first empties the receive buffer (a late reply to an earlier download must
// not answer this one), writes the whole frame at once and returns; the port's bytesWritten and
// portError and one single-shot timer move the exchange on, and finished()
// gives the outcome. When the frame has left the transmit buffer the simulator
// has one second, counted from that moment, to answer. Exactly one byte 0x55
// waiting then is the simulator's acceptance. In every other case the receive
// buffer is emptied, so that the next exchange starts clean. It never opens,
// closes or sets up the port.
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
  Q_ENUM(Outcome)

  static constexpr qint64 kReplyWindowMs = 1000;
  static constexpr qint64 kDrainMarginMs = 1000;
  // How long `bytes` bytes may take to leave the transmit buffer: their time
  // on the line at 9600 bit/s with 10 bits a byte (8N1), rounded up to whole
  // milliseconds, plus the margin.
  static constexpr qint64 drainLimitMs(qint64 bytes) {
    return (bytes * 10 * 1000 + 9600 - 1) / 9600 + kDrainMarginMs;
  }

  FrameExchange(SerialPort& port, Clock& clock, QObject* parent = nullptr);

  // Starts the exchange of `frame`; finished() follows from the event loop,
  // never from within start(), even when the write fails at once. Call it
  // only while no exchange is running.
  void start(const QByteArray& frame);
  bool isRunning() const { return phase_ != Phase::Idle; }
  // Why the port failed, after Outcome::PortFailed.
  const QString& portFailure() const { return portFailure_; }
  // What the simulator sent back within the reply window, and what was still
  // waiting from an earlier download when this one started.
  const QByteArray& reply() const { return reply_; }
  const QByteArray& lateReply() const { return lateReply_; }
  // Why the outcome is what it is, in words ("no reply within the second",
  // "the simulator answered AA", ...); empty for a plain acceptance.
  QString reason(Outcome outcome) const;

  // Ends a running exchange at once, without a verdict and without
  // finished(): the receive buffer is emptied. For the window that closes.
  void cancel();

 signals:
  void finished(FrameExchange::Outcome outcome);

 private:
  enum class Phase { Idle, Transmitting, AwaitingReply };
  // Looks at the port and the clock: moves on to the next phase, ends the
  // exchange, or sets the timer for the next look.
  void step();
  void finish(Outcome outcome);

  SerialPort& port_;
  Clock& clock_;
  QTimer* timer_;
  Phase phase_ = Phase::Idle;
  qint64 phaseStart_ = 0;  // on the clock: the write, then the transmit buffer found empty
  qint64 drainLimit_ = 0;
  QString portFailure_;  // set once the port has failed: the exchange ends on it
  QByteArray reply_;
  QByteArray lateReply_;
};

}  // namespace j1939
