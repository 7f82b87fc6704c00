#include "window/record/FormBinding.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QScopedValueRollback>

#include "rules/identity/DeviceName.h"
#include "rules/identity/IdentityRules.h"
#include "rules/pgn/ParameterRules.h"
#include "rules/pgn/PgnMath.h"
#include "rules/record/FactoryConfig.h"
#include "rules/record/RecordReading.h"
#include "rules/record/VersionRule.h"
#include "rules/text/TextCodecs.h"
#include "ui_frmMain.h"
#include "window/fields/Controls.h"
#include "window/pgn/PgnSlots.h"

namespace j1939 {

namespace {

// A check box's three states, an option button's two.
int checkStateOf(const QAbstractButton* button) {
  if (const auto* box = qobject_cast<const QCheckBox*>(button)) return box->checkState();
  return button->isChecked() ? 1 : 0;
}

QString slotFieldName(int slot, const char* field) {
  return QStringLiteral("Pgn%1%2").arg(slot + 1).arg(QLatin1String(field));
}

Failure listRefuses(const QString& field, int value, const QComboBox* list) {
  return Failure{QStringLiteral("%1 = %2").arg(field).arg(value),
                 QCoreApplication::translate("j1939::FormBinding", "the list %1 has no entry %2")
                     .arg(CaptionOf(list))
                     .arg(value)};
}

Failure checkBoxRefuses(const QString& field, int value, const QCheckBox* box) {
  return Failure{
      QStringLiteral("%1 = %2").arg(field).arg(value),
      QCoreApplication::translate("j1939::FormBinding", "the check box %1 takes only 0, 1 or 2")
          .arg(CaptionOf(box))};
}

Failure noSelection(const QComboBox* list) {
  return Failure{CaptionOf(list),
                 QCoreApplication::translate("j1939::FormBinding", "no entry is selected")};
}

QString decimal(int value) {
  return QString::number(value);
}

// A whole number typed in decimal into `field`, when `fits` takes it: any
// other text or value keeps what the field held.
void storeDecimal(const QString& text, int16_t& field, const std::function<bool(uint64_t)>& fits) {
  if (!IsDecimalText(text)) return;
  const uint64_t value = DecimalValue(text);
  if (fits(value)) field = static_cast<int16_t>(value);
}

}  // namespace

FormBinding::FormBinding(Ui::frmMain& form, FormState& state, FormRoutines routines,
                         QObject* parent)
    : QObject(parent),
      form_(form),
      state_(state),
      routines_(std::move(routines)),
      simulatorMode_(new QButtonGroup(this)) {
  // One group: selecting one mode deselects the other.
  simulatorMode_->setExclusive(true);
  simulatorMode_->addButton(form_.optDynamic);
  simulatorMode_->addButton(form_.optStatic);
  watchForChanges();
}

void FormBinding::watchForChanges() {
  // These connections only note which control changed; they read nothing, so
  // coming after the controls' own handlers does not matter.
  QWidget* window = form_.centralwidget;
  for (QLineEdit* box : window->findChildren<QLineEdit*>())
    connect(box, &QLineEdit::textChanged, this, [this, box] { controlChanged(box); });
  for (QComboBox* list : window->findChildren<QComboBox*>())
    connect(list, &QComboBox::currentIndexChanged, this, [this, list] { controlChanged(list); });
  for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
    if (button->isCheckable())
      connect(button, &QAbstractButton::toggled, this, [this, button] { controlChanged(button); });
  }
}

void FormBinding::controlChanged(const QWidget* control) {
  // A store rewrites no control but the PGN boxes, from parts that are shown.
  if (copying_ != Copy::ToRecord) emit formChanged();
  // The copies' own writes, and the handlers they run, are not the user's.
  if (copying_ != Copy::None) return;
  changedByUser_ = true;
  // Typing a value back as it was is no change: the whole form is compared.
  const bool modified = contents() != shownWhenUnmodified_;
  if (modified != std::exchange(modified_, modified)) emit modifiedChanged(modified);
  // From now on the control shows what is to be stored.
  notShown_.remove(control);
  // A change of any part of a slot's PGN gives up the PGN held back for it.
  for (int slot = 0; slot < 2; ++slot) {
    const PgnSlotControls k = slotControls(slot);
    for (const QWidget* part :
         {static_cast<const QWidget*>(k.pf), static_cast<const QWidget*>(k.ps),
          static_cast<const QWidget*>(k.pgn), static_cast<const QWidget*>(k.reserveBit),
          static_cast<const QWidget*>(k.dataPage)})
      if (part == control) notShown_.remove(k.pgn);
  }
}

