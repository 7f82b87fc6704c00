#include <QLineEdit>
#include <QtTest>

#include "identity/IdentityKit.h"
#include "support/Harness.h"
#include "support/TestMain.h"

using identitykit::typeOver;

// Every validated box of the NAME and the address, typed key by key and set at
// once: the messages (title, prompt, icon, and the box's text while each was
// shown, in order), the text left behind and its selection.
class FieldMessagesTest : public QObject {
  Q_OBJECT
 private slots:
  void messagesAndRepair_data();
  void messagesAndRepair();
};

void FieldMessagesTest::messagesAndRepair_data() {
  QTest::addColumn<QString>("box");
  QTest::addColumn<QString>("start");
  QTest::addColumn<QString>("input");
  QTest::addColumn<bool>("typed");
  QTest::addColumn<QStringList>("messages");   // "title / prompt"
  QTest::addColumn<QStringList>("shownOver");  // the box's text under each message
  QTest::addColumn<QString>("left");
  QTest::addColumn<bool>("selected");  // the whole text selected, caret at 0

  using L = QStringList;
  auto row = [](const char* name, const char* box, const char* start, const QString& input,
                bool typed, const L& messages, const L& shownOver, const char* left,
                bool selected) {
    QTest::newRow(name) << QString::fromLatin1(box) << QString::fromLatin1(start) << input << typed
                        << messages << shownOver << QString::fromLatin1(left) << selected;
  };
  const QString empty;

  // Decimal NAME fields.
  const QString fnWrong = "Function is wrong / Function should be 0 to 255";
  const QString fnNotDec = "Function must be decimal / You must enter decimal 0 to 255";
  row("Function typed 256", "txtFunction", "12", "256", true, {fnWrong}, {"256"}, "255", true);
  row("Function set 256", "txtFunction", "12", "256", false, {fnWrong}, {"256"}, "255", true);
  row("Function typed 2a", "txtFunction", "12", "2a", true, {fnNotDec}, {"2a"}, "0", true);
  row("Function set 2a", "txtFunction", "12", "2a", false, {fnNotDec}, {"2a"}, "0", true);
  row("Function emptied", "txtFunction", "12", empty, true, {}, {}, "0", true);
  row("Function set empty", "txtFunction", "12", empty, false, {}, {}, "0", true);
  row("Function typed 007", "txtFunction", "12", "007", true, {}, {}, "007", false);
  row("Function typed 255", "txtFunction", "12", "255", true, {}, {}, "255", false);
  row("Function set twenty digits", "txtFunction", "12", "99999999999999999999", false, {fnWrong},
      {"99999999999999999999"}, "255", true);
  row("Function typed 2560: the fourth key replaces the selection", "txtFunction", "12", "2560",
      true, {fnWrong}, {"256"}, "0", false);

  const QString fiWrong = "Function instance is wrong / Function instance should be 0 to 31";
  const QString fiNotDec = "Function instance must be decimal / You must enter decimal 0 to 31";
  row("Function instance typed 32", "txtFunInstance", "1", "32", true, {fiWrong}, {"32"}, "31",
      true);
  row("Function instance set a", "txtFunInstance", "1", "a", false, {fiNotDec}, {"a"}, "0", true);
  row("Function instance emptied", "txtFunInstance", "1", empty, true, {}, {}, "0", true);

  const QString idWrong = "Identity number is wrong / Identity number should be 0 to 2097151";
  const QString idNotDec = "Identity number must be decimal / You must enter decimal 0 to 2097151";
  row("Identity number typed 2097152", "txtIdentityNumber", "5", "2097152", true, {idWrong},
      {"2097152"}, "2097151", true);
  row("Identity number typed 2097151", "txtIdentityNumber", "5", "2097151", true, {}, {}, "2097151",
      false);
  row("Identity number typed -1", "txtIdentityNumber", "5", "-1", true, {idNotDec}, {"-"}, "1",
      false);
  row("Identity number set -1", "txtIdentityNumber", "5", "-1", false, {idNotDec}, {"-1"}, "0",
      true);

  const QString mcWrong = "Manufacture code is wrong / Manufacture code should be 0 to 2047";
  const QString mcNotDec = "Manufacture code must be decimal / You must enter decimal 0 to 2047";
  row("Manufacture code typed 2048", "txtMfgCode", "5", "2048", true, {mcWrong}, {"2048"}, "2047",
      true);
  row("Manufacture code set 1.0", "txtMfgCode", "5", "1.0", false, {mcNotDec}, {"1.0"}, "0", true);
  row("Manufacture code set 0002047", "txtMfgCode", "5", "0002047", false, {}, {}, "0002047",
      false);

  const QString vsWrong = "Vehicle system is wrong / Vehicle system should be 0 to 127";
  const QString vsNotDec = "Vehicle system must be decimal / You must enter decimal 0 to 127";
  row("Vehicle system typed 128", "txtVehicleSys", "5", "128", true, {vsWrong}, {"128"}, "127",
      true);
  row("Vehicle system set leading blank", "txtVehicleSys", "5", " 5", false, {vsNotDec}, {" 5"},
      "0", true);

  // NAME byte boxes.
  const QString nmRange = "Device Name must be 0 to FF / You must enter hex 0 to ff";
  const QString nmHex = "Device Name must be hex / You must enter hex 0 to ff";
  row("byte 0 typed 100", "txtDeviceName0", "00", "100", true, {nmRange}, {"100"}, "10", true);
  row("byte 1 set 100", "txtDeviceName1", "00", "100", false, {nmRange}, {"100"}, "10", true);
  row("byte 2 typed 1G", "txtDeviceName2", "00", "1G", true, {nmHex}, {"1G"}, "1G", true);
  row("byte 3 set 00FF", "txtDeviceName3", "00", "00FF", false, {}, {}, "00FF", false);
  row("byte 3 typed 00FF", "txtDeviceName3", "00", "00FF", true, {}, {}, "00FF", false);
  row("byte 4 emptied", "txtDeviceName4", "00", empty, true, {}, {}, "0", false);
  row("byte 5 set empty", "txtDeviceName5", "00", empty, false, {}, {}, "0", false);
  row("byte 6 set 0FFF", "txtDeviceName6", "00", "0FFF", false, {nmRange}, {"0FFF"}, "0F", true);
  row("byte 6 set G", "txtDeviceName6", "00", "G", false, {nmHex}, {"G"}, "G", true);
  row("byte 7 typed FF", "txtDeviceName7", "00", "FF", true, {}, {}, "7F", false);
  row("byte 7 typed 80", "txtDeviceName7", "00", "80", true, {}, {}, "00", false);
  row("byte 7 set C5", "txtDeviceName7", "00", "C5", false, {}, {}, "45", false);
  row("byte 7 set FFF", "txtDeviceName7", "00", "FFF", false, {nmRange}, {"FFF"}, "7F", true);
  row("byte 7 typed 1G", "txtDeviceName7", "00", "1G", true, {nmHex}, {"1G"}, "1G", true);

  // Source address.
  const QString adRange = "J1939 Address must be 0 to 7F / You must enter hex 0 to 7F";
  const QString adHex = "J1939 Address must be hex / You must enter hex 0 to 7F";
  row("address typed 80", "txtJ1939Addr", "0", "80", true, {adRange}, {"80"}, "7F", true);
  row("address set 80", "txtJ1939Addr", "0", "80", false, {adRange}, {"80"}, "7F", true);
  row("address typed 7G", "txtJ1939Addr", "0", "7G", true, {adHex}, {"7G"}, "0", true);
  row("address emptied", "txtJ1939Addr", "0", empty, true, {}, {}, "", false);
  row("address set empty", "txtJ1939Addr", "0", empty, false, {}, {}, "", false);
  row("address set 007F", "txtJ1939Addr", "0", "007F", false, {}, {}, "007F", false);
  row("address typed 100", "txtJ1939Addr", "0", "100", true, {adRange}, {"100"}, "10", true);
  row("address set FFF", "txtJ1939Addr", "0", "FFF", false, {adRange, adRange}, {"FFF", "FF"}, "7F",
      true);
  row("address typed FFF: the third key replaces the selection", "txtJ1939Addr", "0", "FFF", true,
      {adRange}, {"FF"}, "F", false);
  row("address typed 7f", "txtJ1939Addr", "0", "7f", true, {}, {}, "7f", false);
}

