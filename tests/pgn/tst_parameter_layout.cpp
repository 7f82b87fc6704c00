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
  void dataLength_data();
  void dataLength();
  void typeFollowsDataLength_data();
  void typeFollowsDataLength();
  void position_data();
  void position();
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
    auto row = [&](const char* name) {
      return &QTest::newRow(qPrintable(QStringLiteral("slot %1: %2").arg(slot + 1).arg(name)));
    };
    *row("8, single byte") << slot << "8" << 0 << 8;
    *row("8, 2 bytes") << slot << "8" << 1 << 7;
    *row("8, 4 bytes") << slot << "8" << 2 << 5;
    *row("1785, 4 bytes") << slot << "1785" << 2 << 1782;
    *row("1785, single byte") << slot << "1785" << 0 << 1785;
    *row("4, 4 bytes") << slot << "4" << 2 << 1;
    *row("2, 2 bytes") << slot << "2" << 1 << 1;
    *row("0008, 2 bytes") << slot << "0008" << 1 << 7;
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

void ParameterLayoutTest::dataLength_data() {
  QTest::addColumn<int>("slot");
  QTest::addColumn<QString>("input");
  QTest::addColumn<bool>("typed");
  QTest::addColumn<QStringList>("messages");
  QTest::addColumn<QString>("after");
  QTest::addColumn<bool>("selected");
  for (int slot = 0; slot < 2; ++slot) {
    auto row = [&](const char* name) {
      return &QTest::newRow(qPrintable(QStringLiteral("slot %1: %2").arg(slot + 1).arg(name)));
    };
    const QStringList range{lengthRangeMessage()};
    *row("0 typed") << slot << "0" << true << range << "8" << true;
    *row("1786 typed") << slot << "1786" << true << range << "8" << true;
    *row("1786 pasted") << slot << "1786" << false << range << "8" << true;
    *row("40000 pasted") << slot << "40000" << false << range << "8" << true;
    // Key by key, 4000 is already too long; the last 0 types over the
    // selected 8 and is too short.
    *row("40000 typed") << slot << "40000" << true << range + range << "8" << true;
    *row("far beyond 16 bits") << slot << "99999999999999999999" << false << range << "8" << true;
    *row("1785 accepted") << slot << "1785" << true << QStringList() << "1785" << false;
    *row("leading zeros accepted") << slot << "0016" << false << QStringList() << "0016" << false;
    *row("12a typed") << slot << "12a" << true << QStringList{lengthDecimalMessage()} << "8"
                      << true;
    *row("-1 pasted") << slot << "-1" << false << QStringList{lengthDecimalMessage()} << "8"
                      << true;
    *row("emptied by key") << slot << "" << true << QStringList() << "1" << true;
    *row("emptied by paste") << slot << "" << false << QStringList() << "1" << true;
  }
}

