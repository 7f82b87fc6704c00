#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "rules/j1939/BusTraffic.h"
#include "rules/j1939/DeviceExpectations.h"

namespace j1939 {

// Whether the device on the bus does what its configuration says: each
// expectation of the configuration against the messages seen. A Request goes
// to the device for what it sends only when asked (Address Claimed, "On
// Request" groups, the VIN); the rest is listened for.

inline constexpr uint8_t kToolAddress = 0xF9;  // the off-board diagnostic tool's address
inline constexpr int kRateTolerancePercent = 10;
inline constexpr int kMinimumListeningMs = 2000;

// A sender and a group: what a view of the bus shows in one row.
struct SourceGroup {
  uint8_t source = 0;
  uint32_t pgn = 0;

  friend bool operator==(const SourceGroup&, const SourceGroup&) = default;
};

// One expectation, whether it holds and what was measured for it.
struct Verdict {
  QString expectation;  // "PGN1 65296 (FF10) priority 6"
  bool holds = false;
  QString measured;  // "priority 5"
  // What it is about: "address", "PGN1", "PGN2", "VIN" or "bit rate"; and the
  // expectation without the group it concerns ("priority 6").
  QString subject;
  QString aspect;
  // The sender and the group of the messages measured; where none came, the
  // configured ones. None for the bit rate.
  std::optional<SourceGroup> concerns;

  friend bool operator==(const Verdict&, const Verdict&) = default;
};

// How long to listen: the slowest periodic group three times and a half,
// at least 2 s.
qint64 DefaultListeningMs(const DeviceExpectations& expectations);

// The Requests of one round, from the tool to `deviceAddress`: round 0
// Address Claimed (to the device and to all, so that a device at another
// address answers too); round 1 each "On Request" group and under "2.00" the
// VIN; round 2 the "On Request" groups again, so that a change of their
// parameter can be seen. Nothing for a later round.
QList<CanFrame> VerificationRequests(const DeviceExpectations& expectations, uint8_t deviceAddress,
                                     int round);

// The verdicts in one line for a person, a subject each, in their order:
// "address 25 claimed, PGN1 every 100 ms, PGN2 on request, VIN ✓". A subject
// with an expectation that does not hold says the first such, what was
// measured against what is configured, and the line ends in ✗:
// "PGN1 every 212.0 ms (jitter 3.1 ms), configured every 100 ms".
QString VerdictSummary(const DeviceExpectations& expectations, const QList<Verdict>& verdicts);
// What was measured against what is configured, for an expectation that does
// not hold: "priority 5, configured priority 6".
QString VerdictReason(const Verdict& verdict);

// What the bus showed of the device while the tool listened. It keeps the
// messages that concern the device: Address Claimed and Requests from anyone,
// the configured groups from anyone, and everything from the configured
// address or from one that claimed with the configured NAME. The tool's own
// Requests are given to it as messages, at the time they were sent.
class DeviceObservation {
 public:
  DeviceObservation(const DeviceExpectations& expectations, int bitRateKbps);

  // How soon a Request must be answered (kRequestAnswerMs unless told).
  void setAnswerWithinMs(int ms) { answerWithinMs_ = ms; }

  // Counts one frame the bus delivered (whatever it is).
  void countFrame() { ++frames_; }
  void take(const BusMessage& message);

  qint64 frames() const { return frames_; }
  const QList<BusMessage>& messages() const { return messages_; }
  // For a watch that goes on and on: forgets the messages that came before
  // `ms`, except the last few of those that come now and then and are judged
  // over a longer time: Address Claimed, Requests, and the answers to
  // Requests (the "On Request" groups and the VIN).
  void forgetBefore(qint64 ms);
  // The configured address; where no Address Claimed came from it but one
  // with the configured NAME came from elsewhere, that address.
  uint8_t deviceAddress() const;

  // Every expectation with its verdict, in the order of the configuration:
  // the address and NAME, each aspect of each additional PGN, the VIN, and
  // the bit rate where the interface reports one (bit/s).
  QList<Verdict> verdicts(qint64 listenedMs, std::optional<int> interfaceBitRate) const;
  // For a bus that delivered nothing: "no frames in 2 s: is the bus connected
  // and at 250 kbit/s?", and the interface's bit rate where it differs.
  QString silence(qint64 listenedMs, std::optional<int> interfaceBitRate) const;

 private:
  Verdict claimVerdict() const;
  // The device's messages of each additional PGN, in time order: its own
  // group, or the one that differs least from it.
  std::vector<QList<BusMessage>> slotMessages(uint8_t device) const;
  QList<Verdict> groupVerdicts(const ExpectedGroup& group, const QList<BusMessage>& seen,
                               uint8_t device, qint64 listenedMs) const;
  Verdict vinVerdict(uint8_t device) const;
  // An on-request group: each Request answered within the time, nothing sent unasked.
  Verdict answersVerdict(const QString& expectation, uint32_t pgn, const QList<BusMessage>& seen,
                         uint8_t device) const;
  QList<BusMessage> requestsFor(uint32_t pgn, uint8_t device) const;

  DeviceExpectations expected_;
  int bitRateKbps_ = 250;
  int answerWithinMs_ = kRequestAnswerMs;
  QSet<uint32_t> pgns_;         // the configured groups
  QSet<uint8_t> sources_;       // the configured address and the NAME's claimants
  QList<BusMessage> messages_;  // in the order they came
  qint64 frames_ = 0;
};

}  // namespace j1939
