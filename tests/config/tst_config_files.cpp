#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

#include "ConfigKit.h"
#include "fields/Controls.h"
#include "support/TestMain.h"

using namespace configkit;

// The File commands and the start-up and exit file steps, on real files in
// the harness's working directory.
class ConfigFilesTest : public QObject {
  Q_OBJECT
 private slots:
  void firstStartInAnEmptyDirectory();
  void saveBeforeAnyOpenWritesTheDefaultFileAtOnce();
  void openEditExitStoresTheEditsInTheDefaultFile();
  void saveAsTakesTheNameExactlyAsChosen();
  void cancelChangesNothing_data();
  void cancelChangesNothing();
  void openOfAMissingFileCreatesItAndShowsTheZeroRecord();
  void aLongerFileKeepsItsTail_data();
  void aLongerFileKeepsItsTail();
  void defaultFileThatCannotBeOpened();
  void defaultFileTooShortToHoldARecord_data();
  void defaultFileTooShortToHoldARecord();
  void userFileTooShortIsRefusedAndTheFormStays();
  void defaultFileThatCanOnlyBeRead();
  void writesAreWholeOrReported_data();
  void writesAreWholeOrReported();
};

namespace {

SimulatorConfig otherConfig() {
  SimulatorConfig c = typicalConfig();
  c.SourceAddress = 0x33;
  c.Pgn1UpdateRate = 4;
  c.DeviceName = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0x27};
  setVin(c, "1FTEW1EP5MKD00001");
  return c;
}

QStringList filesIn(const QTemporaryDir& dir) {
  return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
}

}  // namespace

void ConfigFilesTest::firstStartInAnEmptyDirectory() {
  Harness h;
  portsOpen(h);
  QVERIFY(!QFile::exists(defaultPath(h)));
  h.start();
  QCOMPARE(h.messages.titles(), QStringList());
  QVERIFY(QFile::exists(defaultPath(h)));
  QCOMPARE(fileBytes(defaultPath(h)).size(), 0);  // created, nothing written yet
  auto& ui = h.ui();
  QCOMPARE(ui.cmbCOM->currentText(), QStringLiteral("COM1"));
  QCOMPARE(ui.txtJ1939Addr->text(), QStringLiteral("00"));
  QVERIFY(ui.optStatic->isChecked());
  QCOMPARE(checkValue(ui.chkDeletePGN1), 1);
  QCOMPARE(checkValue(ui.chkDeletePGN2), 1);
  QVERIFY(!ui.txtPGN1->isEnabled());
  QCOMPARE(ui.cmbUpdateRate1->currentText(), QStringLiteral("On Request"));
  QCOMPARE(ui.cmbPriority2->currentText(), QStringLiteral("0"));
  QCOMPARE(ui.txtPGN1->text(), QStringLiteral("0"));
  QCOMPARE(ui.txtPF2->text(), QStringLiteral("00"));
  QCOMPARE(ui.txtDatalength1->text(), QStringLiteral("1"));
  QCOMPARE(ui.cmbParameterType2->currentText(), QStringLiteral("Single Byte"));
  QCOMPARE(ui.txtParameterPos1->text(), QStringLiteral("1"));
  QCOMPARE(ui.cmbSimulatorVersion->currentText(), QStringLiteral("1.01"));
  QCOMPARE(ui.cmbDTCVersion->currentText(), QStringLiteral("Version3"));
  QCOMPARE(ui.cmbCANBUSBaudRate->currentText(), QStringLiteral("250Kbps"));
  QCOMPARE(h.window->state().DefaultFileNumber, int16_t(1));
  QCOMPARE(h.window->state().UserFileOpen, int16_t(0));

  typeOver(ui.txtJ1939Addr, QStringLiteral("5C"));
  h.window->close();
  SimulatorConfig expected = zeroRecordAsStored();
  expected.SourceAddress = 0x5C;
  QCOMPARE(fileBytes(defaultPath(h)), EncodeConfigRecord(expected));
  QCOMPARE(h.messages.titles(), QStringList());
}

void ConfigFilesTest::saveBeforeAnyOpenWritesTheDefaultFileAtOnce() {
  Harness h;
  portsOpen(h);
  QVERIFY(writeConfig(defaultPath(h), typicalConfig()));
  h.start();
  typeOver(h.ui().txtJ1939Addr, QStringLiteral("61"));
  h.ui().mnuFileSave->trigger();
  QCOMPARE(configIn(defaultPath(h)).SourceAddress, uint8_t(0x61));
  QCOMPARE(h.fileDialogs.calls.size(), 0);  // nothing asked
  QCOMPARE(h.messages.titles(), QStringList());
  QCOMPARE(filesIn(h.dir), QStringList{kDefaultConfigFileName});
}

