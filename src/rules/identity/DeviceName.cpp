#include "rules/identity/DeviceName.h"

namespace j1939 {

NameFields DecodeName(const NameBytes& b) {
  NameFields f;
  f.IndustryGroup = (b[7] / 16) % 8;
  f.VehicleSystem = static_cast<uint8_t>(b[6] / 2);
  f.VehicleSystemInstance = b[7] % 16;
  f.Function = b[5];
  f.FunctionInstance = static_cast<uint8_t>(b[4] / 8);
  f.EcuInstance = b[4] % 8;
  f.IdentityNumber = uint32_t{b[2] % 32u} * 65536 + uint32_t{b[1]} * 256 + b[0];
  f.ManufacturerCode = static_cast<uint16_t>(b[2] / 32 + b[3] * 8);
  return f;
}

std::array<std::optional<uint8_t>, 8> EncodeName(const NameFields& f, const NameBytes& current) {
  const uint32_t identity = f.IdentityNumber & 0x1FFFFF;
  const unsigned manufacturer = f.ManufacturerCode & 0x7FFu;
  const auto byte = [](unsigned value) { return static_cast<uint8_t>(value); };

  std::array<std::optional<uint8_t>, 8> out;
  if (f.VehicleSystemInstance >= 0 && f.IndustryGroup >= 0)
    out[7] = byte((f.IndustryGroup & 0x7) * 16 + (f.VehicleSystemInstance & 0xF));
  out[6] = byte((f.VehicleSystem & 0x7Fu) * 2 + current[6] % 2);
  out[5] = f.Function;
  if (f.EcuInstance >= 0) out[4] = byte((f.FunctionInstance & 0x1Fu) * 8 + (f.EcuInstance & 0x7));
  out[0] = byte(identity % 256);
  out[1] = byte(identity / 256 % 256);
  out[2] = byte(manufacturer % 8 * 32 + identity / 65536);
  out[3] = byte(manufacturer / 8);
  return out;
}

}  // namespace j1939
