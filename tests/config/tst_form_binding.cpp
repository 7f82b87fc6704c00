#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>
#include <functional>

#include "ConfigKit.h"
#include "fields/Controls.h"
#include "fields/TextCodecs.h"
#include "link/ConfigFrames.h"
#include "support/TestMain.h"

using namespace configkit;

using Change = std::function<void(SimulatorConfig&)>;
Q_DECLARE_METATYPE(Change)
using Shown = QHash<QString, QString>;  // control name: the text it shows

// The copy between the record and the form, through the real window: a record
// is written into j1939.cfg, the window starts on it, and Save shows what the
// form stores back.
class FormBindingTest : public QObject {
  Q_OBJECT
 private slots:
  void recordWrittenByTheToolComesBackUnchanged();
  void loadThenStore_data();
  void loadThenStore();
  void simulatorMode_data();
  void simulatorMode();
  void inUse_data();
  void inUse();
  void psIsZeroInPdu1();
  void oldSimulatorKeepsVinAndBitRate();
  void vinBytesOfZeroShowAnEmptyBox();
  void valueAListCannotTakeIsKept_data();
  void valueAListCannotTakeIsKept();
  void dataLengthIsStoredOnlyInRange_data();
  void dataLengthIsStoredOnlyInRange();
  void parameterPositionIsStoredOnlyWithinItsBound_data();
  void parameterPositionIsStoredOnlyWithinItsBound();
  void fieldThatCannotBeStoredStopsSave_data();
  void fieldThatCannotBeStoredStopsSave();
};

namespace {

// What a control shows: a list its entry, a check box 0/1/2, a text box its text.
QString shows(QWidget* window, const QString& name) {
  QWidget* control = window->findChild<QWidget*>(name);
  if (auto* list = qobject_cast<QComboBox*>(control)) return list->currentText();
  if (auto* box = qobject_cast<QCheckBox*>(control)) return QString::number(checkValue(box));
  if (auto* text = qobject_cast<QLineEdit*>(control)) return text->text();
  return QStringLiteral("<no control %1>").arg(name);
}

void save(Harness& h) {
  h.ui().mnuFileSave->trigger();
}

}  // namespace

void FormBindingTest::recordWrittenByTheToolComesBackUnchanged() {
  Harness h;
  startOn(h, typicalConfig());
  auto& ui = h.ui();
  QCOMPARE(ui.cmbCOM->currentText(), QStringLiteral("COM3"));
  QCOMPARE(ui.txtJ1939Addr->text(), QStringLiteral("2A"));
  QVERIFY(ui.optDynamic->isChecked());
  QVERIFY(!ui.optStatic->isChecked());
  QCOMPARE(checkValue(ui.chkDeletePGN1), 0);
  QCOMPARE(checkValue(ui.chkDeletePGN2), 1);
  QCOMPARE(ui.cmbUpdateRate1->currentText(), QStringLiteral("Every 0.5s"));
  QCOMPARE(ui.cmbUpdateRate2->currentText(), QStringLiteral("Every 50 ms"));
  QCOMPARE(ui.cmbPriority1->currentText(), QStringLiteral("6"));
  QCOMPARE(ui.txtPF1->text(), QStringLiteral("FF"));
  QCOMPARE(ui.txtPS2->text(), QStringLiteral("20"));
  QCOMPARE(ui.txtPGN1->text(), QStringLiteral("65296"));
  QCOMPARE(ui.txtDatalength2->text(), QStringLiteral("4"));
  QCOMPARE(ui.cmbParameterType1->currentText(), QStringLiteral("2 Bytes"));
  QCOMPARE(ui.txtParameterPos1->text(), QStringLiteral("3"));
  QCOMPARE(ui.txtDeviceName0->text(), QStringLiteral("01"));
  QCOMPARE(ui.txtDeviceName7->text(), QStringLiteral("08"));
  QCOMPARE(ui.cmbSimulatorVersion->currentText(), QStringLiteral("2.00"));
  QCOMPARE(ui.cmbDTCVersion->currentText(), QStringLiteral("Version2"));
  QVERIFY(ui.cmbDTCVersion->isEnabled());
  QCOMPARE(ui.txtVIN->text(), QStringLiteral("WDB9634031L123456"));
  QVERIFY(!ui.txtVIN->isHidden());
  QCOMPARE(ui.cmbCANBUSBaudRate->currentText(), QStringLiteral("500Kbps"));

  h.messages.clear();
  save(h);
  QCOMPARE(h.messages.titles(), QStringList());
  QCOMPARE(fileBytes(defaultPath(h)), EncodeConfigRecord(typicalConfig()));
}

