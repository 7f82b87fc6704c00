#include "config/ListTexts.h"

namespace {

QStringList numbered(const QString& prefix, int first, int last) {
  QStringList entries;
  for (int n = first; n <= last; ++n) entries << prefix + QString::number(n);
  return entries;
}

QStringList updateRates(const QString& hundredMs) {
  return {QStringLiteral("On Request"), QStringLiteral("Every 50 ms"), hundredMs,
          QStringLiteral("Every 0.5s"), QStringLiteral("Every 1s"),    QStringLiteral("Every 5s")};
}

QString slotList(const char* name, int slot) {
  return QLatin1String(name) + QString::number(slot + 1);
}

}  // namespace

const QList<ListEntries>& FormLists() {
  static const QList<ListEntries> lists = [] {
    const QStringList types = {QStringLiteral("Single Byte"), QStringLiteral("2 Bytes"),
                               QStringLiteral("4 Bytes")};
    const QStringList priorities = numbered(QString(), 0, 7);
    return QList<ListEntries>{
        {QStringLiteral("cmbCOM"), numbered(QStringLiteral("COM"), 1, 16)},
        {QStringLiteral("cmbCANBUSBaudRate"),
         {QStringLiteral("250Kbps"), QStringLiteral("500Kbps")}},
        {QStringLiteral("cmbSimulatorVersion"), {QStringLiteral("1.01"), QStringLiteral("2.00")}},
        {QStringLiteral("cmbDTCVersion"), numbered(QStringLiteral("Version"), 1, 4)},
        {QStringLiteral("cmbECUInstance"), numbered(QString(), 0, 7)},
        {QStringLiteral("cmbVehicleSysIns"), numbered(QString(), 0, 15)},
        {QStringLiteral("cmbIndustrygroup"), numbered(QString(), 0, 7)},
        {QStringLiteral("cmbUpdateRate1"), updateRates(QStringLiteral("Every 100ms"))},
        {QStringLiteral("cmbPriority1"), priorities},
        {QStringLiteral("cmbParameterType1"), types},
        {QStringLiteral("cmbUpdateRate2"), updateRates(QStringLiteral("Every 100 ms"))},
        {QStringLiteral("cmbPriority2"), priorities},
        {QStringLiteral("cmbParameterType2"), types},
    };
  }();
  return lists;
}

const QStringList& ListEntriesOf(QStringView control) {
  for (const ListEntries& list : FormLists())
    if (list.control == control) return list.entries;
  static const QStringList none;
  return none;
}

std::optional<QString> ListEntryText(QStringView control, int index) {
  const QStringList& entries = ListEntriesOf(control);
  if (index < 0 || index >= entries.size()) return std::nullopt;
  return entries.at(index);
}

QString UpdateRateList(int slot) {
  return slotList("cmbUpdateRate", slot);
}

QString PriorityList(int slot) {
  return slotList("cmbPriority", slot);
}

QString ParameterTypeList(int slot) {
  return slotList("cmbParameterType", slot);
}