void ParameterLayoutTest::dataLength() {
  QFETCH(int, slot);
  QFETCH(QString, input);
  QFETCH(bool, typed);
  QFETCH(QStringList, messages);
  QFETCH(QString, after);
  QFETCH(bool, selected);
  Harness h;
  prepareSlots(h);
  const Slot s = Slot::of(h, slot);
  layOut(h, s, QStringLiteral("5"), 0, QStringLiteral("1"));
  if (typed)
    typeOver(s.dataLength, input);
  else
    pasteOver(s.dataLength, input);
  QCOMPARE(shownMessages(h.messages), messages);
  QCOMPARE(s.dataLength->text(), after);
  QCOMPARE(wholeTextSelected(s.dataLength), selected);
  QCOMPARE(bound(h, slot), int16_t(DecimalValue(after)));
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
  for (int slot = 0; slot < 2; ++slot) {
    auto row = [&](const char* name) {
      return &QTest::newRow(qPrintable(QStringLiteral("slot %1: %2").arg(slot + 1).arg(name)));
    };
    *row("1 with 2 bytes") << slot << 1 << "1"
                           << "1" << QStringList{typeMessage()} << 0 << "1" << 1;
    *row("1 with 4 bytes") << slot << 2 << "1"
                           << "1" << QStringList{typeMessage()} << 0 << "1" << 1;
    *row("1 with 4 bytes at 5") << slot << 2 << "5"
                                << "1" << QStringList{typeMessage(), positionMessage(1)} << 0 << "1"
                                << 1;
    *row("3 with 4 bytes") << slot << 2 << "1"
                           << "3" << QStringList{typeMessage()} << 1 << "1" << 2;
    *row("2 with 4 bytes") << slot << 2 << "1"
                           << "2" << QStringList{typeMessage()} << 1 << "1" << 1;
    *row("2 with 2 bytes") << slot << 1 << "1"
                           << "2" << QStringList() << 1 << "1" << 1;
    *row("4 with 4 bytes") << slot << 2 << "1"
                           << "4" << QStringList() << 2 << "1" << 1;
    *row("3 with 2 bytes at 7") << slot << 1 << "7"
                                << "3" << QStringList{positionMessage(2)} << 1 << "2" << 2;
    // Emptied: 1 without a message, then the type, then the position.
    *row("emptied with 4 bytes at 5")
        << slot << 2 << "5"
        << "" << QStringList{typeMessage(), positionMessage(1)} << 0 << "1" << 1;
    *row("emptied with single byte at 1") << slot << 0 << "1"
                                          << "" << QStringList() << 0 << "1" << 1;
    // A length that falls back to 8 frees the type again.
    *row("0 with 4 bytes at 5") << slot << 2 << "5"
                                << "0" << QStringList{lengthRangeMessage()} << 2 << "5" << 5;
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

void ParameterLayoutTest::position_data() {
  QTest::addColumn<int>("slot");
  QTest::addColumn<int>("type");
  QTest::addColumn<QString>("input");
  QTest::addColumn<bool>("typed");
  QTest::addColumn<QStringList>("messages");
  QTest::addColumn<QString>("after");
  QTest::addColumn<bool>("selected");
  for (int slot = 0; slot < 2; ++slot) {
    auto row = [&](const char* name) {
      return &QTest::newRow(qPrintable(QStringLiteral("slot %1: %2").arg(slot + 1).arg(name)));
    };
    *row("0") << slot << 1 << "0" << true << QStringList{positionMessage(7)} << "7" << true;
    *row("8 with 2 bytes") << slot << 1 << "8" << true << QStringList{positionMessage(7)} << "7"
                           << true;
    *row("6 with 4 bytes") << slot << 2 << "6" << true << QStringList{positionMessage(5)} << "5"
                           << true;
    *row("5 with 4 bytes") << slot << 2 << "5" << true << QStringList() << "5" << false;
    *row("leading zeros") << slot << 0 << "008" << false << QStringList() << "008" << false;
    *row("not decimal") << slot << 0 << "x" << true << QStringList{positionMessage(8)} << "8"
                        << true;
    *row("far beyond 16 bits") << slot << 0 << "99999999999999999999" << false
                               << QStringList{positionMessage(8)} << "8" << true;
    // Key by key, 10 is out of range at its second key only.
    *row("10 typed") << slot << 0 << "10" << true << QStringList{positionMessage(8)} << "8" << true;
    *row("emptied by key") << slot << 0 << "" << true << QStringList() << "1" << true;
    *row("emptied by paste") << slot << 2 << "" << false << QStringList() << "1" << true;
  }
}

void ParameterLayoutTest::position() {
  QFETCH(int, slot);
  QFETCH(int, type);
  QFETCH(QString, input);
  QFETCH(bool, typed);
  QFETCH(QStringList, messages);
  QFETCH(QString, after);
  QFETCH(bool, selected);
  Harness h;
  prepareSlots(h);
  const Slot s = Slot::of(h, slot);
  layOut(h, s, QStringLiteral("8"), type, QStringLiteral("3"));
  if (typed)
    typeOver(s.parameterPos, input);
  else
    pasteOver(s.parameterPos, input);
  QCOMPARE(shownMessages(h.messages), messages);
  QCOMPARE(s.parameterPos->text(), after);
  QCOMPARE(wholeTextSelected(s.parameterPos), selected);
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