void FormBindingTest::loadThenStore_data() {
  QTest::addColumn<Change>("load");  // what j1939.cfg holds, from typicalConfig()
  QTest::addColumn<Shown>("shown");
  QTest::addColumn<Change>("stored");  // what Save makes of it
  QTest::addColumn<bool>("atOnce");    // the record holds it before any store
  QTest::newRow("data length and position 0 become 1") << Change([](SimulatorConfig& c) {
    c.Pgn1DataLength = c.Pgn2DataLength = 0;
    c.Pgn1ParamType = c.Pgn2ParamType = 0;
    c.Pgn1ParamPos = c.Pgn2ParamPos = 0;
  })
                                                       << Shown{{"txtDatalength1", "1"},
                                                                {"txtDatalength2", "1"},
                                                                {"txtParameterPos1", "1"},
                                                                {"txtParameterPos2", "1"}}
                                                       << Change([](SimulatorConfig& c) {
                                                            c.Pgn1DataLength = c.Pgn2DataLength = 1;
                                                            c.Pgn1ParamPos = c.Pgn2ParamPos = 1;
                                                          })
                                                       << true;
  // The NAME fields follow the cleared byte: industry group 4, instance 5.
  QTest::newRow("NAME bit 63 is cleared")
      << Change([](SimulatorConfig& c) { c.DeviceName[7] = 0xC5; })
      << Shown{{"txtDeviceName7", "45"}, {"cmbIndustrygroup", "4"}, {"cmbVehicleSysIns", "5"}}
      << Change([](SimulatorConfig& c) { c.DeviceName[7] = 0x45; }) << false;
  // The parts say 0x21234 (reserved, PF 12, PS 34); the number says 0x1F330
  // (data page, PF F3, PS 30). The number wins.
  QTest::newRow("the stored PGN wins over its parts") << Change([](SimulatorConfig& c) {
    c.Pgn1Reserved = 1;
    c.Pgn1DataPage = 0;
    c.Pgn1Pf = 0x12;
    c.Pgn1Ps = 0x34;
    c.Pgn1 = 0x1F330;
  })
                                                      << Shown{{"txtPGN1", "127792"},
                                                               {"chkReserveBit1", "0"},
                                                               {"chkDatapage1", "1"},
                                                               {"txtPF1", "F3"},
                                                               {"txtPS1", "30"}}
                                                      << Change([](SimulatorConfig& c) {
                                                           c.Pgn1Reserved = 0;
                                                           c.Pgn1DataPage = 1;
                                                           c.Pgn1Pf = 0xF3;
                                                           c.Pgn1Ps = 0x30;
                                                         })
                                                      << false;
  QTest::newRow("the VIN keeps its single-byte codes")
      << Change([](SimulatorConfig& c) { setVin(c, "WDB96340\xC4\xD6L1-3.56"); })
      << Shown{{"txtVIN", QStringLiteral("WDB96340\u00C4\u00D6L1-3.56")}}
      << Change([](SimulatorConfig&) {}) << false;
}

void FormBindingTest::loadThenStore() {
  QFETCH(Change, load);
  QFETCH(Shown, shown);
  QFETCH(Change, stored);
  QFETCH(bool, atOnce);
  SimulatorConfig config = typicalConfig();
  load(config);
  SimulatorConfig expected = config;
  stored(expected);
  Harness h;
  startOn(h, config);
  for (auto it = shown.cbegin(); it != shown.cend(); ++it)
    QCOMPARE(shows(h.window.get(), it.key()), it.value());
  if (atOnce) QCOMPARE(EncodeConfigRecord(h.window->state().Config), EncodeConfigRecord(expected));
  save(h);
  QCOMPARE(h.messages.titles(), QStringList());
  QCOMPARE(fileBytes(defaultPath(h)), EncodeConfigRecord(expected));
}

void FormBindingTest::simulatorMode_data() {
  QTest::addColumn<int>("stored");
  QTest::addColumn<bool>("dynamic");
  QTest::addColumn<int>("storedBack");
  QTest::newRow("-1 is dynamic") << -1 << true << -1;
  QTest::newRow("0 is static") << 0 << false << 0;
  QTest::newRow("1 is static") << 1 << false << 0;
  QTest::newRow("5 is static") << 5 << false << 0;
  QTest::newRow("-2 is static") << -2 << false << 0;
}