void ConfigFilesTest::openEditExitStoresTheEditsInTheDefaultFile() {
  const QByteArray userBytes = EncodeConfigRecord(otherConfig());
  QByteArray defaultAfterExit;
  {
    Harness h;
    portsOpen(h);
    QVERIFY(writeConfig(defaultPath(h), typicalConfig()));
    QVERIFY(writeBytes(h.path("bench.cfg"), userBytes));
    h.start();
    h.fileDialogs.answers << h.path("bench.cfg");
    h.ui().mnuFileOpen->trigger();
    QCOMPARE(h.fileDialogs.calls.size(), 1);
    QCOMPARE(h.fileDialogs.calls[0].save, false);
    QCOMPARE(h.fileDialogs.calls[0].title, QStringLiteral("Open"));
    QCOMPARE(h.fileDialogs.calls[0].filter, QStringLiteral("J1939 Configure File (*.cfg)|*.cfg"));
    QCOMPARE(h.window->state().UserFileOpen, int16_t(-1));
    QCOMPARE(h.ui().txtJ1939Addr->text(), QStringLiteral("33"));
    QCOMPARE(h.ui().txtDeviceName7->text(), QStringLiteral("27"));
    QCOMPARE(h.ui().txtVIN->text(), QStringLiteral("1FTEW1EP5MKD00001"));

    typeOver(h.ui().txtJ1939Addr, QStringLiteral("44"));
    h.window->close();
    QCOMPARE(h.messages.titles(), QStringList());
    QCOMPARE(fileBytes(h.path("bench.cfg")), userBytes);  // the user file is not written at exit
    SimulatorConfig expected = otherConfig();
    expected.SourceAddress = 0x44;
    defaultAfterExit = fileBytes(defaultPath(h));
    QCOMPARE(defaultAfterExit, EncodeConfigRecord(expected));
  }
  // The next run starts with them.
  Harness next;
  portsOpen(next);
  QVERIFY(writeBytes(defaultPath(next), defaultAfterExit));
  next.start();
  QCOMPARE(next.ui().txtJ1939Addr->text(), QStringLiteral("44"));
  QCOMPARE(next.ui().txtVIN->text(), QStringLiteral("1FTEW1EP5MKD00001"));
}

void ConfigFilesTest::saveAsTakesTheNameExactlyAsChosen() {
  Harness h;
  portsOpen(h);
  QVERIFY(writeConfig(defaultPath(h), typicalConfig()));
  const QByteArray defaultBefore = fileBytes(defaultPath(h));
  h.start();
  typeOver(h.ui().txtJ1939Addr, QStringLiteral("12"));
  h.fileDialogs.answers << h.path("rig7");
  h.ui().mnuFileSaveAs->trigger();
  QCOMPARE(h.fileDialogs.calls.size(), 1);
  QCOMPARE(h.fileDialogs.calls[0].save, true);
  QCOMPARE(h.fileDialogs.calls[0].title, QStringLiteral("save as"));
  QCOMPARE(h.fileDialogs.calls[0].filter, QStringLiteral("J1939 Configure File (*.cfg)|*.cfg"));
  QCOMPARE(filesIn(h.dir), (QStringList{kDefaultConfigFileName, "rig7"}));
  QCOMPARE(configIn(h.path("rig7")).SourceAddress, uint8_t(0x12));
  QCOMPARE(fileBytes(h.path("rig7")).size(), 84);

  // Save goes to the chosen file from now on, not to j1939.cfg.
  typeOver(h.ui().txtJ1939Addr, QStringLiteral("13"));
  h.ui().mnuFileSave->trigger();
  QCOMPARE(configIn(h.path("rig7")).SourceAddress, uint8_t(0x13));
  QCOMPARE(fileBytes(defaultPath(h)), defaultBefore);
  QCOMPARE(h.messages.titles(), QStringList());
}

void ConfigFilesTest::cancelChangesNothing_data() {
  QTest::addColumn<bool>("saveAs");
  QTest::addColumn<bool>("userFileFirst");
  QTest::newRow("Open") << false << false;
  QTest::newRow("Save As") << true << false;
  QTest::newRow("Open, with a user file open") << false << true;
  QTest::newRow("Save As, with a user file open") << true << true;
}