void FieldMessagesTest::messagesAndRepair() {
  QFETCH(QString, box);
  QFETCH(QString, start);
  QFETCH(QString, input);
  QFETCH(bool, typed);
  QFETCH(QStringList, messages);
  QFETCH(QStringList, shownOver);
  QFETCH(QString, left);
  QFETCH(bool, selected);

  Harness h;
  h.start();
  auto* edit = h.window->findChild<QLineEdit*>(box);
  QVERIFY(edit);
  edit->setText(start);
  QCOMPARE(edit->text(), start);
  h.messages.clear();

  if (typed)
    typeOver(edit, input);
  else
    edit->setText(input);

  QStringList got;
  QStringList over;
  for (const ShownMessage& shown : h.messages.shown) {
    got << shown.title + QStringLiteral(" / ") + shown.prompt;
    over << shown.texts.value(box);
    QCOMPARE(shown.icon, MessageIcon::Information);
  }
  QCOMPARE(got, messages);
  QCOMPARE(over, shownOver);
  QCOMPARE(edit->text(), left);
  if (selected) {
    QCOMPARE(edit->selectedText(), left);
    QCOMPARE(edit->selectionStart(), 0);
  } else {
    QCOMPARE(edit->selectedText(), QString());
  }
}

J1939_TEST(FieldMessagesTest);
#include "tst_field_messages.moc"
