#include <QApplication>
#include <QtTest>

#include "SlotFixture.h"
#include "config/FormState.h"
#include "fields/Controls.h"
#include "pgn/PgnSlots.h"
#include "support/TestMain.h"

// The rules against a PGN the simulator already sends and against both slots
// carrying one PGN, and the delete box that takes a slot out of use.
class SlotRulesTest : public QObject {
  Q_OBJECT
 private slots:
  void equalPgns_data();
  void equalPgns();
  void everyBuiltInGroupIsRefusedAndItsOtherPageIsNot();
  void correctionsCheckTheSlotTwice_data();
  void correctionsCheckTheSlotTwice();
  void boxWithConflictFocusesThePgn();
  void deletedSlotIsLeftOutOfBothRules();
  void clearingTheDeleteBoxChecksTheSlotAtOnce_data();
  void clearingTheDeleteBoxChecksTheSlotAtOnce();
  void deleteBoxGreysOutExactlyTheTenControls_data();
  void deleteBoxGreysOutExactlyTheTenControls();
  void greyedDeleteBoxLeavesTheSlotAlone();
};

void SlotRulesTest::everyBuiltInGroupIsRefusedAndItsOtherPageIsNot() {
  Harness h;
  prepareSlots(h, QStringLiteral("0"), QStringLiteral("200704"));
  const Slot s = Slot::of(h, 0);
  const QList<int> builtIn = {59392, 59904, 61443, 61444, 65132, 65214, 65226, 65235, 65253, 65256,
                              65257, 65260, 65262, 65263, 65266, 65267, 65269, 65270, 65271};
  for (int pgn : builtIn) {
    h.messages.clear();
    pasteOver(s.pgn, QString::number(pgn));
    QCOMPARE(h.messages.titles(), QStringList{existedTitle(0)});
    h.messages.clear();
    s.dataPage->click();
    QCOMPARE(s.pgn->text(), QString::number(pgn + 65536));
    QCOMPARE(h.messages.titles(), QStringList());
  }
  // Version 2.00's own groups are refused only at download.
  for (int pgn : {65248, 65265, 65276}) {
    h.messages.clear();
    pasteOver(s.pgn, QString::number(pgn));
    QCOMPARE(h.messages.titles(), QStringList());
  }
}

void SlotRulesTest::equalPgns_data() {
  // The edited slot starts at ownPgn, the other at otherPgn; the box is set to
  // start (when given) so that the last key really changes it.
  QTest::addColumn<int>("slot");
  QTest::addColumn<QString>("ownPgn");
  QTest::addColumn<QString>("otherPgn");
  QTest::addColumn<QString>("field");
  QTest::addColumn<QString>("start");
  QTest::addColumn<QString>("input");
  QTest::addColumn<bool>("typed");
  QTest::addColumn<QStringList>("messages");
  const QString equal = ruleMessage(QStringLiteral("PGN1 = PGN2"), equalPrompt());
  for (int slot = 0; slot < 2; ++slot) {
    const QString existed = ruleMessage(existedTitle(slot), existedPrompt(slot));
    const auto row = [slot](const char* name, const char* own, const char* other, const char* field,
                            const char* start, const char* input, bool typed,
                            const QStringList& messages) {
      slotRow(slot, name) << QString::fromLatin1(own) << QString::fromLatin1(other)
                          << QString::fromLatin1(field) << QString::fromLatin1(start)
                          << QString::fromLatin1(input) << typed << messages;
    };
    row("PGN typed", "65280", "65280", "PGN", "1", "65280", true, {equal});
    row("PGN with leading zero", "65280", "65280", "PGN", "1", "065280", true, {equal});
    row("PF typed", "65280", "65280", "PF", "1", "FF", true, {equal});
    row("PS typed", "65280", "65280", "PS", "1", "0", true, {equal});
    row("built-in comes before equal", "0", "65260", "PGN", "", "65260", false, {existed, equal});
    // Beyond 32 bits the texts are equal only when they spell one number
    // (PgnTextsEqual's own table holds the edge cases).
    row("beyond 32 bits, leading zeros", "0", "4294967296", "PGN", "", "0004294967296", false,
        {pgnRangeMessage(), equal});
    row("beyond 32 bits, low 32 bits equal", "0", "4294967296", "PGN", "", "8589934592", false,
        {pgnRangeMessage()});
  }
}

