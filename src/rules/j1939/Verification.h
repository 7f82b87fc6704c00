#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <cstdint>
#include <optional>

#include "rules/j1939/BusTraffic.h"
#include "rules/j1939/DeviceExpectations.h"

// Whether the device on the bus does what its configuration says: each
// expectation of the configuration against the messages seen. A Request goes
// to the device for what it sends only when asked (Address Claimed, "On
// Request" groups, the VIN); the rest is listened for.

inline constexpr uint8_t kToolAddress = 0xF9;  // the off-board diagnostic tool's address
inline constexpr int kRateTolerancePercent = 10;
inline constexpr int kMinimumListeningMs = 2000;

// One expectation, whether it holds and what was measured for it.
struct Verdict {
  QString expectation;  // "PGN1 65296 (FF10) priority 6"
  bool holds = false;
  QString measured;  // "priority 5"

  friend bool operator==(const Verdict&, const Verdict&) = default;
};

// How long to listen: the slowest periodic group three times and a half,
// at least 2 s.
qint64 defaultListeningMs(const DeviceExpectations& expectations);

// The Requests of one round, from the tool to `deviceAddress`: round 0
// Address Claimed (to the device and to all, so that a device at another
// address answers too); round 1 each "On Request" group and under "2.00" the
// VIN; round 2 the "On Request" groups again, so that a change of their
// parameter can be seen. Nothing for a later round.
QList<CanFrame> verificationRequests(const DeviceExpectations& expectations, uint8_t deviceAddress,
                                     int round);

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
  QList<Verdict> groupVerdicts(const ExpectedGroup& group, const QList<BusMessage>& seen,
                               uint8_t device, qint64 listenedMs) const;
  QList<BusMessage> requestsFor(uint32_t pgn, uint8_t device) const;

  DeviceExpectations expected_;
  int bitRateKbps_ = 250;
  int answerWithinMs_ = kRequestAnswerMs;
  QSet<uint32_t> pgns_;         // the configured groups
  QSet<uint8_t> sources_;       // the configured address and the NAME's claimants
  QList<BusMessage> messages_;  // in the order they came
  qint64 frames_ = 0;
};
