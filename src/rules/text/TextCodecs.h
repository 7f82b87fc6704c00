#pragma once

#include <QString>
#include <cstdint>

namespace j1939 {

// The text tests and conversions behind every numeric box of the window.
// Hexadecimal texts carry no prefix and no sign; decimal texts are plain digit
// strings whose leading zeros are kept.

// Not empty, and every character a digit 0-9.
bool IsDecimalText(const QString& text);
// Not empty, and every character 0-9, A-F or a-f.
bool IsHexText(const QString& text);
// Walks the text multiplying by 16 for every character and adding the value of
// each hexadecimal digit; other characters add nothing ('1G' gives 0x10). Only
// the low eight bits are kept at every step, so a box holding a longer text
// such as '12G' still reads as a byte and the conversion never fails.
uint8_t HexTextToByte(const QString& text);
// Exactly two upper-case hexadecimal digits: 10 gives '0A'.
QString ByteToHexText(uint8_t value);
// Drops leading '0' characters while the text is longer than one character:
// '007' gives '7', '000' gives '0', '00FF' gives 'FF'.
QString StripLeadingZeros(const QString& text);

// The value a decimal text spells, saturated at `cap` (at most UINT64_MAX / 10)
// so that a digit string of any length compares as the large number it is.
// Reading stops at the first character that is not a digit: the empty text
// gives 0.
uint64_t DecimalValue(const QString& text, uint64_t cap = UINT64_MAX / 10);

}  // namespace j1939
