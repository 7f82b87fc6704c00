#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTest>

#include "support/Harness.h"
#include "support/TestMain.h"

namespace {

// The NAME fields, lowest bit first: identity number 21 bits, manufacturer
// code 11, ECU instance 3, function instance 5, function 8, bit 48, vehicle
// system 7, vehicle system instance 4, industry group 3, bit 63.
struct Field {
  const char* control;
  int shift, bits;
};
const Field kFields[] = {{"txtIdentityNumber", 0, 21}, {"txtMfgCode", 21, 11},
                         {"cmbECUInstance", 32, 3},    {"txtFunInstance", 35, 5},
                         {"txtFunction", 40, 8},       {"txtVehicleSys", 49, 7},
                         {"cmbVehicleSysIns", 56, 4},  {"cmbIndustrygroup", 60, 3}};

QString shown(Harness& h, const char* name) {
  if (auto* list = h.window->findChild<QComboBox*>(name)) return list->currentText();
  return h.window->findChild<QLineEdit*>(name)->text();
}

void setShown(Harness& h, const char* name, uint64_t value) {
  if (auto* list = h.window->findChild<QComboBox*>(name)) return list->setCurrentIndex(int(value));
  h.window->findChild<QLineEdit*>(name)->setText(QString::number(value));
}

uint64_t nameInBoxes(Harness& h) {
  uint64_t name = 0;
  for (int i = 7; i >= 0; --i)
    name = name << 8 | h.window->findChild<QLineEdit*>("txtDeviceName" + QString::number(i))
                           ->text()
                           .toUInt(nullptr, 16);
  return name;
}

}  // namespace

// An entry typed key by key over the whole text, or set at once; the title
// of the one message, the text left and whether all of it is selected.
struct Entry {
  const char *box, *input;
  bool typed;
  const char *title, *left;
  bool selected;
};
Q_DECLARE_METATYPE(Entry)