QStringList FormBinding::contents() const {
  // Some sixty controls, read from memory: cheap enough for every keystroke.
  QStringList contents;
  const QWidget* window = form_.centralwidget;
  for (const QLineEdit* box : window->findChildren<QLineEdit*>()) contents << box->text();
  for (const QComboBox* list : window->findChildren<QComboBox*>())
    contents << QString::number(list->currentIndex());
  for (const QAbstractButton* button : window->findChildren<QAbstractButton*>())
    if (button->isCheckable()) contents << QString::number(checkStateOf(button));
  return contents;
}

void FormBinding::markUnmodified() {
  shownWhenUnmodified_ = contents();
  if (std::exchange(modified_, false)) emit modifiedChanged(false);
}

PgnSlotControls FormBinding::slotControls(int slot) const {
  // Slot 0 is the box "Additional PGN1", slot 1 "Additional PGN2".
  Q_ASSERT(slot == 0 || slot == 1);
  return (slot == 1 ? form_.fraPGN2 : form_.fraPGN1)->controls();
}

QLineEdit* FormBinding::nameByteBox(int index) const {
  QLineEdit* const boxes[] = {form_.txtDeviceName0, form_.txtDeviceName1, form_.txtDeviceName2,
                              form_.txtDeviceName3, form_.txtDeviceName4, form_.txtDeviceName5,
                              form_.txtDeviceName6, form_.txtDeviceName7};
  return boxes[index];
}

QList<Failure> FormBinding::ConfigToForm() {
  const QScopedValueRollback copying(copying_, Copy::ToForm);
  loaded_ = state_.Config;
  notShown_.clear();
  QList<Failure> notShown;
  routines_.HoldPgnSlotRules(true);
  // The order of the steps is what makes the derived fields come out right.
  showPortAddressAndMode(notShown);
  showSlotUseListsAndBits(notShown);
  showSlotNumbers(notShown);
  showName();
  showVersionRule(notShown);
  routines_.HoldPgnSlotRules(false);
  return notShown;
}

void FormBinding::holdPduOnePgn(int slot, QList<Failure>& notShown) {
  const int32_t stored = state_.Config.Pgns[slot].Pgn;
  if (stored < 0 || stored > kMaxPgn) return;
  const uint8_t pf = static_cast<uint8_t>(stored >> 8);
  if (!IsPdu1Format(pf) || (stored & 0xFF) == 0) return;
  const int32_t shown = stored & ~0xFF;
  notShown << Failure{QString(), tr("PGN%1 %2 is read as %3 because a PDU1 group's PS is a "
                                    "destination address")
                                     .arg(slot + 1)
                                     .arg(stored)
                                     .arg(shown)};
  notShown_.insert(slotControls(slot).pgn);
  slotControls(slot).pgn->setText(QString::number(shown));
}

void FormBinding::showList(QComboBox* list, int value, const QString& field,
                           QList<Failure>& notShown) {
  // A value the control cannot take leaves the control as it was; the field
  // keeps its stored value (see FormToConfig) and the copy goes on.
  if (SetListIndex(list, value)) return;
  notShown << listRefuses(field, value, list);
  notShown_.insert(list);
}

void FormBinding::showBox(QCheckBox* box, int value, const QString& field,
                          QList<Failure>& notShown) {
  if (SetCheckValue(box, value)) return;
  notShown << checkBoxRefuses(field, value, box);
  notShown_.insert(box);
}

void FormBinding::showPortAddressAndMode(QList<Failure>& notShown) {
  const SimulatorConfig& c = state_.Config;
  // The port list; its own handling re-opens the port.
  showList(form_.cmbCOM, c.ComPortIndex, QStringLiteral("ComPortIndex"), notShown);

  form_.txtJ1939Addr->setText(ByteToHexText(c.SourceAddress));

  // Dynamic takes any non-zero value, then Static the complement: of the two
  // writes the second wins, so only -1 leaves Dynamic selected.
  if (IsDynamicMode(c.DynamicMode))
    form_.optDynamic->setChecked(true);
  else
    form_.optStatic->setChecked(true);
}

