#include "window/identity/NameEditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QScopedValueRollback>

#include "rules/text/TextCodecs.h"
#include "ui_frmMain.h"
#include "window/fields/Controls.h"
#include "window/record/FormState.h"

namespace j1939 {

namespace {
// The decimal NAME fields: their boxes, ranges and messages.
struct ComponentRow {
  QLineEdit* Ui::frmMain::*box;
  DecimalFieldRule rule;
};

const std::array<ComponentRow, 5>& componentRows() {
  static const std::array<ComponentRow, 5> rows{{
      {&Ui::frmMain::txtIdentityNumber,
       {kMaxIdentityNumber,
        QCoreApplication::translate("j1939::NameEditor", "Identity number must be decimal"),
        QCoreApplication::translate("j1939::NameEditor", "You must enter decimal 0 to 2097151"),
        QCoreApplication::translate("j1939::NameEditor", "Identity number is wrong"),
        QCoreApplication::translate("j1939::NameEditor",
                                    "Identity number should be 0 to 2097151")}},
      {&Ui::frmMain::txtMfgCode,
       {kMaxManufacturerCode,
        QCoreApplication::translate("j1939::NameEditor", "Manufacture code must be decimal"),
        QCoreApplication::translate("j1939::NameEditor", "You must enter decimal 0 to 2047"),
        QCoreApplication::translate("j1939::NameEditor", "Manufacture code is wrong"),
        QCoreApplication::translate("j1939::NameEditor", "Manufacture code should be 0 to 2047")}},
      {&Ui::frmMain::txtFunInstance,
       {kMaxFunctionInstance,
        QCoreApplication::translate("j1939::NameEditor", "Function instance must be decimal"),
        QCoreApplication::translate("j1939::NameEditor", "You must enter decimal 0 to 31"),
        QCoreApplication::translate("j1939::NameEditor", "Function instance is wrong"),
        QCoreApplication::translate("j1939::NameEditor", "Function instance should be 0 to 31")}},
      {&Ui::frmMain::txtFunction,
       {kMaxFunction, QCoreApplication::translate("j1939::NameEditor", "Function must be decimal"),
        QCoreApplication::translate("j1939::NameEditor", "You must enter decimal 0 to 255"),
        QCoreApplication::translate("j1939::NameEditor", "Function is wrong"),
        QCoreApplication::translate("j1939::NameEditor", "Function should be 0 to 255")}},
      {&Ui::frmMain::txtVehicleSys,
       {kMaxVehicleSystem,
        QCoreApplication::translate("j1939::NameEditor", "Vehicle system must be decimal"),
        QCoreApplication::translate("j1939::NameEditor", "You must enter decimal 0 to 127"),
        QCoreApplication::translate("j1939::NameEditor", "Vehicle system is wrong"),
        QCoreApplication::translate("j1939::NameEditor", "Vehicle system should be 0 to 127")}},
  }};
  return rows;
}

// Every byte box: an emptied box reads "0", a text that is not hexadecimal is
// kept (and read with its other characters as 0). Box 7 also drops bit 63, as
// this simulator is never arbitrary-address capable.
HexByteFieldRule byteRule(int index) {
  HexByteFieldRule rule = HexByteMessages(NameEditor::tr("Device Name must be hex"),
                                          NameEditor::tr("Device Name must be 0 to FF"),
                                          NameEditor::tr("You must enter hex 0 to ff"));
  if (index == 7) {
    rule.limit = kMaxNameByte7;
    rule.aboveLimit = HexByteFieldRule::AboveLimit::ClearBit7Silently;
  }
  return rule;
}

// A field box's value; the box holds a decimal text in range whenever an
// encode runs, and anything else reads as its leading digits, at most `max`.
uint32_t decimalIn(const QLineEdit* box, uint32_t max) {
  return static_cast<uint32_t>(DecimalValue(box->text(), max));
}
}  // namespace

NameEditor::NameEditor(Ui::frmMain& form, FormState& state, MessageBoxes& messages)
    : state_(state),
      txtDeviceName_{form.txtDeviceName0, form.txtDeviceName1, form.txtDeviceName2,
                     form.txtDeviceName3, form.txtDeviceName4, form.txtDeviceName5,
                     form.txtDeviceName6, form.txtDeviceName7},
      txtIdentityNumber_(form.txtIdentityNumber),
      txtMfgCode_(form.txtMfgCode),
      txtFunInstance_(form.txtFunInstance),
      txtFunction_(form.txtFunction),
      txtVehicleSys_(form.txtVehicleSys),
      cmbECUInstance_(form.cmbECUInstance),
      cmbVehicleSysIns_(form.cmbVehicleSysIns),
      cmbIndustrygroup_(form.cmbIndustrygroup),
      Check1_(form.Check1) {
  for (int i = 0; i < static_cast<int>(txtDeviceName_.size()); ++i) {
    byteFields_.emplace_back(txtDeviceName_[i], byteRule(i), messages, &state_.WritingNameBytes,
                             [this] { NameBytesToComponents(); });
    connect(txtDeviceName_[i], &QLineEdit::textChanged, this, [this, i] { checkNameByte(i); });
  }
  const auto& rows = componentRows();
  for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
    QLineEdit* box = form.*(rows[row].box);
    componentFields_.emplace_back(box, rows[row].rule, messages, &state_.WritingNameComponents,
                                  [this] { NameComponentsToBytes(); });
    connect(box, &QLineEdit::textChanged, this, [this, row] { checkNameComponent(row); });
  }
  for (QComboBox* list : {cmbECUInstance_, cmbVehicleSysIns_, cmbIndustrygroup_})
    connect(list, &QComboBox::currentIndexChanged, this, &NameEditor::updateNameBytes);

