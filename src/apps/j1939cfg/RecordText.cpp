#include "apps/j1939cfg/RecordText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QRegularExpression>
#include <cmath>
#include <functional>
#include <limits>

#include "apps/j1939cfg/RecordView.h"
#include "rules/identity/DeviceName.h"
#include "rules/identity/IdentityRules.h"
#include "rules/record/RecordReading.h"
#include "rules/text/TextCodecs.h"

namespace j1939 {

namespace {

const QString kValue = QStringLiteral("value");
// The largest whole numbers a JSON number (a double) holds exactly, 2^53.
constexpr qint64 kLargestExact = qint64{1} << 53;
const QString kNotExact = QStringLiteral("is not held exactly by a JSON number");
const QString kBytes = QStringLiteral("bytes");
const QString kText = QStringLiteral("text");
const QString kUsed = QStringLiteral("used");

// A field that `show --json` prints as a number in "value", with the members
// it prints beside it for the number's meaning.
struct NumberField {
  QString name;
  QStringList shown;
  qint64 min;
  qint64 max;
  std::function<void(SimulatorConfig&, qint64)> store;
};

template <typename Get>
NumberField numberField(const QString& name, const QStringList& shown, Get get) {
  using T = std::remove_reference_t<decltype(get(std::declval<SimulatorConfig&>()))>;
  return {name, shown, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(),
          [get](SimulatorConfig& c, qint64 value) { get(c) = static_cast<T>(value); }};
}

const QList<NumberField>& numberFields() {
  static const QList<NumberField> fields = [] {
    const QStringList text{kText}, hex{QStringLiteral("hex")}, layout{QStringLiteral("shownAs")};
    QList<NumberField> f;
    f << numberField(
        QStringLiteral("ComPortIndex"), text,
        [](SimulatorConfig & c) -> auto& { return c.ComPortIndex; });
    f << numberField(
        QStringLiteral("SourceAddress"), hex,
        [](SimulatorConfig & c) -> auto& { return c.SourceAddress; });
    f << numberField(
        QStringLiteral("DynamicMode"), text,
        [](SimulatorConfig & c) -> auto& { return c.DynamicMode; });
    for (std::size_t slot = 0; slot < 2; ++slot) {
      const QString p = QStringLiteral("Pgn%1").arg(slot + 1);
      const auto in = [slot](auto member) {
        return [ slot, member ](SimulatorConfig & c) -> auto& {
          return c.Pgns[slot].*member;
        };
      };
      f << numberField(p + QStringLiteral("InUse"), text, in(&PgnSlotConfig::InUse));
      f << numberField(p + QStringLiteral("UpdateRate"), text, in(&PgnSlotConfig::UpdateRate));
      f << numberField(p + QStringLiteral("Priority"), text, in(&PgnSlotConfig::Priority));
      f << numberField(p + QStringLiteral("DataPage"), {}, in(&PgnSlotConfig::DataPage));
      f << numberField(p + QStringLiteral("Reserved"), {}, in(&PgnSlotConfig::Reserved));
      f << numberField(p + QStringLiteral("Pf"), hex, in(&PgnSlotConfig::Pf));
      f << numberField(p + QStringLiteral("Ps"), hex, in(&PgnSlotConfig::Ps));
      f << numberField(p,
                       {QStringLiteral("reserved"), QStringLiteral("dataPage"),
                        QStringLiteral("pf"), QStringLiteral("ps")},
                       in(&PgnSlotConfig::Pgn));
      f << numberField(p + QStringLiteral("DataLength"), layout, in(&PgnSlotConfig::DataLength));
      f << numberField(p + QStringLiteral("ParamType"), text, in(&PgnSlotConfig::ParamType));
      f << numberField(p + QStringLiteral("ParamPos"), layout, in(&PgnSlotConfig::ParamPos));
    }
    f << numberField(
        QStringLiteral("SimulatorVersion"), text,
        [](SimulatorConfig & c) -> auto& { return c.SimulatorVersion; });
    f << numberField(
        QStringLiteral("DtcVersion"), text + layout,
        [](SimulatorConfig & c) -> auto& { return c.DtcVersion; });
    f << numberField(
        QStringLiteral("CanBaudRate"), text,
        [](SimulatorConfig & c) -> auto& { return c.CanBaudRate; });
    return f;
  }();
  return fields;
}

const NumberField* numberFieldNamed(const QString& name) {
  for (const NumberField& field : numberFields())
    if (field.name == name) return &field;
  return nullptr;
}

// The NAME's fields as `show --json` prints them, with their largest values.
struct NameComponent {
  const char* key;
  qint64 max;
};
constexpr NameComponent kNameComponents[] = {
    {"IdentityNumber", kMaxIdentityNumber},
    {"ManufacturerCode", kMaxManufacturerCode},
    {"EcuInstance", 7},
    {"FunctionInstance", kMaxFunctionInstance},
    {"Function", kMaxFunction},
    {"VehicleSystem", kMaxVehicleSystem},
    {"VehicleSystemInstance", 15},
    {"IndustryGroup", 7},
};
const QString kArbitrary = QStringLiteral("ArbitraryAddressCapable");
constexpr uint8_t kBit63 = 0x80;

std::array<qint64, 8> componentsOf(const NameBytes& bytes) {
  const NameFields n = DecodeName(bytes);
  return {n.IdentityNumber, n.ManufacturerCode, n.EcuInstance,           n.FunctionInstance,
          n.Function,       n.VehicleSystem,    n.VehicleSystemInstance, n.IndustryGroup};
}

QString kindOf(const QJsonValue& value) {
  switch (value.type()) {
    case QJsonValue::Null:
      return QStringLiteral("null");
    case QJsonValue::Bool:
      return QStringLiteral("true or false");
    case QJsonValue::Double:
      return QStringLiteral("a number");
    case QJsonValue::String:
      return QStringLiteral("a string");
    case QJsonValue::Array:
      return QStringLiteral("an array");
    case QJsonValue::Object:
      return QStringLiteral("an object");
    case QJsonValue::Undefined:
      break;
  }
  return QStringLiteral("nothing");
}

std::optional<QString> wrongType(const QString& path, const char* needed, const QJsonValue& value) {
  return QStringLiteral("%1: %2 is needed, not %3").arg(path, QLatin1String(needed), kindOf(value));
}

std::optional<QString> readWhole(const QString& path, const QJsonValue& value, qint64 min,
                                 qint64 max, qint64& number) {
  if (!value.isDouble()) return wrongType(path, "a number", value);
  const double d = value.toDouble();
  const QString text = QString::number(d, 'g', 17);
  if (d != std::floor(d)) return QStringLiteral("%1: %2 is not a whole number").arg(path, text);
  if (d < static_cast<double>(min) || d > static_cast<double>(max))
    return QStringLiteral("%1: %2 is outside %3 to %4").arg(path, text).arg(min).arg(max);
  number = static_cast<qint64>(d);
  return std::nullopt;
}

// "00" to "FF", two digits each.
std::optional<uint8_t> hexByte(const QString& text) {
  if (text.size() != 2 || !IsHexText(text)) return std::nullopt;
  return HexTextToByte(text);
}

std::optional<QString> readNumberField(const NumberField& field, const QJsonObject& object,
                                       SimulatorConfig& record) {
  for (auto member = object.begin(); member != object.end(); ++member) {
    const QString path = field.name + QLatin1Char('.') + PrintableText(member.key());
    if (member.key() == kValue) {
      qint64 number = 0;
      if (auto error = readWhole(path, member.value(), field.min, field.max, number)) return error;
      field.store(record, number);
    } else if (!field.shown.contains(member.key())) {
      return path + QStringLiteral(": no such key");
    }
  }
  return std::nullopt;
}

std::optional<QString> readName(const QJsonObject& object, NameBytes& name) {
  const QString prefix = QStringLiteral("DeviceName.");
  const bool bytesGiven = object.contains(kBytes);
  if (bytesGiven) {
    const QJsonArray array = object.value(kBytes).toArray();
    if (!object.value(kBytes).isArray() || array.size() != 8)
      return prefix + QStringLiteral("bytes: an array of 8 bytes (\"00\" to \"FF\") is needed");
    for (qsizetype i = 0; i < 8; ++i) {
      const std::optional<uint8_t> byte = hexByte(array[i].toString());
      if (!byte)
        return prefix + QStringLiteral("bytes[%1]: a byte \"00\" to \"FF\" is needed").arg(i);
      name[static_cast<std::size_t>(i)] = *byte;
    }
  }
  std::array<qint64, 8> components = componentsOf(name);
  bool arbitrary = (name[7] & kBit63) != 0;
  bool componentGiven = false;
  for (auto member = object.begin(); member != object.end(); ++member) {
    const QString path = prefix + PrintableText(member.key());
    if (member.key() == kBytes) continue;
    qint64 given = 0;
    std::size_t index = 0;
    while (index < 8 && member.key() != QLatin1String(kNameComponents[index].key)) ++index;
    if (index < 8) {
      if (auto error = readWhole(path, member.value(), 0, kNameComponents[index].max, given))
        return error;
    } else if (member.key() == kArbitrary) {
      if (!member.value().isBool()) return wrongType(path, "true or false", member.value());
      given = member.value().toBool() ? 1 : 0;
    } else {
      return path + QStringLiteral(": no such key");
    }
    const qint64 current = index < 8 ? components[index] : (arbitrary ? 1 : 0);
    if (bytesGiven && given != current)
      return QStringLiteral("%1: %2 disagrees with DeviceName.bytes, which hold %3")
          .arg(path)
          .arg(given)
          .arg(current);
    if (index < 8)
      components[index] = given;
    else
      arbitrary = given != 0;
    componentGiven = true;
  }
  if (bytesGiven || !componentGiven) return std::nullopt;
  NameFields fields;
  fields.IdentityNumber = static_cast<uint32_t>(components[0]);
  fields.ManufacturerCode = static_cast<uint16_t>(components[1]);
  fields.EcuInstance = static_cast<int>(components[2]);
  fields.FunctionInstance = static_cast<uint8_t>(components[3]);
  fields.Function = static_cast<uint8_t>(components[4]);
  fields.VehicleSystem = static_cast<uint8_t>(components[5]);
  fields.VehicleSystemInstance = static_cast<int>(components[6]);
  fields.IndustryGroup = static_cast<int>(components[7]);
  const std::array<std::optional<uint8_t>, 8> encoded = EncodeName(fields, name);
  for (std::size_t i = 0; i < 8; ++i) name[i] = encoded[i].value_or(name[i]);
  name[7] = static_cast<uint8_t>((name[7] & ~kBit63) | (arbitrary ? kBit63 : 0));
  return std::nullopt;
}

// The VIN's text as `show` prints it: a character that does not print is
// written \xNN, a backslash \\.
std::optional<QString> unescapedVin(const QString& text, QString& vin) {
  const QString path = QStringLiteral("Vin.text");
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] != QLatin1Char('\\')) {
      vin += text[i];
    } else if (text.mid(i + 1, 1) == QStringLiteral("\\")) {
      vin += text[++i];
    } else if (const std::optional<uint8_t> code = hexByte(text.mid(i + 2, 2));
               text.mid(i + 1, 1) == QStringLiteral("x") && code) {
      vin += QChar(*code);
      i += 3;
    } else {
      return path + QStringLiteral(": a backslash starts \\\\ or \\xNN");
    }
  }
  if (vin.size() > kVinLength)
    return QStringLiteral("%1: %2 characters; the VIN holds %3 at most")
        .arg(path)
        .arg(vin.size())
        .arg(kVinLength);
  for (qsizetype i = 0; i < vin.size(); ++i)
    if (vin[i].unicode() == 0 || vin[i].unicode() > 0xFF)
      return QStringLiteral("%1: character %2 has no place in a VIN (one byte 01 to FF each)")
          .arg(path)
          .arg(i + 1);
  return std::nullopt;
}