void FormBinding::showSlotUseListsAndBits(QList<Failure>& notShown) {
  const SimulatorConfig& c = state_.Config;
  // The delete boxes, then each slot enabled as its box reads back.
  for (int slot = 0; slot < 2; ++slot) {
    const PgnSlotControls ctl = slotControls(slot);
    SetCheckValue(ctl.deletePgn, IsSlotInUse(c.Pgns[slot].InUse) ? 0 : 1);
    routines_.SetPgnSlotEnabled(slot, !IsTicked(ctl.deletePgn));
  }

  for (int slot = 0; slot < 2; ++slot)
    showList(slotControls(slot).updateRate, c.Pgns[slot].UpdateRate,
             slotFieldName(slot, "UpdateRate"), notShown);
  for (int slot = 0; slot < 2; ++slot)
    showList(slotControls(slot).priority, c.Pgns[slot].Priority, slotFieldName(slot, "Priority"),
             notShown);
  // Reserved bits; a greyed 2 is shown clear, as the PGN counts it.
  for (int slot = 0; slot < 2; ++slot)
    showBox(slotControls(slot).reserveBit, PgnBitBoxValue(c.Pgns[slot].Reserved),
            slotFieldName(slot, "Reserved"), notShown);
  for (int slot = 0; slot < 2; ++slot)
    showBox(slotControls(slot).dataPage, PgnBitBoxValue(c.Pgns[slot].DataPage),
            slotFieldName(slot, "DataPage"), notShown);
}

void FormBinding::showSlotNumbers(QList<Failure>& notShown) {
  SimulatorConfig& c = state_.Config;
  // PF of both slots, then PS of both.
  for (int slot = 0; slot < 2; ++slot)
    slotControls(slot).pf->setText(ByteToHexText(c.Pgns[slot].Pf));
  for (int slot = 0; slot < 2; ++slot)
    slotControls(slot).ps->setText(ByteToHexText(c.Pgns[slot].Ps));

  // A data length of 0 means a record that never held one: 1 byte.
  for (int slot = 0; slot < 2; ++slot) {
    int16_t& length = c.Pgns[slot].DataLength;
    length = ShownLayoutValue(length);
  }
  for (int slot = 0; slot < 2; ++slot)
    slotControls(slot).dataLength->setText(decimal(c.Pgns[slot].DataLength));

  // The stored PGNs, written after their parts, so that they win over them.
  for (int slot = 0; slot < 2; ++slot) {
    holdPduOnePgn(slot, notShown);
    if (!keepsLoadedValue(slotControls(slot).pgn))
      slotControls(slot).pgn->setText(QString::number(c.Pgns[slot].Pgn));
  }

  // Parameter types, after the data lengths they are checked against.
  for (int slot = 0; slot < 2; ++slot)
    showList(slotControls(slot).parameterType, c.Pgns[slot].ParamType,
             slotFieldName(slot, "ParamType"), notShown);

  // Parameter positions; 0 means position 1.
  for (int slot = 0; slot < 2; ++slot) {
    int16_t& position = c.Pgns[slot].ParamPos;
    position = ShownLayoutValue(position);
  }
  for (int slot = 0; slot < 2; ++slot)
    slotControls(slot).parameterPos->setText(decimal(c.Pgns[slot].ParamPos));
}

void FormBinding::showName() {
  // The NAME bytes, then the components refreshed from all eight.
  for (int i = 0; i < 8; ++i) nameByteBox(i)->setText(ByteToHexText(state_.Config.DeviceName[i]));
  routines_.NameBytesToComponents();
}

