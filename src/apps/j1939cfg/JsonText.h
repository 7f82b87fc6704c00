#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace j1939 {

// What a JSON reader takes without a word, found in the text itself: a key
// given twice in one object (the document keeps the last one), and a number
// that a JSON number (a double) does not hold exactly (1e400,
// 9007199254740993), which the document rounds, or refuses without naming the
// key. Returns the first, led by the key's path ("Pgn1.value: ..."); nothing
// when there is none, or where the text stops being JSON (the JSON reader
// says why).
std::optional<QString> JsonTextFault(const QByteArray& text);

}  // namespace j1939
