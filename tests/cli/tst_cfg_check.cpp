#include <QtTest>

#include "CfgRun.h"
#include "support/TestMain.h"

// "check": one line per finding, exit status 1 when there is any.
class CfgCheckTest : public QObject {
  Q_OBJECT
 private slots:
  void findings_data();
  void findings();

 private:
  QTemporaryDir dir_;
};

void CfgCheckTest::findings_data() {
  QTest::addColumn<SimulatorConfig>("record");
  QTest::addColumn<QStringList>("lines");

  QTest::newRow("bench record is clean") << benchRecord() << QStringList{};
  QTest::newRow("all-zero record is clean") << SimulatorConfig{} << QStringList{};
  SimulatorConfig c = benchRecord();
  c.DynamicMode = 5;
  c.Pgn1InUse = -1;
  c.SimulatorVersion = 7;
  c.CanBaudRate = 3;
  c.Pgn1DataLength = 0;
  c.Pgn1ParamType = 0;
  c.Pgn1ParamPos = 0;
  QTest::newRow("values the window reads without a word") << c << QStringList{};

  c = benchRecord();
  c.ComPortIndex = 16;
  QTest::newRow("port beyond COM16")
      << c << QStringList{"ComPortIndex: 16 is no entry of the list cmbCOM (0 to 15)"};
  c = benchRecord();
  c.SourceAddress = 0x80;
  QTest::newRow("address 80") << c << QStringList{"SourceAddress: 80 (hex) is above 7F"};
  c.SourceAddress = 0x7F;
  QTest::newRow("address 7F") << c << QStringList{};
  c = benchRecord();
  c.DeviceName[7] = 0xC5;
  QTest::newRow("NAME bit 63")
      << c
      << QStringList{
             "DeviceName: byte 7 is C5 (hex), above 7F: bit 63 (arbitrary address capable) "
             "is never set, the window shows 45"};
  c = benchRecord();
  c.Pgn1UpdateRate = 6;
  c.Pgn2Priority = 8;
  QTest::newRow("rate and priority beyond their lists")
      << c
      << QStringList{"Pgn1UpdateRate: 6 is no entry of the list cmbUpdateRate1 (0 to 5)",
                     "Pgn2Priority: 8 is no entry of the list cmbPriority2 (0 to 7)"};
  c = benchRecord();
  c.Pgn1Reserved = 2;
  QTest::newRow("greyed box")
      << c << QStringList{"Pgn1Reserved: 2 (greyed) is shown clear, as the PGN counts it"};
  c = benchRecord();
  c.Pgn1 = 262144;
  QTest::newRow("PGN 262144") << c << QStringList{"Pgn1: 262144 is outside 0 to 262143"};
  c = benchRecord();
  c.Pgn1Pf = 0xFE;
  QTest::newRow("PF that disagrees with the PGN")
      << c
      << QStringList{
             "Pgn1: 65296 is reserved bit 0, data page 0, PF FF, PS 10, but the record "
             "holds reserved bit 0, data page 0, PF FE, PS 10; the window goes by the PGN"};
  c = benchRecord();
  c.Pgn2Ps = 0x12;
  QTest::newRow("PS in PDU1")
      << c
      << QStringList{
             "Pgn2: 126720 is reserved bit 0, data page 1, PF EF, PS 00, but the record "
             "holds reserved bit 0, data page 1, PF EF, PS 12; the window goes by the PGN"};
  c = benchRecord();
  c.Pgn1DataLength = 1786;
  QTest::newRow("data length 1786")
      << c << QStringList{"Pgn1DataLength: 1786 is outside 1 to 1785"};
  c.Pgn1DataLength = 1785;
  c.Pgn1ParamPos = 1784;
  QTest::newRow("data length 1785, last position of 2 bytes") << c << QStringList{};
  c = benchRecord();
  c.Pgn1DataLength = 0;
  QTest::newRow("data length 0 reads as 1, too small for 2 bytes")
      << c
      << QStringList{"Pgn1ParamType: 1 (2 Bytes) does not fit 1 data byte",
                     "Pgn1ParamPos: 3 is outside 1 to 1 (1 data byte, Single Byte)"};
  c = benchRecord();
  c.Pgn2DataLength = 3;
  QTest::newRow("4 bytes in 3")
      << c
      << QStringList{"Pgn2ParamType: 2 (4 Bytes) does not fit 3 data bytes",
                     "Pgn2ParamPos: 17 is outside 1 to 2 (3 data bytes, 2 Bytes)"};
  c = benchRecord();
  c.Pgn1ParamPos = 8;
  QTest::newRow("position past the data")
      << c << QStringList{"Pgn1ParamPos: 8 is outside 1 to 7 (8 data bytes, 2 Bytes)"};
  c.Pgn1ParamPos = 7;
  QTest::newRow("last position") << c << QStringList{};
  c = benchRecord();
  c.Pgn1ParamType = 3;
  QTest::newRow("type beyond the list")
      << c << QStringList{"Pgn1ParamType: 3 is no entry of the list cmbParameterType1 (0 to 2)"};

  c = benchRecord();
  c.DtcVersion = 4;
  QTest::newRow("DTC format beyond the list")
      << c << QStringList{"DtcVersion: 4 is no entry of the list cmbDTCVersion (0 to 3)"};
  c.SimulatorVersion = 0;
  QTest::newRow("DTC format under 1.01 is not shown") << c << QStringList{};
  c = benchRecord();
  setVin(c, "KorvaneElectroni");
  QTest::newRow("VIN of 16") << c << QStringList{"Vin: it has 16 characters; a VIN needs 17"};
  setVin(c, "Korvane Electr ic");
  QTest::newRow("VIN with blanks")
      << c << QStringList{"Vin: character 8 is a blank; a VIN has none"};
  c.SimulatorVersion = 0;
  QTest::newRow("VIN under 1.01 is not used") << c << QStringList{};

  c = benchRecord();
  c.Pgn1 = 65226;
  c.Pgn1Pf = 0xFE;
  c.Pgn1Ps = 0xCA;
  QTest::newRow("built-in PGN1")
      << c
      << QStringList{
             "Pgn1: 65226 is sent by the simulator itself; delete the slot or choose another PGN"};
  c.Pgn1InUse = 0;
  QTest::newRow("built-in PGN in a deleted slot") << c << QStringList{};
  c = benchRecord();
  c.Pgn2 = 65265;
  c.Pgn2DataPage = 0;
  c.Pgn2Pf = 0xFE;
  c.Pgn2Ps = 0xF1;
  QTest::newRow("2.00: PGN2 65265")
      << c
      << QStringList{
             "Pgn2: 65265 is sent by a simulator of version 2.00 itself; delete the slot or "
             "choose another PGN"};
  c.SimulatorVersion = 0;
  QTest::newRow("1.01: PGN2 65265") << c << QStringList{};
  c = benchRecord();
  c.Pgn2 = c.Pgn1;
  c.Pgn2DataPage = 0;
  c.Pgn2Pf = c.Pgn1Pf;
  c.Pgn2Ps = c.Pgn1Ps;
  QTest::newRow("same PGN in both")
      << c << QStringList{"Pgn1, Pgn2: both slots in use carry PGN 65296"};
  c.Pgn2InUse = 0;
  QTest::newRow("same PGN, slot 2 deleted") << c << QStringList{};
  c = benchRecord();
  for (int32_t* pgn : {&c.Pgn1, &c.Pgn2}) *pgn = 65260;
  c.Pgn1Pf = c.Pgn2Pf = 0xFE;
  c.Pgn1Ps = c.Pgn2Ps = 0xEC;
  c.Pgn2DataPage = 0;
  QTest::newRow("built-in in both and equal")
      << c
      << QStringList{
             "Pgn1: 65260 is sent by the simulator itself; delete the slot or choose another PGN",
             "Pgn2: 65260 is sent by the simulator itself; delete the slot or choose another PGN",
             "Pgn1, Pgn2: both slots in use carry PGN 65260"};
}

void CfgCheckTest::findings() {
  QFETCH(SimulatorConfig, record);
  QFETCH(QStringList, lines);
  const QString file = writeConfigFile(dir_, QStringLiteral("check.cfg"), record);
  const CfgRun run = runCfg({QStringLiteral("check"), file});
  QVERIFY(run.finished);
  QCOMPARE(run.err, QString());
  QCOMPARE(run.exitCode, lines.isEmpty() ? 0 : 1);
  QCOMPARE(run.out,
           lines.isEmpty() ? QString() : lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

J1939_TEST(CfgCheckTest);
#include "tst_cfg_check.moc"
