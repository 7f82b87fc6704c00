#include "rules/text/ListTexts.h"

#include <QtGlobal>
#include <array>

namespace j1939 {

namespace {

QStringList numbered(const QString& prefix, int first, int last) {
  QStringList entries;
  for (int n = first; n <= last; ++n) entries << prefix + QString::number(n);
  return entries;
}

FormList updateRates(const char* name, const char* hundredMs) {
  return {QLatin1String(name),
          {QStringLiteral(QT_TRANSLATE_NOOP("ListTexts", "On Request")),
           QStringLiteral(QT_TRANSLATE_NOOP("ListTexts", "Every 50 ms")), QLatin1String(hundredMs),
           QStringLiteral(QT_TRANSLATE_NOOP("ListTexts", "Every 0.5s")),
           QStringLiteral(QT_TRANSLATE_NOOP("ListTexts", "Every 1s")),
           QStringLiteral(QT_TRANSLATE_NOOP("ListTexts", "Every 5s"))}};
}

FormList parameterTypes(const char* name) {
  return {QLatin1String(name),
          {QStringLiteral(QT_TRANSLATE_NOOP("ListTexts", "Single Byte")),
           QStringLiteral(QT_TRANSLATE_NOOP("ListTexts", "2 Bytes")),
           QStringLiteral(QT_TRANSLATE_NOOP("ListTexts", "4 Bytes"))}};
}

}  // namespace

std::optional<QString> FormList::entry(int index) const {
  if (index < 0 || index >= entries.size()) return std::nullopt;
  return entries.at(index);
}

const FormList& ComPortList() {
  static const FormList list{QStringLiteral("cmbCOM"), numbered(QStringLiteral("COM"), 1, 16)};
  return list;
}

const FormList& CanBitRateList() {
  static const FormList list{QStringLiteral("cmbCANBUSBaudRate"),
                             {QStringLiteral("250Kbps"), QStringLiteral("500Kbps")}};
  return list;
}

const FormList& SimulatorVersionList() {
  static const FormList list{QStringLiteral("cmbSimulatorVersion"),
                             {QStringLiteral("1.01"), QStringLiteral("2.00")}};
  return list;
}

const FormList& DtcFormatList() {
  static const FormList list{QStringLiteral("cmbDTCVersion"),
                             numbered(QStringLiteral("Version"), 1, 4)};
  return list;
}

const FormList& EcuInstanceList() {
  static const FormList list{QStringLiteral("cmbECUInstance"), numbered(QString(), 0, 7)};
  return list;
}

const FormList& VehicleSystemInstanceList() {
  static const FormList list{QStringLiteral("cmbVehicleSysIns"), numbered(QString(), 0, 15)};
  return list;
}

const FormList& IndustryGroupList() {
  static const FormList list{QStringLiteral("cmbIndustrygroup"), numbered(QString(), 0, 7)};
  return list;
}

const FormList& UpdateRateList(int slot) {
  Q_ASSERT(slot == 0 || slot == 1);
  static const std::array<FormList, 2> lists{
      updateRates("cmbUpdateRate1", QT_TRANSLATE_NOOP("ListTexts", "Every 100ms")),
      updateRates("cmbUpdateRate2", QT_TRANSLATE_NOOP("ListTexts", "Every 100 ms"))};
  return lists[slot];
}

const FormList& PriorityList(int slot) {
  Q_ASSERT(slot == 0 || slot == 1);
  static const std::array<FormList, 2> lists{
      FormList{QStringLiteral("cmbPriority1"), numbered(QString(), 0, 7)},
      FormList{QStringLiteral("cmbPriority2"), numbered(QString(), 0, 7)}};
  return lists[slot];
}

const FormList& ParameterTypeList(int slot) {
  Q_ASSERT(slot == 0 || slot == 1);
  static const std::array<FormList, 2> lists{parameterTypes("cmbParameterType1"),
                                             parameterTypes("cmbParameterType2")};
  return lists[slot];
}

}  // namespace j1939
