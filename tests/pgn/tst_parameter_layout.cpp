#include <QtTest>

#include "SlotFixture.h"
#include "config/FormState.h"
#include "fields/Controls.h"
#include "fields/TextCodecs.h"
#include "pgn/ParameterLayout.h"
#include "support/TestMain.h"

// Data length, parameter type and parameter position of a slot: the parameter
// must fit inside the data.
class ParameterLayoutTest : public QObject {
  Q_OBJECT
 private slots:
  void positionBound_data();
  void positionBound();
  void entries_data();
  void entries();
  void typeFollowsDataLength_data();
  void typeFollowsDataLength();
  void boundComesFromEightBytesWhileLengthIsNotDecimal();
  void rulesIgnorePgnSyncAndSlotChecks();
};

namespace {
int16_t bound(Harness& h, int slot) {
  return slot == 0 ? h.window->state().MaxParameterPos1 : h.window->state().MaxParameterPos2;
}

const QString kPositionTitle = QStringLiteral("Parameter position is wrong");
QString positionMessage(int bound) {
  return infoMessage(kPositionTitle,
                     QStringLiteral("Parameter position should be 1 to %1").arg(bound));
}
QString typeMessage() {
  return infoMessage(QStringLiteral("Wrong Data Type"), QStringLiteral("too big data type"));
}
QString lengthRangeMessage() {
  return infoMessage(QStringLiteral("Data length is wrong"),
                     QStringLiteral("Data length should be 1 to 1785"));
}
QString lengthDecimalMessage() {
  return infoMessage(QStringLiteral("Data length must be decimal"),
                     QStringLiteral("You must enter decimal 1 to 1785"));
}

// Sets the layout the way a user would reach it, then forgets the messages.
void layOut(Harness& h, const Slot& s, const QString& length, int type, const QString& pos) {
  pasteOver(s.dataLength, length);
  setListIndex(s.parameterType, type);
  pasteOver(s.parameterPos, pos);
  h.messages.clear();
  s.dataLength->deselect();
  s.parameterPos->deselect();
}
}  // namespace

void ParameterLayoutTest::positionBound_data() {
  QTest::addColumn<int>("slot");
  QTest::addColumn<QString>("length");
  QTest::addColumn<int>("type");
  QTest::addColumn<int>("expected");
  for (int slot = 0; slot < 2; ++slot) {
    slotRow(slot, "8, single byte") << "8" << 0 << 8;
    slotRow(slot, "8, 2 bytes") << "8" << 1 << 7;
    slotRow(slot, "8, 4 bytes") << "8" << 2 << 5;
    slotRow(slot, "1785, 4 bytes") << "1785" << 2 << 1782;
    slotRow(slot, "1785, single byte") << "1785" << 0 << 1785;
    slotRow(slot, "4, 4 bytes") << "4" << 2 << 1;
    slotRow(slot, "2, 2 bytes") << "2" << 1 << 1;
    slotRow(slot, "0008, 2 bytes") << "0008" << 1 << 7;
  }
}

void ParameterLayoutTest::positionBound() {
  QFETCH(int, slot);
  QFETCH(QString, length);
  QFETCH(int, type);
  QFETCH(int, expected);
  Harness h;
  prepareSlots(h);
  const Slot s = Slot::of(h, slot);
  layOut(h, s, length, type, QStringLiteral("1"));
  QCOMPARE(bound(h, slot), expected);

  // The bound itself is accepted and left alone...
  typeOver(s.parameterPos, QString::number(expected));
  QCOMPARE(shownMessages(h.messages), QStringList());
  QCOMPARE(s.parameterPos->text(), QString::number(expected));
  QVERIFY(!wholeTextSelected(s.parameterPos));
  // ...one above it is replaced by the bound, selected.
  pasteOver(s.parameterPos, QString::number(expected + 1));
  QCOMPARE(shownMessages(h.messages), QStringList{positionMessage(expected)});
  QCOMPARE(h.messages.shown.first().texts.value(s.parameterPos->objectName()),
           QString::number(expected + 1));
  QCOMPARE(s.parameterPos->text(), QString::number(expected));
  QVERIFY(wholeTextSelected(s.parameterPos));
  // The other slot's bound is its own.
  QCOMPARE(bound(h, 1 - slot), int16_t(8));
}

