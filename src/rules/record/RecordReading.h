#pragma once

#include <QString>
#include <array>
#include <cstdint>

#include "rules/record/SimulatorConfig.h"
#include "rules/record/VersionRule.h"

namespace j1939 {

// How the window reads the stored values of a record when it shows it. A
// record read from a file may hold anything; these are the readings that the
// window makes without a word, so that a tool without the window can show and
// send a record exactly as the window would.

// Only -1 is dynamic: showing the mode writes Dynamic and then the complement
// into Static, and the second write wins for every other value.
constexpr bool IsDynamicMode(int16_t dynamicMode) {
  return dynamicMode == -1;
}

// 1 and -1 both mean in use; only 0 means deleted.
constexpr bool IsSlotInUse(int16_t inUse) {
  return inUse != 0;
}

// Any version other than 0 ("1.01") is shown as "2.00".
constexpr SimVersion SimulatorVersionOf(int16_t simulatorVersion) {
  return simulatorVersion != 0 ? SimVersion::V200 : SimVersion::V101;
}

// Any non-zero bit rate is 500 kbit/s.
constexpr bool IsCan500Kbps(int16_t canBaudRate) {
  return canBaudRate != 0;
}

// The value a reserved-bit or data-page box shows for a stored one. A stored 2
// (greyed) is shown clear, as the PGN beside the box counts it: a greyed box
// would be neither what the PGN shows nor what the frame sends, and Qt would
// keep it three-state, so that a later click could grey it again. Any other
// value is shown as it is (0 clear, 1 ticked; the rest the box cannot take).
constexpr int PgnBitBoxValue(int16_t stored) {
  return stored == 2 ? 0 : stored;
}

// A data length or parameter position of 0 is a record that never held one:
// it is shown as 1, and becomes 1 in the record itself.
constexpr int16_t ShownLayoutValue(int16_t value) {
  return value == 0 ? 1 : value;
}

// The VIN as its box shows it: one character per stored byte, up to the first
// byte 0 (the zero filling of a record that never held a VIN).
QString VinText(const std::array<uint8_t, 17>& vin);

// The record as the window stores it back after showing it, with no edit in
// between: the mode, the in-use fields, the version and, under "2.00", the bit
// rate become the values the window writes (-1/0, 1/0, 0/1, 0/-1); a data
// length or parameter position of 0 becomes 1; under "1.01" the DTC format
// becomes "Version3"; bit 63 of the NAME is cleared. Each additional PGN is
// read as its slot shows it: a greyed (2) reserved or data-page box is clear,
// the PS is 0 in PDU1, a PGN number that the slot can split (its bits 0 to 23,
// above 262143 after a message) rewrites the reserved bit, data page, PF and
// PS, a negative one is replaced by 0, and the PGN stored is the one that these
// parts give. Other values that the window answers with a message are left as
// they are.
SimulatorConfig RecordAsShown(const SimulatorConfig& record);

}  // namespace j1939