void ConfigFilesTest::cancelChangesNothing() {
  QFETCH(bool, saveAs);
  QFETCH(bool, userFileFirst);
  Harness h;
  portsOpen(h);
  QVERIFY(writeConfig(defaultPath(h), typicalConfig()));
  QVERIFY(writeConfig(h.path("bench.cfg"), otherConfig()));
  h.start();
  if (userFileFirst) {
    h.fileDialogs.answers << h.path("bench.cfg");
    h.ui().mnuFileOpen->trigger();
  }
  typeOver(h.ui().txtJ1939Addr, QStringLiteral("7E"));
  const QByteArray defaultBefore = fileBytes(defaultPath(h));
  const QByteArray userBefore = fileBytes(h.path("bench.cfg"));
  const SimulatorConfig recordBefore = h.window->state().Config;
  const int16_t userFileOpen = h.window->state().UserFileOpen;

  h.fileDialogs.answers << QString();  // Cancel
  (saveAs ? h.ui().mnuFileSaveAs : h.ui().mnuFileOpen)->trigger();

  QCOMPARE(h.fileDialogs.calls.last().save, saveAs);
  QCOMPARE(h.messages.titles(), QStringList());
  QCOMPARE(filesIn(h.dir), (QStringList{"bench.cfg", kDefaultConfigFileName}));
  QCOMPARE(fileBytes(defaultPath(h)), defaultBefore);
  QCOMPARE(fileBytes(h.path("bench.cfg")), userBefore);
  QVERIFY(h.window->state().Config == recordBefore);
  QCOMPARE(h.window->state().UserFileOpen, userFileOpen);
  QCOMPARE(h.ui().txtJ1939Addr->text(), QStringLiteral("7E"));

  // Save still goes where it went before.
  h.ui().mnuFileSave->trigger();
  QCOMPARE(configIn(userFileFirst ? h.path("bench.cfg") : defaultPath(h)).SourceAddress,
           uint8_t(0x7E));
  QCOMPARE(fileBytes(userFileFirst ? defaultPath(h) : h.path("bench.cfg")),
           userFileFirst ? defaultBefore : userBefore);
}

void ConfigFilesTest::openOfAMissingFileCreatesItAndShowsTheZeroRecord() {
  Harness h;
  portsOpen(h);
  QVERIFY(writeConfig(defaultPath(h), typicalConfig()));
  h.start();
  h.fileDialogs.answers << h.path("fresh.cfg");
  h.ui().mnuFileOpen->trigger();
  // Data length 1 comes in under the types and position of the loaded record;
  // the layout rules of each slot say so while the record is shown.
  QCOMPARE(h.messages.titles(),
           (QStringList{"Wrong Data Type", "Parameter position is wrong", "Wrong Data Type"}));
  QVERIFY(QFile::exists(h.path("fresh.cfg")));
  QCOMPARE(fileBytes(h.path("fresh.cfg")).size(), 0);
  QCOMPARE(h.ui().txtJ1939Addr->text(), QStringLiteral("00"));
  QCOMPARE(h.ui().cmbSimulatorVersion->currentText(), QStringLiteral("1.01"));
  h.ui().mnuFileSave->trigger();
  QCOMPARE(fileBytes(h.path("fresh.cfg")), EncodeConfigRecord(zeroRecordAsStored()));
}

void ConfigFilesTest::aLongerFileKeepsItsTail_data() {
  QTest::addColumn<bool>("saveAs");
  QTest::newRow("Open, then Save, from the toolbar") << false;
  QTest::newRow("Save As over it") << true;
}

void ConfigFilesTest::aLongerFileKeepsItsTail() {
  QFETCH(bool, saveAs);
  Harness h;
  portsOpen(h);
  QVERIFY(writeConfig(defaultPath(h), typicalConfig()));
  QByteArray tail;
  for (int i = 0; i < 100; ++i) tail.append(static_cast<char>(0xE0 + i % 16));
  QByteArray longer = EncodeConfigRecord(otherConfig());
  longer.replace(77, 7, QByteArray(7, '\x77'));  // filler that is not zero
  longer += tail;
  QVERIFY(writeBytes(h.path("long.cfg"), longer));
  h.start();
  h.fileDialogs.answers << h.path("long.cfg");
  if (saveAs) {
    typeOver(h.ui().txtJ1939Addr, QStringLiteral("19"));
    h.ui().mnuFileSaveAs->trigger();
  } else {
    h.ui().tbOpen->trigger();
    QCOMPARE(h.ui().txtJ1939Addr->text(), QStringLiteral("33"));
    typeOver(h.ui().txtJ1939Addr, QStringLiteral("19"));
    h.ui().tbSave->trigger();
  }
  QCOMPARE(h.fileDialogs.calls.size(), 1);
  QCOMPARE(h.fileDialogs.calls[0].title,
           saveAs ? QStringLiteral("save as") : QStringLiteral("Open"));
  QCOMPARE(h.messages.titles(), QStringList());
  const QByteArray after = fileBytes(h.path("long.cfg"));
  QCOMPARE(after.size(), longer.size());
  QCOMPARE(after.mid(84), tail);
  QCOMPARE(after.left(84), EncodeConfigRecord(h.window->state().Config));
  QCOMPARE(configIn(h.path("long.cfg")).SourceAddress, uint8_t(0x19));
}

