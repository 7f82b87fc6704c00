#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QtTest>

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
  void box7TypedFFLeavesTopBitClear();
  void box7Typed80LeavesZero();
  void box7LoadedC5ShowsBit63Cleared();
  void identityAndManufacturerFillBoxes0To3();
  void vehicleSystemCarriesBit48();
  void functionInstanceAndEcuInstanceShareBox4();
  void emptiedByteBoxReadsZero();
  void typed100InByteBoxLeaves10AndFieldsFollow();
  void nonHexByteBoxReadsItsDigits();
  void emptiedIdentityNumberClearsItsBits();
  void typed256InFunctionWritesFF();
  void listsWriteTheirBytes();
  void unselectedListLeavesItsByteAlone();
  void decodeNeverEncodes();
  void encodeNeverDecodes();
  void check1IsClearedByEveryDecodeAndCannotBeTicked();
  void guardsAreClearAfterEveryRoutine();
  void decodeThenEncodeWritesTheSameBytes();
  void fieldEditThenDecodeGivesTheFields();

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
  // Writes the fields through the controls, as the user would pick and type them.
  void setFields(const NameFields& f) {
    auto& u = ui();
    u.txtIdentityNumber->setText(QString::number(f.IdentityNumber));
    u.txtMfgCode->setText(QString::number(f.ManufacturerCode));
    u.cmbECUInstance->setCurrentIndex(f.EcuInstance);
    u.txtFunInstance->setText(QString::number(f.FunctionInstance));
    u.txtFunction->setText(QString::number(f.Function));
    u.txtVehicleSys->setText(QString::number(f.VehicleSystem));
    u.cmbVehicleSysIns->setCurrentIndex(f.VehicleSystemInstance);
    u.cmbIndustrygroup->setCurrentIndex(f.IndustryGroup);
  }
  Harness h;
};

QString hexBytes(const NameBytes& bytes) {
  QStringList texts;
  for (uint8_t b : bytes) texts << ByteToHexText(b);
  return texts.join(QLatin1Char(' '));
}
}  // namespace

void NameEditorTest::box7TypedFFLeavesTopBitClear() {
  NameWindow w;
  w.ui().Check1->setCheckState(Qt::Checked);
  typeOver(w.box(7), QStringLiteral("FF"));
  QCOMPARE(w.box(7)->text(), QStringLiteral("7F"));
  QCOMPARE(w.box(7)->selectedText(), QString());
  QVERIFY(w.h.messages.shown.isEmpty());
  QCOMPARE(w.ui().cmbIndustrygroup->currentText(), QStringLiteral("7"));
  QCOMPARE(w.ui().cmbVehicleSysIns->currentText(), QStringLiteral("15"));
  QCOMPARE(w.ui().Check1->checkState(), Qt::Unchecked);
}

void NameEditorTest::box7Typed80LeavesZero() {
  NameWindow w;
  typeOver(w.box(7), QStringLiteral("80"));
  QCOMPARE(w.box(7)->text(), QStringLiteral("00"));
  QVERIFY(w.h.messages.shown.isEmpty());
  QCOMPARE(w.ui().cmbIndustrygroup->currentIndex(), 0);
  QCOMPARE(w.ui().cmbVehicleSysIns->currentIndex(), 0);
}

void NameEditorTest::box7LoadedC5ShowsBit63Cleared() {
  NameWindow w;
  w.box(7)->setText(QStringLiteral("C5"));  // as a record is shown
  QCOMPARE(w.box(7)->text(), QStringLiteral("45"));
  QCOMPARE(w.ui().cmbIndustrygroup->currentIndex(), 4);
  QCOMPARE(w.ui().cmbVehicleSysIns->currentIndex(), 5);
  QCOMPARE(HexTextToByte(w.box(7)->text()), uint8_t{0x45});
}

void NameEditorTest::identityAndManufacturerFillBoxes0To3() {
  NameWindow w;
  typeOver(w.ui().txtMfgCode, QStringLiteral("0"));
  typeOver(w.ui().txtIdentityNumber, QStringLiteral("2097151"));
  QCOMPARE(w.boxes().left(11), QStringLiteral("FF FF 1F 00"));
  typeOver(w.ui().txtIdentityNumber, QStringLiteral("0"));
  typeOver(w.ui().txtMfgCode, QStringLiteral("2047"));
  QCOMPARE(w.boxes().left(11), QStringLiteral("00 00 E0 FF"));
  QVERIFY(w.h.messages.shown.isEmpty());
}