std::optional<QString> readVin(const QJsonObject& object, std::array<uint8_t, 17>& vin) {
  const bool bytesGiven = object.contains(kBytes);
  if (bytesGiven) {
    const QStringList bytes = object.value(kBytes).toString().split(QLatin1Char(' '));
    if (!object.value(kBytes).isString() || bytes.size() != kVinLength)
      return QStringLiteral(
          "Vin.bytes: 17 bytes (\"00\" to \"FF\") separated by blanks are needed");
    for (std::size_t i = 0; i < vin.size(); ++i) {
      const std::optional<uint8_t> byte = hexByte(bytes[static_cast<qsizetype>(i)]);
      if (!byte) return QStringLiteral("Vin.bytes: byte %1 is not \"00\" to \"FF\"").arg(i + 1);
      vin[i] = *byte;
    }
  }
  for (auto member = object.begin(); member != object.end(); ++member) {
    const QString path = QStringLiteral("Vin.") + PrintableText(member.key());
    if (member.key() == kBytes || member.key() == kUsed) continue;
    if (member.key() != kText) return path + QStringLiteral(": no such key");
    if (!member.value().isString()) return wrongType(path, "a string", member.value());
    QString text;
    if (auto error = unescapedVin(member.value().toString(), text)) return error;
    if (bytesGiven) {
      if (text != VinText(vin)) return path + QStringLiteral(": disagrees with Vin.bytes");
      continue;
    }
    vin.fill(0);
    for (qsizetype i = 0; i < text.size(); ++i)
      vin[static_cast<std::size_t>(i)] = static_cast<uint8_t>(text[i].unicode());
  }
  return std::nullopt;
}

