#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace j1939 {

// The entries of the window's drop-down lists, in list order: the one source
// of these texts, from which the window fills its lists and the bench programs
// print a stored index's meaning. The record keeps a list selection as the
// entry's index, so these texts are what a stored index means wherever the
// record is shown. The two update-rate lists differ in one entry: "Every
// 100ms" in slot 1, "Every 100 ms" in slot 2.
struct FormList {
  QString name;  // the list in the window that shows the entries, e.g. "cmbUpdateRate1"
  QStringList entries;

  // The text of entry `index`, nothing when the list has no such entry.
  std::optional<QString> entry(int index) const;
};

const FormList& ComPortList();                // cmbCOM: "COM1" ... "COM16"
const FormList& CanBitRateList();             // cmbCANBUSBaudRate: "250Kbps", "500Kbps"
const FormList& SimulatorVersionList();       // cmbSimulatorVersion: "1.01", "2.00"
const FormList& DtcFormatList();              // cmbDTCVersion: "Version1" ... "Version4"
const FormList& EcuInstanceList();            // cmbECUInstance: 0-7
const FormList& VehicleSystemInstanceList();  // cmbVehicleSysIns: 0-15
const FormList& IndustryGroupList();          // cmbIndustrygroup: 0-7
// The lists of an additional PGN slot (0 or 1).
const FormList& UpdateRateList(int slot);     // cmbUpdateRate1 / cmbUpdateRate2
const FormList& PriorityList(int slot);       // cmbPriority1 / cmbPriority2: 0-7
const FormList& ParameterTypeList(int slot);  // cmbParameterType1 / cmbParameterType2

// The lists' entries that are words rather than numbers are marked for
// translation in this context; the window shows them translated.
inline constexpr char kListTextsContext[] = "ListTexts";

}  // namespace j1939
