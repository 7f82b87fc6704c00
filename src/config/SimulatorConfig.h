#pragma once

#include <array>
#include <cstdint>

// The one configuration of the simulator: what a .cfg file holds, what the form
// edits and what the download sends. A plain value of exact widths: Integer is
// 16-bit signed, Long 32-bit signed, Byte 8-bit unsigned. Booleans held in an
// Integer are -1 for true and 0 for false; list selections are 0-based indexes,
// -1 for none. The field order is the file order.
struct SimulatorConfig {
  int16_t ComPortIndex = 0;             // 0 = "COM1" ... 15 = "COM16"
  uint8_t SourceAddress = 0;            // J1939 source address, 0x00-0x7F
  std::array<uint8_t, 8> DeviceName{};  // 64-bit NAME, element 0 least significant
  int16_t DynamicMode = 0;              // -1 dynamic, 0 static
  int16_t Pgn1InUse = 0;                // 1 in use (note: 1, not -1), 0 deleted
  int16_t Pgn1UpdateRate = 0;           // "On Request" ... "Every 5s"
  int16_t Pgn1Priority = 0;             // 0-7
  int16_t Pgn1DataPage = 0;             // check-box state: 0 clear, 1 ticked
  int16_t Pgn1Reserved = 0;             // check-box state: 0 clear, 1 ticked
  uint8_t Pgn1Pf = 0;                   // PDU format
  uint8_t Pgn1Ps = 0;                   // PDU specific
  int32_t Pgn1 = 0;                     // PGN number, 0-262143
  int16_t Pgn1DataLength = 0;           // 1-1785 bytes
  uint8_t Pgn1ParamType = 0;            // 0 single byte, 1 two bytes, 2 four bytes
  int16_t Pgn1ParamPos = 0;             // 1-based start of the parameter
  int16_t Pgn2InUse = 0;
  int16_t Pgn2UpdateRate = 0;
  int16_t Pgn2Priority = 0;
  int16_t Pgn2DataPage = 0;
  int16_t Pgn2Reserved = 0;
  uint8_t Pgn2Pf = 0;
  uint8_t Pgn2Ps = 0;
  int32_t Pgn2 = 0;
  int16_t Pgn2DataLength = 0;
  uint8_t Pgn2ParamType = 0;
  int16_t Pgn2ParamPos = 0;
  int16_t SimulatorVersion = 0;   // 0 = "1.01", 1 = "2.00"
  uint8_t DtcVersion = 0;         // 0 "Version1" ... 3 "Version4"
  std::array<uint8_t, 17> Vin{};  // one single-byte code per character
  int16_t CanBaudRate = 0;        // 0 = 250 kbit/s, -1 = 500 kbit/s

  friend bool operator==(const SimulatorConfig&, const SimulatorConfig&) = default;
};
