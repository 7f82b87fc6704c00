#include <QtTest>

#include "SlotFixture.h"
#include "config/ConfigKit.h"
#include "config/FormState.h"
#include "fields/Controls.h"
#include "pgn/PgnSlots.h"
#include "support/TestMain.h"

// The PGN number of a slot and its reserved bit, data page, PF and PS, kept in
// step both ways, with the messages for bad entries.
class PgnFieldsTest : public QObject {
  Q_OBJECT
 private slots:
  void fieldEntries_data();
  void fieldEntries();
  void pgnSplitsIntoParts_data();
  void pgnSplitsIntoParts();
  void pduFormatClearsPs_data();
  void pduFormatClearsPs();
  void editOfOneSlotRefreshesTheOther();
  void pgnBeyond32BitsLeavesItsPartsAlone();
  void nothingRunsWhilePgnSyncIsActive();
  void storedGreyedBoxIsShownClear_data();
  void storedGreyedBoxIsShownClear();
};

namespace {
// Prepared so that the edited slot shows PGN 0 and the other one 200704, which
// no entry of the tables reaches: only the field's own messages show.
void prepareEditedSlot(Harness& h, int slot) {
  if (slot == 0)
    prepareSlots(h, QStringLiteral("0"), QStringLiteral("200704"));
  else
    prepareSlots(h, QStringLiteral("200704"), QStringLiteral("0"));
}

enum Msg { None, PgnRange, PgnDecimal, PfRange, PfHex, PsRange, PsHex, PsZero, Existed };

QStringList messagesFor(Msg msg, int slot) {
  const QString hex = QStringLiteral("You must enter hex 0 to ff");
  const QString pf = QStringLiteral("PF%1").arg(slot + 1);
  const QString ps = QStringLiteral("PS%1").arg(slot + 1);
  switch (msg) {
    case None:
      return {};
    case PgnRange:
      return {pgnRangeMessage()};
    case PgnDecimal:
      return {infoMessage(QStringLiteral("PGN must be decimal"),
                          QStringLiteral("You must enter decimal 0 to 262143"))};
    case PfRange:
      return {infoMessage(pf + QStringLiteral(" must be 0 to FF"), hex)};
    case PfHex:
      return {infoMessage(pf + QStringLiteral(" must be hex"), hex)};
    case PsRange:
      return {infoMessage(ps + QStringLiteral(" must be 0 to FF"), hex)};
    case PsHex:
      return {infoMessage(ps + QStringLiteral(" must be hex"), hex)};
    case PsZero:
      return {
          infoMessage(ps + QStringLiteral(" must be 0"), QStringLiteral("You must enter hex 0"))};
    case Existed:
      return {ruleMessage(existedTitle(slot), existedPrompt(slot))};
  }
  return {};
}

// How an entry is made: typed key by key, pasted at once, or both (two rows).
enum How { T, P, B };

// Adds the rows of one entry for both slots, typed and/or pasted.
template <typename Add>
void forEachWay(int slot, const char* name, How how, Add add) {
  for (bool typed : {true, false}) {
    if ((how == T && !typed) || (how == P && typed)) continue;
    const QByteArray label = QByteArray(name) + (typed ? " typed" : " pasted");
    add(slotRow(slot, label.constData()), typed);
  }
}

struct Entry {
  const char* field;
  const char* pfBefore;  // pasted first, when not empty
  const char* psBefore;  // then this, when not empty
  const char* input;
  How how;
  Msg msg;
  const char* after;
  bool selected;
  const char* pgnAfter;
  const char* why;
};

const Entry kEntries[] = {
    {"PGN", "", "", "262144", B, PgnRange, "262144", true, "262144", ""},
    {"PGN", "", "", "2621440", P, PgnRange, "2621440", true, "2621440", "stays"},
    // The selection left by the message is typed over by the next key.
    {"PGN", "", "", "2621440", T, PgnRange, "0", false, "0", "ends as 0"},
    {"PGN", "", "", "99999999999", P, PgnRange, "99999999999", true, "99999999999", "(64 bit)"},
    // 65226 + 2^32: the low 32 bits spell DM1, yet it is no built-in PGN.
    {"PGN", "", "", "4295032522", P, PgnRange, "4295032522", true, "4295032522", "(not DM1)"},
    {"PGN", "", "", "12a", T, PgnDecimal, "0", true, "0", ""},
    {"PGN", "", "", "-5", P, PgnDecimal, "0", true, "0", ""},
    {"PGN", "", "", "", B, None, "0", true, "0", "emptied"},
    {"PGN", "", "", "000512", T, None, "000512", false, "000512", "leading zeros"},
    {"PGN", "", "", "262143", P, None, "262143", false, "262143", ""},
    {"PF", "", "", "1FF", B, PfRange, "1F", true, "7936", ""},
    {"PF", "", "", "100", P, PfRange, "10", true, "4096", ""},
    {"PF", "", "", "00100", P, PfRange, "00", true, "0", ""},
    {"PF", "", "", "000FE", T, None, "000FE", false, "65024", ""},
    {"PF", "", "", "G", T, PfHex, "0", true, "0", ""},
    {"PF", "", "", "1G", T, PfHex, "0", true, "0", ""},
    {"PF", "", "", "0x1F", P, PfHex, "0", true, "0", ""},
    {"PF", "", "", "ff", T, None, "ff", false, "65280", "lower case"},
    {"PF", "F0", "12", "", T, None, "", false, "0", "emptied"},
    {"PS", "F0", "", "123", B, PsRange, "12", true, "61458", "PDU2"},
    {"PS", "C8", "", "123", P, PsRange, "0", true, "51200", "PDU1"},
    {"PS", "C8", "", "123", T, None, "0", false, "51200", "PDU1"},
    {"PS", "C8", "", "5", T, None, "0", false, "51200", "PDU1"},
    {"PS", "F0", "", "Z", T, PsHex, "Z", true, "61440", "PDU2"},
    {"PS", "C8", "", "Z", T, PsZero, "0", true, "51200", "PDU1"},
    {"PS", "EF", "", "Z", T, PsZero, "0", true, "61184", "PF EF is PDU1"},
    {"PS", "F0", "", "1Z2", P, PsHex, "1Z2", true, "61442", "PDU2"},
    {"PS", "F0", "", "1Z2", T, PsHex, "2", false, "61442", "PDU2"},
    {"PS", "FF", "", "0012", T, None, "0012", false, "65298", "PDU2"},
    {"PS", "F0", "12", "", T, None, "", false, "61440", "emptied, PDU2"},
};
}  // namespace

