#include "window/pgn/PgnSlots.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <optional>

#include "rules/pgn/PgnMath.h"
#include "rules/text/TextCodecs.h"
#include "window/desktop/MessageBoxes.h"
#include "window/fields/Controls.h"
#include "window/pgn/FieldWrites.h"
#include "window/record/FormState.h"

namespace j1939 {

PgnSlots::PgnSlots(std::array<PgnSlotControls, 2> controls, FormState& state,
                   MessageBoxes& messages)
    : slots_(controls), state_(state), messages_(messages) {
  // One connection per control: a handler that rewrites its own box must be
  // the only one to see the nested change.
  for (int slot = 0; slot < 2; ++slot) {
    const PgnSlotControls& c = slots_[slot];
    connect(c.pgn, &QLineEdit::textChanged, this, [this, slot] { checkTypedPgn(slot); });
    connect(c.pf, &QLineEdit::textChanged, this, [this, slot] { checkTypedPart(slot, PF); });
    connect(c.ps, &QLineEdit::textChanged, this, [this, slot] { checkTypedPart(slot, PS); });
    OnCheckStateChange(c.dataPage, this, [this, slot] { rebuildPgnFromBits(slot); });
    OnCheckStateChange(c.reserveBit, this, [this, slot] { rebuildPgnFromBits(slot); });
    OnCheckStateChange(c.deletePgn, this, [this, slot] { applyDeleteBox(slot); });
  }
}

void PgnSlots::PgnFromFields() {
  state_.PgnSyncActive = true;
  for (PgnSlotControls& c : slots_) {
    PgnParts parts;
    parts.pf = HexTextToByte(c.pf->text());
    parts.ps = HexTextToByte(c.ps->text());
    parts.reserved = IsTicked(c.reserveBit);
    parts.dataPage = IsTicked(c.dataPage);
    WriteText(c.pgn, QString::number(PgnFromParts(parts)));
  }
  state_.PgnSyncActive = false;
}

void PgnSlots::FieldsFromPgn() {
  state_.PgnSyncActive = true;
  for (PgnSlotControls& c : slots_) {
    // A text that cannot be split (beyond 32 bits, or a byte above the data
    // page) leaves this slot's parts as they are; the other slot is still
    // rewritten, so that a PGN typed there is never lost to stale parts.
    const std::optional<int32_t> pgn = ReadPgnText(c.pgn->text());
    if (!pgn) continue;
    const std::optional<PgnParts> parts = PartsFromPgn(*pgn);
    if (!parts) continue;
    SetCheckValue(c.reserveBit, parts->reserved ? 1 : 0);
    SetCheckValue(c.dataPage, parts->dataPage ? 1 : 0);
    WriteText(c.pf, ByteToHexText(parts->pf));
    WriteText(c.ps, IsPdu1Format(parts->pf) ? QStringLiteral("00") : ByteToHexText(parts->ps));
  }
  state_.PgnSyncActive = false;
}

bool PgnSlots::CheckPgnSlot(int slot) {
  if (rulesHeld_ || IsTicked(at(slot).deletePgn)) return false;
  const bool builtIn = reportBuiltIn(slot);
  return reportBothEqual() || builtIn;
}

void PgnSlots::CheckShownSlots() {
  for (int slot = 0; slot < 2; ++slot)
    if (!IsTicked(at(slot).deletePgn)) reportBuiltIn(slot);
  reportBothEqual();
}

bool PgnSlots::reportBuiltIn(int slot) {
  if (!IsBuiltInPgnText(at(slot).pgn->text())) return false;
  tellRule(tr("This additional PGN%1 you choose has existed in the hardware, You "
              "have to change to another one!")
               .arg(slot + 1),
           tr("PGN%1 has existed").arg(slot + 1));
  return true;
}

bool PgnSlots::reportBothEqual() {
  // Both slots in use with one PGN: the same words whichever slot was edited.
  const PgnSlotControls& first = slots_[0];
  const PgnSlotControls& second = slots_[1];
  if (!PgnTextsEqual(first.pgn->text(), second.pgn->text()) || CheckValue(first.deletePgn) != 0 ||
      CheckValue(second.deletePgn) != 0)
    return false;
  tellRule(tr("This additional PGN1 is equal to additional PGN2, You have to "
              "change  one!"),
           tr("PGN1 = PGN2"));
  return true;
}

void PgnSlots::SetPgnSlotEnabled(int slot, bool enabled) {
  PgnSlotControls& c = at(slot);
  c.updateRate->setEnabled(enabled);
  c.priority->setEnabled(enabled);
  c.reserveBit->setEnabled(enabled);
  c.dataPage->setEnabled(enabled);
  c.pf->setEnabled(enabled);
  c.ps->setEnabled(enabled);
  c.dataLength->setEnabled(enabled);
  c.pgn->setEnabled(enabled);
  c.parameterType->setEnabled(enabled);
  c.parameterPos->setEnabled(enabled);
}

void PgnSlots::checkTypedPgn(int slot) {
  if (state_.PgnSyncActive) return;
  QLineEdit* box = at(slot).pgn;
  const QString text = box->text();
  if (IsDecimalText(text)) {
    // Out of range is reported but kept, so that the user sees what was typed;
    // the parts still take its low 18 bits.
    if (DecimalValue(text) > static_cast<uint64_t>(kMaxPgn)) {
      tellField(tr("PGN should be 0 to 262143"), tr("PGN is wrong"));
      SelectAll(box);
    }
  } else if (text.isEmpty()) {
    RewriteSelected(box, QStringLiteral("0"));
  } else {
    tellField(tr("You must enter decimal 0 to 262143"), tr("PGN must be decimal"));
    RewriteSelected(box, QStringLiteral("0"));
  }
  FieldsFromPgn();
  if (CheckPgnSlot(slot)) SelectAll(box);
}

bool PgnSlots::cutToTwoDigits(QLineEdit* part, const QString& name) {
  const QString text = part->text();
  if (StripLeadingZeros(text).size() <= 2) return false;
  tellField(tr("You must enter hex 0 to ff"), tr("%1 must be 0 to FF").arg(name));
  RewriteSelected(part, text.left(2));
  return true;
}

void PgnSlots::checkTypedPart(int slot, Part which) {
  if (state_.PgnSyncActive) return;
  QLineEdit* part = which == PF ? at(slot).pf : at(slot).ps;
  if (part->text().isEmpty()) {
    // An emptied PF or PS counts as 0 and stays empty unless that makes a conflict.
    PgnFromFields();
    if (CheckPgnSlot(slot)) RewriteSelected(part, QStringLiteral("0"));
    return;
  }
  if (which == PF)
    checkPf(slot);
  else
    checkPs(slot);
  PgnFromFields();
  if (CheckPgnSlot(slot)) SelectAll(part);
}

void PgnSlots::checkPf(int slot) {
  PgnSlotControls& c = at(slot);
  const QString text = c.pf->text();
  if (IsHexText(text)) {
    // PDU1: the PS is a destination address, not part of the PGN.
    if (!cutToTwoDigits(c.pf, fieldName("PF", slot)) && IsPdu1Format(HexTextToByte(text)))
      WriteText(c.ps, QStringLiteral("0"));
  } else {
    tellField(tr("You must enter hex 0 to ff"), tr("%1 must be hex").arg(fieldName("PF", slot)));
    RewriteSelected(c.pf, QStringLiteral("0"));
  }
}

void PgnSlots::checkPs(int slot) {
  PgnSlotControls& c = at(slot);
  if (IsHexText(c.ps->text())) {
    cutToTwoDigits(c.ps, fieldName("PS", slot));
    // In PDU1 every PS entry turns back into 0 at once.
    if (IsPdu1Format(HexTextToByte(c.pf->text()))) WriteText(c.ps, QStringLiteral("0"));
  } else {
    if (!IsPdu1Format(HexTextToByte(c.pf->text()))) {
      // Kept as typed; the PGN reads it as HexTextToByte does.
      tellField(tr("You must enter hex 0 to ff"), tr("%1 must be hex").arg(fieldName("PS", slot)));
    } else {
      tellField(tr("You must enter hex 0"), tr("%1 must be 0").arg(fieldName("PS", slot)));
      WriteText(c.ps, QStringLiteral("0"));
    }
    SelectAll(c.ps);
  }
}

void PgnSlots::rebuildPgnFromBits(int slot) {
  if (state_.PgnSyncActive) return;
  PgnFromFields();
  if (CheckPgnSlot(slot)) FocusAndSelect(at(slot).pgn);
}

void PgnSlots::applyDeleteBox(int slot) {
  // Taking a slot in or out of use is not part of the PGN rewrite: no guard.
  PgnSlotControls& c = at(slot);
  if (CheckValue(c.deletePgn) == 0) {
    SetPgnSlotEnabled(slot, true);
    if (CheckPgnSlot(slot)) FocusAndSelect(c.pgn);
  }
  if (CheckValue(c.deletePgn) == 1) SetPgnSlotEnabled(slot, false);
}

void PgnSlots::tellField(const QString& prompt, const QString& title) {
  messages_.show(prompt, title, MessageIcon::Information);
}

void PgnSlots::tellRule(const QString& prompt, const QString& title) {
  messages_.show(prompt, title, MessageIcon::None);
}

QString PgnSlots::fieldName(const char* field, int slot) {
  Q_ASSERT(slot == 0 || slot == 1);
  return QString::fromLatin1(field) + QString::number(slot + 1);
}

}  // namespace j1939

#include "moc_PgnSlots.cpp"
