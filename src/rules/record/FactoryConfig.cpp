#include "rules/record/FactoryConfig.h"

#include <cstring>

#include "rules/record/VersionRule.h"

namespace j1939 {

SimulatorConfig FactoryConfig() {
  SimulatorConfig c;
  for (PgnSlotConfig& slot : c.Pgns) {
    slot.Priority = 7;
    slot.DataLength = 1;
    slot.ParamPos = 1;
  }
  c.SimulatorVersion = static_cast<int16_t>(ListIndex(SimVersion::V200));
  c.DtcVersion = static_cast<uint8_t>(ListIndex(kDtcFormatOfVersion200));
  static constexpr char kVin[] = "KorvaneElectronic";
  static_assert(sizeof(kVin) - 1 == std::tuple_size_v<decltype(c.Vin)>);
  std::memcpy(c.Vin.data(), kVin, c.Vin.size());
  return c;
}

}  // namespace j1939