Q_DECLARE_METATYPE(Entry)

void PgnFieldsTest::fieldEntries_data() {
  QTest::addColumn<int>("slot");
  QTest::addColumn<bool>("typed");
  QTest::addColumn<Entry>("e");
  for (int slot = 0; slot < 2; ++slot)
    for (const Entry& e : kEntries) {
      const QByteArray name = QByteArray(e.field) + " '" + e.input + "' " + e.why;
      forEachWay(slot, name.constData(), e.how,
                 [&](QTestData& row, bool typed) { row << typed << e; });
    }
}

void PgnFieldsTest::fieldEntries() {
  QFETCH(int, slot);
  QFETCH(bool, typed);
  QFETCH(Entry, e);
  const QString input = QString::fromLatin1(e.input);

  Harness h;
  prepareEditedSlot(h, slot);
  const Slot s = Slot::of(h, slot);
  if (*e.pfBefore) pasteOver(s.pf, QString::fromLatin1(e.pfBefore));
  if (*e.psBefore) pasteOver(s.ps, QString::fromLatin1(e.psBefore));
  h.messages.clear();
  s.pgn->deselect();

  QLineEdit* box = boxNamed(s, QString::fromLatin1(e.field));
  enter(box, input, typed);

  const QStringList messages = messagesFor(e.msg, slot);
  QCOMPARE(shownMessages(h.messages), messages);
  QCOMPARE(box->text(), QString::fromLatin1(e.after));
  QCOMPARE(wholeTextSelected(box), e.selected);
  QCOMPARE(s.pgn->text(), QString::fromLatin1(e.pgnAfter));
  // A pasted entry is reported while the box still shows it.
  if (!typed && !messages.isEmpty())
    QCOMPARE(h.messages.shown.first().texts.value(box->objectName()), input);
  QVERIFY(!h.window->state().PgnSyncActive);
}

