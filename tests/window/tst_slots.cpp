#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTest>

#include "support/Harness.h"
#include "support/Records.h"
#include "support/SentGroups.h"
#include "support/TestMain.h"
#include "window/fields/Controls.h"

namespace {

// The controls of slot 0 or 1, reached by their names.
template <typename T>
T* control(Harness& h, const QString& name, int slot) {
  return h.window->findChild<T*>(name + QString::number(slot + 1));
}
QLineEdit* box(Harness& h, const QString& name, int slot) {
  return control<QLineEdit>(h, "txt" + name, slot);
}

// Both slots in use: 8 data bytes, "Single Byte" at position 1; slot `slot`
// at PGN 0, the other at 200704, which no row reaches.
void prepare(Harness& h, int slot) {
  h.startOn(benchRecord([slot](SimulatorConfig& c) {
    for (auto& s : c.Pgns) s.Pgn = 200704, s.DataLength = 8, s.ParamType = 0, s.ParamPos = 1;
    c.Pgns[slot].Pgn = 0;
  }));
  h.window->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
  h.messages.clear();
}

}  // namespace

// An entry in one box of a slot: PF pasted first when given; the title of
// the one message ('#' the slot number), what the box then shows, whether
// all of it is selected, and the PGN.
struct SlotEntry {
  const char *field, *pf, *input;
  bool typed;
  const char *title, *shown;
  bool selected;
  const char* pgn;
};
Q_DECLARE_METATYPE(SlotEntry)

