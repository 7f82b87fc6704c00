#include <QtTest>

#include "SlotFixture.h"
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
  void dataPageBoxRecomputesThePgn();
  void pduFormatClearsPs_data();
  void pduFormatClearsPs();
  void editOfOneSlotRefreshesTheOther();
  void pgnBeyond32BitsLeavesItsPartsAlone();
  void nothingRunsWhilePgnSyncIsActive();
};

namespace {
// Prepared so that the edited slot shows PGN 0 and the other one 200704, which
// no entry of the table reaches: only the field's own messages show.
void prepareEditedSlot(Harness& h, int slot) {
  if (slot == 0)
    prepareSlots(h, QStringLiteral("0"), QStringLiteral("200704"));
  else
    prepareSlots(h, QStringLiteral("200704"), QStringLiteral("0"));
}

QLineEdit* boxNamed(const Slot& s, const QString& name) {
  if (name == QLatin1String("PGN")) return s.pgn;
  if (name == QLatin1String("PF")) return s.pf;
  return s.ps;
}
}  // namespace

void PgnFieldsTest::fieldEntries_data() {
  QTest::addColumn<int>("slot");
  QTest::addColumn<QString>("field");
  QTest::addColumn<QString>("pfBefore");  // PF pasted first, when not empty
  QTest::addColumn<QString>("psBefore");  // then PS, when not empty
  QTest::addColumn<QString>("input");
  QTest::addColumn<bool>("typed");  // key by key, or pasted at once
  QTest::addColumn<QStringList>("messages");
  QTest::addColumn<QString>("after");
  QTest::addColumn<bool>("selected");
  QTest::addColumn<QString>("pgnAfter");

  const QString hexPrompt = QStringLiteral("You must enter hex 0 to ff");
  for (int slot = 0; slot < 2; ++slot) {
    const QString n = QString::number(slot + 1);
    const QString pf = QStringLiteral("PF") + n;
    const QString ps = QStringLiteral("PS") + n;
    const QStringList pgnRange = {
        infoMessage(QStringLiteral("PGN is wrong"), QStringLiteral("PGN should be 0 to 262143"))};
    const QStringList pgnDecimal = {
        infoMessage(QStringLiteral("PGN must be decimal"),
                    QStringLiteral("You must enter decimal 0 to 262143"))};
    const QStringList pfRange = {infoMessage(pf + QStringLiteral(" must be 0 to FF"), hexPrompt)};
    const QStringList pfHex = {infoMessage(pf + QStringLiteral(" must be hex"), hexPrompt)};
    const QStringList psRange = {infoMessage(ps + QStringLiteral(" must be 0 to FF"), hexPrompt)};
    const QStringList psHex = {infoMessage(ps + QStringLiteral(" must be hex"), hexPrompt)};
    const QStringList psZero = {
        infoMessage(ps + QStringLiteral(" must be 0"), QStringLiteral("You must enter hex 0"))};
    const QStringList none;
    auto row = [&](const char* name) {
      return &QTest::newRow(qPrintable(QStringLiteral("slot %1: %2").arg(n, QLatin1String(name))));
    };

    // PGN
    *row("PGN 262144 pasted") << slot << "PGN"
                              << ""
                              << ""
                              << "262144" << false << pgnRange << "262144" << true << "262144";
    *row("PGN 262144 typed") << slot << "PGN"
                             << ""
                             << ""
                             << "262144" << true << pgnRange << "262144" << true << "262144";
    *row("PGN 2621440 pasted stays")
        << slot << "PGN"
        << ""
        << ""
        << "2621440" << false << pgnRange << "2621440" << true << "2621440";
    // The selection left by the message is typed over by the next key.
    *row("PGN 2621440 typed ends as 0") << slot << "PGN"
                                        << ""
                                        << ""
                                        << "2621440" << true << pgnRange << "0" << false << "0";
    *row("PGN beyond 32 bits") << slot << "PGN"
                               << ""
                               << ""
                               << "99999999999" << false << pgnRange << "99999999999" << true
                               << "99999999999";
    *row("PGN 12a typed") << slot << "PGN"
                          << ""
                          << ""
                          << "12a" << true << pgnDecimal << "0" << true << "0";
    *row("PGN -5 pasted") << slot << "PGN"
                          << ""
                          << ""
                          << "-5" << false << pgnDecimal << "0" << true << "0";
    *row("PGN emptied by key") << slot << "PGN"
                               << ""
                               << ""
                               << "" << true << none << "0" << true << "0";
    *row("PGN emptied by paste") << slot << "PGN"
                                 << ""
                                 << ""
                                 << "" << false << none << "0" << true << "0";
    *row("PGN with leading zeros") << slot << "PGN"
                                   << ""
                                   << ""
                                   << "000512" << true << none << "000512" << false << "000512";
    *row("PGN 262143 accepted") << slot << "PGN"
                                << ""
                                << ""
                                << "262143" << false << none << "262143" << false << "262143";

    // PF
    *row("PF 1FF typed") << slot << "PF"
                         << ""
                         << ""
                         << "1FF" << true << pfRange << "1F" << true << "7936";
    *row("PF 1FF pasted") << slot << "PF"
                          << ""
                          << ""
                          << "1FF" << false << pfRange << "1F" << true << "7936";
    *row("PF 100 pasted") << slot << "PF"
                          << ""
                          << ""
                          << "100" << false << pfRange << "10" << true << "4096";
    *row("PF 00100 pasted") << slot << "PF"
                            << ""
                            << ""
                            << "00100" << false << pfRange << "00" << true << "0";
    *row("PF 000FE typed") << slot << "PF"
                           << ""
                           << ""
                           << "000FE" << true << none << "000FE" << false << "65024";
    *row("PF G typed") << slot << "PF"
                       << ""
                       << ""
                       << "G" << true << pfHex << "0" << true << "0";
    *row("PF 1G typed") << slot << "PF"
                        << ""
                        << ""
                        << "1G" << true << pfHex << "0" << true << "0";
    *row("PF 0x1F pasted") << slot << "PF"
                           << ""
                           << ""
                           << "0x1F" << false << pfHex << "0" << true << "0";
    *row("PF lower case ff") << slot << "PF"
                             << ""
                             << ""
                             << "ff" << true << none << "ff" << false << "65280";
    *row("PF emptied") << slot << "PF"
                       << "F0"
                       << "12"
                       << "" << true << none << "" << false << "0";

    // PS
    *row("PS 123 pasted, PDU2") << slot << "PS"
                                << "F0"
                                << ""
                                << "123" << false << psRange << "12" << true << "61458";
    *row("PS 123 typed, PDU2") << slot << "PS"
                               << "F0"
                               << ""
                               << "123" << true << psRange << "12" << true << "61458";
    *row("PS 123 pasted, PDU1") << slot << "PS"
                                << "C8"
                                << ""
                                << "123" << false << psRange << "0" << true << "51200";
    *row("PS 123 typed, PDU1") << slot << "PS"
                               << "C8"
                               << ""
                               << "123" << true << none << "0" << false << "51200";
    *row("PS 5 typed, PDU1") << slot << "PS"
                             << "C8"
                             << ""
                             << "5" << true << none << "0" << false << "51200";
    *row("PS Z typed, PDU2") << slot << "PS"
                             << "F0"
                             << ""
                             << "Z" << true << psHex << "Z" << true << "61440";
    *row("PS Z typed, PDU1") << slot << "PS"
                             << "C8"
                             << ""
                             << "Z" << true << psZero << "0" << true << "51200";
    *row("PS Z typed, PF EF is PDU1") << slot << "PS"
                                      << "EF"
                                      << ""
                                      << "Z" << true << psZero << "0" << true << "61184";
    *row("PS 1Z2 pasted, PDU2") << slot << "PS"
                                << "F0"
                                << ""
                                << "1Z2" << false << psHex << "1Z2" << true << "61442";
    *row("PS 1Z2 typed, PDU2") << slot << "PS"
                               << "F0"
                               << ""
                               << "1Z2" << true << psHex << "2" << false << "61442";
    *row("PS 0012 typed, PDU2") << slot << "PS"
                                << "FF"
                                << ""
                                << "0012" << true << none << "0012" << false << "65298";
    *row("PS emptied, PDU2") << slot << "PS"
                             << "F0"
                             << "12"
                             << "" << true << none << "" << false << "61440";
  }
}