namespace {
struct Split {
  const char* pgn;
  How how;
  bool reserved;
  bool dataPage;
  const char* pf;
  const char* ps;
  Msg msg;
};

// The worked examples: DM1, EEC1, the request (PDU1), the reserved bit alone,
// every bit, one beyond the range and one whose bits 17 to 0 are kept.
const Split kSplits[] = {
    {"65226", B, false, false, "FE", "CA", Existed},
    {"61444", P, false, false, "F0", "04", Existed},
    {"59904", P, false, false, "EA", "00", Existed},
    {"131072", P, true, false, "00", "00", None},
    {"262143", P, true, true, "FF", "FF", None},
    {"262144", P, false, false, "00", "00", PgnRange},
    {"327679", P, false, false, "FF", "FF", PgnRange},
    {"0061184", P, false, false, "EF", "00", None},
};
}  // namespace

Q_DECLARE_METATYPE(Split)

void PgnFieldsTest::pgnSplitsIntoParts_data() {
  QTest::addColumn<int>("slot");
  QTest::addColumn<bool>("typed");
  QTest::addColumn<Split>("e");
  for (int slot = 0; slot < 2; ++slot)
    for (const Split& e : kSplits)
      forEachWay(slot, e.pgn, e.how, [&](QTestData& row, bool typed) { row << typed << e; });
}

void PgnFieldsTest::pgnSplitsIntoParts() {
  QFETCH(int, slot);
  QFETCH(bool, typed);
  QFETCH(Split, e);
  const QString pgn = QString::fromLatin1(e.pgn);

  Harness h;
  prepareEditedSlot(h, slot);
  const Slot s = Slot::of(h, slot);
  // Start from parts that every row changes.
  pasteOver(s.pgn, QStringLiteral("196625"));  // reserved, data page, PF 00
  setCheckValue(s.reserveBit, e.reserved ? 0 : 1);
  setCheckValue(s.dataPage, e.dataPage ? 0 : 1);
  pasteOver(s.pf, QStringLiteral("F1"));
  pasteOver(s.ps, QStringLiteral("77"));
  h.messages.clear();

  enter(s.pgn, pgn, typed);
  QCOMPARE(shownMessages(h.messages), messagesFor(e.msg, slot));
  QCOMPARE(s.pgn->text(), pgn);  // never rewritten, leading zeros and all
  // A reported PGN is left selected for typing over; the parts follow it all the same.
  QCOMPARE(wholeTextSelected(s.pgn), e.msg != None);
  QCOMPARE(isTicked(s.reserveBit), e.reserved);
  QCOMPARE(isTicked(s.dataPage), e.dataPage);
  QCOMPARE(s.pf->text(), QString::fromLatin1(e.pf));
  QCOMPARE(s.ps->text(), QString::fromLatin1(e.ps));
}

void PgnFieldsTest::pduFormatClearsPs_data() {
  QTest::addColumn<int>("slot");
  QTest::addColumn<QString>("pf");
  QTest::addColumn<bool>("reserved");
  QTest::addColumn<bool>("dataPage");
  QTest::addColumn<QString>("pgn");
  QTest::addColumn<QStringList>("messages");
  for (int slot = 0; slot < 2; ++slot) {
    const QStringList existed = messagesFor(Existed, slot);
    slotRow(slot, "C8") << "C8" << false << false << "51200" << QStringList();
    slotRow(slot, "C8, data page") << "C8" << false << true << "116736" << QStringList();
    slotRow(slot, "C8, reserved") << "C8" << true << false << "182272" << QStringList();
    slotRow(slot, "E8 is ACKM") << "E8" << false << false << "59392" << existed;
    slotRow(slot, "E8, data page") << "E8" << false << true << "124928" << QStringList();
    slotRow(slot, "EA is RQST") << "EA" << false << false << "59904" << existed;
    slotRow(slot, "EA, data page") << "EA" << false << true << "125440" << QStringList();
  }
}