void FormBinding::showVersionRule(QList<Failure>& notShown) {
  const SimulatorConfig& c = state_.Config;
  // The version list first, so that its own rule runs before the DTC
  // format, the VIN and the bit rate are set here.
  if (SimulatorVersionOf(c.SimulatorVersion) == SimVersion::V200) {
    SetListIndex(form_.cmbSimulatorVersion, ListIndex(SimVersion::V200));
    showList(form_.cmbDTCVersion, c.DtcVersion, QStringLiteral("DtcVersion"), notShown);
    form_.cmbDTCVersion->setEnabled(true);
    form_.txtVIN->show();
    form_.txtVIN->setText(QString());
    // One character per stored byte, appended one by one; a byte 0 ends a VIN
    // that was never stored (the record's zero filling), so that the box shows
    // an empty VIN rather than invisible control characters.
    for (const QChar character : VinText(c.Vin))
      form_.txtVIN->setText(form_.txtVIN->text() + character);
    form_.cmbCANBUSBaudRate->setEnabled(true);
  } else {
    SetListIndex(form_.cmbSimulatorVersion, ListIndex(SimVersion::V101));
    SetListIndex(form_.cmbDTCVersion, ListIndex(kDtcFormatOfVersion101));
    form_.cmbDTCVersion->setEnabled(false);
    form_.txtVIN->hide();
    SetListIndex(form_.cmbCANBUSBaudRate, kCanBitRateOfVersion101);
    form_.cmbCANBUSBaudRate->setEnabled(false);
  }
  // Both versions: any non-zero value is 500 kbit/s.
  SetListIndex(form_.cmbCANBUSBaudRate, IsCan500Kbps(c.CanBaudRate) ? 1 : 0);
}

MaybeFailure FormBinding::FormToConfig() {
  const QList<Failure> failures = storeForm(false);
  if (failures.isEmpty()) return std::nullopt;
  return failures.first();
}

QList<Failure> FormBinding::FormToConfigKeepingGoing() {
  return storeForm(true);
}

bool FormBinding::Store::stops(const Failure& failure) {
  failures << failure;
  return !keepGoing;
}

QList<Failure> FormBinding::storeForm(bool keepGoing) {
  const QScopedValueRollback copying(copying_, Copy::ToRecord);
  Store store{keepGoing, {}};
  // Each PGN recomputed from its parts, so that the stored number matches them.
  routines_.PgnFromFields();
  storeFields(store);
  return store.failures;
}

void FormBinding::storeFields(Store& store) {
  // A step that stops the copy leaves the fields after it as they were.
  storePortAddressAndMode();
  storeSlotUseListsAndBits();
  if (storeSlotNumbers(store) || storeNameAndVersion(store)) return;
  // "1.01" has no VIN and a fixed bit rate: both keep what they held.
  if (state_.Config.SimulatorVersion == 0) return;
  if (storeVin(store)) return;
  // "500Kbps" is the flag set: -1, as the record keeps its true; "250Kbps" is 0.
  state_.Config.CanBaudRate = form_.cmbCANBUSBaudRate->currentIndex() == 0 ? 0 : -1;
}

SimulatorConfig FormBinding::formAsShown() {
  // The store's own steps on the record, which then gets back what it held.
  // The PGN boxes are not rewritten (the first step of a store): what the
  // simulator receives comes from a PGN's parts, not from its number.
  const SimulatorConfig stored = state_.Config;
  {
    const QScopedValueRollback copying(copying_, Copy::ToRecord);
    Store store{true, {}};
    storeFields(store);
  }
  const SimulatorConfig shown = recordAsShown();
  state_.Config = stored;
  return shown;
}

int16_t FormBinding::held(const QWidget* control, int16_t loaded, int shown) const {
  // A field the form could not show keeps the value it was loaded with.
  return keepsLoadedValue(control) ? loaded : static_cast<int16_t>(shown);
}

void FormBinding::storePortAddressAndMode() {
  SimulatorConfig& c = state_.Config;
  // A COM port the list could not show keeps the one loaded.
  c.ComPortIndex = held(form_.cmbCOM, loaded_.ComPortIndex, form_.cmbCOM->currentIndex());
  c.SourceAddress = HexTextToByte(form_.txtJ1939Addr->text());
  c.DynamicMode = form_.optDynamic->isChecked() ? -1 : 0;
}