void FormBindingTest::simulatorMode() {
  QFETCH(int, stored);
  QFETCH(bool, dynamic);
  QFETCH(int, storedBack);
  Harness h;
  SimulatorConfig config = typicalConfig();
  config.DynamicMode = static_cast<int16_t>(stored);
  startOn(h, config);
  QCOMPARE(h.ui().optDynamic->isChecked(), dynamic);
  QCOMPARE(h.ui().optStatic->isChecked(), !dynamic);
  save(h);
  QCOMPARE(configIn(defaultPath(h)).DynamicMode, int16_t(storedBack));
  // The two buttons are one group: choosing one deselects the other.
  QTest::mouseClick(dynamic ? h.ui().optStatic : h.ui().optDynamic, Qt::LeftButton);
  QCOMPARE(h.ui().optDynamic->isChecked(), !dynamic);
  QCOMPARE(h.ui().optStatic->isChecked(), dynamic);
}

void FormBindingTest::inUse_data() {
  QTest::addColumn<int>("stored");
  QTest::addColumn<int>("ticked");
  QTest::addColumn<int>("storedBack");
  QTest::newRow("0 deletes") << 0 << 1 << 0;
  QTest::newRow("1 in use") << 1 << 0 << 1;
  QTest::newRow("-1 in use, stored as 1") << -1 << 0 << 1;
  QTest::newRow("7 in use, stored as 1") << 7 << 0 << 1;
}

void FormBindingTest::inUse() {
  QFETCH(int, stored);
  QFETCH(int, ticked);
  QFETCH(int, storedBack);
  Harness h;
  SimulatorConfig config = typicalConfig();
  config.Pgn1InUse = static_cast<int16_t>(stored);
  config.Pgn2InUse = static_cast<int16_t>(stored);
  config.Pgn2 = 0xFF30;  // the two slots must differ while both are in use
  config.Pgn2Ps = 0x30;
  startOn(h, config);
  QCOMPARE(checkValue(h.ui().chkDeletePGN1), ticked);
  QCOMPARE(checkValue(h.ui().chkDeletePGN2), ticked);
  // A deleted slot is greyed out, a slot in use can be edited.
  QCOMPARE(h.ui().txtPGN1->isEnabled(), ticked == 0);
  QCOMPARE(h.ui().cmbUpdateRate2->isEnabled(), ticked == 0);
  QVERIFY(h.ui().chkDeletePGN1->isEnabled());
  save(h);
  QCOMPARE(configIn(defaultPath(h)).Pgn1InUse, int16_t(storedBack));
  QCOMPARE(configIn(defaultPath(h)).Pgn2InUse, int16_t(storedBack));
}

void FormBindingTest::psIsZeroInPdu1() {
  Harness h;
  SimulatorConfig config = typicalConfig();
  // PDU1: the PS is a destination address and not part of the PGN.
  config.Pgn1Pf = 0xC8;
  config.Pgn1Ps = 0x34;
  config.Pgn1 = 0xC834;
  startOn(h, config);
  QCOMPARE(h.ui().txtPF1->text(), QStringLiteral("C8"));
  QCOMPARE(HexTextToByte(h.ui().txtPS1->text()), uint8_t(0));
  save(h);
  const SimulatorConfig stored = configIn(defaultPath(h));
  QCOMPARE(stored.Pgn1, 0xC800);
  QCOMPARE(stored.Pgn1Ps, uint8_t(0));
  QCOMPARE(stored.Pgn1Pf, uint8_t(0xC8));
}

