#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace j1939 {

// The 64-bit J1939 NAME (SAE J1939-81) as eight bytes, byte 0 the least
// significant (NAME bits 0 to 7), byte 7 the most significant (bits 56 to 63).
using NameBytes = std::array<uint8_t, 8>;

// The NAME fields that the window shows. The three that are picked from lists
// are -1 while their list has no selection.
struct NameFields {
  uint32_t IdentityNumber = 0;    // bits 0-20
  uint16_t ManufacturerCode = 0;  // bits 21-31
  int EcuInstance = 0;            // bits 32-34
  uint8_t FunctionInstance = 0;   // bits 35-39
  uint8_t Function = 0;           // bits 40-47
  // bit 48 has no field: it stays whatever byte 6 holds
  uint8_t VehicleSystem = 0;      // bits 49-55
  int VehicleSystemInstance = 0;  // bits 56-59
  int IndustryGroup = 0;          // bits 60-62
  // bit 63, arbitrary address capable, is never set by this simulator

  bool operator==(const NameFields&) const = default;
};

inline constexpr uint32_t kMaxIdentityNumber = 2097151;
inline constexpr uint16_t kMaxManufacturerCode = 2047;
inline constexpr uint8_t kMaxFunctionInstance = 31;
inline constexpr uint8_t kMaxFunction = 255;
inline constexpr uint8_t kMaxVehicleSystem = 127;
// Byte 7 without bit 63: this simulator is never arbitrary-address capable.
inline constexpr uint8_t kMaxNameByte7 = 0x7F;

// NAME byte `index` as this simulator holds it: bit 63 is dropped from byte 7,
// whatever a box or a record holds there, so that what is stored and sent is
// what the fields show ("Arbitrary Address Capable" never ticked).
constexpr uint8_t HeldNameByte(std::size_t index, uint8_t value) {
  return index == 7 ? static_cast<uint8_t>(value & kMaxNameByte7) : value;
}

// The fields of a NAME. Bits 48 and 63 are ignored; every list field comes out
// selected.
NameFields DecodeName(const NameBytes& bytes);

// The bytes to write for the given fields, none where a byte is left as it is:
// byte 7 needs both the vehicle system instance and the industry group, byte 4
// the ECU instance. Byte 6 keeps bit 48 of `current`. Each field is taken to its
// own width, so that a stray value can never spill into a neighbouring field.
std::array<std::optional<uint8_t>, 8> EncodeName(const NameFields& fields,
                                                 const NameBytes& current);

}  // namespace j1939