void ConfigFilesTest::defaultFileThatCannotBeOpened() {
  Harness h;
  portsOpen(h);
  QVERIFY(QDir(h.dir.path()).mkdir(kDefaultConfigFileName));  // a folder where the file should be
  const QString reason = openRefusal(defaultPath(h));
  QVERIFY(!reason.isEmpty());
  h.start();
  // Its own message, naming the file and the reason; the start-up goes on.
  QCOMPARE(h.messages.titles(), QStringList{kConfigFileErrorTitle});
  QCOMPARE(h.messages.shown[0].prompt, cannotOpen(defaultPath(h), reason));
  QCOMPARE(h.messages.shown[0].icon, MessageIcon::Information);
  QVERIFY(h.window->isVisible());
  QCOMPARE(h.ui().txtDatalength1->text(), QStringLiteral("1"));  // the all-zero record shown
  QVERIFY(h.port.isOpen());

  h.messages.clear();
  h.ui().mnuFileSave->trigger();
  QCOMPARE(h.messages.titles(), QStringList{kConfigFileErrorTitle});
  QCOMPARE(h.messages.shown[0].prompt, cannotWrite(defaultPath(h), reason));

  // Save As to another file still works.
  h.fileDialogs.answers << h.path("rescue.cfg");
  h.ui().mnuFileSaveAs->trigger();
  QCOMPARE(fileBytes(h.path("rescue.cfg")), EncodeConfigRecord(zeroRecordAsStored()));

  // The exit reports it too, and still ends the run as usual.
  h.messages.clear();
  h.window->close();
  QCOMPARE(h.messages.titles(), QStringList{kConfigFileErrorTitle});
  QCOMPARE(h.messages.shown[0].prompt, cannotWrite(defaultPath(h), reason));
  QVERIFY(h.settings.contains(QStringLiteral("Settings"), QStringLiteral("MainHeight")));
  QVERIFY(!h.port.isOpen());
}

void ConfigFilesTest::defaultFileTooShortToHoldARecord_data() {
  QTest::addColumn<bool>("edited");
  QTest::newRow("closed unchanged: left alone") << false;
  QTest::newRow("edited: written at exit") << true;
}

void ConfigFilesTest::defaultFileTooShortToHoldARecord() {
  QFETCH(bool, edited);
  Harness h;
  portsOpen(h);
  const QByteArray cut = EncodeConfigRecord(typicalConfig()).left(40);
  QVERIFY(writeBytes(defaultPath(h), cut));
  h.start();
  QCOMPARE(h.messages.titles(), QStringList{kConfigFileErrorTitle});
  QCOMPARE(
      h.messages.shown[0].prompt,
      cannotRead(defaultPath(h), QStringLiteral("it holds 40 bytes; a configuration needs 77")));
  // Nothing of it was taken: the form shows the all-zero record.
  QCOMPARE(h.ui().txtJ1939Addr->text(), QStringLiteral("00"));
  QCOMPARE(h.ui().cmbCOM->currentText(), QStringLiteral("COM1"));
  // The all-zero record is nobody's configuration: only a change of the form
  // makes the exit write it.
  SimulatorConfig expected = zeroRecordAsStored();
  expected.SourceAddress = 0x3C;
  if (edited) typeOver(h.ui().txtJ1939Addr, QStringLiteral("3C"));
  h.window->close();
  QCOMPARE(fileBytes(defaultPath(h)), edited ? EncodeConfigRecord(expected) : cut);
}