void ParameterLayoutTest::entries_data() {
  // The data length is entered over 5 bytes with a single byte at 1; the
  // position over 3 in 8 bytes with the type given.
  QTest::addColumn<int>("slot");
  QTest::addColumn<bool>("length");  // the data length box, else the position box
  QTest::addColumn<int>("type");
  QTest::addColumn<QString>("input");
  QTest::addColumn<bool>("typed");
  QTest::addColumn<QStringList>("messages");
  QTest::addColumn<QString>("after");
  QTest::addColumn<bool>("selected");
  for (int slot = 0; slot < 2; ++slot) {
    const QStringList range{lengthRangeMessage()};
    slotRow(slot, "length 0 typed") << true << 0 << "0" << true << range << "8" << true;
    slotRow(slot, "length 1786 typed") << true << 0 << "1786" << true << range << "8" << true;
    slotRow(slot, "length 1786 pasted") << true << 0 << "1786" << false << range << "8" << true;
    slotRow(slot, "length 40000 pasted") << true << 0 << "40000" << false << range << "8" << true;
    // Key by key, 4000 is already too long; the last 0 types over the
    // selected 8 and is too short.
    slotRow(slot, "length 40000 typed")
        << true << 0 << "40000" << true << range + range << "8" << true;
    slotRow(slot, "length far beyond 16 bits")
        << true << 0 << "99999999999999999999" << false << range << "8" << true;
    slotRow(slot, "length 1785 accepted")
        << true << 0 << "1785" << true << QStringList() << "1785" << false;
    slotRow(slot, "length leading zeros accepted")
        << true << 0 << "0016" << false << QStringList() << "0016" << false;
    slotRow(slot, "length 12a typed")
        << true << 0 << "12a" << true << QStringList{lengthDecimalMessage()} << "8" << true;
    slotRow(slot, "length -1 pasted")
        << true << 0 << "-1" << false << QStringList{lengthDecimalMessage()} << "8" << true;
    slotRow(slot, "length emptied by key")
        << true << 0 << "" << true << QStringList() << "1" << true;
    slotRow(slot, "length emptied by paste")
        << true << 0 << "" << false << QStringList() << "1" << true;
    slotRow(slot, "position 0") << false << 1 << "0" << true << QStringList{positionMessage(7)}
                                << "7" << true;
    slotRow(slot, "position leading zeros")
        << false << 0 << "008" << false << QStringList() << "008" << false;
    slotRow(slot, "position not decimal")
        << false << 0 << "x" << true << QStringList{positionMessage(8)} << "8" << true;
    slotRow(slot, "position far beyond 16 bits") << false << 0 << "99999999999999999999" << false
                                                 << QStringList{positionMessage(8)} << "8" << true;
    // Key by key, 10 is out of range at its second key only.
    slotRow(slot, "position 10 typed")
        << false << 0 << "10" << true << QStringList{positionMessage(8)} << "8" << true;
    slotRow(slot, "position emptied by key")
        << false << 0 << "" << true << QStringList() << "1" << true;
    slotRow(slot, "position emptied by paste")
        << false << 2 << "" << false << QStringList() << "1" << true;
  }
}

void ParameterLayoutTest::entries() {
  QFETCH(int, slot);
  QFETCH(bool, length);
  QFETCH(int, type);
  QFETCH(QString, input);
  QFETCH(bool, typed);
  QFETCH(QStringList, messages);
  QFETCH(QString, after);
  QFETCH(bool, selected);
  Harness h;
  prepareSlots(h);
  const Slot s = Slot::of(h, slot);
  layOut(h, s, length ? QStringLiteral("5") : QStringLiteral("8"), type,
         length ? QStringLiteral("1") : QStringLiteral("3"));
  QLineEdit* box = length ? s.dataLength : s.parameterPos;
  enter(box, input, typed);
  QCOMPARE(shownMessages(h.messages), messages);
  QCOMPARE(box->text(), after);
  QCOMPARE(wholeTextSelected(box), selected);
  if (length) QCOMPARE(bound(h, slot), int16_t(DecimalValue(after)));
}

void ParameterLayoutTest::typeFollowsDataLength_data() {
  QTest::addColumn<int>("slot");
  QTest::addColumn<int>("typeBefore");
  QTest::addColumn<QString>("posBefore");
  QTest::addColumn<QString>("length");  // typed into the data length
  QTest::addColumn<QStringList>("messages");
  QTest::addColumn<int>("typeAfter");
  QTest::addColumn<QString>("posAfter");
  QTest::addColumn<int>("boundAfter");
  const QString type = typeMessage();
  for (int slot = 0; slot < 2; ++slot) {
    const auto row = [slot](const char* name, int typeBefore, const char* posBefore,
                            const char* length, const QStringList& messages, int typeAfter,
                            const char* posAfter, int boundAfter) {
      slotRow(slot, name) << typeBefore << QString::fromLatin1(posBefore)
                          << QString::fromLatin1(length) << messages << typeAfter
                          << QString::fromLatin1(posAfter) << boundAfter;
    };
    row("1 with 2 bytes", 1, "1", "1", {type}, 0, "1", 1);
    row("1 with 4 bytes", 2, "1", "1", {type}, 0, "1", 1);
    row("1 with 4 bytes at 5", 2, "5", "1", {type, positionMessage(1)}, 0, "1", 1);
    row("3 with 4 bytes", 2, "1", "3", {type}, 1, "1", 2);
    row("2 with 4 bytes", 2, "1", "2", {type}, 1, "1", 1);
    row("2 with 2 bytes", 1, "1", "2", {}, 1, "1", 1);
    row("4 with 4 bytes", 2, "1", "4", {}, 2, "1", 1);
    row("3 with 2 bytes at 7", 1, "7", "3", {positionMessage(2)}, 1, "2", 2);
    // Emptied: 1 without a message, then the type, then the position.
    row("emptied with 4 bytes at 5", 2, "5", "", {type, positionMessage(1)}, 0, "1", 1);
    row("emptied with single byte at 1", 0, "1", "", {}, 0, "1", 1);
    // A length that falls back to 8 frees the type again.
    row("0 with 4 bytes at 5", 2, "5", "0", {lengthRangeMessage()}, 2, "5", 5);
  }
}