void FormBinding::storeSlotUseListsAndBits() {
  SimulatorConfig& c = state_.Config;
  // In use is 1, not -1.
  for (int slot = 0; slot < 2; ++slot)
    c.Pgns[slot].InUse = CheckValue(slotControls(slot).deletePgn) == 0 ? 1 : 0;
  // Each slot's update rate, priority, reserved bit and data page, held as loaded where
  // the form could not show them.
  for (int slot = 0; slot < 2; ++slot) {
    const PgnSlotControls k = slotControls(slot);
    const PgnSlotConfig& was = loaded_.Pgns[slot];
    PgnSlotConfig& now = c.Pgns[slot];
    now.UpdateRate = held(k.updateRate, was.UpdateRate, k.updateRate->currentIndex());
    now.Priority = held(k.priority, was.Priority, k.priority->currentIndex());
    now.Reserved = held(k.reserveBit, was.Reserved, CheckValue(k.reserveBit));
    now.DataPage = held(k.dataPage, was.DataPage, CheckValue(k.dataPage));
  }
}

bool FormBinding::storeSlotNumbers(Store& store) {
  SimulatorConfig& c = state_.Config;
  storePfAndPs();
  // Only a length in range is stored; anything else keeps the last one.
  for (int slot = 0; slot < 2; ++slot)
    storeDecimal(slotControls(slot).dataLength->text(), c.Pgns[slot].DataLength,
                 [](uint64_t value) { return IsDataLengthInRange(static_cast<int64_t>(value)); });
  if (storePgns(store) || storeParameterTypes(store)) return true;
  // Only a position within the slot's last computed bound is stored.
  for (int slot = 0; slot < 2; ++slot) {
    const int16_t bound = state_.MaxParameterPos[slot];
    storeDecimal(slotControls(slot).parameterPos->text(), c.Pgns[slot].ParamPos,
                 [bound](uint64_t value) {
                   return value > 0 && bound > 0 && value <= static_cast<uint64_t>(bound);
                 });
  }
  return false;
}

void FormBinding::storePfAndPs() {
  SimulatorConfig& c = state_.Config;
  // PF of both slots, then PS of both.
  for (int slot = 0; slot < 2; ++slot)
    c.Pgns[slot].Pf = HexTextToByte(slotControls(slot).pf->text());
  for (int slot = 0; slot < 2; ++slot) {
    const PgnSlotControls k = slotControls(slot);
    c.Pgns[slot].Ps = keepsLoadedValue(k.pgn) ? loaded_.Pgns[slot].Ps : HexTextToByte(k.ps->text());
  }
}

template <typename Control, typename Value>
bool FormBinding::storeEachSlot(Store& store, Control* PgnSlotControls::*control,
                                Value PgnSlotConfig::*field,
                                const std::function<std::variant<Value, Failure>(Control*)>& read) {
  for (int slot = 0; slot < 2; ++slot) {
    Control* box = slotControls(slot).*control;
    Value& value = state_.Config.Pgns[slot].*field;
    if (keepsLoadedValue(box)) {
      value = loaded_.Pgns[slot].*field;
      continue;
    }
    const std::variant<Value, Failure> found = read(box);
    if (const Failure* failure = std::get_if<Failure>(&found)) {
      if (store.stops(*failure)) return true;
    } else {
      value = std::get<Value>(found);
    }
  }
  return false;
}

bool FormBinding::storePgns(Store& store) {
  // The PGN texts, as PgnFromFields has just written them.
  return storeEachSlot<QLineEdit, int32_t>(
      store, &PgnSlotControls::pgn, &PgnSlotConfig::Pgn,
      [](QLineEdit* box) -> std::variant<int32_t, Failure> {
        bool ok = false;
        const int32_t value = box->text().toInt(&ok);
        if (ok) return value;
        return Failure{CaptionOf(box), tr("'%1' is not a whole number").arg(box->text())};
      });
}

bool FormBinding::storeParameterTypes(Store& store) {
  // A byte cannot hold "no selection".
  return storeEachSlot<QComboBox, uint8_t>(store, &PgnSlotControls::parameterType,
                                           &PgnSlotConfig::ParamType,
                                           [](QComboBox* list) -> std::variant<uint8_t, Failure> {
                                             if (list->currentIndex() < 0) return noSelection(list);
                                             return static_cast<uint8_t>(list->currentIndex());
                                           });
}

