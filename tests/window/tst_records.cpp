#include <QComboBox>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTest>

#include "rules/record/RecordCodec.h"
#include "rules/record/RecordReading.h"
#include "support/Emulator.h"
#include "support/Harness.h"
#include "support/RecordModel.h"
#include "support/Records.h"
#include "support/TestMain.h"
#include "window/fields/Controls.h"
#include "window/record/FileCommands.h"

namespace {

// Every field a value whose bytes differ, several of them ones no window writes.
const SimulatorConfig kGolden = benchRecord([](SimulatorConfig& c) {
  c.ComPortIndex = 0x0102, c.SourceAddress = 0x7E;
  c.DeviceName = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
  c.Pgns[0] = {1, 5, 7, 1, 2, 0xFE, 0xCA, 0x3FECA, 1785, 2, 1782};
  c.Pgns[1] = {-1, -2, 0x0304, -32768, 32767, 0xEA, 0x01, -123456, 0x1234, 0xAB, -2};
  setVin(c, "1M8-GD.9A/KP,42!?");
});

// A record the window shows as a whole: every list value within its list, odd
// values where the window reads them its own way.
SimulatorConfig randomRecord(QRandomGenerator& r) {
  auto pick = [&r](std::initializer_list<int> values) {
    return *(values.begin() + r.bounded(static_cast<int>(values.size())));
  };
  SimulatorConfig c;
  c.ComPortIndex = r.bounded(16), c.SourceAddress = r.bounded(0x80);
  for (uint8_t& byte : c.DeviceName) byte = r.bounded(256);
  c.DynamicMode = pick({-1, 0, 1, -2, 5});
  for (PgnSlotConfig& s : c.Pgns) {
    s.InUse = pick({0, 1, -1, 7}), s.UpdateRate = r.bounded(6), s.Priority = r.bounded(8);
    s.Reserved = r.bounded(3), s.DataPage = r.bounded(3);
    s.Pf = r.bounded(256), s.Ps = r.bounded(256);
    const int kind = r.bounded(8);
    s.Pgn = kind == 0   ? -r.bounded(1, 1 << 30)
            : kind == 1 ? r.bounded(1 << 18, 1 << 24)
            : kind == 2 ? r.bounded(1 << 24, 1 << 30)
                        : r.bounded(1 << 18);
    s.DataLength = pick({0, 1, 2, 3, 4, 8, 1785, r.bounded(5, 1785)});
    const int length = std::max<int>(s.DataLength, 1);
    s.ParamType = r.bounded(length >= 4 ? 3 : length >= 2 ? 2 : 1);
    const int bound = length - (s.ParamType == 0 ? 0 : s.ParamType == 1 ? 1 : 3);
    s.ParamPos = pick({0, 1, bound, r.bounded(1, bound + 1)});
  }
  c.SimulatorVersion = pick({0, 1, 2}), c.DtcVersion = r.bounded(4);
  for (uint8_t& code : c.Vin)  // printable single-byte codes
    code = r.bounded(2) ? r.bounded(0x21, 0x7F) : r.bounded(0xA1, 0x100);
  c.CanBaudRate = pick({0, -1, 1});
  return c;
}

}  // namespace