void SlotRulesTest::equalPgns() {
  QFETCH(int, slot);
  QFETCH(QString, ownPgn);
  QFETCH(QString, otherPgn);
  QFETCH(QString, field);
  QFETCH(QString, start);
  QFETCH(QString, input);
  QFETCH(bool, typed);
  QFETCH(QStringList, messages);
  Harness h;
  prepareSlots(h, slot == 0 ? ownPgn : otherPgn, slot == 0 ? otherPgn : ownPgn);
  const Slot s = Slot::of(h, slot);
  QLineEdit* box = boxNamed(s, field);
  if (!start.isEmpty()) box->setText(start);
  h.messages.clear();
  enter(box, input, typed);
  QCOMPARE(shownMessages(h.messages), messages);
  QVERIFY(wholeTextSelected(box));
}

void SlotRulesTest::correctionsCheckTheSlotTwice_data() {
  // A correction writes the box, whose nested run checks the slot, and the
  // outer run checks it once more: each conflict shows twice, and once more
  // when the nested run writes the PS ("00" becomes "0" in PDU1).
  QTest::addColumn<int>("slot");
  QTest::addColumn<QString>("field");
  QTest::addColumn<QString>("input");
  QTest::addColumn<QStringList>("titles");
  QTest::addColumn<QString>("pgn");  // of both slots, before and after
  const QString equal = QStringLiteral("PGN1 = PGN2");
  for (int slot = 0; slot < 2; ++slot) {
    const QString n = QString::number(slot + 1);
    const auto row = [slot](const char* name, const char* field, const char* input,
                            const QStringList& titles, const char* pgn = "0") {
      slotRow(slot, name) << QString::fromLatin1(field) << QString::fromLatin1(input) << titles
                          << QString::fromLatin1(pgn);
    };
    row("PGN not decimal", "PGN", "x", {"PGN must be decimal", equal, equal});
    row("PGN emptied", "PGN", "", {equal, equal});
    row("PF not hex", "PF", "x", {"PF" + n + " must be hex", equal, equal, equal});
    row("PS not hex in PDU1", "PS", "x", {"PS" + n + " must be 0", equal, equal});
    // An emptied part reads 0; it keeps empty unless that makes the PGNs equal:
    // then the emptied box, the PS run that the PDU1 rule causes ("00" to
    // "0") and the nested run report it.
    row("PF emptied", "PF", "", QStringList(3, equal));
    row("PS emptied in PDU2", "PS", "", QStringList(2, equal), "61440");
  }
}

void SlotRulesTest::correctionsCheckTheSlotTwice() {
  QFETCH(int, slot);
  QFETCH(QString, field);
  QFETCH(QString, input);
  QFETCH(QStringList, titles);
  QFETCH(QString, pgn);
  Harness h;
  // Both slots alike: every correction below leaves the edited slot as it was.
  prepareSlots(h, pgn, pgn);
  const Slot own = Slot::of(h, slot);
  h.messages.clear();
  QLineEdit* box = boxNamed(own, field);
  typeOver(box, input);
  QCOMPARE(h.messages.titles(), titles);
  // The field's own message is shown with the bad entry still in the box.
  if (titles.size() > 2) QCOMPARE(h.messages.shown.first().texts.value(box->objectName()), input);
  QCOMPARE(box->text(), QStringLiteral("0"));
  QVERIFY(wholeTextSelected(box));
  QCOMPARE(own.pgn->text(), pgn);
}