void NameEditorTest::vehicleSystemCarriesBit48() {
  NameWindow w;
  w.box(6)->setText(QStringLiteral("10"));
  typeOver(w.ui().txtVehicleSys, QStringLiteral("127"));
  QCOMPARE(w.box(6)->text(), QStringLiteral("FE"));
  w.box(6)->setText(QStringLiteral("01"));
  QCOMPARE(w.ui().txtVehicleSys->text(), QStringLiteral("0"));
  typeOver(w.ui().txtVehicleSys, QStringLiteral("127"));
  QCOMPARE(w.box(6)->text(), QStringLiteral("FF"));
  // Other fields keep bit 48 as well.
  typeOver(w.ui().txtFunction, QStringLiteral("3"));
  QCOMPARE(w.box(6)->text(), QStringLiteral("FF"));
  w.box(6)->setText(QStringLiteral("00"));
  w.box(6)->setText(QStringLiteral("FF"));
  QCOMPARE(w.ui().txtVehicleSys->text(), QStringLiteral("127"));
}

void NameEditorTest::functionInstanceAndEcuInstanceShareBox4() {
  NameWindow w;
  w.box(0)->setText(QStringLiteral("01"));  // every list selected by the decode
  typeOver(w.ui().txtFunInstance, QStringLiteral("31"));
  w.ui().cmbECUInstance->setCurrentIndex(7);
  QCOMPARE(w.box(4)->text(), QStringLiteral("FF"));
  w.box(4)->setText(QStringLiteral("3A"));
  QCOMPARE(w.ui().txtFunInstance->text(), QStringLiteral("7"));
  QCOMPARE(w.ui().cmbECUInstance->currentIndex(), 2);
}

void NameEditorTest::emptiedByteBoxReadsZero() {
  NameWindow w;
  w.box(1)->setText(QStringLiteral("AB"));
  w.box(0)->setText(QStringLiteral("CD"));
  QCOMPARE(w.ui().txtIdentityNumber->text(), QString::number(0xABCD));
  typeOver(w.box(1), QString());
  QCOMPARE(w.box(1)->text(), QStringLiteral("0"));
  QCOMPARE(w.ui().txtIdentityNumber->text(), QString::number(0xCD));
  QVERIFY(w.h.messages.shown.isEmpty());
}

void NameEditorTest::typed100InByteBoxLeaves10AndFieldsFollow() {
  NameWindow w;
  typeOver(w.box(2), QStringLiteral("100"));
  QCOMPARE(w.h.messages.titles(), QStringList{QStringLiteral("Device Name must be 0 to FF")});
  QCOMPARE(w.box(2)->text(), QStringLiteral("10"));
  QCOMPARE(w.box(2)->selectedText(), QStringLiteral("10"));
  QCOMPARE(w.ui().txtIdentityNumber->text(), QString::number(0x10 << 16));
  QCOMPARE(w.ui().txtMfgCode->text(), QStringLiteral("0"));
}

void NameEditorTest::nonHexByteBoxReadsItsDigits() {
  NameWindow w;
  typeOver(w.box(5), QStringLiteral("1G"));
  QCOMPARE(w.box(5)->text(), QStringLiteral("1G"));
  QCOMPARE(w.ui().txtFunction->text(), QString::number(0x10));
  // A running value beyond a byte keeps its low eight bits: 0x120 reads 0x20.
  typeOver(w.box(5), QStringLiteral("12G"));
  QCOMPARE(w.box(5)->text(), QStringLiteral("12G"));
  QCOMPARE(w.ui().txtFunction->text(), QString::number(0x20));
  QCOMPARE(w.h.messages.titles(), QStringList(2, QStringLiteral("Device Name must be hex")));
}

void NameEditorTest::emptiedIdentityNumberClearsItsBits() {
  NameWindow w;
  w.setBytes({0x12, 0x34, 0xFF, 0x56, 0, 0, 0, 0});
  QCOMPARE(w.ui().txtIdentityNumber->text(), QString::number(0x1F3412));
  typeOver(w.ui().txtIdentityNumber, QString());
  QCOMPARE(w.ui().txtIdentityNumber->text(), QStringLiteral("0"));
  QCOMPARE(w.ui().txtIdentityNumber->selectedText(), QStringLiteral("0"));
  QCOMPARE(w.boxes().left(11), QStringLiteral("00 00 E0 56"));
  QVERIFY(w.h.messages.shown.isEmpty());
}