void FormBindingTest::oldSimulatorKeepsVinAndBitRate() {
  Harness h;
  SimulatorConfig config = typicalConfig();
  config.SimulatorVersion = 0;
  config.DtcVersion = 0;
  setVin(config, "ABCDEFGHJKLMNPRST");
  config.CanBaudRate = -1;
  startOn(h, config);
  auto& ui = h.ui();
  QCOMPARE(ui.cmbSimulatorVersion->currentText(), QStringLiteral("1.01"));
  QCOMPARE(ui.cmbDTCVersion->currentText(), QStringLiteral("Version3"));
  QVERIFY(!ui.cmbDTCVersion->isEnabled());
  QVERIFY(ui.txtVIN->isHidden());
  QCOMPARE(ui.txtVIN->text(), QStringLiteral("KorvaneElectronic"));  // as the window began
  // Greyed out, but showing the stored rate.
  QVERIFY(!ui.cmbCANBUSBaudRate->isEnabled());
  QCOMPARE(ui.cmbCANBUSBaudRate->currentText(), QStringLiteral("500Kbps"));

  ui.txtVIN->setText(QStringLiteral("ZZZZZZZZZZZZZZZZZ"));
  save(h);
  SimulatorConfig stored = configIn(defaultPath(h));
  QCOMPARE(stored.SimulatorVersion, int16_t(0));
  QCOMPARE(stored.DtcVersion, uint8_t(2));
  QCOMPARE(vinOf(stored), QStringLiteral("ABCDEFGHJKLMNPRST"));
  QCOMPARE(stored.CanBaudRate, int16_t(-1));

  // Choosing "2.00" shows the box's own text, and the next store takes it.
  ui.cmbSimulatorVersion->setCurrentIndex(1);
  QVERIFY(!ui.txtVIN->isHidden());
  setListIndex(ui.cmbCANBUSBaudRate, 0);
  save(h);
  stored = configIn(defaultPath(h));
  QCOMPARE(stored.SimulatorVersion, int16_t(1));
  QCOMPARE(stored.DtcVersion, uint8_t(3));
  QCOMPARE(vinOf(stored), QStringLiteral("ZZZZZZZZZZZZZZZZZ"));
  QCOMPARE(stored.CanBaudRate, int16_t(0));
}

void FormBindingTest::vinBytesOfZeroShowAnEmptyBox() {
  Harness h;
  SimulatorConfig config = typicalConfig();
  config.Vin = {};
  startOn(h, config);
  QCOMPARE(h.ui().txtVIN->text(), QString());
  QVERIFY(!h.ui().txtVIN->isHidden());
}

void FormBindingTest::valueAListCannotTakeIsKept_data() {
  QTest::addColumn<Change>("load");     // what the file holds, from typicalConfig()
  QTest::addColumn<QString>("path");    // how the record is stored afterwards
  QTest::addColumn<QString>("fields");  // the fields named in the one report
  QTest::addColumn<QString>("pick");    // a list the user then sets to its entry 3
  QTest::addColumn<Change>("picked");   // what that changes in the record
  const Change none = [](SimulatorConfig&) {};
  const QString port16 = QStringLiteral("ComPortIndex = 16: the list cmbCOM has no entry 16");
  const QString rate9 =
      QStringLiteral("Pgn1UpdateRate = 9: the list cmbUpdateRate1 has no entry 9");
  const QString priority12 =
      QStringLiteral("Pgn1Priority = 12: the list cmbPriority1 has no entry 12");
  QTest::newRow("port 16, rate 9: exit") << Change([](SimulatorConfig& c) {
    c.ComPortIndex = 16;
    c.Pgn1UpdateRate = 9;
  }) << "exit" << port16 + "; " + rate9 << ""
                                         << none;
  QTest::newRow("DTC format 7: exit")
      << Change([](SimulatorConfig& c) { c.DtcVersion = 7; }) << "exit"
      << "DtcVersion = 7: the list cmbDTCVersion has no entry 7"
      << "" << none;
  QTest::newRow("port 40, priority 12: Open, Save")
      << Change([](SimulatorConfig& c) {
           c.ComPortIndex = 40;
           c.Pgn1Priority = 12;
         })
      << "Open, Save"
      << "ComPortIndex = 40: the list cmbCOM has no entry 40; " + priority12 << "" << none;
  QTest::newRow("type 255: Save As")
      << Change([](SimulatorConfig& c) { c.Pgn2ParamType = 255; }) << "Save As"
      << "Pgn2ParamType = 255: the list cmbParameterType2 has no entry 255"
      << "" << none;
  QTest::newRow("type 3: Program Config")
      << Change([](SimulatorConfig& c) { c.Pgn1ParamType = 3; }) << "Program Config"
      << "Pgn1ParamType = 3: the list cmbParameterType1 has no entry 3"
      << "" << none;
  QTest::newRow("data page 5: Save")
      << Change([](SimulatorConfig& c) { c.Pgn2DataPage = 5; }) << "Save"
      << "Pgn2DataPage = 5: the check box chkDatapage2 takes only 0, 1 or 2"
      << "" << none;
  QTest::newRow("priority 12, then set: Save")
      << Change([](SimulatorConfig& c) { c.Pgn1Priority = 12; }) << "Save" << priority12
      << "cmbPriority1" << Change([](SimulatorConfig& c) { c.Pgn1Priority = 3; });
}

