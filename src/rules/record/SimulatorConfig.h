#pragma once

#include <array>
#include <cstdint>

namespace j1939 {

// One additional PGN slot of the record, as both slots hold it. InUse,
// DataPage and Reserved stay the stored words, not bools: a data-page or
// reserved value that its box cannot show (5, -1) is stored back as it was
// read, and j1939cfg prints each word as stored ("5 (in use)"). The readings in
// RecordReading.h say what the window makes of them.
struct PgnSlotConfig {
  int16_t InUse = 0;       // 1 in use (note: 1, not -1), 0 deleted
  int16_t UpdateRate = 0;  // "On Request" ... "Every 5s"
  int16_t Priority = 0;    // 0-7
  int16_t DataPage = 0;    // check-box state: 0 clear, 1 ticked
  int16_t Reserved = 0;    // check-box state: 0 clear, 1 ticked
  uint8_t Pf = 0;          // PDU format
  uint8_t Ps = 0;          // PDU specific
  int32_t Pgn = 0;         // PGN number, 0-262143
  int16_t DataLength = 0;  // 1-1785 bytes
  uint8_t ParamType = 0;   // 0 single byte, 1 two bytes, 2 four bytes
  int16_t ParamPos = 0;    // 1-based start of the parameter

  friend bool operator==(const PgnSlotConfig&, const PgnSlotConfig&) = default;
};

// The one configuration of the simulator: what a .cfg file holds, what the form
// edits and what the download sends. A plain value of exact widths: Integer is
// 16-bit signed, Long 32-bit signed, Byte 8-bit unsigned. Booleans held in an
// Integer are -1 for true and 0 for false; they stay Integers here, since a
// file may hold any other value, which j1939cfg prints as stored and which, for
// the bit rate under "1.01", the window stores back unchanged. List selections
// are 0-based indexes, -1 for none. The field order is the file order; the
// file's fields Pgn1InUse ... Pgn1ParamPos, Pgn2InUse ... Pgn2ParamPos are
// Pgns[0] and Pgns[1].
struct SimulatorConfig {
  int16_t ComPortIndex = 0;             // 0 = "COM1" ... 15 = "COM16"
  uint8_t SourceAddress = 0;            // J1939 source address, 0x00-0x7F
  std::array<uint8_t, 8> DeviceName{};  // 64-bit NAME, element 0 least significant
  int16_t DynamicMode = 0;              // -1 dynamic, 0 static
  std::array<PgnSlotConfig, 2> Pgns{};  // additional PGN 1 and 2
  int16_t SimulatorVersion = 0;         // 0 = "1.01", 1 = "2.00"
  uint8_t DtcVersion = 0;               // 0 "Version1" ... 3 "Version4"
  std::array<uint8_t, 17> Vin{};        // one single-byte code per character
  int16_t CanBaudRate = 0;              // 0 = 250 kbit/s, -1 = 500 kbit/s

  friend bool operator==(const SimulatorConfig&, const SimulatorConfig&) = default;
};

}  // namespace j1939