// A number as `set` takes it: decimal, or hexadecimal digits after 0x (no
// sign: 0x-1 is no number).
std::optional<qint64> numberText(const QString& text) {
  static const QRegularExpression form(QStringLiteral("^([-+]?[0-9]+|0[xX][0-9A-Fa-f]+)$"));
  if (!form.match(text).hasMatch()) return std::nullopt;
  bool ok = false;
  const qint64 n = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                       ? text.mid(2).toLongLong(&ok, 16)
                       : text.toLongLong(&ok, 10);
  if (!ok) return std::nullopt;
  return n;
}

// A JSON value as the document writes it: "26", 8, false.
QString jsonText(const QJsonValue& value) {
  const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
  return QString::fromUtf8(array.mid(1, array.size() - 2));
}

// What `show --json` prints beside a stored value reads it ("hex", "text",
// "shownAs", a PGN's parts, the VIN's "used"): given, it must read as show
// reads what `record` now holds, or the document says two things at once.
std::optional<QString> disagreeingReading(const QJsonObject& document,
                                          const SimulatorConfig& record) {
  const QJsonObject shown = RecordAsJson(record);
  for (auto member = document.begin(); member != document.end(); ++member) {
    const NumberField* number = numberFieldNamed(member.key());
    const QStringList readings = number                                 ? number->shown
                                 : member.key() == QLatin1String("Vin") ? QStringList{kUsed}
                                                                        : QStringList{};
    const QJsonObject given = member.value().toObject(), printed = shown[member.key()].toObject();
    for (const QString& reading : readings) {
      if (!given.contains(reading) || given[reading] == printed[reading]) continue;
      const QString subject = number ? QStringLiteral("the value %1").arg(jsonText(printed[kValue]))
                                     : QStringLiteral("the record");
      return QStringLiteral("%1.%2: %3 disagrees with %4, ")
                 .arg(member.key(), reading, jsonText(given[reading]), subject) +
             (printed.contains(reading)
                  ? QStringLiteral("which show prints as %1").arg(jsonText(printed[reading]))
                  : QStringLiteral("for which show prints no %1").arg(reading));
    }
  }
  return std::nullopt;
}