void FormBindingTest::valueAListCannotTakeIsKept() {
  QFETCH(Change, load);
  QFETCH(QString, path);
  QFETCH(QString, fields);
  QFETCH(QString, pick);
  QFETCH(Change, picked);
  SimulatorConfig config = typicalConfig();
  load(config);
  SimulatorConfig expected = config;
  picked(expected);
  const QString file =
      path.startsWith("Open") ? QStringLiteral("bench.cfg") : kDefaultConfigFileName;
  Harness h;
  h.port.onWrite = [&h](const QByteArray&) { h.port.receive(QByteArray(1, '\x55')); };
  if (file == kDefaultConfigFileName) {
    startOn(h, config);
  } else {
    startOn(h, typicalConfig());
    QVERIFY(writeConfig(h.path(file), config));
    h.fileDialogs.answers << h.path(file);
    h.ui().mnuFileOpen->trigger();
  }
  // Told once which fields the form could not show; the rest of it is shown.
  QCOMPARE(h.messages.titles().count(kConfigFileErrorTitle), 1);
  for (const ShownMessage& message : h.messages.shown) {
    if (message.title == kConfigFileErrorTitle)
      QCOMPARE(message.prompt, QStringLiteral("Cannot show the configuration from %1: %2. The "
                                              "other fields are shown. These keep the values "
                                              "stored in the file until you set them.")
                                   .arg(h.path(file), fields));
  }
  QCOMPARE(h.ui().txtVIN->text(), QStringLiteral("WDB9634031L123456"));
  if (!pick.isEmpty()) h.window->findChild<QComboBox*>(pick)->setCurrentIndex(3);
  h.messages.clear();

  if (path == QLatin1String("exit")) {
    h.window->close();
  } else if (path == QLatin1String("Save As")) {
    h.fileDialogs.answers << h.path("copy.cfg");
    h.ui().mnuFileSaveAs->trigger();
  } else if (path == QLatin1String("Program Config")) {
    QTest::mouseClick(h.ui().cmdConfig, Qt::LeftButton);
    ConfigFrameV1Bytes v1;
    ConfigFrameV2Bytes v2;
    QVERIFY(!BuildConfigFrames(expected, v1, v2));
    QCOMPARE(h.port.written, QByteArray(reinterpret_cast<const char*>(v2.data()), v2.size()));
  } else {
    h.ui().mnuFileSave->trigger();
  }
  QVERIFY(!h.messages.titles().contains(kConfigNotStoredTitle));
  if (path != QLatin1String("Program Config"))
    QCOMPARE(fileBytes(h.path(path == QLatin1String("Save As") ? "copy.cfg" : file)),
             EncodeConfigRecord(expected));
}

void FormBindingTest::dataLengthIsStoredOnlyInRange_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("stored");
  QTest::newRow("0") << "0" << 8;
  QTest::newRow("1786") << "1786" << 8;
  QTest::newRow("40000, beyond an Integer") << "40000" << 8;
  QTest::newRow("twenty digits") << "99999999999999999999" << 8;
  QTest::newRow("12a") << "12a" << 8;
  QTest::newRow("empty") << "" << 8;
  QTest::newRow("1") << "1" << 1;
  QTest::newRow("1785") << "1785" << 1785;
  QTest::newRow("leading zeros") << "0012" << 12;
}

void FormBindingTest::dataLengthIsStoredOnlyInRange() {
  QFETCH(QString, text);
  QFETCH(int, stored);
  Harness h;
  startOn(h, typicalConfig());  // data length 8
  // A text the box's own rule would have repaired, placed without running it.
  const QSignalBlocker quiet(h.ui().txtDatalength1);
  h.ui().txtDatalength1->setText(text);
  save(h);
  QCOMPARE(configIn(defaultPath(h)).Pgn1DataLength, int16_t(stored));
}