void PgnFieldsTest::fieldEntries() {
  QFETCH(int, slot);
  QFETCH(QString, field);
  QFETCH(QString, pfBefore);
  QFETCH(QString, psBefore);
  QFETCH(QString, input);
  QFETCH(bool, typed);
  QFETCH(QStringList, messages);
  QFETCH(QString, after);
  QFETCH(bool, selected);
  QFETCH(QString, pgnAfter);

  Harness h;
  prepareEditedSlot(h, slot);
  const Slot s = Slot::of(h, slot);
  if (!pfBefore.isEmpty()) pasteOver(s.pf, pfBefore);
  if (!psBefore.isEmpty()) pasteOver(s.ps, psBefore);
  h.messages.clear();
  s.pgn->deselect();

  QLineEdit* box = boxNamed(s, field);
  if (typed)
    typeOver(box, input);
  else
    pasteOver(box, input);

  QCOMPARE(shownMessages(h.messages), messages);
  QCOMPARE(box->text(), after);
  QCOMPARE(wholeTextSelected(box), selected);
  QCOMPARE(s.pgn->text(), pgnAfter);
  // A pasted entry is reported while the box still shows it.
  if (!typed && !messages.isEmpty())
    QCOMPARE(h.messages.shown.first().texts.value(box->objectName()), input);
  QVERIFY(!h.window->state().PgnSyncActive);
}