// The ECU's identity as the user edits it: NAME bytes and fields, source address, VIN.
class IdentityTest : public QObject {
  Q_OBJECT
 private slots:
  // "1.01" fixes the DTC format and the bit rate and has no VIN; "2.00" lets
  // the user choose them, from "Version4".
  void versionRule_data() {
    QTest::addColumn<int>("rateBefore");
    QTest::addColumn<int>("version");
    QTest::addColumn<QString>("shown");  // DTC format, bit rate, lists enabled, VIN shown
    QTest::newRow("1.01 on 500Kbps") << 1 << 0 << "Version3 250Kbps 0 0";
    QTest::newRow("2.00 on 500Kbps") << 1 << 1 << "Version4 500Kbps 1 1";
    QTest::newRow("2.00 on 250Kbps") << 0 << 1 << "Version4 250Kbps 1 1";
  }
  void versionRule() {
    QFETCH(int, rateBefore);
    QFETCH(int, version);
    QFETCH(QString, shown);
    Harness h;
    h.start();
    h.find<QComboBox>("cmbSimulatorVersion")
        ->setCurrentIndex(1 - version);  // so that picking it is a change
    h.find<QComboBox>("cmbCANBUSBaudRate")->setCurrentIndex(rateBefore);
    h.find<QComboBox>("cmbDTCVersion")->setCurrentIndex(0);
    h.find<QComboBox>("cmbSimulatorVersion")->setCurrentIndex(version);
    QCOMPARE(QStringLiteral("%1 %2 %3 %4")
                 .arg(h.find<QComboBox>("cmbDTCVersion")->currentText(),
                      h.find<QComboBox>("cmbCANBUSBaudRate")->currentText())
                 .arg(h.find<QComboBox>("cmbDTCVersion")->isEnabled() &&
                      h.find<QComboBox>("cmbCANBUSBaudRate")->isEnabled())
                 .arg(h.find<QLineEdit>("txtVIN")->isVisible()),
             shown);
  }
  // Every list's entries, in order, as the window offers them.
  void listTexts() {
    Harness h;
    h.start();
    const auto upTo = [](int last, const QString& prefix = {}, int first = 0) {
      QStringList entries;
      for (int n = first; n <= last; ++n) entries << prefix + QString::number(n);
      return entries.join('|');
    };
    const QString rates = "On Request|Every 50 ms|Every 100%1|Every 0.5s|Every 1s|Every 5s";
    const std::pair<const char*, QString> lists[] = {
        {"cmbCOM", upTo(16, "COM", 1)},
        {"cmbCANBUSBaudRate", "250Kbps|500Kbps"},
        {"cmbSimulatorVersion", "1.01|2.00"},
        {"cmbDTCVersion", "Version1|Version2|Version3|Version4"},
        {"cmbECUInstance", upTo(7)},
        {"cmbVehicleSysIns", upTo(15)},
        {"cmbIndustrygroup", upTo(7)},
        {"cmbUpdateRate1", rates.arg("ms")},
        {"cmbUpdateRate2", rates.arg(" ms")},
        {"cmbPriority1", upTo(7)},
        {"cmbPriority2", upTo(7)},
        {"cmbParameterType1", "Single Byte|2 Bytes|4 Bytes"},
        {"cmbParameterType2", "Single Byte|2 Bytes|4 Bytes"}};
    for (const auto& [name, entries] : lists) {
      QStringList shown;
      for (int i = 0; i < h.find<QComboBox>(name)->count(); ++i)
        shown << h.find<QComboBox>(name)->itemText(i);
      QCOMPARE(shown.join('|'), entries);
    }
  }
  void nameFieldsSitAtTheirBits() {
    Harness h;
    h.start();
    h.messages.clear();
    QRandomGenerator random(81);
    for (int run = 0; run < 200; ++run) {
      // Bytes to fields: each box pasted, box 7 with bit 63 set, which it drops.
      // Now and then an identity number of whole 65536s, the edge of byte 2.
      const uint64_t name =
          (random.generate64() | uint64_t{1} << 63) & ~uint64_t(run % 4 ? 0 : 0xFFFF);
      for (int i = 0; i < 8; ++i)
        h.window->findChild<QLineEdit*>(QStringLiteral("txtDeviceName%1").arg(i))
            ->setText(QStringLiteral("%1").arg(name >> 8 * i & 0xFF, 2, 16, QLatin1Char('0')));
      QCOMPARE(nameInBoxes(h), name & ~(uint64_t{1} << 63));
      for (const Field& f : kFields)
        QCOMPARE(shown(h, f.control), QString::number(name >> f.shift & ((1u << f.bits) - 1)));
      QVERIFY(!h.find<QCheckBox>("Check1")->isChecked());
      // One field to bytes: only its bits change; bit 48 stays as it was.
      const Field& f = kFields[random.bounded(8)];
      const uint64_t value = random.bounded(1u << f.bits);
      setShown(h, f.control, value);
      const uint64_t mask = ((uint64_t{1} << f.bits) - 1) << f.shift;
      QCOMPARE(nameInBoxes(h), (name & ~(uint64_t{1} << 63) & ~mask) | value << f.shift);
    }
    QVERIFY(h.messages.shown.isEmpty());
  }
  void fieldEntries_data() {
    QTest::addColumn<Entry>("e");
    const Entry entries[] = {
        {"txtFunction", "256", true, "Function is wrong", "255", true},
        {"txtFunction", "2a", false, "Function must be decimal", "0", true},
        {"txtFunction", "99999999999999999999", false, "Function is wrong", "255", true},
        {"txtFunction", "2560", true, "Function is wrong", "0", false},  // over the selection
        {"txtIdentityNumber", "2097152", true, "Identity number is wrong", "2097151", true},
        {"txtIdentityNumber", "-1", false, "Identity number must be decimal", "0", true},
        {"txtMfgCode", "2048", true, "Manufacture code is wrong", "2047", true},
        {"txtVehicleSys", "128", true, "Vehicle system is wrong", "127", true},
        {"txtDeviceName0", "100", true, "Device Name must be 0 to FF", "10", true},
        {"txtDeviceName2", "1G", true, "Device Name must be hex", "1G", true},
        {"txtDeviceName6", "0FFF", false, "Device Name must be 0 to FF", "0F", true},
        {"txtDeviceName7", "FF", true, "", "7F", false},
        {"txtDeviceName7", "80", true, "", "00", false},
        {"txtDeviceName7", "FFF", false, "Device Name must be 0 to FF", "7F", true},
        {"txtJ1939Addr", "80", true, "J1939 Address must be 0 to 7F", "7F", true},
        {"txtJ1939Addr", "7G", true, "J1939 Address must be hex", "0", true},
        {"txtJ1939Addr", "100", true, "J1939 Address must be 0 to 7F", "10", true},
        // Emptied: a NAME byte or field reads 0 at once (the field's 0 selected to type
        // over), the address is left to finish.
        {"txtDeviceName3", "", true, "", "0", false},
        {"txtFunction", "", true, "", "0", true},
        {"txtJ1939Addr", "", true, "", "", false},
    };
    for (const Entry& e : entries)
      QTest::addRow("%s %s '%s'", e.box, e.typed ? "typed" : "set", e.input) << e;
  }
  void fieldEntries() {
    QFETCH(Entry, e);
    Harness h;
    h.start();
    auto* edit = h.window->findChild<QLineEdit*>(e.box);
    edit->setText(QString(e.box).contains("Name") ? "00" : "12");
    h.messages.clear();
    enter(edit, e.input, e.typed);
    QCOMPARE(h.messages.titles().join(", "), e.title);
    QCOMPARE(edit->text(), e.left);
    QCOMPARE(edit->selectedText(), e.selected ? e.left : "");
  }
  void vinCheckedWhenLeft_data() {
    QTest::addColumn<QString>("vin");
    QTest::addColumn<int>("reason");      // of the focus change
    QTest::addColumn<QString>("prompt");  // of the one message, if any
    QTest::addColumn<QString>("selected");
    const QString shortVin = "VIN Length must be 17 characters";
    // clang-format off
  QTest::newRow("16 characters, Tab") << "ABCDEFGHJKLMNPRS" << int(Qt::TabFocusReason) << shortVin << "ABCDEFGHJKLMNPRS";
  QTest::newRow("16 characters, click") << "ABCDEFGHJKLMNPRS" << int(Qt::MouseFocusReason) << shortVin << "ABCDEFGHJKLMNPRS";
  QTest::newRow("empty, Backtab") << "" << int(Qt::BacktabFocusReason) << shortVin << "";
  QTest::newRow("a blank first") << " BCDEFGHJKLMNPRST" << int(Qt::TabFocusReason) << "VIN cannot contain Space character" << " ";
  QTest::newRow("blanks at 4 and 9") << "ABC DEFG HIJKLMNO" << int(Qt::TabFocusReason) << "VIN cannot contain Space character" << " ";
  QTest::newRow("lower case and punctuation") << "1hG-cm8.2/a_3#b0z" << int(Qt::TabFocusReason) << "" << "";
  // The focus taken by the program, a window switch or a popup is no leaving.
  QTest::newRow("moved by the program") << "SHORT" << int(Qt::OtherFocusReason) << "" << "";
  QTest::newRow("popup") << "SHORT" << int(Qt::PopupFocusReason) << "" << "";
    // clang-format on
  }
  void vinCheckedWhenLeft() {
    QFETCH(QString, vin);
    QFETCH(int, reason);
    QFETCH(QString, prompt);
    QFETCH(QString, selected);
    Harness h;
    h.start();
    h.find<QComboBox>("cmbSimulatorVersion")->setCurrentIndex(1);  // "2.00" shows the VIN
    h.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
    QLineEdit* box = h.find<QLineEdit>("txtVIN");
    box->setText(vin);
    box->setFocus();
    h.messages.clear();
    if (reason == Qt::TabFocusReason)
      QTest::keyClick(box, Qt::Key_Tab);
    else if (reason == Qt::MouseFocusReason)
      QTest::mouseClick(h.find<QLineEdit>("txtJ1939Addr"), Qt::LeftButton);
    else
      h.find<QLineEdit>("txtJ1939Addr")->setFocus(static_cast<Qt::FocusReason>(reason));
    QCoreApplication::processEvents();
    QCOMPARE(h.messages.titles().join(", "), prompt.isEmpty() ? "" : "VIN is wrong");
    QCOMPARE(h.messages.shown.value(0).prompt, prompt);
    QCOMPARE(QApplication::focusWidget() == box, !prompt.isEmpty());
    QCOMPARE(box->text(), vin);
    QCOMPARE(box->selectedText(), selected);
    // Left again as it stands, it is said again.
    if (prompt.isEmpty()) return;
    h.messages.clear();
    QTest::keyClick(box, Qt::Key_Tab);
    QCoreApplication::processEvents();
    QCOMPARE(h.messages.shown.value(0).prompt, prompt);
  }
};

J1939_TEST_MAIN(IdentityTest, "identity")
#include "tst_identity.moc"