void SlotRulesTest::boxWithConflictFocusesThePgn() {
  for (int slot = 0; slot < 2; ++slot) {
    for (bool reservedBox : {false, true}) {
      Harness h;
      prepareSlots(h, QStringLiteral("0"), QStringLiteral("200704"));
      const Slot own = Slot::of(h, slot);
      pasteOver(own.pgn, reservedBox ? QStringLiteral("196298") : QStringLiteral("130762"));
      h.messages.clear();
      own.pf->setFocus();
      QCheckBox* box = reservedBox ? own.reserveBit : own.dataPage;
      box->click();  // back to 65226, DM1
      QCOMPARE(own.pgn->text(), QStringLiteral("65226"));
      QCOMPARE(shownMessages(h.messages),
               QStringList{ruleMessage(existedTitle(slot), existedPrompt(slot))});
      QCOMPARE(QApplication::focusWidget(), own.pgn);
      QVERIFY(wholeTextSelected(own.pgn));

      // Without a conflict the focus stays where it was.
      own.pf->setFocus();
      h.messages.clear();
      box->click();
      QCOMPARE(h.messages.titles(), QStringList());
      QCOMPARE(QApplication::focusWidget(), own.pf);
    }
  }
}

void SlotRulesTest::deletedSlotIsLeftOutOfBothRules() {
  Harness h;
  prepareSlots(h, QStringLiteral("0"), QStringLiteral("200704"));
  const Slot first = Slot::of(h, 0);
  const Slot second = Slot::of(h, 1);
  pasteOver(second.pgn, QStringLiteral("65226"));
  second.deletePgn->click();
  h.messages.clear();
  // Slot 2 deleted, both PGNs equal: slot 1 is still in use and checked, but
  // the equality rule needs both slots in use.
  pasteOver(first.pgn, QStringLiteral("65280"));
  pasteOver(second.pgn, QStringLiteral("65280"));
  pasteOver(first.pgn, QStringLiteral("065280"));
  QCOMPARE(h.messages.titles(), QStringList());
  // A deleted slot with a built-in PGN says nothing while it stays deleted.
  pasteOver(second.pgn, QStringLiteral("65226"));
  second.dataPage->setCheckState(Qt::Checked);
  second.dataPage->setCheckState(Qt::Unchecked);
  QCOMPARE(h.messages.titles(), QStringList());
  QVERIFY(!h.window->pgnSlots().CheckPgnSlot(1));
  QVERIFY(!h.window->pgnSlots().CheckPgnSlot(0));
  // Slot 1 deleted too: its built-in PGN goes unreported.
  first.deletePgn->click();
  pasteOver(first.pgn, QStringLiteral("65226"));
  QCOMPARE(h.messages.titles(), QStringList());
}

void SlotRulesTest::clearingTheDeleteBoxChecksTheSlotAtOnce_data() {
  QTest::addColumn<int>("slot");
  QTest::addColumn<QString>("otherPgn");
  QTest::addColumn<QStringList>("titles");
  for (int slot = 0; slot < 2; ++slot) {
    slotRow(slot, "built-in") << "200704" << QStringList{existedTitle(slot)};
    slotRow(slot, "built-in and equal")
        << "65226" << QStringList{existedTitle(slot), QStringLiteral("PGN1 = PGN2")};
    slotRow(slot, "free") << "512" << QStringList();
  }
}

void SlotRulesTest::clearingTheDeleteBoxChecksTheSlotAtOnce() {
  QFETCH(int, slot);
  QFETCH(QString, otherPgn);
  QFETCH(QStringList, titles);
  Harness h;
  prepareSlots(h, QStringLiteral("0"), QStringLiteral("200704"));
  const Slot own = Slot::of(h, slot);
  const Slot other = Slot::of(h, 1 - slot);
  own.deletePgn->click();
  pasteOver(own.pgn, titles.isEmpty() ? QStringLiteral("1024") : QStringLiteral("65226"));
  pasteOver(other.pgn, otherPgn);
  h.messages.clear();
  other.pf->setFocus();

  bool enabledWhileShown = true;
  h.messages.whileShown = [&](const ShownMessage&) {
    for (QWidget* control : own.editingControls()) enabledWhileShown &= control->isEnabled();
  };
  own.deletePgn->click();
  QCOMPARE(h.messages.titles(), titles);
  for (QWidget* control : own.editingControls()) QVERIFY(control->isEnabled());
  // The slot is usable again before the first message shows.
  QVERIFY(enabledWhileShown);
  if (!titles.isEmpty()) {
    QCOMPARE(QApplication::focusWidget(), own.pgn);
    QVERIFY(wholeTextSelected(own.pgn));
  } else {
    QCOMPARE(QApplication::focusWidget(), other.pf);
  }
}

