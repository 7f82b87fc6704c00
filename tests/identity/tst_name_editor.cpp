#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QtTest>

#include "config/ConfigKit.h"
#include "fields/TextCodecs.h"
#include "identity/IdentityKit.h"
#include "identity/NameEditor.h"
#include "support/Harness.h"
#include "support/TestMain.h"

using identitykit::bytesOfFields;
using identitykit::describe;
using identitykit::fieldsOfName;
using identitykit::nameValue;
using identitykit::typeOver;

// The NAME editor in the real window: the eight byte boxes and the field
// controls kept in step at every keystroke.
class NameEditorTest : public QObject {
  Q_OBJECT
 private slots:
  void editsKeepBytesAndFieldsInStep_data();
  void editsKeepBytesAndFieldsInStep();
  void check1IsClearedByEveryDecodeAndCannotBeTicked();
  void guardsAreClearAfterEveryRoutine();
  void decodeThenEncodeWritesTheSameBytes();
  void box7TextThatIsNotHexNeverSetsBit63();

 private:
  static constexpr quint32 kStart = 0x0081'1939;
  static constexpr int kCases = 2000;
};

namespace {
struct NameWindow {
  NameWindow() {
    h.start();
    h.messages.clear();
  }
  Ui::frmMain& ui() { return h.ui(); }
  NameEditor& editor() { return h.window->nameEditor(); }
  QLineEdit* box(int i) { return editor().txtDeviceName()[i]; }
  QString boxes() {
    QStringList texts;
    for (int i = 0; i < 8; ++i) texts << box(i)->text();
    return texts.join(QLatin1Char(' '));
  }
  void setBytes(const NameBytes& bytes) {
    for (int i = 0; i < 8; ++i) box(i)->setText(ByteToHexText(bytes[i]));
  }
  // The fields as the controls show them.
  NameFields shown() {
    auto& u = ui();
    NameFields f;
    f.IdentityNumber = u.txtIdentityNumber->text().toUInt();
    f.ManufacturerCode = u.txtMfgCode->text().toUShort();
    f.EcuInstance = u.cmbECUInstance->currentIndex();
    f.FunctionInstance = static_cast<uint8_t>(u.txtFunInstance->text().toUShort());
    f.Function = static_cast<uint8_t>(u.txtFunction->text().toUShort());
    f.VehicleSystem = static_cast<uint8_t>(u.txtVehicleSys->text().toUShort());
    f.VehicleSystemInstance = u.cmbVehicleSysIns->currentIndex();
    f.IndustryGroup = u.cmbIndustrygroup->currentIndex();
    return f;
  }
  Harness h;
};

QString hexBytes(const NameBytes& bytes) {
  QStringList texts;
  for (uint8_t b : bytes) texts << ByteToHexText(b);
  return texts.join(QLatin1Char(' '));
}
}  // namespace

