#pragma once

// The simulator-version rule. A simulator of version "1.01" knows one DTC
// format ("Version3") and one CAN bit rate (250 kbit/s) and has no VIN; one of
// version "2.00" lets the user choose, starting from DTC format "Version4".
// Indexes are those of the version, DTC-format and bit-rate lists.
inline constexpr int kVersion101 = 0;              // "1.01"
inline constexpr int kVersion200 = 1;              // "2.00"
inline constexpr int kDtcFormatOfVersion101 = 2;   // "Version3"
inline constexpr int kDtcFormatOfVersion200 = 3;   // "Version4"
inline constexpr int kCanBitRateOfVersion101 = 0;  // "250Kbps"
