#include "SlotFixture.h"

#include <QApplication>
#include <QtTest>

#include "fields/Controls.h"

Slot Slot::of(Harness& h, int slot) {
  auto& f = h.ui();
  if (slot == 0)
    return {f.cmbUpdateRate1,   f.cmbPriority1, f.chkReserveBit1,
            f.chkDatapage1,     f.txtPF1,       f.txtPS1,
            f.txtDatalength1,   f.txtPGN1,      f.cmbParameterType1,
            f.txtParameterPos1, f.chkDeletePGN1};
  return {f.cmbUpdateRate2,   f.cmbPriority2, f.chkReserveBit2,
          f.chkDatapage2,     f.txtPF2,       f.txtPS2,
          f.txtDatalength2,   f.txtPGN2,      f.cmbParameterType2,
          f.txtParameterPos2, f.chkDeletePGN2};
}

std::array<QWidget*, 10> Slot::editingControls() const {
  return {updateRate, priority,   reserveBit, dataPage,      pf,
          ps,         dataLength, pgn,        parameterType, parameterPos};
}

void prepareSlots(Harness& h, const QString& pgn1, const QString& pgn2) {
  // The slots are set up here from a window that has loaded nothing, so that
  // every box holds exactly what these lines write.
  h.create().show();
  const QString pgns[2] = {pgn1, pgn2};
  for (int i = 0; i < 2; ++i) {
    const Slot s = Slot::of(h, i);
    setCheckValue(s.deletePgn, 0);
    setListIndex(s.updateRate, 0);
    setListIndex(s.priority, 7);
    s.dataLength->setText(QStringLiteral("8"));
    setListIndex(s.parameterType, 0);
    s.parameterPos->setText(QStringLiteral("1"));
    s.pgn->setText(pgns[i]);
  }
  h.window->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
  h.messages.clear();
}

void typeOver(QLineEdit* box, const QString& text) {
  box->selectAll();
  if (text.isEmpty())
    QTest::keyClick(box, Qt::Key_Backspace);
  else
    QTest::keyClicks(box, text);
}

void pasteOver(QLineEdit* box, const QString& text) {
  box->setText(text);
}

void enter(QLineEdit* box, const QString& text, bool typed) {
  if (typed)
    typeOver(box, text);
  else
    pasteOver(box, text);
}

QTestData& slotRow(int slot, const char* name) {
  return QTest::newRow(qPrintable(QStringLiteral("slot %1: %2").arg(slot + 1).arg(name))) << slot;
}

QString pgnRangeMessage() {
  return infoMessage(QStringLiteral("PGN is wrong"), QStringLiteral("PGN should be 0 to 262143"));
}

QStringList shownMessages(const RecordingMessageBoxes& messages) {
  QStringList result;
  for (const ShownMessage& m : messages.shown)
    result << (m.icon == MessageIcon::Information ? infoMessage(m.title, m.prompt)
                                                  : ruleMessage(m.title, m.prompt));
  return result;
}

QString infoMessage(const QString& title, const QString& prompt) {
  return title + QStringLiteral(" | ") + prompt + QStringLiteral(" | info");
}

QString ruleMessage(const QString& title, const QString& prompt) {
  return title + QStringLiteral(" | ") + prompt + QStringLiteral(" | none");
}

QLineEdit* boxNamed(const Slot& s, const QString& name) {
  if (name == QLatin1String("PGN")) return s.pgn;
  if (name == QLatin1String("PF")) return s.pf;
  return s.ps;
}

bool wholeTextSelected(const QLineEdit* box) {
  return !box->text().isEmpty() && box->selectionStart() == 0 && box->selectedText() == box->text();
}

QString existedTitle(int slot) {
  return slot == 0 ? QStringLiteral("PGN1 has existed") : QStringLiteral("PGN2 has existed");
}

QString existedPrompt(int slot) {
  return QStringLiteral(
             "This additional PGN%1 you choose has existed in the hardware, You have "
             "to change to another one!")
      .arg(slot + 1);
}

QString equalPrompt() {
  return QStringLiteral(
      "This additional PGN1 is equal to additional PGN2, You have to change  one!");
}
