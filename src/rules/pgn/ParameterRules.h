#pragma once

#include <cstdint>
#include <optional>

namespace j1939 {

// The data of an additional PGN and the one parameter the simulator varies in
// it: the parameter must lie inside the data. Parameter types are indexes of
// the parameter-type list.

// 255 packets of 7 bytes: the largest group the transport protocol carries.
inline constexpr int64_t kMaxDataLength = 1785;

inline constexpr int kSingleByte = 0;  // "Single Byte"
inline constexpr int kTwoBytes = 1;    // "2 Bytes"
inline constexpr int kFourBytes = 2;   // "4 Bytes"

// Whether a data length is one the simulator can send.
constexpr bool IsDataLengthInRange(int64_t dataLength) {
  return dataLength >= 1 && dataLength <= kMaxDataLength;
}

// The largest parameter position, 1-based, at which a parameter of the type
// still ends inside `dataLength` bytes: the data length less the parameter's
// size plus one. No type selected (-1) counts as a single byte.
constexpr int64_t MaxParameterPosFor(int64_t dataLength, int typeIndex) {
  if (typeIndex == kTwoBytes) return dataLength - 1;
  if (typeIndex == kFourBytes) return dataLength - 3;
  return dataLength;
}

// The type to fall back to when a parameter of `typeIndex` is too big for
// `dataLength` bytes: a single byte for 1 data byte, 2 bytes for 2 or 3.
// Nothing when the type fits.
constexpr std::optional<int> SmallerParameterType(uint64_t dataLength, int typeIndex) {
  if (dataLength == 1 && typeIndex >= kTwoBytes) return kSingleByte;
  if ((dataLength == 2 || dataLength == 3) && typeIndex >= kFourBytes) return kTwoBytes;
  return std::nullopt;
}

}  // namespace j1939