void FormBindingTest::parameterPositionIsStoredOnlyWithinItsBound_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("stored");
  QTest::newRow("at the bound") << "7" << 7;
  QTest::newRow("above the bound") << "8" << 3;
  QTest::newRow("0") << "0" << 3;
  QTest::newRow("empty") << "" << 3;
  QTest::newRow("not decimal") << "2x" << 3;
  QTest::newRow("leading zeros") << "005" << 5;
}

void FormBindingTest::parameterPositionIsStoredOnlyWithinItsBound() {
  QFETCH(QString, text);
  QFETCH(int, stored);
  Harness h;
  startOn(h, typicalConfig());  // 8 bytes, "2 Bytes": positions 1 to 7; stored 3
  QCOMPARE(h.window->state().MaxParameterPos1, int16_t(7));
  const QSignalBlocker quiet(h.ui().txtParameterPos1);
  h.ui().txtParameterPos1->setText(text);
  save(h);
  QCOMPARE(configIn(defaultPath(h)).Pgn1ParamPos, int16_t(stored));
}

void FormBindingTest::fieldThatCannotBeStoredStopsSave_data() {
  QTest::addColumn<QString>("control");
  QTest::addColumn<QString>("failure");
  QTest::addColumn<bool>("fromToolbar");
  const QString shortVin = QStringLiteral("VIN (txtVIN): it has 16 characters; a VIN needs 17");
  QTest::newRow("short VIN, menu") << "txtVIN" << shortVin << false;
  QTest::newRow("short VIN, toolbar") << "txtVIN" << shortVin << true;
  QTest::newRow("VIN character without a byte code")
      << "txtVIN, euro sign"
      << QStringLiteral("VIN (txtVIN): the character '€' has no single-byte code") << false;
  QTest::newRow("no parameter type")
      << "cmbParameterType1"
      << QStringLiteral(
             "Parameter Type of Additional PGN1 (cmbParameterType1): no entry is selected")
      << false;
  QTest::newRow("no DTC format") << "cmbDTCVersion"
                                 << QStringLiteral(
                                        "DTC Format (cmbDTCVersion): no entry is selected")
                                 << true;
}

void FormBindingTest::fieldThatCannotBeStoredStopsSave() {
  QFETCH(QString, control);
  QFETCH(QString, failure);
  QFETCH(bool, fromToolbar);
  Harness h;
  startOn(h, typicalConfig());
  const QByteArray fileBefore = fileBytes(defaultPath(h));
  auto& ui = h.ui();
  // Edits before, at and after the field that cannot be stored.
  ui.txtJ1939Addr->setText(QStringLiteral("11"));    // step 3
  ui.txtDeviceName0->setText(QStringLiteral("7A"));  // step 15
  setListIndex(ui.cmbCANBUSBaudRate, 0);             // step 20
  if (control == QLatin1String("txtVIN")) {
    ui.txtVIN->setText(QStringLiteral("WDB9634031L12345"));
  } else if (control == QLatin1String("txtVIN, euro sign")) {
    ui.txtVIN->setText(QStringLiteral("WDB9634031L1234€6"));
  } else {
    auto* list = h.window->findChild<QComboBox*>(control);
    QVERIFY(list);
    setListIndex(list, -1);
  }

  h.messages.clear();
  if (fromToolbar)
    ui.tbSave->trigger();
  else
    ui.mnuFileSave->trigger();

  QCOMPARE(h.messages.titles(), QStringList{kConfigNotStoredTitle});
  QCOMPARE(
      h.messages.shown[0].prompt,
      QStringLiteral("Cannot store %1. Nothing was written to %2.").arg(failure, defaultPath(h)));
  QCOMPARE(fileBytes(defaultPath(h)), fileBefore);

  // The copy stopped at the field: before it new, from it on as they were.
  const SimulatorConfig& record = h.window->state().Config;
  QCOMPARE(record.SourceAddress, uint8_t(0x11));
  QCOMPARE(record.CanBaudRate, int16_t(-1));
  QCOMPARE(vinOf(record), QStringLiteral("WDB9634031L123456"));
  if (control == QLatin1String("cmbParameterType1")) {
    QCOMPARE(record.Pgn1ParamType, uint8_t(1));
    QCOMPARE(record.DeviceName[0], uint8_t(0x01));
  } else {
    QCOMPARE(record.DeviceName[0], uint8_t(0x7A));
  }
}

J1939_TEST(FormBindingTest);
#include "tst_form_binding.moc"