// The record's bytes, and what the window makes of a record it reads and stores or sends.
class RecordsTest : public QObject {
  Q_OBJECT
 private slots:
  void goldenRecord() {
    const QByteArray golden = QByteArray::fromHex(
        "0201 7e 1122334455667788"        //  0 ComPortIndex, address, NAME element 0 first
        "ffff0100050007000100"            // 11 DynamicMode -1, InUse, rate, priority, page
        "0200feca cafe0300 f906 02 f606"  // 21 Reserved 2, PF, PS, PGN, length 1785, type, 1782
        "ffff feff 0403 0080 ff7f ea 01"  // 34 slot 2: -1, -2, 0x0304, -32768, 32767
        "c01dfeff 3412 ab feff"           // 46 PGN -123456, 0x1234, 0xAB, -2
        "0100 03 314d382d47442e39412f4b502c3432213f"  // 55 version, DTC format, VIN
        "ffff 00000000000000");                       // 75 CanBaudRate -1, filler
    QCOMPARE(EncodeConfigRecord(kGolden).toHex(' '), golden.toHex(' '));
    SimulatorConfig decoded;
    QVERIFY(!DecodeConfigRecord(golden + "tail", decoded));  // later bytes are no part of it
    QVERIFY(decoded == kGolden);
    QVERIFY(!DecodeConfigRecord(QByteArray(), decoded));  // a file just created
    QVERIFY(decoded == SimulatorConfig{});
    for (int length : {1, 76}) {  // no configuration: refused, nothing changed
      decoded = kGolden;
      QVERIFY(DecodeConfigRecord(QByteArray(length, '\x11'), decoded));
      QVERIFY(decoded == kGolden);
    }
  }
  // Through the window: j1939.cfg read at start-up, Save, Program Config. The
  // file and the frame hold the record as the model reads it, and j1939cfg
  // reads it the same way.
  void randomRecordsComeBackAsTheModelSays() {
    QRandomGenerator random(20261206);
    for (int run = 0; run < 40; ++run) {
      const SimulatorConfig record = randomRecord(random);
      const SimulatorConfig expected = storedBack(record);
      const SimulatorConfig sent = shownBack(record);
      const QString what = QStringLiteral("record %1: %2")
                               .arg(run)
                               .arg(QString::fromLatin1(EncodeConfigRecord(record).toHex()));
      QVERIFY2(RecordAsShown(record) == sent, qPrintable(what));
      Harness h;
      h.startOn(record);
      h.find<QAction>("mnuFileSave")->trigger();
      QVERIFY2(fileBytes(h.path(kDefaultConfigFileName)) == EncodeConfigRecord(expected),
               qPrintable(what));
      h.port.written.clear();
      QTest::mouseClick(h.find<QPushButton>("cmdConfig"), Qt::LeftButton);
      QVERIFY2(h.port.written == frameOf(sent), qPrintable(what));
      // j1939cfg prints the frame the window sends, from the file as it was.
      QVERIFY(writeRecord(h.path("read.cfg"), record));
      const Run frame = runCfg({"frame", h.path("read.cfg")});
      QVERIFY2(fromHex(frame.out) == h.port.written, qPrintable(what + "\n" + frame.err));
    }
  }
  void valueTheFormCannotShowIsKept_data() {
    QTest::addColumn<Edit>("load");       // what the file holds, from benchRecord()
    QTest::addColumn<QString>("path");    // how the record is stored afterwards
    QTest::addColumn<QString>("fields");  // the fields named in the one report
    QTest::addColumn<QString>("pick");    // a list the user then sets to its entry 3
    const auto row = [](const char* name, Edit load, const char* path, const char* fields,
                        const char* pick = "") {
      QTest::newRow(name) << load << path << fields << pick;
    };
    // clang-format off
  row("port 16, rate 9: exit", [](auto& c) { c.ComPortIndex = 16, c.Pgns[0].UpdateRate = 9; }, "exit", "ComPortIndex = 16: the list \"Com Port Number\" has no entry 16; Pgn1UpdateRate = 9: the list \"Update Rate\" in \"Additional PGN1\" has no entry 9");
  row("DTC format 7: exit", [](auto& c) { c.DtcVersion = 7; }, "exit", "DtcVersion = 7: the list \"DTC Format\" has no entry 7");
  row("port 40, priority 12: Open, Save", [](auto& c) { c.ComPortIndex = 40, c.Pgns[1].Priority = 12; }, "Open", "ComPortIndex = 40: the list \"Com Port Number\" has no entry 40; Pgn2Priority = 12: the list \"Priority\" in \"Additional PGN2\" has no entry 12");
  row("type 255: Save As", [](auto& c) { c.Pgns[1].ParamType = 255; }, "Save As", "Pgn2ParamType = 255: the list \"Parameter Type\" in \"Additional PGN2\" has no entry 255");
  row("type 3: Program Config", [](auto& c) { c.Pgns[0].ParamType = 3; }, "Program", "Pgn1ParamType = 3: the list \"Parameter Type\" in \"Additional PGN1\" has no entry 3");
  row("data page 5: Save", [](auto& c) { c.Pgns[1].DataPage = 5; }, "Save", "Pgn2DataPage = 5: the check box \"Data Page bit is 1\" in \"Additional PGN2\" takes only 0, 1 or 2");
  row("reserved -1: Program Config", [](auto& c) { c.Pgns[0].Reserved = -1; }, "Program", "Pgn1Reserved = -1: the check box \"Reserve Bit is 1\" in \"Additional PGN1\" takes only 0, 1 or 2");
  row("priority 12, then set: Save", [](auto& c) { c.Pgns[0].Priority = 12; }, "Save", "Pgn1Priority = 12: the list \"Priority\" in \"Additional PGN1\" has no entry 12", "cmbPriority1");
  // A PDU1 PGN with a low byte: its PS is a destination address, no part of the PGN.
  row("PDU1 59905: exit", [](auto& c) { c.Pgns[0].Pf = 0xEA, c.Pgns[0].Ps = 1, c.Pgns[0].Pgn = 59905; }, "exit", "PGN1 59905 is read as 59904 because a PDU1 group's PS is a destination address");
  row("PDU1 126725 in slot 2: Open, Save", [](auto& c) { c.Pgns[1].Ps = 5, c.Pgns[1].Pgn = 0x1EF05; }, "Open", "PGN2 126725 is read as 126720 because a PDU1 group's PS is a destination address");
  row("PDU1 61189: Program Config sends PS 00", [](auto& c) { c.Pgns[0].Pf = 0xEF, c.Pgns[0].Ps = 5, c.Pgns[0].Pgn = 61189; }, "Program", "PGN1 61189 is read as 61184 because a PDU1 group's PS is a destination address");
  row("PDU1 59905, then its priority set: Save", [](auto& c) { c.Pgns[0].Pf = 0xEA, c.Pgns[0].Ps = 1, c.Pgns[0].Pgn = 59905; }, "Save", "PGN1 59905 is read as 59904 because a PDU1 group's PS is a destination address", "cmbPriority1");
  row("PDU1 59905, then PF EB typed: Save", [](auto& c) { c.Pgns[0].Pf = 0xEA, c.Pgns[0].Ps = 1, c.Pgns[0].Pgn = 59905; }, "Save", "PGN1 59905 is read as 59904 because a PDU1 group's PS is a destination address", "txtPF1");
    // clang-format on
  }
  void valueTheFormCannotShowIsKept() {
    QFETCH(Edit, load);
    QFETCH(QString, path);
    QFETCH(QString, fields);
    QFETCH(QString, pick);
    SimulatorConfig expected = benchRecord(load);
    Harness h;
    const QString file = h.path(path == "Open" ? "bench.cfg" : "j1939.cfg");
    if (path == "Open") {
      h.startOn(benchRecord());
      QVERIFY(writeRecord(file, expected));
      h.fileDialogs.answers << file;
      h.find<QAction>("mnuFileOpen")->trigger();
      path = "Save";
    } else {
      h.startOn(expected);
    }
    // Told once which fields the form could not show; the rest of it is shown.
    QStringList prompts;
    for (const ShownMessage& message : h.messages.shown)
      if (message.title == ConfigFileErrorTitle()) prompts << message.prompt;
    QCOMPARE(prompts, QStringList{QStringLiteral("Cannot show the configuration from %1: %2. The "
                                                 "other fields are shown. These keep the values "
                                                 "stored in the file until you set them.")
                                      .arg(file, fields)});
    QCOMPARE(h.find<QLineEdit>("txtVIN")->text(), QStringLiteral("1FUJGLDR5CSBM1234"));
    if (pick == "txtPF1") {  // the slot changed: its PGN follows the parts again
      enter(h.find<QLineEdit>("txtPF1"), "EB");
      expected.Pgns[0].Pf = 0xEB, expected.Pgns[0].Ps = 0, expected.Pgns[0].Pgn = 0xEB00;
    } else if (!pick.isEmpty()) {
      h.window->findChild<QComboBox*>(pick)->setCurrentIndex(3);
      expected.Pgns[0].Priority = 3;
    }
    h.messages.clear();
    QString written = file;
    if (path == "exit") {
      h.window->close();
    } else if (path == "Save As") {
      h.fileDialogs.answers << (written = h.path("copy.cfg"));
      h.find<QAction>("mnuFileSaveAs")->trigger();
    } else if (path == "Program") {
      QVERIFY(h.programConfig());
      SimulatorConfig sent = expected;  // the PS of a PDU1 group goes as the window shows it
      for (PgnSlotConfig& slot : sent.Pgns)
        if (slot.Pf < 240) slot.Ps = 0;
      QCOMPARE(h.port.written.toHex(' '), frameOf(sent).toHex(' '));
      QCOMPARE(h.messages.titles(), QStringList{"config confirmation"});
      h.messages.clear();
      h.find<QAction>("mnuFileSave")->trigger();
    } else {
      h.find<QAction>("mnuFileSave")->trigger();
    }
    QCOMPARE(h.messages.titles(), QStringList());
    QCOMPARE(fileBytes(written).toHex(' '), EncodeConfigRecord(expected).toHex(' '));
  }
  // "1.01" chosen over a "2.00" record at 500 kbit/s: the list shows 250
  // kbit/s, greyed, and the frame says so; the record keeps the stored bit rate,
  // which a window that reads it shows (greyed) and sends, as j1939cfg does.
  void bitRateSentIsTheOneShown() {
    Harness h;
    h.startOn(benchRecord());
    h.find<QComboBox>("cmbSimulatorVersion")->setCurrentIndex(0);
    QCOMPARE(h.find<QComboBox>("cmbCANBUSBaudRate")->currentText(), "250Kbps");
    QTest::mouseClick(h.find<QPushButton>("cmdConfig"), Qt::LeftButton);
    const SimulatorConfig kept =
        benchRecord([](auto& c) { c.SimulatorVersion = 0, c.DtcVersion = 2; });
    QCOMPARE(h.port.written.toHex(' '), frameOf(benchRecord([](auto& c) {
                                          c.SimulatorVersion = 0, c.DtcVersion = 2,
                                          c.CanBaudRate = 0;
                                        })).toHex(' '));
    h.find<QAction>("mnuFileSave")->trigger();
    const QString file = h.path(kDefaultConfigFileName);
    QCOMPARE(fileBytes(file).toHex(' '), EncodeConfigRecord(kept).toHex(' '));
    Harness again;
    QVERIFY(writeRecord(again.path(kDefaultConfigFileName), kept));
    again.simulatorAccepts();
    again.start();
    QCOMPARE(again.find<QComboBox>("cmbCANBUSBaudRate")->currentText(), "500Kbps");
    QVERIFY(!again.find<QComboBox>("cmbCANBUSBaudRate")->isEnabled());
    QTest::mouseClick(again.find<QPushButton>("cmdConfig"), Qt::LeftButton);
    QCOMPARE(again.port.written.toHex(' '), frameOf(kept).toHex(' '));
    const Run frame = runCfg({"frame", file});
    QCOMPARE(fromHex(frame.out).toHex(' '), again.port.written.toHex(' '));
  }
  void placedValuesAtSave_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("value");    // a text, or a list index
    QTest::addColumn<QString>("failure");  // of the store, naming the field
    QTest::addColumn<int>("stored");       // the bench record: 8 bytes, "2 Bytes" at 3 (of 7)
    // clang-format off
  QTest::newRow("short VIN") << "txtVIN" << "WDB9634031L12345" << "\"VIN\": it has 16 characters; a VIN needs 17" << 0;
  QTest::newRow("euro sign") << "txtVIN" << "WDB9634031L1234€6" << "\"VIN\": the character '€' has no single-byte code" << 0;
  QTest::newRow("U+0100") << "txtVIN" << "WDB9634031L1234\u01006" << "\"VIN\": the character '\u0100' has no single-byte code" << 0;
  QTest::newRow("no type") << "cmbParameterType1" << "-1" << "\"Parameter Type\" in \"Additional PGN1\": no entry is selected" << 0;
  QTest::newRow("no DTC format") << "cmbDTCVersion" << "-1" << "\"DTC Format\": no entry is selected" << 0;
  // Texts that the boxes' own rules would have repaired, placed without running them.
  for (const char* text : {"0", "1786", "99999999999999999999", "12a"}) QTest::newRow(text) << "txtDatalength1" << text << "" << 8;
  for (const char* text : {"1", "1785", "0012"}) QTest::newRow(text) << "txtDatalength1" << text << "" << QString(text).toInt();
  for (const char* text : {"8", "0", "2x"}) QTest::addRow("position %s", text) << "txtParameterPos1" << text << "" << 3;
  QTest::newRow("position 7") << "txtParameterPos1" << "7" << "" << 7;
    // clang-format on
  }
  void placedValuesAtSave() {
    QFETCH(QString, control);
    QFETCH(QString, value);
    QFETCH(QString, failure);
    QFETCH(int, stored);
    Harness h;
    h.startOn(benchRecord());
    const QString file = h.path(kDefaultConfigFileName);
    const QByteArray before = fileBytes(file);
    if (auto* list = h.window->findChild<QComboBox*>(control)) {
      SetListIndex(list, value.toInt());
    } else {
      auto* box = h.window->findChild<QLineEdit*>(control);
      const QSignalBlocker quiet(control == "txtVIN" ? nullptr : box);
      box->setText(value);
    }
    h.messages.clear();
    h.find<QAction>("mnuFileSave")->trigger();
    QCOMPARE(
        h.messages.shown.value(0).prompt,
        failure.isEmpty()
            ? ""
            : QStringLiteral("Cannot store %1. Nothing was written to %2.").arg(failure, file));
    const PgnSlotConfig slot1 = recordIn(file).Pgns[0];
    if (!failure.isEmpty())
      QCOMPARE(fileBytes(file), before);
    else
      QCOMPARE(control.contains("Datalength") ? slot1.DataLength : slot1.ParamPos, int16_t(stored));
  }
};

J1939_TEST_MAIN(RecordsTest, "records")
#include "tst_records.moc"
