#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

#include "rules/j1939/Identifier.h"
#include "rules/protocol/ConfigFrames.h"
#include "rules/record/SimulatorConfig.h"
#include "rules/system/Failure.h"

namespace j1939 {

// What a configuration makes the simulator do on the CAN bus: the emulator
// plays it, and a bus view checks the bus against it. A pure function of the
// record, reading it as the configuration frame carries it, since the frame
// is all the device learns: the mode is dynamic for any DynamicMode but 0, a
// slot is deleted only for InUse 0, only a ticked (1) reserved or data-page
// box sets its bit, and the PGN comes from the parts (priority, pages, PF, PS),
// not from the number stored beside them.

inline constexpr int kRequestAnswerMs = 50;  // a Request is answered within this
inline constexpr int kAddressClaimPriority = 6;
inline constexpr int kVehicleIdentificationPriority = 6;
inline constexpr int kLargestSingleFrame = 8;

// One parameter group that the device sends.
struct ExpectedGroup {
  QString label;  // "PGN1", "PGN2", or the acronym of a group of the background
  uint32_t pgn = 0;
  J1939Identifier identifier;  // a PDU1 group goes to the destination its PS names
  int length = 0;              // data bytes: one frame up to 8, a BAM from 9 on
  int periodMs = 0;            // start to start; 0 only in answer to a Request
  int askedPeriodMs = 0;       // the configured rate (a BAM may need longer)
  int parameterOffset = -1;    // 0-based start of the one parameter, -1 for none
  int parameterSize = 0;       // 1, 2 or 4 bytes, least significant first
  QByteArray fixedData;        // the data of a group without a parameter

  bool byBam() const { return length > kLargestSingleFrame; }
  // The group's data with the parameter at `value`; every other byte FF ("not available").
  QByteArray dataWith(uint32_t value) const;

  friend bool operator==(const ExpectedGroup&, const ExpectedGroup&) = default;
};

struct DeviceExpectations {
  uint8_t sourceAddress = 0;
  std::array<uint8_t, 8> name{};  // NAME byte 0 (bits 0 to 7) first
  bool dynamic = false;           // the parameters ramp; else they stay
  bool version2 = false;          // "2.00"
  // Address Claimed to all: sent when the configuration is taken, and in
  // answer to a Request for it sent to all or to the device.
  CanFrame addressClaim;
  QList<ExpectedGroup> additional;  // the additional PGNs that the device sends
  QStringList notes;  // an additional PGN not sent, or sent without its parameter, and why
  // "2.00": the VIN's characters and "*", sent on request (by BAM from 9 bytes).
  std::optional<ExpectedGroup> vehicleIdentification;
  QList<ExpectedGroup> background;  // groups a vehicle sends all the time, "not available"

  // The group the device sends in answer to a Request for `pgn`: an
  // additional PGN (on request or periodic) or the VI; nothing for any other.
  const ExpectedGroup* answerTo(uint32_t pgn) const;

  friend bool operator==(const DeviceExpectations&, const DeviceExpectations&) = default;
};

DeviceExpectations ExpectationsOf(const SimulatorConfig& config);

// The record as far as a received configuration frame tells it: a "1.01"
// frame carries no VIN and no DTC format; a rate word that is none of the
// tool's update rates gives the index -1, which the device does not play.
SimulatorConfig ConfigFromFrame(const DecodedConfigFrame& frame);

// What the device plays once programmed with `shown`, the record as the tool
// shows it: the configuration as the frame of its version carries it. A record
// that makes no frame gives the failure instead, and `played` is untouched.
MaybeFailure PlayedConfig(const SimulatorConfig& shown, SimulatorConfig& played);

// The bus's bit rate that a record configures: 250 or 500 kbit/s.
int BitRateKbpsOf(const SimulatorConfig& config);

// The largest valid value of a parameter of 1, 2 or 4 bytes: FA, FAFF, FAFFFFFF
// (the values above mean "error" and "not available").
uint32_t ParameterMaximum(int size);

// The parameter in the `transmission`-th sending of its group (0 first). In
// dynamic mode a ramp from 0 to the maximum in 250 equal steps, then from 0
// again; in static mode half the maximum, always.
uint32_t ParameterValue(bool dynamic, int size, int64_t transmission);

// A Request (PGN 59904) for `pgn`: three data bytes, least significant first.
CanFrame RequestFrame(uint32_t pgn, uint8_t sourceAddress, uint8_t destination);

// The PGN that a frame asks of the device at `deviceAddress`: a Request sent to
// all or to that address, with at least three data bytes.
std::optional<uint32_t> RequestedPgn(const CanFrame& frame, uint8_t deviceAddress);

// "plays: address 25, NAME 2705813A0C6B3039, dynamic; PGN1 ...": one line.
QString DescribeExpectations(const DeviceExpectations& expectations);

}  // namespace j1939