void PgnFieldsTest::pgnSplitsIntoParts_data() {
  QTest::addColumn<int>("slot");
  QTest::addColumn<QString>("pgn");
  QTest::addColumn<bool>("reserved");
  QTest::addColumn<bool>("dataPage");
  QTest::addColumn<QString>("pf");
  QTest::addColumn<QString>("ps");
  QTest::addColumn<QStringList>("messages");
  for (int slot = 0; slot < 2; ++slot) {
    const QStringList existed = {ruleMessage(existedTitle(slot), existedPrompt(slot))};
    const QStringList range = {
        infoMessage(QStringLiteral("PGN is wrong"), QStringLiteral("PGN should be 0 to 262143"))};
    auto row = [&](const char* name) {
      return &QTest::newRow(qPrintable(QStringLiteral("slot %1: %2").arg(slot + 1).arg(name)));
    };
    *row("65226") << slot << "65226" << false << false << "FE"
                  << "CA" << existed;
    *row("61444") << slot << "61444" << false << false << "F0"
                  << "04" << existed;
    *row("59904") << slot << "59904" << false << false << "EA"
                  << "00" << existed;
    *row("131072") << slot << "131072" << true << false << "00"
                   << "00" << QStringList();
    *row("262143") << slot << "262143" << true << true << "FF"
                   << "FF" << QStringList();
    *row("262144") << slot << "262144" << false << false << "00"
                   << "00" << range;
    *row("327679 keeps bits 17 to 0") << slot << "327679" << false << false << "FF"
                                      << "FF" << range;
    *row("0061184 PDU1") << slot << "0061184" << false << false << "EF"
                         << "00" << QStringList();
  }
}

void PgnFieldsTest::pgnSplitsIntoParts() {
  QFETCH(int, slot);
  QFETCH(QString, pgn);
  QFETCH(bool, reserved);
  QFETCH(bool, dataPage);
  QFETCH(QString, pf);
  QFETCH(QString, ps);
  QFETCH(QStringList, messages);

  Harness h;
  prepareEditedSlot(h, slot);
  const Slot s = Slot::of(h, slot);
  // Start from parts that every row changes.
  pasteOver(s.pgn, QStringLiteral("196625"));  // reserved, data page, PF 00
  setCheckValue(s.reserveBit, reserved ? 0 : 1);
  setCheckValue(s.dataPage, dataPage ? 0 : 1);
  pasteOver(s.pf, QStringLiteral("F1"));
  pasteOver(s.ps, QStringLiteral("77"));
  h.messages.clear();

  pasteOver(s.pgn, pgn);
  QCOMPARE(shownMessages(h.messages), messages);
  QCOMPARE(s.pgn->text(), pgn);  // never rewritten, leading zeros and all
  QCOMPARE(isTicked(s.reserveBit), reserved);
  QCOMPARE(isTicked(s.dataPage), dataPage);
  QCOMPARE(s.pf->text(), pf);
  QCOMPARE(s.ps->text(), ps);
}

void PgnFieldsTest::dataPageBoxRecomputesThePgn() {
  for (int slot = 0; slot < 2; ++slot) {
    Harness h;
    prepareEditedSlot(h, slot);
    const Slot s = Slot::of(h, slot);
    pasteOver(s.pf, QStringLiteral("FE"));
    pasteOver(s.ps, QStringLiteral("CA"));
    QCOMPARE(s.pgn->text(), QStringLiteral("65226"));
    h.messages.clear();
    s.dataPage->click();
    QCOMPARE(s.pgn->text(), QStringLiteral("130762"));
    QCOMPARE(shownMessages(h.messages), QStringList());
    s.reserveBit->click();
    QCOMPARE(s.pgn->text(), QStringLiteral("261834"));
    s.dataPage->click();
    QCOMPARE(s.pgn->text(), QStringLiteral("196298"));
    QCOMPARE(shownMessages(h.messages), QStringList());
  }
}