void PgnFieldsTest::pduFormatClearsPs() {
  QFETCH(int, slot);
  QFETCH(QString, pf);
  QFETCH(bool, reserved);
  QFETCH(bool, dataPage);
  QFETCH(QString, pgn);
  QFETCH(QStringList, messages);

  Harness h;
  prepareEditedSlot(h, slot);
  const Slot s = Slot::of(h, slot);
  pasteOver(s.pf, QStringLiteral("F0"));
  pasteOver(s.ps, QStringLiteral("12"));
  setCheckValue(s.reserveBit, reserved ? 1 : 0);
  setCheckValue(s.dataPage, dataPage ? 1 : 0);
  QCOMPARE(s.ps->text(), QStringLiteral("12"));
  h.messages.clear();

  typeOver(s.pf, pf);
  QCOMPARE(s.ps->text(), QStringLiteral("0"));
  QCOMPARE(s.pgn->text(), pgn);
  QCOMPARE(shownMessages(h.messages), messages);
  // A reported conflict leaves the PF selected for typing over.
  QCOMPARE(wholeTextSelected(s.pf), !messages.isEmpty());
}

void PgnFieldsTest::editOfOneSlotRefreshesTheOther() {
  Harness h;
  prepareSlots(h, QStringLiteral("0"), QStringLiteral("200704"));
  const Slot first = Slot::of(h, 0);
  const Slot second = Slot::of(h, 1);
  QCOMPARE(second.pf->text(), QStringLiteral("10"));

  // (An edit of one slot's PGN bringing the other's parts back in step is
  // checked in pgnBeyond32BitsLeavesItsPartsAlone.)
  pasteOver(first.pgn, QStringLiteral("512"));
  // An edit of slot 2's parts recomputes slot 1's PGN from slot 1's parts.
  h.window->state().PgnSyncActive = true;
  first.pgn->setText(QStringLiteral("999"));
  h.window->state().PgnSyncActive = false;
  second.dataPage->click();
  QCOMPARE(second.pgn->text(), QStringLiteral("135168"));
  QCOMPARE(first.pgn->text(), QStringLiteral("512"));
  QCOMPARE(shownMessages(h.messages), QStringList());
}

void PgnFieldsTest::pgnBeyond32BitsLeavesItsPartsAlone() {
  for (int slot = 0; slot < 2; ++slot) {
    Harness h;
    prepareSlots(h, QStringLiteral("65280"), QStringLiteral("200704"));
    const Slot own = Slot::of(h, slot);
    const Slot other = Slot::of(h, 1 - slot);
    pasteOver(own.pgn, QStringLiteral("65280"));
    pasteOver(other.pgn, QStringLiteral("200704"));
    // The other slot's parts drift from its PGN while the rewrite is silenced.
    h.window->state().PgnSyncActive = true;
    other.pf->setText(QStringLiteral("AA"));
    h.window->state().PgnSyncActive = false;
    h.messages.clear();

    pasteOver(own.pgn, QStringLiteral("4294967296"));
    QCOMPARE(shownMessages(h.messages), QStringList{pgnRangeMessage()});
    QCOMPARE(own.pgn->text(), QStringLiteral("4294967296"));
    QCOMPARE(own.pf->text(), QStringLiteral("FF"));
    QCOMPARE(own.ps->text(), QStringLiteral("00"));
    QVERIFY(!isTicked(own.reserveBit) && !isTicked(own.dataPage));
    // The other slot is still brought back in step with its PGN.
    QCOMPARE(other.pf->text(), QStringLiteral("10"));
    QVERIFY(!h.window->state().PgnSyncActive);
    // Within 32 bits the same from 16777216 on (a byte above the data page).
    pasteOver(own.pgn, QStringLiteral("16842752"));  // 257 x 65536
    QCOMPARE(own.pf->text(), QStringLiteral("FF"));
    QVERIFY(!isTicked(own.dataPage));

    // A PGN typed into the other slot meanwhile takes its parts along, so the
    // next recompute (as before every store) keeps it.
    typeOver(other.pgn, QStringLiteral("65024"));
    QCOMPARE(other.pf->text(), QStringLiteral("FE"));
    QVERIFY(!isTicked(other.reserveBit));
    h.window->pgnSlots().PgnFromFields();
    QCOMPARE(other.pgn->text(), QStringLiteral("65024"));
    QCOMPARE(own.pgn->text(), QStringLiteral("65280"));
  }
}

