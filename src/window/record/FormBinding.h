#pragma once

#include <QList>
#include <QObject>
#include <QSet>
#include <functional>
#include <variant>

#include "rules/system/Failure.h"
#include "window/record/FormState.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QWidget;

namespace Ui {
class frmMain;
}

namespace j1939 {

struct PgnSlotConfig;
struct PgnSlotControls;

// The routines of other control groups that the binding runs after it has
// written their controls. The main window connects them to the groups' owners.
struct FormRoutines {
  std::function<void()> NameBytesToComponents;                    // the NAME editor
  std::function<void()> PgnFromFields;                            // both additional PGN slots
  std::function<void(int slot, bool enabled)> SetPgnSlotEnabled;  // slot 0 or 1
  // The slot rules wait while a record is being shown: its values arrive one
  // by one, and a rule run on half of them reports conflicts that are in
  // neither record. Afterwards they run once on what is shown.
  std::function<void(bool held)> HoldPgnSlotRules;
  std::function<void()> CheckShownPgnSlots;
};

// The only code that copies between the configuration record and the window's
// controls, and the factory configuration behind "Default". Every value goes
// into a control the way the user would put it there, so the control's own
// handler validates it and keeps its dependent fields in step; the order of
// the writes is what makes the derived fields come out right. It also owns the
// two simulator-mode option buttons.
class FormBinding : public QObject {
  Q_OBJECT
 public:
  FormBinding(Ui::frmMain& form, FormState& state, FormRoutines routines,
              QObject* parent = nullptr);

  // Record to controls. A stored value that a control cannot take (a list
  // index outside its list, a check-box value other than 0, 1 or 2) leaves
  // that control as it was and the copy goes on, so that every other field
  // shows the record. Such a field keeps its stored value in every later
  // store until a change of its control (by the user, or by "Default") or the
  // next load; the result names these fields.
  // Also writes 1 into a data length or parameter position that holds 0.
  // A PDU1 PGN stored with a low byte (59905: PF EA, PS 01) is shown without
  // it (59904), since the PS of a PDU1 group is a destination address and no
  // part of the PGN; the result says so, and the file keeps the stored PGN and
  // PS until the user changes that slot.
  QList<Failure> ConfigToForm();
  // The slot rules on the record just shown, each reported once.
  void checkShownSlots() { routines_.CheckShownPgnSlots(); }
  // The record that the window shows, as the simulator is to receive it: the
  // record last stored, with what the form cannot show yet the file keeps (a
  // PDU1 PGN's low byte) read as the form shows it, and the CAN bit rate as
  // its list shows it, also where "1.01" keeps the stored one.
  SimulatorConfig recordAsShown() const;
  // The record that the form shows now, as the simulator would receive it,
  // without storing it: the record and the controls stay as they are. A
  // field that cannot be stored reads as the record holds it.
  SimulatorConfig formAsShown();
  // True while ConfigToForm writes the controls (a message it raises may let
  // other events run meanwhile).
  bool isShowingRecord() const { return copying_ == Copy::ToForm; }
  // True once the user changed a control, or ran "Default", since the window
  // was created (changes made by the two copies do not count).
  bool formChangedByUser() const { return changedByUser_; }
  // Whether the form differs from what it showed when a record was last
  // loaded or stored; modifiedChanged says when that changes.
  bool isModified() const { return modified_; }
  // The form as it is now is that of the record just loaded or stored.
  void markUnmodified();

  // Controls to record. A field that cannot be stored (a parameter type or
  // DTC format with no selection, a VIN of fewer than 17 characters while
  // "2.00" is selected) stops the copy there: the fields before it hold the
  // new values, it and those after it keep theirs. The failure names the field.
  MaybeFailure FormToConfig();

  // The same copy for the end of the run, where nothing typed may be lost for
  // one bad field: each field that cannot be stored keeps its earlier value and
  // the copy goes on with the rest. Returns the fields that were skipped.
  QList<Failure> FormToConfigKeepingGoing();

  // The factory configuration, into the controls only.
  void LoadDefaults();
  void restoreDefaults();

 signals:
  void modifiedChanged(bool modified);
  // A control of the form changed, by the user or by a copy into the form.
  void formChanged();

 private:
  PgnSlotControls slotControls(int slot) const;
  QLineEdit* nameByteBox(int index) const;

  // ConfigToForm's steps, in their order.
  void showPortAddressAndMode(QList<Failure>& notShown);
  void showSlotUseListsAndBits(QList<Failure>& notShown);
  void showSlotNumbers(QList<Failure>& notShown);
  void showName();
  void showVersionRule(QList<Failure>& notShown);
  // A list index or check-box value into its control; one the control cannot
  // take is added to `notShown`.
  void showList(QComboBox* list, int value, const QString& field, QList<Failure>& notShown);
  void showBox(QCheckBox* box, int value, const QString& field, QList<Failure>& notShown);

  // The store into the record, and its steps in their order. A step that
  // returns true has met a field that stops the copy.
  struct Store {
    bool keepGoing;
    QList<Failure> failures;
    // Records the failure; true when the copy has to stop there.
    bool stops(const Failure& failure);
  };
  QList<Failure> storeForm(bool keepGoing);
  void storeFields(Store& store);
  void storePortAddressAndMode();
  void storeSlotUseListsAndBits();
  bool storeSlotNumbers(Store& store);
  // storeSlotNumbers' steps that need the form, in their order.
  void storePfAndPs();
  bool storePgns(Store& store);
  bool storeParameterTypes(Store& store);
  // Each slot's `field` as `read` finds it in the slot's `control`, or as
  // loaded where the form could not show it; a control that holds no value
  // for it is a failure, which may stop the store (true).
  template <typename Control, typename Value>
  bool storeEachSlot(Store& store, Control* PgnSlotControls::*control, Value PgnSlotConfig::*field,
                     const std::function<std::variant<Value, Failure>(Control*)>& read);
  bool storeNameAndVersion(Store& store);
  bool storeVin(Store& store);
  int16_t held(const QWidget* control, int16_t loaded, int shown) const;
  void watchForChanges();
  // The slot's PGN box holds back the stored PGN and PS of a PDU1 group.
  void holdPduOnePgn(int slot, QList<Failure>& notShown);
  void controlChanged(const QWidget* control);
  // The control could not show its value of the record last loaded, which is
  // then stored instead.
  bool keepsLoadedValue(const QWidget* control) const { return notShown_.contains(control); }

  Ui::frmMain& form_;
  FormState& state_;
  FormRoutines routines_;
  QButtonGroup* simulatorMode_;

  enum class Copy { None, ToForm, ToRecord };
  Copy copying_ = Copy::None;
  bool changedByUser_ = false;
  // Every control's content when the form was last marked unmodified.
  QStringList shownWhenUnmodified_;
  bool modified_ = false;
  QStringList contents() const;
  SimulatorConfig loaded_{};       // the record as ConfigToForm last showed it
  QSet<const QWidget*> notShown_;  // lists that could not take their value of it
};

}  // namespace j1939