namespace {
// Records the controls whose enabled state changes, in order.
class EnabledChanges : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::EnabledChange) order << watched;
    return false;
  }
  QList<QObject*> order;
};
}  // namespace

void SlotRulesTest::deleteBoxGreysOutExactlyTheTenControls_data() {
  QTest::addColumn<int>("slot");
  for (int slot = 0; slot < 2; ++slot) slotRow(slot, "delete");
}

void SlotRulesTest::deleteBoxGreysOutExactlyTheTenControls() {
  QFETCH(int, slot);
  Harness h;
  prepareSlots(h);
  const Slot own = Slot::of(h, slot);
  QMap<QWidget*, bool> before;
  for (QWidget* w : h.window->findChildren<QWidget*>()) before.insert(w, w->isEnabled());
  const auto ten = own.editingControls();
  const QSet<QWidget*> editing(ten.begin(), ten.end());
  QCOMPARE(editing.size(), 10);

  own.deletePgn->click();
  QVERIFY(isTicked(own.deletePgn));
  const auto insideEditing = [&](QWidget* w) {
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
      if (editing.contains(p)) return true;
    return false;
  };
  for (QWidget* w : h.window->findChildren<QWidget*>()) {
    if (editing.contains(w))
      QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    else if (insideEditing(w))
      continue;  // the inner parts of a list follow it
    else
      QVERIFY2(w->isEnabled() == before.value(w), qPrintable(w->objectName()));
  }
  QVERIFY(own.deletePgn->isEnabled());
  QCOMPARE(h.messages.titles(), QStringList());

  own.deletePgn->click();
  for (QWidget* w : h.window->findChildren<QWidget*>())
    QVERIFY2(w->isEnabled() == before.value(w), qPrintable(w->objectName()));

  // The routine on its own, as the binding calls it: the ten in their order.
  EnabledChanges changes;
  for (QWidget* w : ten) w->installEventFilter(&changes);
  h.window->pgnSlots().SetPgnSlotEnabled(slot, false);
  for (QWidget* w : ten) w->removeEventFilter(&changes);
  QCOMPARE(changes.order, QList<QObject*>(ten.begin(), ten.end()));
  for (QWidget* w : ten) QVERIFY(!w->isEnabled());
  QVERIFY(own.deletePgn->isEnabled());
  QVERIFY(!isTicked(own.deletePgn));
  h.window->pgnSlots().SetPgnSlotEnabled(slot, true);
  for (QWidget* w : ten) QVERIFY(w->isEnabled());
}

void SlotRulesTest::greyedDeleteBoxLeavesTheSlotAlone() {
  // The greyed state (2) is neither in use nor deleted: the box's handler does
  // nothing, the slot keeps its checks, but the equality rule needs both clear.
  Harness h;
  prepareSlots(h, QStringLiteral("65280"), QStringLiteral("65280"));
  const Slot first = Slot::of(h, 0);
  h.messages.clear();
  setCheckValue(first.deletePgn, 2);
  QCOMPARE(h.messages.titles(), QStringList());
  for (QWidget* w : first.editingControls()) QVERIFY(w->isEnabled());
  pasteOver(first.pgn, QStringLiteral("065280"));
  QCOMPARE(h.messages.titles(), QStringList());
  pasteOver(first.pgn, QStringLiteral("65226"));
  QCOMPARE(h.messages.titles(), QStringList{existedTitle(0)});
}

J1939_TEST(SlotRulesTest);
#include "tst_slot_rules.moc"