bool differs(const ShownField& a, const ShownField& b) {
  return a.value != b.value || a.json.value(kBytes) != b.json.value(kBytes);
}

}  // namespace

std::optional<QString> ReadRecordJson(const QJsonObject& document, SimulatorConfig& record) {
  for (auto member = document.begin(); member != document.end(); ++member) {
    const QString& name = member.key();
    const NumberField* number = numberFieldNamed(name);
    if (!number && name != QLatin1String("DeviceName") && name != QLatin1String("Vin"))
      return PrintableText(name) + QStringLiteral(": no such field");
    if (!member.value().isObject()) return wrongType(name, "an object", member.value());
    const QJsonObject object = member.value().toObject();
    std::optional<QString> error;
    if (number)
      error = readNumberField(*number, object, record);
    else if (name == QLatin1String("DeviceName"))
      error = readName(object, record.DeviceName);
    else
      error = readVin(object, record.Vin);
    if (error) return error;
  }
  return disagreeingReading(document, record);
}

std::optional<QString> SettingAsJson(const QString& setting, QJsonObject& document) {
  const qsizetype equals = setting.indexOf(QLatin1Char('='));
  if (equals <= 0) return PrintableText(setting) + QStringLiteral(": KEY=VALUE is needed");
  const QString key = setting.left(equals), text = setting.mid(equals + 1);
  const QString shownKey = PrintableText(key), shownText = PrintableText(text);
  const QString field = key.section(QLatin1Char('.'), 0, 0);
  QString member = key.section(QLatin1Char('.'), 1);
  const bool name = field == QLatin1String("DeviceName"), vin = field == QLatin1String("Vin");
  if (member.isEmpty()) member = name ? kBytes : vin ? kText : kValue;

  QJsonValue value;
  if (!numberFieldNamed(field) && !name && !vin)
    return PrintableText(field) + QStringLiteral(": no such field");
  if (vin && (member == kText || member == kBytes)) {
    value = text;
  } else if (name && member == kBytes) {
    value = QJsonArray::fromStringList(text.split(QLatin1Char(' ')));
  } else if (name && member == kArbitrary) {
    if (text != QLatin1String("true") && text != QLatin1String("false"))
      return shownKey + QStringLiteral(": true or false is needed, not \"%1\"").arg(shownText);
    value = text == QLatin1String("true");
  } else if (member == kValue || name) {
    const std::optional<qint64> number = numberText(text);
    if (!number)
      return shownKey + QStringLiteral(": \"%1\" is no number (decimal, or hexadecimal after 0x)")
                            .arg(shownText);
    if (*number > kLargestExact || *number < -kLargestExact)
      return shownKey + QStringLiteral(": %1 %2").arg(shownText, kNotExact);
    value = static_cast<double>(*number);
  } else {
    // What `show` prints beside a stored value is no field of the record.
    return shownKey + QStringLiteral(": no such key; set takes the stored value");
  }
  document = QJsonObject{{field, QJsonObject{{member, value}}}};
  return std::nullopt;
}

