#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

#include "ConfigKit.h"
#include "fields/Controls.h"
#include "support/TestMain.h"

using namespace configkit;

// "Default": the factory configuration, put into the form as the user would
// put it there, and stored only at the next store.
class DefaultsTest : public QObject {
  Q_OBJECT
 private slots:
  void defaultFillsTheFormOnly();
  void defaultThenStore_data();
  void defaultThenStore();
  void defaultThenOpenShowsTheFile();
  void defaultEndsWithTheNameComponentsAtZero_data();
  void defaultEndsWithTheNameComponentsAtZero();
};

namespace {

// typicalConfig() after "Default" and a store.
SimulatorConfig typicalAfterDefault() {
  SimulatorConfig c = typicalConfig();
  c.SourceAddress = 0;
  c.DynamicMode = 0;
  c.Pgn1InUse = c.Pgn2InUse = 0;
  c.Pgn1UpdateRate = c.Pgn2UpdateRate = 0;
  c.Pgn1Priority = c.Pgn2Priority = 7;
  c.Pgn1ParamType = c.Pgn2ParamType = 0;
  c.Pgn1ParamPos = c.Pgn2ParamPos = 1;
  c.DeviceName = {};
  c.SimulatorVersion = 1;
  c.DtcVersion = 3;
  setVin(c, "KorvaneElectronic");
  c.CanBaudRate = 0;
  return c;
}

}  // namespace

void DefaultsTest::defaultFillsTheFormOnly() {
  Harness h;
  SimulatorConfig config = typicalConfig();
  config.DeviceName = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F};
  startOn(h, config);
  auto& ui = h.ui();
  QTest::mouseClick(ui.cmdDefault, Qt::LeftButton);

  QCOMPARE(h.messages.titles(), QStringList());  // nothing asked, nothing told
  QVERIFY(h.window->state().Config == config);   // the record is not touched
  QCOMPARE(ui.txtJ1939Addr->text(), QStringLiteral("00"));
  QVERIFY(ui.optStatic->isChecked());
  QVERIFY(!ui.optDynamic->isChecked());
  QCOMPARE(checkValue(ui.chkDeletePGN1), 1);
  QCOMPARE(checkValue(ui.chkDeletePGN2), 1);
  for (QWidget* control :
       {static_cast<QWidget*>(ui.cmbUpdateRate1), static_cast<QWidget*>(ui.txtPGN1),
        static_cast<QWidget*>(ui.txtParameterPos1), static_cast<QWidget*>(ui.cmbPriority2),
        static_cast<QWidget*>(ui.chkDatapage2), static_cast<QWidget*>(ui.txtPS2)})
    QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
  QVERIFY(ui.chkDeletePGN1->isEnabled());
  QCOMPARE(ui.cmbUpdateRate1->currentText(), QStringLiteral("On Request"));
  QCOMPARE(ui.cmbUpdateRate2->currentText(), QStringLiteral("On Request"));
  QCOMPARE(ui.cmbPriority1->currentText(), QStringLiteral("7"));
  QCOMPARE(ui.cmbPriority2->currentText(), QStringLiteral("7"));
  QCOMPARE(ui.cmbParameterType1->currentText(), QStringLiteral("Single Byte"));
  QCOMPARE(ui.cmbParameterType2->currentText(), QStringLiteral("Single Byte"));
  QCOMPARE(ui.txtParameterPos1->text(), QStringLiteral("1"));
  QCOMPARE(ui.txtParameterPos2->text(), QStringLiteral("1"));
  for (QLineEdit* box : {ui.txtDeviceName0, ui.txtDeviceName3, ui.txtDeviceName7})
    QCOMPARE(box->text(), QStringLiteral("00"));
  // The NAME fields followed the bytes.
  QCOMPARE(ui.txtIdentityNumber->text(), QStringLiteral("0"));
  QCOMPARE(ui.txtFunction->text(), QStringLiteral("0"));
  QCOMPARE(ui.cmbIndustrygroup->currentText(), QStringLiteral("0"));
  QCOMPARE(ui.cmbSimulatorVersion->currentText(), QStringLiteral("2.00"));
  QCOMPARE(ui.cmbDTCVersion->currentText(), QStringLiteral("Version4"));
  QVERIFY(ui.cmbDTCVersion->isEnabled());
  QCOMPARE(ui.txtVIN->text(), QStringLiteral("KorvaneElectronic"));
  QVERIFY(!ui.txtVIN->isHidden());
  QCOMPARE(ui.cmbCANBUSBaudRate->currentText(), QStringLiteral("250Kbps"));
  // Left as they were.
  QCOMPARE(ui.cmbCOM->currentText(), QStringLiteral("COM3"));
  QCOMPARE(ui.txtPGN1->text(), QStringLiteral("65296"));
  QCOMPARE(ui.txtPF2->text(), QStringLiteral("FF"));
  QCOMPARE(ui.txtPS1->text(), QStringLiteral("10"));
  QCOMPARE(ui.txtDatalength1->text(), QStringLiteral("8"));
  QCOMPARE(ui.txtDatalength2->text(), QStringLiteral("4"));
}