void PgnFieldsTest::nothingRunsWhilePgnSyncIsActive() {
  Harness h;
  prepareSlots(h, QStringLiteral("65280"), QStringLiteral("200704"));
  h.window->state().PgnSyncActive = true;
  for (int slot = 0; slot < 2; ++slot) {
    const Slot s = Slot::of(h, slot);
    typeOver(s.pgn, QStringLiteral("12a"));
    typeOver(s.pf, QStringLiteral("1FF"));
    typeOver(s.ps, QStringLiteral("Z"));
    s.dataPage->click();
    s.reserveBit->click();
    QCOMPARE(s.pgn->text(), QStringLiteral("12a"));
    QCOMPARE(s.pf->text(), QStringLiteral("1FF"));
    QCOMPARE(s.ps->text(), QStringLiteral("Z"));
  }
  QCOMPARE(shownMessages(h.messages), QStringList());
  QVERIFY(h.window->state().PgnSyncActive);
  h.window->state().PgnSyncActive = false;
}

void PgnFieldsTest::storedGreyedBoxIsShownClear_data() {
  QTest::addColumn<int>("slot");
  QTest::addColumn<bool>("reserved");  // the greyed box: reserved bit, else data page
  QTest::addColumn<int>("pgn");        // stored beside it
  QTest::addColumn<int>("clicks");
  QTest::addColumn<int>("ticked");      // the box afterwards, also in the file
  QTest::addColumn<int>("shownPgn");    // afterwards, also in the file
  QTest::addColumn<int>("identifier");  // the frame's identifier byte of the slot
  QTest::newRow("reserved, PGN as its parts") << 0 << true << 65296 << 0 << 0 << 65296 << 0xC0;
  QTest::newRow("data page, PGN rewrites it, one click ticks")
      << 1 << false << 196384 << 1 << 1 << 261920 << 0x78;
  QTest::newRow("reserved, PGN rewrites it, one click ticks")
      << 0 << true << 130832 << 1 << 1 << 261904 << 0xD8;
}

// A stored 2 (greyed) is shown clear, as the PGN counts it; the user's clicks
// then only tick or clear the box, and the file and the frame follow the PGN.
void PgnFieldsTest::storedGreyedBoxIsShownClear() {
  QFETCH(int, slot);
  QFETCH(bool, reserved);
  QFETCH(int, pgn);
  QFETCH(int, clicks);
  QFETCH(int, ticked);
  QFETCH(int, shownPgn);
  QFETCH(int, identifier);
  SimulatorConfig c = configkit::typicalConfig();
  c.Pgn2InUse = 1;
  (slot == 0 ? c.Pgn1 : c.Pgn2) = pgn;
  int16_t& stored = slot == 0 ? (reserved ? c.Pgn1Reserved : c.Pgn1DataPage)
                              : (reserved ? c.Pgn2Reserved : c.Pgn2DataPage);
  stored = 2;
  Harness h;
  h.simulatorAccepts();
  configkit::startOn(h, c);
  h.messages.clear();
  const Slot s = Slot::of(h, slot);
  QCheckBox* box = reserved ? s.reserveBit : s.dataPage;
  for (int n = 0; n < clicks; ++n) box->click();
  QCOMPARE(checkValue(box), ticked);
  QCOMPARE(s.pgn->text(), QString::number(shownPgn));

  h.ui().cmdConfig->click();
  QCOMPARE(h.port.written.size(), 49);
  QCOMPARE(int(uint8_t(h.port.written.at(slot == 0 ? 15 : 25))), identifier);
  h.ui().mnuFileSave->trigger();
  const SimulatorConfig saved = configkit::configIn(configkit::defaultPath(h));
  QCOMPARE(slot == 0 ? saved.Pgn1 : saved.Pgn2, shownPgn);
  QCOMPARE(slot == 0 ? (reserved ? saved.Pgn1Reserved : saved.Pgn1DataPage)
                     : (reserved ? saved.Pgn2Reserved : saved.Pgn2DataPage),
           int16_t(ticked));
  QCOMPARE(shownMessages(h.messages),
           QStringList{infoMessage(QStringLiteral("config confirmation"),
                                   QStringLiteral("Configuration is successfull!"))});
}

J1939_TEST(PgnFieldsTest);
#include "tst_pgn_fields.moc"