void NameEditorTest::typed256InFunctionWritesFF() {
  NameWindow w;
  typeOver(w.ui().txtFunction, QStringLiteral("256"));
  QCOMPARE(w.h.messages.titles(), QStringList{QStringLiteral("Function is wrong")});
  QCOMPARE(w.ui().txtFunction->text(), QStringLiteral("255"));
  QCOMPARE(w.ui().txtFunction->selectedText(), QStringLiteral("255"));
  QCOMPARE(w.box(5)->text(), QStringLiteral("FF"));
}

void NameEditorTest::listsWriteTheirBytes() {
  NameWindow w;
  w.box(0)->setText(QStringLiteral("01"));
  w.ui().cmbECUInstance->setCurrentIndex(5);
  QCOMPARE(w.box(4)->text(), QStringLiteral("05"));
  w.ui().cmbIndustrygroup->setCurrentIndex(2);
  w.ui().cmbVehicleSysIns->setCurrentIndex(9);
  QCOMPARE(w.box(7)->text(), QStringLiteral("29"));
  QCOMPARE(w.boxes(), QStringLiteral("01 00 00 00 05 00 00 29"));
}

void NameEditorTest::unselectedListLeavesItsByteAlone() {
  NameWindow w;
  w.box(7)->setText(QStringLiteral("7F"));
  w.box(4)->setText(QStringLiteral("3A"));
  w.ui().cmbIndustrygroup->setCurrentIndex(-1);
  w.ui().cmbVehicleSysIns->setCurrentIndex(3);
  QCOMPARE(w.box(7)->text(), QStringLiteral("7F"));
  w.ui().cmbECUInstance->setCurrentIndex(-1);
  typeOver(w.ui().txtFunInstance, QStringLiteral("9"));
  QCOMPARE(w.box(4)->text(), QStringLiteral("3A"));
  typeOver(w.ui().txtFunction, QStringLiteral("18"));
  QCOMPARE(w.boxes(), QStringLiteral("00 00 00 00 3A 12 00 7F"));
}

void NameEditorTest::decodeNeverEncodes() {
  NameWindow w;
  // An encode would rewrite the box from the fields as "10".
  w.box(0)->setText(QStringLiteral("1G"));
  QCOMPARE(w.box(0)->text(), QStringLiteral("1G"));
  QCOMPARE(w.ui().txtIdentityNumber->text(), QStringLiteral("16"));
  w.box(3)->setText(QStringLiteral("0a"));
  QCOMPARE(w.boxes(), QStringLiteral("1G 00 00 0a 00 00 00 00"));
}

void NameEditorTest::encodeNeverDecodes() {
  NameWindow w;
  // A decode would rewrite the field from the bytes as "7".
  typeOver(w.ui().txtFunction, QStringLiteral("007"));
  QCOMPARE(w.ui().txtFunction->text(), QStringLiteral("007"));
  QCOMPARE(w.box(5)->text(), QStringLiteral("07"));
  QVERIFY(w.h.messages.shown.isEmpty());
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

void NameEditorTest::fieldEditThenDecodeGivesTheFields() {
  NameWindow w;
  QRandomGenerator random(kStart + 1);
  for (int n = 0; n < kCases; ++n) {
    const bool bit48 = random.bounded(2) == 1;
    w.box(6)->setText(ByteToHexText(static_cast<uint8_t>(random.bounded(128) * 2 + bit48)));
    NameFields f;
    f.IdentityNumber = random.bounded(kMaxIdentityNumber + 1);
    f.ManufacturerCode = static_cast<uint16_t>(random.bounded(kMaxManufacturerCode + 1));
    f.EcuInstance = random.bounded(8);
    f.FunctionInstance = static_cast<uint8_t>(random.bounded(kMaxFunctionInstance + 1));
    f.Function = static_cast<uint8_t>(random.bounded(256));
    f.VehicleSystem = static_cast<uint8_t>(random.bounded(kMaxVehicleSystem + 1));
    f.VehicleSystemInstance = random.bounded(16);
    f.IndustryGroup = random.bounded(8);
    w.setFields(f);
    QCOMPARE(w.boxes(), hexBytes(bytesOfFields(f, bit48)));
    w.editor().NameBytesToComponents();
    const NameFields shown = w.shown();
    QVERIFY2(shown == f, qPrintable(describe(shown) + QStringLiteral(" for ") + describe(f)));
  }
  QVERIFY(w.h.messages.shown.isEmpty());
}

J1939_TEST(NameEditorTest);
#include "tst_name_editor.moc"
