#pragma once

namespace j1939 {

// The simulator-version rule. A simulator of version "1.01" knows one DTC
// format ("Version3") and one CAN bit rate (250 kbit/s) and has no VIN; one of
// version "2.00" lets the user choose, starting from DTC format "Version4".

// The simulator's versions and the DTC formats, in the order of their lists.
enum class SimVersion { V101, V200 };  // "1.01", "2.00"
enum class DtcFormat { Version1, Version2, Version3, Version4 };

// An entry's place in its list, as the window's lists and the record hold it.
constexpr int ListIndex(SimVersion version) {
  return static_cast<int>(version);
}
constexpr int ListIndex(DtcFormat format) {
  return static_cast<int>(format);
}

inline constexpr DtcFormat kDtcFormatOfVersion101 = DtcFormat::Version3;
inline constexpr DtcFormat kDtcFormatOfVersion200 = DtcFormat::Version4;
inline constexpr int kCanBitRateOfVersion101 = 0;  // "250Kbps"

}  // namespace j1939