void NameEditorTest::editsKeepBytesAndFieldsInStep_data() {
  // setup: "control=value" written first (a list takes the index); then the
  // edit; then every "control=value" of expect must hold ("boxes": all eight).
  QTest::addColumn<QStringList>("setup");
  QTest::addColumn<QString>("control");
  QTest::addColumn<QString>("input");
  QTest::addColumn<bool>("typed");
  QTest::addColumn<QStringList>("expect");
  QTest::addColumn<QStringList>("titles");
  using L = QStringList;
  const auto row = [](const char* name, const L& setup, const char* control, const char* input,
                      bool typed, const L& expect, const L& titles = {}) {
    QTest::newRow(name) << setup << QString::fromLatin1(control) << QString::fromLatin1(input)
                        << typed << expect << titles;
  };
  const QString byteRange = QStringLiteral("Device Name must be 0 to FF");
  const QString byteHex = QStringLiteral("Device Name must be hex");
  const char* b7 = "txtDeviceName7";
  row("box 7 typed FF leaves bit 63 clear", {}, b7, "FF", true,
      {"txtDeviceName7=7F", "cmbIndustrygroup=7", "cmbVehicleSysIns=15"});
  row("box 7 typed 80 leaves 0", {}, b7, "80", true,
      {"txtDeviceName7=00", "cmbIndustrygroup=0", "cmbVehicleSysIns=0"});
  row("box 7 loaded C5", {}, b7, "C5", false,
      {"txtDeviceName7=45", "cmbIndustrygroup=4", "cmbVehicleSysIns=5"});
  row("identity number fills boxes 0 to 2", {}, "txtIdentityNumber", "2097151", true,
      {"boxes=FF FF 1F 00 00 00 00 00"});
  row("manufacturer fills boxes 2 and 3", {}, "txtMfgCode", "2047", true,
      {"boxes=00 00 E0 FF 00 00 00 00"});
  row("vehicle system keeps bit 48 clear", {"txtDeviceName6=10"}, "txtVehicleSys", "127", true,
      {"txtDeviceName6=FE"});
  row("vehicle system keeps bit 48 set", {"txtDeviceName6=01"}, "txtVehicleSys", "127", true,
      {"txtDeviceName6=FF"});
  row("other fields keep bit 48", {"txtDeviceName6=FF"}, "txtFunction", "3", true,
      {"txtDeviceName6=FF", "txtVehicleSys=127"});
  row("function and ECU instance share box 4", {"txtDeviceName0=01", "cmbECUInstance=7"},
      "txtFunInstance", "31", true, {"txtDeviceName4=FF"});
  row("box 4 splits into both instances", {}, "txtDeviceName4", "3A", false,
      {"txtFunInstance=7", "cmbECUInstance=2"});
  row("emptied byte box reads 0", {"txtDeviceName1=AB", "txtDeviceName0=CD"}, "txtDeviceName1", "",
      true, {"txtDeviceName1=0", "txtIdentityNumber=205"});
  row("typed 100 in a byte box leaves 10", {}, "txtDeviceName2", "100", true,
      {"txtDeviceName2=10", "txtIdentityNumber=1048576", "txtMfgCode=0"}, {byteRange});
  row("non-hex byte box reads its digits", {}, "txtDeviceName5", "1G", true, {"txtFunction=16"},
      {byteHex});
  // A running value beyond a byte keeps its low eight bits: 0x120 reads 0x20.
  row("non-hex byte box keeps the low byte", {}, "txtDeviceName5", "12G", true, {"txtFunction=32"},
      {byteHex});
  row("emptied identity number clears its bits",
      {"txtDeviceName0=12", "txtDeviceName1=34", "txtDeviceName2=FF", "txtDeviceName3=56"},
      "txtIdentityNumber", "", true, {"txtIdentityNumber=0", "boxes=00 00 E0 56 00 00 00 00"});
  row("typed 256 in function writes FF", {}, "txtFunction", "256", true,
      {"txtFunction=255", "txtDeviceName5=FF"}, {QStringLiteral("Function is wrong")});
  row("ECU instance list writes box 4", {"txtDeviceName0=01"}, "cmbECUInstance", "5", false,
      {"boxes=01 00 00 00 05 00 00 00"});
  row("vehicle system instance list writes box 7", {"txtDeviceName0=01", "cmbIndustrygroup=2"},
      "cmbVehicleSysIns", "9", false, {"txtDeviceName7=29"});
  row("unselected industry group leaves box 7", {"txtDeviceName7=7F", "cmbIndustrygroup=-1"},
      "cmbVehicleSysIns", "3", false, {"txtDeviceName7=7F"});
  row("unselected ECU instance leaves box 4",
      {"txtDeviceName7=7F", "txtDeviceName4=3A", "cmbIndustrygroup=-1", "cmbECUInstance=-1"},
      "txtFunInstance", "9", true, {"boxes=00 00 00 00 3A 00 00 7F"});
  row("unselected lists, function written",
      {"txtDeviceName7=7F", "txtDeviceName4=3A", "cmbIndustrygroup=-1", "cmbECUInstance=-1"},
      "txtFunction", "18", true, {"boxes=00 00 00 00 3A 12 00 7F"});
  // An encode would rewrite the box from the fields as "10".
  row("decode never encodes", {"txtDeviceName0=1G"}, "txtDeviceName3", "0a", false,
      {"txtIdentityNumber=16", "boxes=1G 00 00 0a 00 00 00 00"});
  // A decode would rewrite the field from the bytes as "7".
  row("encode never decodes", {}, "txtFunction", "007", true,
      {"txtFunction=007", "txtDeviceName5=07"});
}

