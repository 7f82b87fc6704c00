#include "rules/identity/IdentityRules.h"

namespace j1939 {

std::optional<VinFault> CheckVinText(const QString& vin) {
  if (vin.size() < kVinLength) return VinFault{VinFault::Kind::TooShort, 0};
  const qsizetype blank = vin.left(kVinLength).indexOf(QLatin1Char(' '));
  if (blank >= 0) return VinFault{VinFault::Kind::Blank, static_cast<int>(blank)};
  return std::nullopt;
}

}  // namespace j1939