bool FormBinding::storeNameAndVersion(Store& store) {
  SimulatorConfig& c = state_.Config;
  // Box 7 may keep a text that is not hex, such as '8G' (0x80): bit 63 is
  // dropped as the NAME fields drop it.
  for (int i = 0; i < 8; ++i)
    c.DeviceName[i] =
        HeldNameByte(static_cast<std::size_t>(i), HexTextToByte(nameByteBox(i)->text()));
  c.SimulatorVersion = static_cast<int16_t>(form_.cmbSimulatorVersion->currentIndex());

  // The DTC format, like the parameter types, is a byte that cannot hold "no selection".
  if (keepsLoadedValue(form_.cmbDTCVersion)) {
    c.DtcVersion = loaded_.DtcVersion;
  } else if (form_.cmbDTCVersion->currentIndex() < 0) {
    if (store.stops(noSelection(form_.cmbDTCVersion))) return true;
  } else {
    c.DtcVersion = static_cast<uint8_t>(form_.cmbDTCVersion->currentIndex());
  }
  return false;
}

bool FormBinding::storeVin(Store& store) {
  // Exactly 17 single-byte character codes; later characters are ignored.
  const QString vin = form_.txtVIN->text();
  MaybeFailure vinFailure;
  if (vin.size() < kVinLength) {
    vinFailure =
        Failure{CaptionOf(form_.txtVIN),
                tr("it has %1 characters; a VIN needs %2").arg(vin.size()).arg(kVinLength)};
  } else {
    for (int i = 0; i < kVinLength && !vinFailure; ++i) {
      if (vin.at(i).unicode() > 0xFF)
        vinFailure = Failure{CaptionOf(form_.txtVIN),
                             tr("the character '%1' has no single-byte code").arg(vin.at(i))};
    }
  }
  if (vinFailure) return store.stops(*vinFailure);
  for (int i = 0; i < kVinLength; ++i)
    state_.Config.Vin[i] = static_cast<uint8_t>(vin.at(i).unicode());
  return false;
}

SimulatorConfig FormBinding::recordAsShown() const {
  SimulatorConfig shown = RecordAsShown(state_.Config);
  shown.CanBaudRate = form_.cmbCANBUSBaudRate->currentIndex() == 0 ? 0 : -1;
  return shown;
}

void FormBinding::restoreDefaults() {
  LoadDefaults();
}

void FormBinding::LoadDefaults() {
  // The factory configuration replaces what was loaded, also where a list
  // already showed the factory value and so does not change. The PGNs, their
  // parts and the data lengths keep what they showed: the factory slots are
  // deleted, and taking one back in finds them as they were.
  const SimulatorConfig factory = FactoryConfig();
  changedByUser_ = true;
  notShown_.clear();
  form_.txtJ1939Addr->setText(ByteToHexText(factory.SourceAddress));
  (IsDynamicMode(factory.DynamicMode) ? form_.optDynamic : form_.optStatic)->setChecked(true);
  for (int slot = 0; slot < 2; ++slot)
    SetCheckValue(slotControls(slot).deletePgn, IsSlotInUse(factory.Pgns[slot].InUse) ? 0 : 1);
  for (int slot = 0; slot < 2; ++slot)
    SetListIndex(slotControls(slot).updateRate, factory.Pgns[slot].UpdateRate);
  for (int slot = 0; slot < 2; ++slot)
    SetListIndex(slotControls(slot).priority, factory.Pgns[slot].Priority);
  for (int slot = 0; slot < 2; ++slot)
    routines_.SetPgnSlotEnabled(slot, IsSlotInUse(factory.Pgns[slot].InUse));
  for (int slot = 0; slot < 2; ++slot)
    SetListIndex(slotControls(slot).parameterType, factory.Pgns[slot].ParamType);
  for (int slot = 0; slot < 2; ++slot)
    slotControls(slot).parameterPos->setText(decimal(factory.Pgns[slot].ParamPos));
  for (int i = 0; i < 8; ++i) nameByteBox(i)->setText(ByteToHexText(factory.DeviceName[i]));
  // Boxes that already held the factory byte ran no handler: the components follow here.
  routines_.NameBytesToComponents();
  SetListIndex(form_.cmbSimulatorVersion, ListIndex(SimulatorVersionOf(factory.SimulatorVersion)));
  SetListIndex(form_.cmbDTCVersion, factory.DtcVersion);
  form_.txtVIN->setText(VinText(factory.Vin));
  SetListIndex(form_.cmbCANBUSBaudRate, IsCan500Kbps(factory.CanBaudRate) ? 1 : 0);
}

}  // namespace j1939

#include "moc_FormBinding.cpp"