void NameEditorTest::editsKeepBytesAndFieldsInStep() {
  QFETCH(QStringList, setup);
  QFETCH(QString, control);
  QFETCH(QString, input);
  QFETCH(bool, typed);
  QFETCH(QStringList, expect);
  QFETCH(QStringList, titles);
  NameWindow w;
  const auto write = [&](const QString& name, const QString& value, bool key) {
    if (auto* list = w.h.window->findChild<QComboBox*>(name))
      list->setCurrentIndex(value.toInt());
    else if (key)
      typeOver(w.h.window->findChild<QLineEdit*>(name), value);
    else
      w.h.window->findChild<QLineEdit*>(name)->setText(value);
  };
  for (const QString& item : setup) write(item.section('=', 0, 0), item.section('=', 1), false);
  w.h.messages.clear();
  write(control, input, typed);
  QCOMPARE(w.h.messages.titles(), titles);
  for (const QString& item : expect) {
    const QString name = item.section('=', 0, 0);
    QString got;
    if (name == QLatin1String("boxes"))
      got = w.boxes();
    else if (auto* list = w.h.window->findChild<QComboBox*>(name))
      got = QString::number(list->currentIndex());
    else
      got = w.h.window->findChild<QLineEdit*>(name)->text();
    QCOMPARE(name + '=' + got, item);
  }
}

void NameEditorTest::check1IsClearedByEveryDecodeAndCannotBeTicked() {
  NameWindow w;
  QVERIFY(!w.ui().Check1->isEnabled());
  w.ui().Check1->setCheckState(Qt::Checked);
  w.editor().NameBytesToComponents();
  QCOMPARE(w.ui().Check1->checkState(), Qt::Unchecked);
  w.ui().Check1->setCheckState(Qt::PartiallyChecked);
  typeOver(w.box(3), QStringLiteral("4"));
  QCOMPARE(w.ui().Check1->checkState(), Qt::Unchecked);
}

void NameEditorTest::guardsAreClearAfterEveryRoutine() {
  NameWindow w;
  FormState& state = w.h.window->state();
  w.editor().NameBytesToComponents();
  QVERIFY(!state.WritingNameComponents);
  QVERIFY(!state.WritingNameBytes);
  w.editor().NameComponentsToBytes();
  QVERIFY(!state.WritingNameComponents);
  QVERIFY(!state.WritingNameBytes);
  // While a guard is set, its group's handlers do nothing at all.
  state.WritingNameBytes = true;
  w.box(2)->setText(QStringLiteral("XYZ"));
  state.WritingNameBytes = false;
  QVERIFY(w.h.messages.shown.isEmpty());
  QCOMPARE(w.ui().txtIdentityNumber->text(), QStringLiteral("0"));
  state.WritingNameComponents = true;
  w.ui().txtFunction->setText(QStringLiteral("999"));
  w.ui().cmbECUInstance->setCurrentIndex(3);
  state.WritingNameComponents = false;
  QVERIFY(w.h.messages.shown.isEmpty());
  QCOMPARE(w.boxes(), QStringLiteral("00 00 XYZ 00 00 00 00 00"));
}

void NameEditorTest::decodeThenEncodeWritesTheSameBytes() {
  NameWindow w;
  QRandomGenerator random(kStart);
  for (int n = 0; n < kCases; ++n) {
    NameBytes b{};
    for (auto& v : b) v = static_cast<uint8_t>(random.bounded(256));
    w.setBytes(b);
    b[7] &= 0x7F;  // box 7 holds the NAME to 00-7F
    QCOMPARE(w.boxes(), hexBytes(b));
    const NameFields shown = w.shown();
    QVERIFY2(shown == fieldsOfName(nameValue(b)), qPrintable(describe(shown)));
    w.editor().NameComponentsToBytes();
    QCOMPARE(w.boxes(), hexBytes(b));
  }
  QVERIFY(w.h.messages.shown.isEmpty());
}

// 'FG' stays in box 7 after its message and reads as F0; the NAME fields show
// bit 63 clear (industry group 7), and so do the frame sent and the file saved.
void NameEditorTest::box7TextThatIsNotHexNeverSetsBit63() {
  Harness h;
  h.simulatorAccepts();
  configkit::startOn(h, configkit::typicalConfig());
  typeOver(h.ui().txtDeviceName7, QStringLiteral("FG"));
  QCOMPARE(h.ui().txtDeviceName7->text(), QStringLiteral("FG"));
  QCOMPARE(h.ui().cmbIndustrygroup->currentIndex(), 7);
  QVERIFY(!h.ui().Check1->isChecked());
  h.ui().cmdConfig->click();
  QCOMPARE(h.port.written.size(), 49);
  QCOMPARE(int(uint8_t(h.port.written.at(10))), 0x70);
  h.ui().mnuFileSave->trigger();
  QCOMPARE(configkit::configIn(configkit::defaultPath(h)).DeviceName[7], uint8_t(0x70));
}

J1939_TEST(NameEditorTest);
#include "tst_name_editor.moc"
