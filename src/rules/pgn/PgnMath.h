#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace j1939 {

// J1939 parameter group numbers of the additional PGN slots: 18 bits, from the
// top the reserved bit (17), the data page (16), the PDU format PF (15-8) and
// the PDU specific PS (7-0). Below PF 240 (PDU1) the PS byte is a destination
// address and not part of the PGN, whose low byte is then 0.

inline constexpr int32_t kMaxPgn = 262143;            // all 18 bits set
inline constexpr int32_t kReservedBitValue = 131072;  // bit 17
inline constexpr int32_t kDataPageValue = 65536;      // bit 16
inline constexpr uint8_t kFirstPdu2Format = 240;      // PF 0-239 PDU1, 240-255 PDU2

// PF values below 240 address one node (PDU1); from 240 on they broadcast (PDU2).
constexpr bool IsPdu1Format(uint8_t pf) {
  return pf < kFirstPdu2Format;
}

// A PGN split into what the slot shows beside the number.
struct PgnParts {
  bool reserved = false;
  bool dataPage = false;
  uint8_t pf = 0;
  uint8_t ps = 0;

  friend bool operator==(const PgnParts&, const PgnParts&) = default;
};

// The PGN the parts stand for: PF x 256, plus PS only in PDU2, plus 2^17 for
// the reserved bit and 2^16 for the data page.
constexpr int32_t PgnFromParts(const PgnParts& parts) {
  int32_t pgn = parts.pf * 256;
  if (!IsPdu1Format(parts.pf)) pgn += parts.ps;
  if (parts.reserved) pgn += kReservedBitValue;
  if (parts.dataPage) pgn += kDataPageValue;
  return pgn;
}

// The parts of a PGN number. The bits above 17 are lost; a number whose bits
// above 15 do not fit one byte (16777216 and up), or a negative one, has no
// parts. In PDU1 the PS is 0.
std::optional<PgnParts> PartsFromPgn(int64_t pgn);

// A PGN text read as a 32-bit signed number: digits only (leading zeros
// allowed) and at most 2147483647. Anything else cannot be read.
std::optional<int32_t> ReadPgnText(const QString& text);

// Whether a PGN text names one of the groups the simulator sends itself. A text
// that cannot be read names none.
bool IsBuiltInPgnText(const QString& text);

// Whether two PGN texts name the same number. Decimal texts of any length are
// compared digit by digit once their leading zeros are dropped, so '065280'
// equals '65280' and two equal texts above the 32-bit range are equal too. A
// text that is not decimal equals nothing.
bool PgnTextsEqual(const QString& a, const QString& b);

}  // namespace j1939