// The two additional PGN slots as the user edits them: PGN and parts in step, the
// slot rules, the parameter layout, and random runs that keep every slot consistent.
class SlotsTest : public QObject {
  Q_OBJECT
 private slots:
  void fieldEntries_data() {
    QTest::addColumn<int>("slot");
    QTest::addColumn<SlotEntry>("e");
    const SlotEntry entries[] = {
        {"PGN", "", "2621440", false, "PGN is wrong", "2621440", true, "2621440"},
        {"PGN", "", "2621440", true, "PGN is wrong", "0", false, "0"},  // next key types over
        {"PGN", "", "262143", false, "", "262143", false, "262143"},    // the largest
        {"PGN", "", "262144", false, "PGN is wrong", "262144", true, "262144"},
        {"PGN", "", "4295032522", false, "PGN is wrong", "4295032522", true, "4295032522"},
        {"PGN", "", "12a", true, "PGN must be decimal", "0", true, "0"},
        {"PGN", "", "", true, "", "0", true, "0"},
        {"PGN", "", "000512", true, "", "000512", false, "000512"},
        {"PF", "", "1FF", true, "PF# must be 0 to FF", "1F", true, "7936"},
        {"PF", "", "1G", true, "PF# must be hex", "0", true, "0"},
        {"PF", "F0", "", true, "", "", false, "0"},
        {"PS", "F0", "123", true, "PS# must be 0 to FF", "12", true, "61458"},
        {"PS", "C8", "123", false, "PS# must be 0 to FF", "0", true, "51200"},
        {"PS", "F0", "Z", true, "PS# must be hex", "Z", true, "61440"},
        {"PS", "EF", "Z", true, "PS# must be 0", "0", true, "61184"},
        {"PS", "FF", "0012", true, "", "0012", false, "65298"},
        {"PF", "", "fe", true, "", "fe", false, "65024"},  // lower-case hex, kept as typed
        {"PS", "ff", "cb", true, "", "cb", false, "65483"},
    };
    for (int slot = 0; slot < 2; ++slot)
      for (const SlotEntry& e : entries)
        QTest::addRow("slot %d: %s '%s' %s %s", slot + 1, e.field, e.input, e.pf,
                      e.typed ? "typed" : "pasted")
            << slot << e;
  }
  void fieldEntries() {
    QFETCH(int, slot);
    QFETCH(SlotEntry, e);
    Harness h;
    prepare(h, slot);
    if (*e.pf) box(h, "PF", slot)->setText(e.pf);
    QLineEdit* edited = box(h, e.field, slot);
    enter(edited, e.input, e.typed);
    const QStringList titles = h.messages.titles();
    QCOMPARE(titles.join("").replace(QString::number(slot + 1), "#"), e.title);
    QCOMPARE(edited->text(), e.shown);
    QCOMPARE(edited->selectedText() == e.shown && *e.shown, e.selected);
    QCOMPARE(box(h, "PGN", slot)->text(), e.pgn);
    QCOMPARE(box(h, "PGN", 1 - slot)->text(), "200704");  // the other slot stays
  }
  // A PF typed into PDU1 (below F0) makes the PS a destination address: 0.
  void pdu1TakesThePs() {
    Harness h;
    prepare(h, 0);
    box(h, "PF", 0)->setText("FE");
    box(h, "PS", 0)->setText("12");
    enter(box(h, "PF", 0), "EF");
    QCOMPARE(box(h, "PS", 0)->text() + ' ' + box(h, "PGN", 0)->text(), "0 61184");
  }
  void slotRules_data() {
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("steps");   // "pgn=N" typed, "del" or "other-del" clicked
    QTest::addColumn<QString>("titles");  // '#' the slot number
    const char* rows[][2] = {
        {"pgn=65226", "PGN# has existed"},  // DM1
        {"pgn=130762", ""},                 // DM1's other data page
        {"pgn=200704", "PGN1 = PGN2"},      // the other slot's PGN
        {"pgn=0200704", "PGN1 = PGN2"},
        {"other-del pgn=200704", ""},  // a deleted slot is left out
        {"other-del pgn=200704 other-del", "PGN1 = PGN2"},
        {"pgn=61444 del del", "PGN# has existed, PGN# has existed"},  // and the PGN has the focus
    };
    for (int slot = 0; slot < 2; ++slot)
      for (const auto& row : rows)
        QTest::addRow("slot %d: %s", slot + 1, row[0])
            << slot << row[0] << QString(row[1]).replace('#', QString::number(slot + 1));
  }
  void slotRules() {
    QFETCH(int, slot);
    QFETCH(QString, steps);
    QFETCH(QString, titles);
    Harness h;
    prepare(h, slot);
    QCheckBox* deleteBox = control<QCheckBox>(h, "chkDeletePGN", slot);
    for (const QString& step : steps.split(' ')) {
      if (step.startsWith("pgn=")) enter(box(h, "PGN", slot), step.mid(4), true);
      if (step == "del") deleteBox->click();
      if (step == "other-del") control<QCheckBox>(h, "chkDeletePGN", 1 - slot)->click();
    }
    QCOMPARE(h.messages.titles().join(", "), titles);
    if (steps.endsWith(" del")) QCOMPARE(QApplication::focusWidget(), box(h, "PGN", slot));
    // The delete box greys out exactly the ten editing controls, never itself.
    deleteBox->click();
    for (const char* name :
         {"cmbUpdateRate", "cmbPriority", "chkReserveBit", "chkDatapage", "txtPF", "txtPS",
          "txtDatalength", "txtPGN", "cmbParameterType", "txtParameterPos"})
      QVERIFY2(control<QWidget>(h, name, slot)->isEnabled() == !IsTicked(deleteBox), name);
    QVERIFY(deleteBox->isEnabled());
  }
  // Each group the simulator sends, as a slot's PGN, is reported by the slot
  // rule and refused by Program Config; those that "2.00" adds are refused
  // for "2.00" only; a PGN beside any of them is neither. The slots take
  // turns; each is set back afterwards.
  void builtInPgns() {
    QList<std::pair<int32_t, int>> rows;  // the PGN, and who sends it: 0 none, 1 all, 2 "2.00"
    for (const SentGroup& g : kSentByEverySimulator) rows << std::pair{g.pgn, 1};
    for (const SentGroup& g : kSentByVersion200) rows << std::pair{g.pgn, 2};
    const auto listed = [&rows](int32_t pgn) {
      return std::any_of(rows.cbegin(), rows.cend(),
                         [=](const auto& row) { return row.first == pgn; });
    };
    for (qsizetype i = 0, n = rows.size(); i < n; ++i)
      for (int32_t step : {-1, 1}) {  // PDU1: the next PF (its PS is no part of the PGN)
        const int32_t beside = rows[i].first + step * (rows[i].first < 0xF000 ? 256 : 1);
        if (!listed(beside)) rows << std::pair{beside, 0};
      }
    Harness h;
    prepare(h, 0);
    for (qsizetype i = 0; i < rows.size(); ++i) {
      const auto [pgn, sentBy] = rows[i];
      const QString slot = QString::number(i % 2 + 1);
      h.messages.clear();
      box(h, "PGN", i % 2)->setText(QString::number(pgn));
      QStringList titles;
      if (sentBy == 1) titles << "PGN" + slot + " has existed";
      for (int version : {1, 0}) {  // "2.00", then "1.01"
        h.find<QComboBox>("cmbSimulatorVersion")->setCurrentIndex(version);
        h.port.written.clear();
        QVERIFY(h.programConfig());
        const bool refused = sentBy == 1 || (sentBy == 2 && version == 1);
        titles << (refused ? "Repeated additional PGN" + slot : "config confirmation");
        QCOMPARE(h.port.written.isEmpty(), refused);
      }
      QCOMPARE(h.messages.titles(), titles);
      if (sentBy == 1)
        QCOMPARE(h.messages.shown.first().prompt,
                 "This additional PGN" + slot +
                     " you choose has existed in the hardware, You have to change to another one!");
      box(h, "PGN", i % 2)->setText(i % 2 ? "200704" : "0");
    }
  }
  // A record shown at start-up or by Open: the slot rules run once, on what
  // the form shows then, never on a slot whose values are half written.
  void loadedSlotsAreCheckedOnce_data() {
    QTest::addColumn<QString>("before");  // the slots at start-up: "PGN1 PGN2", '-' deleted
    QTest::addColumn<QString>("opened");  // the slots of the file opened next; empty: none
    QTest::addColumn<QString>("titles");  // every message, in order
    QTest::addColumn<QString>("pgns");    // what the PGN boxes show at the end
    // 59904 is Request, one of the groups the simulator sends itself.
    const QString pdu1 = "Configuration file error, PGN1 has existed";
    const char* rows[][4] = {
        {"65280 65281", "", "", "65280 65281"},
        {"65280 65281", "65281 65280", "", "65281 65280"},
        {"65280 65280", "", "PGN1 = PGN2", "65280 65280"},
        {"65280 -65280", "", "", "65280 65280"},
        {"65226 65280", "", "PGN1 has existed", "65226 65280"},  // DM1
        {"65280 65260", "", "PGN2 has existed", "65280 65260"},  // VI
        {"65260 65260", "", "PGN1 has existed, PGN2 has existed, PGN1 = PGN2", "65260 65260"},
        {"-65226 65280", "", "", "65226 65280"},
        // PF FE is written while PS still holds CA: 65226 for a moment.
        {"65482 65280", "65024 65280", "", "65024 65280"},
        {"65482 65280", "65226 65280", "PGN1 has existed", "65226 65280"},
        {"59905 65280", "", "pdu1", "59904 65280"},
        {"65280 65281", "59905 65281", "pdu1", "59904 65281"},
    };
    for (const auto& row : rows)
      QTest::addRow("%s then %s", row[0], *row[1] ? row[1] : "nothing")
          << row[0] << row[1] << QString(row[2]).replace("pdu1", pdu1) << row[3];
  }
  void loadedSlotsAreCheckedOnce() {
    QFETCH(QString, before);
    QFETCH(QString, opened);
    QFETCH(QString, titles);
    QFETCH(QString, pgns);
    const auto record = [](const QString& pair) {
      return benchRecord([&pair](SimulatorConfig& c) {
        for (int slot = 0; slot < 2; ++slot) {
          const QString text = pair.section(' ', slot, slot);
          PgnSlotConfig& s = c.Pgns[slot];
          s.InUse = text.startsWith('-') ? 0 : 1;
          s.Pgn = text.mid(text.startsWith('-') ? 1 : 0).toInt();
          s.Reserved = 0, s.DataPage = 0, s.Pf = s.Pgn >> 8 & 0xFF, s.Ps = s.Pgn & 0xFF;
        }
      });
    };
    Harness h;
    h.startOn(record(before));
    if (!opened.isEmpty()) {
      h.messages.clear();
      QVERIFY(writeRecord(h.path("opened.cfg"), record(opened)));
      h.fileDialogs.answers << h.path("opened.cfg");
      h.find<QAction>("mnuFileOpen")->trigger();
    }
    QCOMPARE(h.messages.titles().join(", "), titles);
    QCOMPARE(h.find<QLineEdit>("txtPGN1")->text() + ' ' + h.find<QLineEdit>("txtPGN2")->text(),
             pgns);
  }
  // Both slots are one form used twice: Tab still runs from the NAME through
  // slot 1 and slot 2, each control in its place, to the buttons.
  void tabRunsThroughBothSlots() {
    Harness h;
    h.startOn(benchRecord());
    QStringList visited;
    QWidget* at = h.find("Check1");
    while (visited.size() < 24) {
      at = at->nextInFocusChain();
      if (at->focusPolicy() & Qt::TabFocus) visited << at->objectName();
    }
    QStringList expected;
    for (const char* number : {"1", "2"})
      for (const char* name :
           {"cmbUpdateRate", "cmbPriority", "chkReserveBit", "chkDatapage", "txtPF", "txtPS",
            "txtPGN", "txtDatalength", "cmbParameterType", "txtParameterPos", "chkDeletePGN"})
        expected << QString(name) + number;
    QCOMPARE(visited, expected << "cmdConfig"
                               << "cmdDefault");
  }
  void parameterLayout_data() {
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("entries");  // length typed, type picked, position pasted; - none
    QTest::addColumn<QString>("titles");
    QTest::addColumn<QString>("shown");  // length, type, position, bound
    const char* rows[][3] = {{"1785 2 1782", "", "1785 2 1782 1782"},
                             {"1786 - -", "Data length is wrong", "8 0 1 8"},
                             {"'' - -", "", "1 0 1 1"},
                             {"8 1 8", "Parameter position is wrong", "8 1 7 7"},
                             {"3 2 -", "Wrong Data Type", "3 1 1 2"},
                             {"4 2 1", "", "4 2 1 1"}};
    for (int slot = 0; slot < 2; ++slot)
      for (const auto& row : rows)
        QTest::addRow("slot %d: %s", slot + 1, row[0]) << slot << row[0] << row[1] << row[2];
  }
  void parameterLayout() {
    QFETCH(int, slot);
    QFETCH(QString, entries);
    QFETCH(QString, titles);
    QFETCH(QString, shown);
    Harness h;
    prepare(h, slot);
    const QStringList e = entries.replace("''", "").split(' ');
    auto* types = control<QComboBox>(h, "cmbParameterType", slot);
    enter(box(h, "Datalength", slot), e[0], true);
    if (e[1] != "-") types->setCurrentIndex(e[1].toInt());
    if (e[2] != "-") enter(box(h, "ParameterPos", slot), e[2], false);
    QCOMPARE(h.messages.titles().join(", "), titles);
    QCOMPARE(QStringLiteral("%1 %2 %3")
                 .arg(box(h, "Datalength", slot)->text())
                 .arg(types->currentIndex())
                 .arg(box(h, "ParameterPos", slot)->text()),
             shown.section(' ', 0, 2));
    // The bound, as the user meets it: one past it is refused, it is taken.
    const QString bound = shown.section(' ', 3);
    h.messages.clear();
    enter(box(h, "ParameterPos", slot), QString::number(bound.toInt() + 1), false);
    enter(box(h, "ParameterPos", slot), bound, false);
    QCOMPARE(h.messages.titles().join(", ") + ": " + box(h, "ParameterPos", slot)->text(),
             "Parameter position is wrong: " + bound);
  }
  // Random entries, clicks and picks over both slots; after each, the PGN and
  // its parts agree by their bits, the layout fits, and a deleted slot is grey.
  void randomEditsKeepTheSlotsConsistent() {
    Harness h;
    prepare(h, 0);
    QRandomGenerator random(65226);
    const QStringList boxes = {"PGN", "PF", "PS", "Datalength", "ParameterPos"};
    const QStringList texts = {"65226", "262144", "0",    "12a",    "F0",   "ea", "1FF",
                               "",      "Z",      "c8",   "1785",   "1786", "3",  "2",
                               "1",     "7",      "00FE", "200704", "EF"};
    QString last;
    for (int step = 0; step < 1500; ++step) {
      const int slot = random.bounded(2), what = random.bounded(9);
      if (what < 5) {
        const QString text = random.bounded(3) ? texts[random.bounded(texts.size())]
                                               : QString::number(random.bounded(300000));
        last = QStringLiteral("%1%2 <- %3").arg(boxes[what]).arg(slot + 1).arg(text);
        if (box(h, boxes[what], slot)->isEnabled())
          enter(box(h, boxes[what], slot), text, random.bounded(2));
      } else {
        const char* names[] = {"chkReserveBit", "chkDatapage", "chkDeletePGN", "cmbParameterType"};
        last = QStringLiteral("%1%2").arg(names[what - 5]).arg(slot + 1);
        if (what < 8)
          control<QCheckBox>(h, names[what - 5], slot)->click();
        else
          control<QComboBox>(h, names[3], slot)->setCurrentIndex(random.bounded(3));
      }
      h.messages.clear();
      for (int s = 0; s < 2; ++s) {
        const QString where =
            QStringLiteral("step %1 (%2), slot %3: ").arg(step).arg(last).arg(s + 1);
        bool decimal = false;
        const qint64 pgn = box(h, "PGN", s)->text().toLongLong(&decimal);
        const auto bit = [&](const char* name) { return IsTicked(control<QCheckBox>(h, name, s)); };
        // Hex in either case; a text that is no hex (a PS the user is typing) reads 0.
        const auto hex = [&](const char* name) {
          return box(h, name, s)->text().toUInt(nullptr, 16) & 0xFF;
        };
        const uint8_t pf = hex("PF"), ps = pf < 240 ? 0 : hex("PS");
        const qint64 parts = bit("chkReserveBit") << 17 | bit("chkDatapage") << 16 | pf << 8 | ps;
        QVERIFY2(decimal && pgn >= 0, qPrintable(where + "PGN text"));
        // A PDU1 PGN typed with a low byte stays as typed; its parts drop that byte.
        const qint64 low18 = pgn & 0x3FFFF;
        const qint64 expected = (low18 >> 8 & 0xFF) < 240 ? low18 & ~0xFF : low18;
        if (pgn < (1 << 24)) QVERIFY2(parts == expected, qPrintable(where + "PGN and parts"));
        const int length = box(h, "Datalength", s)->text().toInt();
        const int type = control<QComboBox>(h, "cmbParameterType", s)->currentIndex();
        const int bound = length - (type == 0 ? 0 : type == 1 ? 1 : 3);
        const int position = box(h, "ParameterPos", s)->text().toInt();
        QVERIFY2(length >= 1 && length <= 1785 && bound >= 1, qPrintable(where + "layout"));
        QVERIFY2(position >= 1 && position <= bound, qPrintable(where + "position"));
        QVERIFY2(
            box(h, "PGN", s)->isEnabled() != IsTicked(control<QCheckBox>(h, "chkDeletePGN", s)),
            qPrintable(where + "enabled"));
      }
    }
  }
};

J1939_TEST_MAIN(SlotsTest, "slots")
#include "tst_slots.moc"