void ConfigFilesTest::userFileTooShortIsRefusedAndTheFormStays() {
  Harness h;
  portsOpen(h);
  QVERIFY(writeConfig(defaultPath(h), typicalConfig()));
  QVERIFY(writeBytes(h.path("cut.cfg"), EncodeConfigRecord(otherConfig()).left(76)));
  h.start();
  typeOver(h.ui().txtJ1939Addr, QStringLiteral("21"));
  const SimulatorConfig recordBefore = h.window->state().Config;
  h.fileDialogs.answers << h.path("cut.cfg");
  h.ui().mnuFileOpen->trigger();
  QCOMPARE(h.messages.titles(), QStringList{kConfigFileErrorTitle});
  QCOMPARE(
      h.messages.shown[0].prompt,
      cannotRead(h.path("cut.cfg"), QStringLiteral("it holds 76 bytes; a configuration needs 77")));
  QCOMPARE(h.ui().txtJ1939Addr->text(), QStringLiteral("21"));
  QCOMPARE(h.ui().txtVIN->text(), QStringLiteral("WDB9634031L123456"));
  QVERIFY(h.window->state().Config == recordBefore);
  // The file was opened before it was read, and stays the file that Save writes.
  QCOMPARE(h.window->state().UserFileOpen, int16_t(-1));
  h.ui().mnuFileSave->trigger();
  QCOMPARE(configIn(h.path("cut.cfg")).SourceAddress, uint8_t(0x21));
}

void ConfigFilesTest::defaultFileThatCanOnlyBeRead() {
  Harness h;
  portsOpen(h);
  QVERIFY(writeConfig(defaultPath(h), typicalConfig()));
  const QByteArray before = fileBytes(defaultPath(h));
  useFiles(h, [](const QString& path) { return std::make_unique<ReadOnlyFile>(path); });
  h.start();
  // Said before any editing, in a message and in the status bar.
  QCOMPARE(h.messages.titles(), QStringList{kConfigFileErrorTitle});
  const QString refusal = cannotWrite(defaultPath(h), QStringLiteral("Permission denied"));
  QCOMPARE(h.messages.shown[0].prompt, refusal);
  QCOMPARE(h.window->findChild<QLabel*>("sbStatusText")->text(), refusal);
  QCOMPARE(h.ui().txtJ1939Addr->text(), QStringLiteral("2A"));
  h.messages.clear();

  typeOver(h.ui().txtJ1939Addr, QStringLiteral("2B"));
  h.ui().mnuFileSave->trigger();
  QCOMPARE(h.messages.titles(), QStringList{kConfigFileErrorTitle});
  QCOMPARE(h.messages.shown[0].prompt,
           cannotWrite(defaultPath(h), QStringLiteral("Permission denied")));
  // The form was stored before the write failed.
  QCOMPARE(h.window->state().Config.SourceAddress, uint8_t(0x2B));

  h.messages.clear();
  h.window->close();
  QCOMPARE(h.messages.titles(), QStringList{kConfigFileErrorTitle});
  QCOMPARE(h.messages.shown[0].prompt,
           cannotWrite(defaultPath(h), QStringLiteral("Permission denied")));
  QCOMPARE(fileBytes(defaultPath(h)), before);
}

void ConfigFilesTest::writesAreWholeOrReported_data() {
  QTest::addColumn<qint64>("limit");
  QTest::addColumn<QString>("reason");
  QTest::addColumn<bool>("fromToolbar");
  QTest::newRow("short write") << qint64(10) << "only 10 of its 84 bytes were written" << false;
  QTest::newRow("short write, toolbar")
      << qint64(83) << "only 83 of its 84 bytes were written" << true;
  QTest::newRow("failed write") << qint64(-1) << "No space left on device" << false;
}

void ConfigFilesTest::writesAreWholeOrReported() {
  QFETCH(qint64, limit);
  QFETCH(QString, reason);
  QFETCH(bool, fromToolbar);
  Harness h;
  portsOpen(h);
  QVERIFY(writeConfig(defaultPath(h), typicalConfig()));
  useFiles(h,
           [limit](const QString& path) { return std::make_unique<ShortWriteFile>(path, limit); });
  h.start();
  QCOMPARE(h.messages.titles(), QStringList());
  (fromToolbar ? h.ui().tbSave : h.ui().mnuFileSave)->trigger();
  QCOMPARE(h.messages.titles(), QStringList{kConfigFileErrorTitle});
  QCOMPARE(h.messages.shown[0].prompt, cannotWrite(defaultPath(h), reason));
  QCOMPARE(h.messages.shown[0].icon, MessageIcon::Information);
}

J1939_TEST(ConfigFilesTest);
#include "tst_config_files.moc"