void ParameterLayoutTest::typeFollowsDataLength() {
  QFETCH(int, slot);
  QFETCH(int, typeBefore);
  QFETCH(QString, posBefore);
  QFETCH(QString, length);
  QFETCH(QStringList, messages);
  QFETCH(int, typeAfter);
  QFETCH(QString, posAfter);
  QFETCH(int, boundAfter);
  Harness h;
  prepareSlots(h);
  const Slot s = Slot::of(h, slot);
  layOut(h, s, QStringLiteral("8"), typeBefore, posBefore);
  typeOver(s.dataLength, length);
  QCOMPARE(shownMessages(h.messages), messages);
  QCOMPARE(s.parameterType->currentIndex(), typeAfter);
  QCOMPARE(s.parameterPos->text(), posAfter);
  QCOMPARE(bound(h, slot), int16_t(boundAfter));
}

void ParameterLayoutTest::boundComesFromEightBytesWhileLengthIsNotDecimal() {
  // Before anything was loaded the data length is empty; the position rule
  // then reckons with 8 bytes, and the type is not tested.
  Harness h;
  h.create().show();
  for (int slot = 0; slot < 2; ++slot) {
    const Slot s = Slot::of(h, slot);
    QCOMPARE(s.dataLength->text(), QString());
    QCOMPARE(bound(h, slot), int16_t(0));
    setListIndex(s.parameterType, 2);
    QCOMPARE(bound(h, slot), int16_t(5));
    QCOMPARE(s.parameterPos->text(), QStringLiteral("1"));
    s.parameterPos->setText(QStringLiteral("9"));
    QCOMPARE(h.messages.titles().last(), kPositionTitle);
    QCOMPARE(s.parameterPos->text(), QStringLiteral("5"));
    // No type selected: no size taken off.
    setListIndex(s.parameterType, -1);
    QCOMPARE(bound(h, slot), int16_t(8));
  }
  QVERIFY(!h.messages.titles().contains(QStringLiteral("Wrong Data Type")));
  // The data-length reset runs the chain from within, so the bound is that of
  // the 8 bytes written and the position a valid one.
  const Slot s = Slot::of(h, 0);
  h.messages.clear();
  s.dataLength->setText(QStringLiteral("8a"));
  QCOMPARE(s.dataLength->text(), QStringLiteral("8"));
  QCOMPARE(bound(h, 0), int16_t(8));
}

void ParameterLayoutTest::rulesIgnorePgnSyncAndSlotChecks() {
  Harness h;
  prepareSlots(h, QStringLiteral("65226"), QStringLiteral("65226"));
  const Slot s = Slot::of(h, 0);
  h.messages.clear();
  h.window->state().PgnSyncActive = true;
  typeOver(s.dataLength, QStringLiteral("2"));
  setListIndex(s.parameterType, 2);
  typeOver(s.parameterPos, QStringLiteral("3"));
  h.window->state().PgnSyncActive = false;
  // The rules ran under the flag, and no slot rule spoke although both slots
  // carry DM1.
  QCOMPARE(shownMessages(h.messages), (QStringList{typeMessage(), positionMessage(1)}));
  QCOMPARE(s.parameterType->currentIndex(), 1);
  QCOMPARE(s.parameterPos->text(), QStringLiteral("1"));

  // The routines of the slot are reachable from the window as well.
  h.messages.clear();
  h.window->parameterLayout(0).txtParameterPos_Change();
  h.window->parameterLayout(1).cmbParameterType_Click();
  QCOMPARE(h.messages.titles(), QStringList());
}

J1939_TEST(ParameterLayoutTest);
#include "tst_parameter_layout.moc"