  // Bit 63 is always clear: the box only shows it, the user cannot tick it.
  Check1_->setEnabled(false);
}

NameEditor::~NameEditor() = default;

void NameEditor::checkNameByte(int index) {
  if (index < 0 || index >= static_cast<int>(byteFields_.size())) return;
  byteFields_[index].Change();
}

void NameEditor::checkNameComponent(int row) {
  if (row < 0 || row >= static_cast<int>(componentFields_.size())) return;
  componentFields_[row].Change();
}

void NameEditor::updateNameBytes() {
  if (state_.WritingNameComponents) return;
  NameComponentsToBytes();
}

NameBytes NameEditor::bytesInBoxes() const {
  NameBytes bytes{};
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = HeldNameByte(i, HexTextToByte(txtDeviceName_[i]->text()));
  return bytes;
}

NameFields NameEditor::fieldsInControls() const {
  NameFields f;
  f.IdentityNumber = decimalIn(txtIdentityNumber_, kMaxIdentityNumber);
  f.ManufacturerCode = static_cast<uint16_t>(decimalIn(txtMfgCode_, kMaxManufacturerCode));
  f.EcuInstance = cmbECUInstance_->currentIndex();
  f.FunctionInstance = static_cast<uint8_t>(decimalIn(txtFunInstance_, kMaxFunctionInstance));
  f.Function = static_cast<uint8_t>(decimalIn(txtFunction_, kMaxFunction));
  f.VehicleSystem = static_cast<uint8_t>(decimalIn(txtVehicleSys_, kMaxVehicleSystem));
  f.VehicleSystemInstance = cmbVehicleSysIns_->currentIndex();
  f.IndustryGroup = cmbIndustrygroup_->currentIndex();
  return f;
}

void NameEditor::NameBytesToComponents() {
  const QScopedValueRollback writing(state_.WritingNameComponents, true);
  const NameFields f = DecodeName(bytesInBoxes());
  // The lists hold the values 0 to 7 and 0 to 15 in order, so every decoded
  // value is an index they can take.
  SetListIndex(cmbIndustrygroup_, f.IndustryGroup);
  SetCheckValue(Check1_, 0);
  txtVehicleSys_->setText(QString::number(f.VehicleSystem));
  SetListIndex(cmbVehicleSysIns_, f.VehicleSystemInstance);
  txtFunction_->setText(QString::number(f.Function));
  txtFunInstance_->setText(QString::number(f.FunctionInstance));
  SetListIndex(cmbECUInstance_, f.EcuInstance);
  txtIdentityNumber_->setText(QString::number(f.IdentityNumber));
  txtMfgCode_->setText(QString::number(f.ManufacturerCode));
}

void NameEditor::NameComponentsToBytes() {
  const QScopedValueRollback writing(state_.WritingNameBytes, true);
  const auto bytes = EncodeName(fieldsInControls(), bytesInBoxes());
  // The order in which the boxes are written: most significant first, then the
  // identity number and the manufacturer code from the low end.
  for (int i : {7, 6, 5, 4, 0, 1, 2, 3})
    if (bytes[i]) txtDeviceName_[i]->setText(ByteToHexText(*bytes[i]));
}

}  // namespace j1939

#include "moc_NameEditor.cpp"
