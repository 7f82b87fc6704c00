#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>

namespace j1939 {

// The 29-bit identifier of a J1939 frame (an extended CAN frame), from the top:
// priority (3 bits), extended data page (the bit the record calls reserved),
// data page, PDU format PF, PDU specific PS, source address. Below PF 240
// (PDU1) the PS byte is the destination address and the PGN's low byte is 0;
// from PF 240 on (PDU2) the PS byte is the group extension, part of the PGN.

inline constexpr uint8_t kGlobalAddress = 255;  // "to all": the destination of a broadcast
inline constexpr uint32_t kIdentifierMask = 0x1FFFFFFF;

struct J1939Identifier {
  uint8_t priority = 0;  // 0 (highest) to 7
  bool extendedDataPage = false;
  bool dataPage = false;
  uint8_t pf = 0;
  uint8_t ps = 0;
  uint8_t sourceAddress = 0;

  friend bool operator==(const J1939Identifier&, const J1939Identifier&) = default;
};

constexpr bool IsPdu1(uint8_t pf) {
  return pf < 240;
}

// The 29 bits; a priority above 7 keeps its low 3 bits.
constexpr uint32_t EncodeIdentifier(const J1939Identifier& id) {
  return (static_cast<uint32_t>(id.priority & 7) << 26) | (id.extendedDataPage ? 1u << 25 : 0) |
         (id.dataPage ? 1u << 24 : 0) | (static_cast<uint32_t>(id.pf) << 16) |
         (static_cast<uint32_t>(id.ps) << 8) | id.sourceAddress;
}

// The parts of an identifier; bits above 28 are ignored.
constexpr J1939Identifier DecodeIdentifier(uint32_t bits) {
  J1939Identifier id;
  id.priority = static_cast<uint8_t>((bits >> 26) & 7);
  id.extendedDataPage = ((bits >> 25) & 1) != 0;
  id.dataPage = ((bits >> 24) & 1) != 0;
  id.pf = static_cast<uint8_t>(bits >> 16);
  id.ps = static_cast<uint8_t>(bits >> 8);
  id.sourceAddress = static_cast<uint8_t>(bits);
  return id;
}

// The PGN that the identifier carries: 18 bits, the PS only in PDU2.
constexpr uint32_t PgnOf(const J1939Identifier& id) {
  return (id.extendedDataPage ? 1u << 17 : 0) | (id.dataPage ? 1u << 16 : 0) |
         (static_cast<uint32_t>(id.pf) << 8) | (IsPdu1(id.pf) ? 0 : id.ps);
}

// The destination address of a PDU1 frame; a PDU2 frame goes to all.
constexpr uint8_t DestinationOf(const J1939Identifier& id) {
  return IsPdu1(id.pf) ? id.ps : kGlobalAddress;
}

// The identifier that sends `pgn` from `sourceAddress`: a PDU1 group goes to
// `destination` (its PS), a PDU2 group to all, whatever `destination` says.
// The PGN's bits above 17 are ignored, and so is its low byte in PDU1.
constexpr J1939Identifier IdentifierFor(uint32_t pgn, uint8_t priority, uint8_t sourceAddress,
                                        uint8_t destination = kGlobalAddress) {
  J1939Identifier id;
  id.priority = static_cast<uint8_t>(priority & 7);
  id.extendedDataPage = ((pgn >> 17) & 1) != 0;
  id.dataPage = ((pgn >> 16) & 1) != 0;
  id.pf = static_cast<uint8_t>(pgn >> 8);
  id.ps = IsPdu1(id.pf) ? destination : static_cast<uint8_t>(pgn);
  id.sourceAddress = sourceAddress;
  return id;
}

// One frame on the bus as the rules see it: the 29-bit identifier and 0 to 8
// data bytes. The link turns it into an extended CAN frame and back.
struct CanFrame {
  uint32_t identifier = 0;
  QByteArray data;

  friend bool operator==(const CanFrame&, const CanFrame&) = default;
};

inline CanFrame FrameFor(const J1939Identifier& id, const QByteArray& data) {
  return CanFrame{EncodeIdentifier(id), data};
}

}  // namespace j1939
