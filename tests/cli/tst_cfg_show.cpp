#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include "CfgRun.h"
#include "config/ConfigFile.h"
#include "support/TestMain.h"

// "show" and "frame" as a user runs them, on files written for the test.
class CfgShowTest : public QObject {
  Q_OBJECT
 private slots:
  void showPrintsEveryFieldWithItsMeaning();
  void jsonReadsBackAsTheRecord();
  void jsonEscapesTheVinAsTheTextDoes();
  void showSaysHowTheWindowReadsOddValues_data();
  void showSaysHowTheWindowReadsOddValues();
  void frameIsTheBytesTheSimulatorReceives_data();
  void frameIsTheBytesTheSimulatorReceives();
  void recordThatNoFrameCanCarryIsRefused();
  void bytesAfterTheRecordAreIgnored();

 private:
  QTemporaryDir dir_;
};

void CfgShowTest::showPrintsEveryFieldWithItsMeaning() {
  const QString file = writeConfigFile(dir_, QStringLiteral("bench.cfg"), benchRecord());
  const CfgRun run = runCfg({QStringLiteral("show"), file});
  QVERIFY(run.finished);
  QCOMPARE(run.exitCode, 0);
  QCOMPARE(run.err, QString());
  // Worked out by hand from the record layout and the J1939 NAME and PGN bit fields.
  const QString expected = QStringLiteral(
      "ComPortIndex: 2 (COM3)\n"
      "SourceAddress: 25 (hex)\n"
      "DeviceName: 39 30 6B 0C 3A 81 05 27 (bytes 0 to 7)\n"
      "  Identity Number: 733241\n"
      "  Manufacture Code: 99\n"
      "  ECU Instance: 2\n"
      "  Function Instance: 7\n"
      "  Function: 129\n"
      "  Vehicle System: 2\n"
      "  Vehicle System Instance: 7\n"
      "  Industry Group: 2\n"
      "  Arbitrary Address Capable: 0\n"
      "DynamicMode: -1 (Dynamic)\n"
      "Pgn1InUse: 1 (in use)\n"
      "Pgn1UpdateRate: 2 (Every 100ms)\n"
      "Pgn1Priority: 6\n"
      "Pgn1DataPage: 0\n"
      "Pgn1Reserved: 0\n"
      "Pgn1Pf: FF (hex)\n"
      "Pgn1Ps: 10 (hex)\n"
      "Pgn1: 65296 (reserved bit 0, data page 0, PF FF, PS 10)\n"
      "Pgn1DataLength: 8\n"
      "Pgn1ParamType: 1 (2 Bytes)\n"
      "Pgn1ParamPos: 3\n"
      "Pgn2InUse: 1 (in use)\n"
      "Pgn2UpdateRate: 2 (Every 100 ms)\n"
      "Pgn2Priority: 3\n"
      "Pgn2DataPage: 1\n"
      "Pgn2Reserved: 0\n"
      "Pgn2Pf: EF (hex)\n"
      "Pgn2Ps: 00 (hex)\n"
      "Pgn2: 126720 (reserved bit 0, data page 1, PF EF, PS 00)\n"
      "Pgn2DataLength: 20\n"
      "Pgn2ParamType: 2 (4 Bytes)\n"
      "Pgn2ParamPos: 17\n"
      "SimulatorVersion: 1 (2.00)\n"
      "DtcVersion: 3 (Version4)\n"
      "Vin: \"1FUJGLDR5CSBM1234\"\n"
      "CanBaudRate: -1 (500Kbps)\n");
  QCOMPARE(run.out, expected);
}

void CfgShowTest::jsonReadsBackAsTheRecord() {
  const QString file = writeConfigFile(dir_, QStringLiteral("bench.cfg"), benchRecord());
  const CfgRun run = runCfg({QStringLiteral("show"), file, QStringLiteral("--json")});
  QCOMPARE(run.exitCode, 0);
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(run.out.toUtf8(), &error);
  QCOMPARE(error.error, QJsonParseError::NoError);
  const QJsonObject object = document.object();
  // One member for each of the record's 30 fields.
  QCOMPARE(object.size(), 30);
  QCOMPARE(object.value(QStringLiteral("DeviceName"))
               .toObject()
               .value(QStringLiteral("bytes"))
               .toArray()
               .size(),
           8);
  struct Member {
    const char* field;
    const char* member;
    QVariant expected;
  };
  const Member members[] = {
      {"ComPortIndex", "text", "COM3"},
      {"SourceAddress", "value", 37},
      {"SourceAddress", "hex", "25"},
      {"DeviceName", "IdentityNumber", 733241},
      {"DeviceName", "ManufacturerCode", 99},
      {"DeviceName", "IndustryGroup", 2},
      {"DynamicMode", "text", "Dynamic"},
      {"Pgn2UpdateRate", "text", "Every 100 ms"},
      {"Pgn1", "value", 65296},
      {"Pgn1", "ps", "10"},
      {"Pgn2", "dataPage", 1},
      {"Pgn2", "pf", "EF"},
      {"Pgn2ParamType", "text", "4 Bytes"},
      {"Pgn2ParamPos", "value", 17},
      {"SimulatorVersion", "text", "2.00"},
      {"DtcVersion", "text", "Version4"},
      {"Vin", "text", "1FUJGLDR5CSBM1234"},
      {"CanBaudRate", "text", "500Kbps"},
  };
  for (const Member& m : members) {
    const QJsonValue field = object.value(QLatin1String(m.field));
    QVERIFY2(field.isObject(), m.field);
    QCOMPARE(field.toObject().value(QLatin1String(m.member)).toVariant(), m.expected);
  }
}

