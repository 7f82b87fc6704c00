#pragma once

#include <QObject>
#include <QString>
#include <array>

#include "window/pgn/PgnSlotWidget.h"

namespace j1939 {

class MessageBoxes;
struct FormState;

// Both additional PGN slots: the PGN number kept in step with its reserved bit,
// data page, PF and PS; the rules against a PGN the simulator already sends or
// that both slots share; the delete box that takes a slot out of use. One
// object for both slots, since they share PgnSyncActive and the equality rule;
// every handler takes the slot index (0 or 1).
//
// Of the data length, parameter type and parameter position it only sets
// whether they are enabled; their contents belong to ParameterLayout.
class PgnSlots : public QObject {
  Q_OBJECT
 public:
  PgnSlots(std::array<PgnSlotControls, 2> controls, FormState& state, MessageBoxes& messages);

  // Recomputes the PGN text of slot 1, then of slot 2, from their parts.
  void PgnFromFields();
  // Rewrites the parts of slot 1, then of slot 2, from their PGN texts; the PGN
  // texts stay as typed. A slot whose PGN text cannot be split into J1939
  // parts keeps its parts, quietly.
  void FieldsFromPgn();
  // Warns about a PGN the simulator sends itself and about both slots in use
  // with the same PGN; true when it reported anything. A deleted slot is not
  // checked. It never changes a value.
  bool CheckPgnSlot(int slot);
  // While a record is being shown the rules wait (CheckPgnSlot reports
  // nothing); then CheckShownSlots runs them once on what is shown: each slot
  // in use that the simulator sends itself, then both slots sharing one PGN.
  void holdRules(bool held) { rulesHeld_ = held; }
  void CheckShownSlots();
  // Enables or greys out the ten editing controls of the slot (never the
  // delete box).
  void SetPgnSlotEnabled(int slot, bool enabled);

  // What an edit of the slot's controls does: a typed PGN, PF or PS is
  // checked and the other fields follow it; the data-page and reserved-bit
  // boxes rebuild the PGN; the delete box takes the slot out of use or back.
  enum Part { PF, PS };
  void checkTypedPgn(int slot);
  void checkTypedPart(int slot, Part which);
  void rebuildPgnFromBits(int slot);
  void applyDeleteBox(int slot);

 private:
  // A PF or PS that is not empty, before the PGN follows it.
  void checkPf(int slot);
  void checkPs(int slot);
  // A hex entry of more than two digits (leading zeros aside) is cut to its
  // first two characters, with the message; true when it was.
  bool cutToTwoDigits(QLineEdit* part, const QString& name);
  // The two rules; each reports what it finds and says whether it found it.
  bool reportBuiltIn(int slot);
  bool reportBothEqual();
  // Message of a field entry, with the information icon.
  void tellField(const QString& prompt, const QString& title);
  // Message of a slot rule, without an icon.
  void tellRule(const QString& prompt, const QString& title);
  // "PF1", "PS2"...: the field's name as the slot's message titles spell it.
  static QString fieldName(const char* field, int slot);
  // The controls of slot 0 or 1.
  PgnSlotControls& at(int slot) {
    Q_ASSERT(slot == 0 || slot == 1);
    return slots_[slot];
  }

  std::array<PgnSlotControls, 2> slots_;
  FormState& state_;
  MessageBoxes& messages_;
  bool rulesHeld_ = false;
};

}  // namespace j1939
