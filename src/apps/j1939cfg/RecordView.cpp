#include "apps/j1939cfg/RecordView.h"

#include <QJsonArray>
#include <optional>

#include "rules/identity/DeviceName.h"
#include "rules/pgn/PgnMath.h"
#include "rules/record/RecordReading.h"
#include "rules/record/VersionRule.h"
#include "rules/text/ListTexts.h"
#include "rules/text/TextCodecs.h"

namespace j1939 {

namespace {

QJsonValue jsonText(const std::optional<QString>& text) {
  return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
}

ShownField field(const QString& name, const QString& value, const QJsonObject& json) {
  ShownField f;
  f.name = name;
  f.value = value;
  f.json = json;
  return f;
}

ShownField numberField(const QString& name, qint64 value) {
  return field(name, QString::number(value), {{QStringLiteral("value"), value}});
}

// "4 (Every 1s)", or "9 (no entry in cmbUpdateRate1)" for an index the list
// does not have. A list whose entries are the numbers themselves (the
// priorities) needs no note.
ShownField listField(const QString& name, int value, const FormList& list) {
  const std::optional<QString> entry = list.entry(value);
  ShownField f = numberField(name, value);
  if (!entry)
    f.notes << QStringLiteral("no entry in %1").arg(list.name);
  else if (*entry != f.value)
    f.notes << *entry;
  f.json[QStringLiteral("text")] = jsonText(entry);
  return f;
}

// A number whose meaning is one of two words.
ShownField wordField(const QString& name, qint64 value, const QString& word) {
  ShownField f = numberField(name, value);
  f.notes << word;
  f.json[QStringLiteral("text")] = word;
  return f;
}

ShownField byteField(const QString& name, uint8_t value) {
  ShownField f =
      field(name, ByteToHexText(value),
            {{QStringLiteral("value"), value}, {QStringLiteral("hex"), ByteToHexText(value)}});
  f.notes << QStringLiteral("hex");
  return f;
}

// A data length or parameter position: a stored 0 is shown as 1.
ShownField layoutField(const QString& name, int16_t value) {
  ShownField f = numberField(name, value);
  if (ShownLayoutValue(value) != value) {
    f.notes << QStringLiteral("shown as %1").arg(ShownLayoutValue(value));
    f.json[QStringLiteral("shownAs")] = ShownLayoutValue(value);
  }
  return f;
}

template <std::size_t N>
QString hexBytes(const std::array<uint8_t, N>& bytes) {
  QStringList parts;
  for (uint8_t byte : bytes) parts << ByteToHexText(byte);
  return parts.join(QLatin1Char(' '));
}

ShownField deviceNameField(const NameBytes& bytes) {
  const NameFields n = DecodeName(bytes);
  const bool arbitrary = (bytes[7] & 0x80) != 0;
  ShownField f = field(QStringLiteral("DeviceName"), hexBytes(bytes), {});
  f.notes << QStringLiteral("bytes 0 to 7");
  struct Component {
    const char* label;  // as the window labels it
    const char* key;
    qint64 value;
  };
  const Component components[] = {
      {"Identity Number", "IdentityNumber", n.IdentityNumber},
      {"Manufacture Code", "ManufacturerCode", n.ManufacturerCode},
      {"ECU Instance", "EcuInstance", n.EcuInstance},
      {"Function Instance", "FunctionInstance", n.FunctionInstance},
      {"Function", "Function", n.Function},
      {"Vehicle System", "VehicleSystem", n.VehicleSystem},
      {"Vehicle System Instance", "VehicleSystemInstance", n.VehicleSystemInstance},
      {"Industry Group", "IndustryGroup", n.IndustryGroup},
  };
  QJsonArray byteArray;
  for (uint8_t byte : bytes) byteArray << ByteToHexText(byte);
  f.json[QStringLiteral("bytes")] = byteArray;
  for (const Component& c : components) {
    f.more << QStringLiteral("%1: %2").arg(QLatin1String(c.label)).arg(c.value);
    f.json[QLatin1String(c.key)] = c.value;
  }
  f.more << QStringLiteral("Arbitrary Address Capable: %1%2")
                .arg(arbitrary ? 1 : 0)
                .arg(arbitrary ? QStringLiteral(" (bit 63 is never set: shown as 0)") : QString());
  f.json[QStringLiteral("ArbitraryAddressCapable")] = arbitrary;
  return f;
}

ShownField pgnField(const QString& name, int32_t pgn) {
  ShownField f = numberField(name, pgn);
  const std::optional<PgnParts> parts = PartsFromPgn(pgn);
  if (!parts) {
    f.notes << QStringLiteral("no J1939 parts: outside 0 to 262143");
    return f;
  }
  f.notes << QStringLiteral("reserved bit %1, data page %2, PF %3, PS %4")
                 .arg(parts->reserved ? 1 : 0)
                 .arg(parts->dataPage ? 1 : 0)
                 .arg(ByteToHexText(parts->pf), ByteToHexText(parts->ps));
  if (pgn > kMaxPgn) f.notes << QStringLiteral("above 262143");
  f.json[QStringLiteral("reserved")] = parts->reserved ? 1 : 0;
  f.json[QStringLiteral("dataPage")] = parts->dataPage ? 1 : 0;
  f.json[QStringLiteral("pf")] = ByteToHexText(parts->pf);
  f.json[QStringLiteral("ps")] = ByteToHexText(parts->ps);
  return f;
}

void showSlot(QList<ShownField>& out, int slot, const PgnSlotConfig& v) {
  const QString prefix = QStringLiteral("Pgn%1").arg(slot + 1);
  out << wordField(prefix + QStringLiteral("InUse"), v.InUse,
                   IsSlotInUse(v.InUse) ? QStringLiteral("in use") : QStringLiteral("deleted"));
  out << listField(prefix + QStringLiteral("UpdateRate"), v.UpdateRate, UpdateRateList(slot));
  out << listField(prefix + QStringLiteral("Priority"), v.Priority, PriorityList(slot));
  out << numberField(prefix + QStringLiteral("DataPage"), v.DataPage);
  out << numberField(prefix + QStringLiteral("Reserved"), v.Reserved);
  out << byteField(prefix + QStringLiteral("Pf"), v.Pf);
  out << byteField(prefix + QStringLiteral("Ps"), v.Ps);
  out << pgnField(prefix, v.Pgn);
  out << layoutField(prefix + QStringLiteral("DataLength"), v.DataLength);
  out << listField(prefix + QStringLiteral("ParamType"), v.ParamType, ParameterTypeList(slot));
  out << layoutField(prefix + QStringLiteral("ParamPos"), v.ParamPos);
}

}  // namespace

QString PrintableText(const QString& text) {
  QString out;
  for (const QChar c : text) {
    if (c == QLatin1Char('\\'))
      out += QStringLiteral("\\\\");
    else if (!c.isPrint())
      out += QStringLiteral("\\x") + ByteToHexText(static_cast<uint8_t>(c.unicode()));
    else
      out += c;
  }
  return out;
}

QString ShownField::text() const {
  if (notes.isEmpty()) return value;
  return value + QStringLiteral(" (") + notes.join(QStringLiteral("; ")) + QLatin1Char(')');
}

QList<ShownField> ShowRecord(const SimulatorConfig& c) {
  QList<ShownField> out;
  out << listField(QStringLiteral("ComPortIndex"), c.ComPortIndex, ComPortList());
  out << byteField(QStringLiteral("SourceAddress"), c.SourceAddress);
  out << deviceNameField(c.DeviceName);
  out << wordField(
      QStringLiteral("DynamicMode"), c.DynamicMode,
      IsDynamicMode(c.DynamicMode) ? QStringLiteral("Dynamic") : QStringLiteral("Static"));
  for (int slot = 0; slot < 2; ++slot) showSlot(out, slot, c.Pgns[slot]);

  // Any version other than 0 is shown as "2.00".
  const SimVersion version = SimulatorVersionOf(c.SimulatorVersion);
  out << wordField(QStringLiteral("SimulatorVersion"), c.SimulatorVersion,
                   *SimulatorVersionList().entry(ListIndex(version)));

  ShownField dtc = listField(QStringLiteral("DtcVersion"), c.DtcVersion, DtcFormatList());
  if (version == SimVersion::V101) {
    const QString shown = *DtcFormatList().entry(ListIndex(kDtcFormatOfVersion101));
    dtc.notes << QStringLiteral("\"1.01\" shows %1").arg(shown);
    dtc.json[QStringLiteral("shownAs")] = shown;
  }
  out << dtc;

  const QString vin = VinText(c.Vin);
  ShownField vinField = field(
      QStringLiteral("Vin"), QStringLiteral("\"%1\"").arg(PrintableText(vin)),
      {{QStringLiteral("text"), PrintableText(vin)}, {QStringLiteral("bytes"), hexBytes(c.Vin)}});
  if (vin.size() < static_cast<qsizetype>(c.Vin.size()))
    vinField.notes << (vin.size() == 1 ? QStringLiteral("1 character")
                                       : QStringLiteral("%1 characters").arg(vin.size()));
  QString all;
  for (const uint8_t byte : c.Vin) all += QChar(byte);
  vinField.stored = QStringLiteral("\"%1\"").arg(PrintableText(all));
  if (version == SimVersion::V101) {
    vinField.notes << QStringLiteral("not used by \"1.01\"");
    vinField.json[QStringLiteral("used")] = false;
  }
  out << vinField;

  out << wordField(QStringLiteral("CanBaudRate"), c.CanBaudRate,
                   *CanBitRateList().entry(IsCan500Kbps(c.CanBaudRate) ? 1 : 0));
  return out;
}

QString RecordAsText(const SimulatorConfig& record) {
  QString text;
  for (const ShownField& f : ShowRecord(record)) {
    text += f.name + QStringLiteral(": ") + f.text() + QLatin1Char('\n');
    for (const QString& line : f.more) text += QStringLiteral("  ") + line + QLatin1Char('\n');
  }
  return text;
}

QJsonObject RecordAsJson(const SimulatorConfig& record) {
  QJsonObject object;
  for (const ShownField& f : ShowRecord(record)) object[f.name] = f.json;
  return object;
}

}  // namespace j1939