QString RecordDiffText(const SimulatorConfig& from, const SimulatorConfig& to) {
  const QList<ShownField> a = ShowRecord(from), b = ShowRecord(to);
  QString text;
  for (qsizetype i = 0; i < a.size(); ++i) {
    if (!differs(a[i], b[i])) continue;
    // Texts that read the same say every byte, so that the difference shows.
    ShownField from = a[i], to = b[i];
    if (from.text() == to.text()) {
      from.notes << QStringLiteral("bytes ") + from.stored;
      to.notes << QStringLiteral("bytes ") + to.stored;
    }
    text += QStringLiteral("%1: %2 -> %3\n").arg(a[i].name, from.text(), to.text());
    for (qsizetype j = 0; j < a[i].more.size(); ++j) {
      if (a[i].more[j] == b[i].more[j]) continue;
      const QString label = a[i].more[j].section(QStringLiteral(": "), 0, 0);
      text += QStringLiteral("  %1: %2 -> %3\n")
                  .arg(label, a[i].more[j].section(QStringLiteral(": "), 1),
                       b[i].more[j].section(QStringLiteral(": "), 1));
    }
  }
  return text;
}

QJsonObject RecordDiffJson(const SimulatorConfig& from, const SimulatorConfig& to) {
  const QList<ShownField> a = ShowRecord(from), b = ShowRecord(to);
  QJsonObject object;
  for (qsizetype i = 0; i < a.size(); ++i)
    if (differs(a[i], b[i]))
      object[a[i].name] =
          QJsonObject{{QStringLiteral("from"), a[i].json}, {QStringLiteral("to"), b[i].json}};
  return object;
}

}  // namespace j1939
