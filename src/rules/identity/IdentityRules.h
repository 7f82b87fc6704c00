#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace j1939 {

// The rules for the simulated ECU's source address and for the VIN, shared by
// the window's fields and by the tools that check a stored configuration.

// Source addresses 80 to FF are not for this simulator (128 to 247 are the
// self-configurable range, the rest reserved or global), and bit 7 of the
// address byte in a configuration frame carries the CAN bit rate.
inline constexpr uint8_t kMaxSourceAddress = 0x7F;

// A VIN has exactly this many characters, and no blank among them.
inline constexpr int kVinLength = 17;

struct VinFault {
  enum class Kind {
    TooShort,  // fewer than 17 characters
    Blank,     // a blank among the first 17, at `position` (0-based)
  };
  Kind kind;
  int position = 0;
};

// What is wrong with a VIN text, the first fault only; nothing when it is a VIN.
std::optional<VinFault> CheckVinText(const QString& vin);

}  // namespace j1939