void DefaultsTest::defaultThenStore_data() {
  QTest::addColumn<bool>("byClosing");
  QTest::newRow("Save") << false;
  QTest::newRow("closing the tool") << true;
}

void DefaultsTest::defaultThenStore() {
  QFETCH(bool, byClosing);
  Harness h;
  SimulatorConfig config = typicalConfig();
  config.Pgn1DataPage = 1;  // PGN 0x1FF10: kept with the rest of the slot
  config.Pgn1 = 0x1FF10;
  config.Pgn2Reserved = 1;
  config.Pgn2 = 0x2FF20;
  startOn(h, config);
  QTest::mouseClick(h.ui().cmdDefault, Qt::LeftButton);
  if (byClosing)
    h.window->close();
  else
    h.ui().mnuFileSave->trigger();
  SimulatorConfig expected = typicalAfterDefault();
  expected.Pgn1DataPage = 1;
  expected.Pgn1 = 0x1FF10;
  expected.Pgn2Reserved = 1;
  expected.Pgn2 = 0x2FF20;
  QCOMPARE(fileBytes(defaultPath(h)), EncodeConfigRecord(expected));
  QCOMPARE(h.messages.titles(), QStringList());
}

void DefaultsTest::defaultThenOpenShowsTheFile() {
  Harness h;
  startOn(h, typicalConfig());
  SimulatorConfig bench = typicalConfig();
  bench.SourceAddress = 0x35;
  QVERIFY(writeConfig(h.path("bench.cfg"), bench));
  QTest::mouseClick(h.ui().cmdDefault, Qt::LeftButton);
  h.fileDialogs.answers << h.path("bench.cfg");
  h.ui().mnuFileOpen->trigger();
  QCOMPARE(h.ui().txtJ1939Addr->text(), QStringLiteral("35"));
  QVERIFY(h.ui().optDynamic->isChecked());
  QCOMPARE(checkValue(h.ui().chkDeletePGN1), 0);
  QVERIFY(h.ui().txtPGN1->isEnabled());
  QCOMPARE(h.ui().cmbDTCVersion->currentText(), QStringLiteral("Version2"));
  QCOMPARE(h.ui().txtVIN->text(), QStringLiteral("WDB9634031L123456"));
  h.ui().mnuFileSave->trigger();
  QCOMPARE(fileBytes(h.path("bench.cfg")), EncodeConfigRecord(bench));
}

void DefaultsTest::defaultEndsWithTheNameComponentsAtZero_data() {
  QTest::addColumn<bool>("load");
  QTest::newRow("after a load that could not show the port") << true;
  QTest::newRow("before any load, the byte boxes already 00") << false;
}

void DefaultsTest::defaultEndsWithTheNameComponentsAtZero() {
  QFETCH(bool, load);
  Harness h;
  SimulatorConfig config;
  config.ComPortIndex = 16;
  if (load)
    startOn(h, config);
  else
    h.create();
  QTest::mouseClick(h.ui().cmdDefault, Qt::LeftButton);
  auto& ui = h.ui();
  for (QLineEdit* box :
       {ui.txtIdentityNumber, ui.txtMfgCode, ui.txtFunInstance, ui.txtFunction, ui.txtVehicleSys})
    QCOMPARE(box->text(), QStringLiteral("0"));
  for (QComboBox* list : {ui.cmbECUInstance, ui.cmbVehicleSysIns, ui.cmbIndustrygroup})
    QCOMPARE(list->currentIndex(), 0);
}

J1939_TEST(DefaultsTest);
#include "tst_defaults.moc"