void CfgShowTest::jsonEscapesTheVinAsTheTextDoes() {
  SimulatorConfig c = benchRecord();
  c.Vin[1] = 0x9B;
  c.Vin[2] = 0x1B;
  const QString file = writeConfigFile(dir_, QStringLiteral("escape.cfg"), c);
  const CfgRun run = runCfg({QStringLiteral("show"), file, QStringLiteral("--json")});
  QCOMPARE(run.exitCode, 0);
  const QJsonObject vin =
      QJsonDocument::fromJson(run.out.toUtf8()).object().value(QStringLiteral("Vin")).toObject();
  QCOMPARE(vin.value(QStringLiteral("text")).toString(),
           QStringLiteral("1\\x9B\\x1BJGLDR5CSBM1234"));
}

void CfgShowTest::showSaysHowTheWindowReadsOddValues_data() {
  QTest::addColumn<SimulatorConfig>("record");
  QTest::addColumn<QString>("line");
  SimulatorConfig c = benchRecord();
  c.DynamicMode = 1;
  QTest::newRow("mode 1 is static") << c << "DynamicMode: 1 (Static)";
  c = benchRecord();
  c.Pgn1InUse = -1;
  QTest::newRow("in use -1") << c << "Pgn1InUse: -1 (in use)";
  c.Pgn2InUse = 0;
  QTest::newRow("deleted") << c << "Pgn2InUse: 0 (deleted)";
  c = benchRecord();
  c.SimulatorVersion = 7;
  QTest::newRow("version 7 is 2.00") << c << "SimulatorVersion: 7 (2.00)";
  c = benchRecord();
  c.Pgn2DataLength = 0;
  QTest::newRow("data length 0") << c << "Pgn2DataLength: 0 (shown as 1)";
  c = benchRecord();
  c.Pgn1UpdateRate = 6;
  QTest::newRow("rate beyond the list") << c << "Pgn1UpdateRate: 6 (no entry in cmbUpdateRate1)";
  c = benchRecord();
  c.SimulatorVersion = 0;
  QTest::newRow("DTC format under 1.01")
      << c << "DtcVersion: 3 (Version4; \"1.01\" shows Version3)";
  QTest::newRow("VIN under 1.01") << c << "Vin: \"1FUJGLDR5CSBM1234\" (not used by \"1.01\")";
  c = benchRecord();
  setVin(c, "1FUJ GLDR");
  QTest::newRow("short VIN with a blank") << c << "Vin: \"1FUJ GLDR\" (9 characters)";
  c.Vin[2] = 0x07;
  QTest::newRow("control character") << c << "Vin: \"1F\\x07J GLDR\" (9 characters)";
  c.Vin[2] = 0x9B;  // a terminal's CSI
  QTest::newRow("C1 control character") << c << "Vin: \"1F\\x9BJ GLDR\" (9 characters)";
  c.Vin[2] = '\\';
  QTest::newRow("backslash") << c << "Vin: \"1F\\\\J GLDR\" (9 characters)";
  c = benchRecord();
  c.CanBaudRate = 3;
  QTest::newRow("any bit rate but 0") << c << "CanBaudRate: 3 (500Kbps)";
  c = benchRecord();
  c.Pgn1 = 300000;
  QTest::newRow("PGN above 18 bits")
      << c << "Pgn1: 300000 (reserved bit 0, data page 0, PF 93, PS 00; above 262143)";
  c.Pgn1 = -1;
  QTest::newRow("negative PGN") << c << "Pgn1: -1 (no J1939 parts: outside 0 to 262143)";
  c = benchRecord();
  c.DeviceName[7] = 0xC5;
  QTest::newRow("NAME bit 63")
      << c << "  Arbitrary Address Capable: 1 (bit 63 is never set: shown as 0)";
}

