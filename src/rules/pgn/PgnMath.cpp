#include "rules/pgn/PgnMath.h"

#include <limits>

#include "rules/pgn/BuiltInPgns.h"
#include "rules/text/TextCodecs.h"

namespace j1939 {

std::optional<PgnParts> PartsFromPgn(int64_t pgn) {
  if (pgn < 0) return std::nullopt;
  const int64_t high = pgn / 65536;
  if (high > 255) return std::nullopt;
  const int64_t low = pgn % 65536;
  PgnParts parts;
  parts.reserved = (high & 2) != 0;
  parts.dataPage = (high & 1) != 0;
  parts.pf = static_cast<uint8_t>(low / 256);
  parts.ps = IsPdu1Format(parts.pf) ? 0 : static_cast<uint8_t>(low % 256);
  return parts;
}

std::optional<int32_t> ReadPgnText(const QString& text) {
  if (!IsDecimalText(text)) return std::nullopt;
  constexpr uint64_t kLargest = std::numeric_limits<int32_t>::max();
  // Saturating just above the largest value keeps any longer digit string out.
  const uint64_t value = DecimalValue(text, kLargest + 1);
  if (value > kLargest) return std::nullopt;
  return static_cast<int32_t>(value);
}

bool IsBuiltInPgnText(const QString& text) {
  const std::optional<int32_t> pgn = ReadPgnText(text);
  return pgn && PgnIsIn(BuiltInPgns, *pgn);
}

bool PgnTextsEqual(const QString& a, const QString& b) {
  if (!IsDecimalText(a) || !IsDecimalText(b)) return false;
  return StripLeadingZeros(a) == StripLeadingZeros(b);
}

}  // namespace j1939