void PgnFieldsTest::pduFormatClearsPs_data() {
  QTest::addColumn<int>("slot");
  QTest::addColumn<QString>("pf");
  QTest::addColumn<bool>("reserved");
  QTest::addColumn<bool>("dataPage");
  QTest::addColumn<QString>("pgn");
  QTest::addColumn<QStringList>("messages");
  for (int slot = 0; slot < 2; ++slot) {
    auto row = [&](const char* name) {
      return &QTest::newRow(qPrintable(QStringLiteral("slot %1: %2").arg(slot + 1).arg(name)));
    };
    const QStringList existed = {ruleMessage(existedTitle(slot), existedPrompt(slot))};
    *row("C8") << slot << "C8" << false << false << "51200" << QStringList();
    *row("C8, data page") << slot << "C8" << false << true << "116736" << QStringList();
    *row("C8, reserved") << slot << "C8" << true << false << "182272" << QStringList();
    *row("E8 is ACKM") << slot << "E8" << false << false << "59392" << existed;
    *row("E8, data page") << slot << "E8" << false << true << "124928" << QStringList();
    *row("EA is RQST") << slot << "EA" << false << false << "59904" << existed;
    *row("EA, data page") << slot << "EA" << false << true << "125440" << QStringList();
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

  // Slot 2's parts drift from its PGN while the rewrite is silenced...
  h.window->state().PgnSyncActive = true;
  second.pf->setText(QStringLiteral("AA"));
  setCheckValue(second.reserveBit, 0);
  h.window->state().PgnSyncActive = false;
  // ...and an edit of slot 1's PGN brings them back from slot 2's PGN text.
  pasteOver(first.pgn, QStringLiteral("512"));
  QCOMPARE(first.pf->text(), QStringLiteral("02"));
  QCOMPARE(second.pf->text(), QStringLiteral("10"));
  QVERIFY(isTicked(second.reserveBit));
  QCOMPARE(second.pgn->text(), QStringLiteral("200704"));

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
    QCOMPARE(shownMessages(h.messages),
             QStringList{infoMessage(QStringLiteral("PGN is wrong"),
                                     QStringLiteral("PGN should be 0 to 262143"))});
    QCOMPARE(own.pgn->text(), QStringLiteral("4294967296"));
    QCOMPARE(own.pf->text(), QStringLiteral("FF"));
    QCOMPARE(own.ps->text(), QStringLiteral("00"));
    QVERIFY(!isTicked(own.reserveBit) && !isTicked(own.dataPage));
    // The other slot is still brought back in step with its PGN.
    QCOMPARE(other.pf->text(), QStringLiteral("10"));
    QVERIFY(!h.window->state().PgnSyncActive);

    // A PGN typed into the other slot meanwhile takes its parts along, so the
    // next recompute (as before every store) keeps it.
    typeOver(other.pgn, QStringLiteral("65024"));
    QCOMPARE(other.pf->text(), QStringLiteral("FE"));
    QVERIFY(!isTicked(other.reserveBit));
    h.window->pgnSlots().PgnFromFields();
    QCOMPARE(other.pgn->text(), QStringLiteral("65024"));
    QCOMPARE(own.pgn->text(), QStringLiteral("65280"));

    // Up to 16777215 the parts follow the low 18 bits; from 16777216 on there
    // is a byte above the data page and the parts stay.
    h.messages.clear();
    pasteOver(own.pgn, QStringLiteral("16777215"));
    QCOMPARE(own.pf->text(), QStringLiteral("FF"));
    QCOMPARE(own.ps->text(), QStringLiteral("FF"));
    QVERIFY(isTicked(own.reserveBit) && isTicked(own.dataPage));
    pasteOver(own.pgn, QStringLiteral("16842752"));  // 257 x 65536
    QCOMPARE(own.pf->text(), QStringLiteral("FF"));
    QCOMPARE(own.ps->text(), QStringLiteral("FF"));
    QVERIFY(isTicked(own.reserveBit));
    QCOMPARE(h.messages.titles(), QStringList(2, QStringLiteral("PGN is wrong")));
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

J1939_TEST(PgnFieldsTest);
#include "tst_pgn_fields.moc"
