#include "rules/text/TextCodecs.h"

#include <algorithm>

namespace j1939 {

namespace {
bool isDigit(QChar c) {
  return c.unicode() >= '0' && c.unicode() <= '9';
}

int hexDigitValue(QChar c) {
  const char16_t u = c.unicode();
  if (u >= '0' && u <= '9') return u - '0';
  if (u >= 'A' && u <= 'F') return u - 'A' + 10;
  if (u >= 'a' && u <= 'f') return u - 'a' + 10;
  return -1;
}
}  // namespace

bool IsDecimalText(const QString& text) {
  if (text.isEmpty()) return false;
  for (QChar c : text)
    if (!isDigit(c)) return false;
  return true;
}

bool IsHexText(const QString& text) {
  if (text.isEmpty()) return false;
  for (QChar c : text)
    if (hexDigitValue(c) < 0) return false;
  return true;
}

uint8_t HexTextToByte(const QString& text) {
  unsigned value = 0;
  for (QChar c : text) {
    value = (value * 16) & 0xFF;
    const int digit = hexDigitValue(c);
    if (digit >= 0) value = (value + static_cast<unsigned>(digit)) & 0xFF;
  }
  return static_cast<uint8_t>(value);
}

QString ByteToHexText(uint8_t value) {
  static const char kDigits[] = "0123456789ABCDEF";
  const QChar digits[2] = {QLatin1Char(kDigits[value / 16]), QLatin1Char(kDigits[value % 16])};
  return QString(digits, 2);
}

QString StripLeadingZeros(const QString& text) {
  if (text.size() < 2) return text;
  qsizetype start = 0;
  while (text.size() - start > 1 && text.at(start) == QLatin1Char('0')) ++start;
  return text.mid(start);
}

uint64_t DecimalValue(const QString& text, uint64_t cap) {
  // Below this bound one more digit cannot overflow the running value.
  cap = std::min(cap, UINT64_MAX / 10);
  uint64_t value = 0;
  for (QChar c : text) {
    if (!isDigit(c)) break;
    value = value * 10 + static_cast<uint64_t>(c.unicode() - '0');
    if (value >= cap) return cap;
  }
  return value;
}

}  // namespace j1939
