#pragma once

#include <QObject>
#include <array>
#include <vector>

#include "rules/identity/DeviceName.h"
#include "window/fields/ValidatedField.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace Ui {
class frmMain;
}

namespace j1939 {

class MessageBoxes;
struct FormState;

// The J1939 NAME, edited either as eight hexadecimal bytes or as its fields in
// decimal; each side is rewritten from the other at every change. The bytes are
// what the configuration stores; the fields are only shown.
class NameEditor : public QObject {
  Q_OBJECT
 public:
  NameEditor(Ui::frmMain& form, FormState& state, MessageBoxes& messages);
  ~NameEditor() override;

  // Rewrites every field control from the eight byte boxes, under
  // WritingNameComponents so that no field handler runs meanwhile. The form
  // binding calls it after filling the byte boxes.
  void NameBytesToComponents();
  // Rewrites the byte boxes from the field controls, under WritingNameBytes.
  // Box 7 is left alone while either of its lists has no selection, box 4 while
  // the ECU instance list has none; box 6 keeps its lowest bit (NAME bit 48).
  void NameComponentsToBytes();

  // Change of byte box `index` (0 to 7): validated as a hexadecimal byte, box 7
  // held to 00-7F, then decoded into the fields.
  void checkNameByte(int index);
  // Change of a decimal field box; `row` indexes the table of field boxes
  // (txtIdentityNumber, txtMfgCode, txtFunInstance, txtFunction, txtVehicleSys).
  void checkNameComponent(int row);
  // A new selection in cmbECUInstance, cmbVehicleSysIns or cmbIndustrygroup:
  // the NAME bytes follow it.
  void updateNameBytes();

  const std::array<QLineEdit*, 8>& txtDeviceName() const { return txtDeviceName_; }

 private:
  NameBytes bytesInBoxes() const;
  NameFields fieldsInControls() const;

  FormState& state_;
  std::array<QLineEdit*, 8> txtDeviceName_{};
  QLineEdit* txtIdentityNumber_;
  QLineEdit* txtMfgCode_;
  QLineEdit* txtFunInstance_;
  QLineEdit* txtFunction_;
  QLineEdit* txtVehicleSys_;
  QComboBox* cmbECUInstance_;
  QComboBox* cmbVehicleSysIns_;
  QComboBox* cmbIndustrygroup_;
  QCheckBox* Check1_;

  std::vector<ValidatedField> byteFields_;       // one per byte box, by index
  std::vector<ValidatedField> componentFields_;  // one per field box, by row
};

}  // namespace j1939