void CfgShowTest::showSaysHowTheWindowReadsOddValues() {
  QFETCH(SimulatorConfig, record);
  QFETCH(QString, line);
  const QString file = writeConfigFile(dir_, QStringLiteral("odd.cfg"), record);
  const CfgRun run = runCfg({QStringLiteral("show"), file});
  QCOMPARE(run.exitCode, 0);
  QVERIFY2(run.out.split(QLatin1Char('\n')).contains(line), qPrintable(run.out));
}

void CfgShowTest::frameIsTheBytesTheSimulatorReceives_data() {
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<QStringList>("options");
  QTest::addColumn<QString>("frame");
  const QByteArray bench = EncodeConfigRecord(benchRecord());
  const QString benchV2 = QStringLiteral(
      "00 04 A5 39 30 6B 0C 3A 81 05 27 0A 00 08 00 C0 FF 10 03 00 01 0A 00 14 00 68 EF 00 11 00 "
      "02 31 46 55 4A 47 4C 44 52 35 43 53 42 4D 31 32 33 34 40");
  const QString benchV1 = QStringLiteral(
      "00 00 A5 39 30 6B 0C 3A 81 05 27 0A 00 08 00 C0 FF 10 03 00 01 0A 00 14 00 68 EF 00 11 00 "
      "02 D9");
  QTest::newRow("2.00 by the file") << bench << QStringList{} << benchV2;
  QTest::newRow("2.00 asked for") << bench << QStringList{"--version", "2.00"} << benchV2;
  QTest::newRow("1.01 asked for") << bench << QStringList{"--version=1.01"} << benchV1;
  // An empty file is the all-zero record: static, both slots deleted and on
  // request; its data lengths and positions of 0 go out as 1, as the window
  // sends them.
  QTest::newRow("empty file")
      << QByteArray() << QStringList{}
      << QStringLiteral(
             "FF 00 00 00 00 00 00 00 00 00 00 00 C0 01 00 00 00 00 01 00 00 00 C0 01 00 00 00 "
             "00 01 00 00 83");
  SimulatorConfig v101 = benchRecord();
  v101.SimulatorVersion = 0;
  v101.DtcVersion = 0;  // "1.01" sends "Version3" whatever the file holds
  QTest::newRow("1.01 file, 2.00 frame")
      << EncodeConfigRecord(v101) << QStringList{"--version", "2.00"}
      << QStringLiteral(
             "00 03 A5 39 30 6B 0C 3A 81 05 27 0A 00 08 00 C0 FF 10 03 00 01 0A 00 14 00 68 EF 00 "
             "11 00 02 31 46 55 4A 47 4C 44 52 35 43 53 42 4D 31 32 33 34 3F");
}

void CfgShowTest::frameIsTheBytesTheSimulatorReceives() {
  QFETCH(QByteArray, file);
  QFETCH(QStringList, options);
  QFETCH(QString, frame);
  const QString path = writeBytesFile(dir_, QStringLiteral("frame.cfg"), file);
  const CfgRun run = runCfg(QStringList{QStringLiteral("frame"), path} + options);
  QCOMPARE(run.err, QString());
  QCOMPARE(run.exitCode, 0);
  QCOMPARE(run.out, frame + QLatin1Char('\n'));
}

void CfgShowTest::recordThatNoFrameCanCarryIsRefused() {
  SimulatorConfig c = benchRecord();
  c.Pgn2Priority = 9;
  const QString file = writeConfigFile(dir_, QStringLiteral("priority9.cfg"), c);
  const CfgRun run = runCfg({QStringLiteral("frame"), file});
  QCOMPARE(run.exitCode, 1);
  QCOMPARE(run.out, QString());
  QVERIFY2(run.err.startsWith(QStringLiteral("j1939cfg: %1: Pgn2Priority: 9 ").arg(file)),
           qPrintable(run.err));
}

void CfgShowTest::bytesAfterTheRecordAreIgnored() {
  // 77 field bytes are a whole configuration; anything after them is not read.
  const QByteArray record = EncodeConfigRecord(benchRecord());
  const QString exact = writeBytesFile(dir_, QStringLiteral("77.cfg"), record.left(77));
  const QString longer =
      writeBytesFile(dir_, QStringLiteral("long.cfg"), record + QByteArray(300, '\xEE'));
  const CfgRun fields = runCfg({QStringLiteral("show"), exact, QStringLiteral("--json")});
  const CfgRun all = runCfg({QStringLiteral("show"), longer, QStringLiteral("--json")});
  QCOMPARE(fields.exitCode, 0);
  QCOMPARE(all.exitCode, 0);
  QCOMPARE(all.out, fields.out);
  QCOMPARE(runCfg({QStringLiteral("frame"), longer}).out,
           runCfg({QStringLiteral("frame"), exact}).out);
}

J1939_TEST(CfgShowTest);
#include "tst_cfg_show.moc"
