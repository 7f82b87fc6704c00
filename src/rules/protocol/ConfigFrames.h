#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>
#include <array>
#include <cstdint>

#include "rules/record/SimulatorConfig.h"
#include "rules/system/Failure.h"

namespace j1939 {

// The simulator is configured with one frame of raw bytes: 32 bytes for a
// simulator of version "1.01", 49 bytes for "2.00". A frame has no marker and
// no length field; its length follows from the version. Wider numbers go low
// byte first and the last byte is the 8-bit sum of all bytes before it.

inline constexpr int kConfigFrameV1Size = 32;
inline constexpr int kConfigFrameV2Size = 49;
using ConfigFrameV1Bytes = std::array<uint8_t, kConfigFrameV1Size>;
using ConfigFrameV2Bytes = std::array<uint8_t, kConfigFrameV2Size>;

// The simulator's reply that accepts a configuration.
inline constexpr uint8_t ConfigAckByte = 0x55;

// Rate word of an additional PGN: bit 15 asks for transmission on request, the
// low bits give the period in units of 10 ms, bit 14 marks a deleted slot.
inline constexpr uint16_t kRateOnRequest = 0x8000;
inline constexpr uint16_t kRateSlotDeleted = 0x4000;
inline constexpr std::array<uint16_t, 6> kRateWords = {kRateOnRequest, 5, 10, 50, 100, 500};

// The 8-bit sum of the bytes.
uint8_t FrameChecksum(QByteArrayView bytes);

// Builds both frames from the record. A record that the frames cannot carry
// (a source address above 0x7F, whose bit 7 is the bit-rate flag; a priority
// outside 0-7; an update-rate index outside 0-5; a DTC format above 3; a
// negative data length or parameter position) is refused with a failure that
// names the first such field, and both frames are left as they were.
MaybeFailure BuildConfigFrames(const SimulatorConfig& config, ConfigFrameV1Bytes& v1,
                               ConfigFrameV2Bytes& v2);

// One additional PGN as a frame carries it.
struct DecodedPgnSlot {
  uint16_t rateWord = 0;  // as sent, deleted bit included
  bool deleted = false;
  bool onRequest = false;
  int periodMs = 0;          // 0 on request
  int updateRateIndex = -1;  // index into the tool's update-rate list, -1 if none matches
  uint16_t dataLength = 0;
  uint8_t identifier = 0;  // priority in bits 7-5, reserved bit 4, data page bit 3
  int priority = 0;
  bool reserved = false;
  bool dataPage = false;
  uint8_t pf = 0;
  uint8_t ps = 0;
  uint16_t paramPos = 0;
  uint8_t paramType = 0;  // 0 single byte, 1 two bytes, 2 four bytes
};

// What one configuration frame says.
struct DecodedConfigFrame {
  int simulatorVersion = 0;  // 0 = "1.01" (32 bytes), 1 = "2.00" (49 bytes)
  uint8_t modeByte = 0;
  bool dynamicMode = false;  // 0x00 dynamic; anything else is taken as static
  uint8_t dtcByte = 0;       // byte 1: 0 in a "1.01" frame, DTC format + 1 in a "2.00" frame
  uint8_t sourceAddress = 0;
  bool canBaud500 = false;
  std::array<uint8_t, 8> deviceName{};
  std::array<DecodedPgnSlot, 2> pgns{};
  std::array<uint8_t, 17> vin{};  // "2.00" frames only
  uint8_t checksum = 0;
  // Values that the tool never sends (a mode byte other than 0x00 and 0xFF, an
  // unknown rate word, ...): a frame with these is still well-formed.
  QStringList oddities;
};

// Checks the length (32 or 49 bytes) and the checksum and reads the fields back.
MaybeFailure DecodeConfigFrame(QByteArrayView frame, DecodedConfigFrame& decoded);

// The frame's contents as lines of text, one field a line, for people reading
// a simulator's log.
QStringList DescribeConfigFrame(const DecodedConfigFrame& decoded);

// "FF 00 A5 ..."
QString HexBytes(QByteArrayView bytes);

template <std::size_t N>
QByteArray FrameBytes(const std::array<uint8_t, N>& frame) {
  return QByteArray(reinterpret_cast<const char*>(frame.data()), static_cast<qsizetype>(N));
}

}  // namespace j1939
