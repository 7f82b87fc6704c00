#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include "rules/record/FactoryConfig.h"
#include "rules/record/RecordCodec.h"
#include "support/Emulator.h"
#include "support/Records.h"
#include "support/TestMain.h"

using L = QStringList;

namespace {
const QString kV2 = QStringLiteral(
    "00 04 A5 39 30 6B 0C 3A 81 05 27 0A 00 08 00 C0 FF 10 03 00 01 05 00 14 00 68 EF 00 11 00 02 "
    "31 46 55 4A 47 4C 44 52 35 43 53 42 4D 31 32 33 34 3B\n");
const QString kUsage = QStringLiteral("; see j1939cfg --help\n");
}  // namespace

// j1939cfg as a user or a script runs it, on a file holding `file`: "%f" in the
// arguments and in the expected error stands for its path. Standard output
// is `out` (of a help text its first line) and standard error `err`, whole.
class CfgTest : public QObject {
  Q_OBJECT
  void columns() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<L>("args");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
  }
  void check() {
    QFETCH(QByteArray, file);
    QFETCH(L, args);
    QFETCH(int, exit);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QTemporaryDir dir;
    const QString path = dir.filePath("bench.cfg");
    QVERIFY(writeBytes(path, file));
    const Run run = runCfg(args.replaceInStrings("%f", path));
    QCOMPARE(run.exitCode, exit);
    // Of a help text its first line, the usage; the rest is prose for people.
    const bool help = args.contains("--help") || args.contains("-h") || args.value(0) == "help";
    QCOMPARE(help ? run.out.section('\n', 0, 0) + '\n' : run.out, out);
    QCOMPARE(run.err, err.replace("%f", path));
  }

 private slots:
  void usage_data() {
    columns();
    const QByteArray f = benchBytes();
    // clang-format off
    QTest::newRow("--help") << f << L{"--help"} << 0 << "Usage: j1939cfg COMMAND FILE [options]\n" << "";
    QTest::newRow("program -h") << f << L{"program", "%f", "-h"} << 0 << "Usage: j1939cfg program FILE --port DEVICE|COMn\n" << "";
    QTest::newRow("help json") << f << L{"help", "json"} << 0 << "The JSON of j1939cfg show --json, make and set\n" << "";
    QTest::newRow("--help diff") << f << L{"--help", "diff"} << 0 << "Usage: j1939cfg diff A B [--json]\n" << "";
    QTest::newRow("nothing") << f << L{} << 2 << "" << "j1939cfg: no command given" + kUsage;
    QTest::newRow("unknown command") << f << L{"send", "%f"} << 2 << "" << "j1939cfg: no command \"send\"" + kUsage;
    QTest::newRow("unknown option") << f << L{"--json"} << 2 << "" << "j1939cfg: unknown option --json" + kUsage;
    QTest::newRow("unknown short option") << f << L{"show", "%f", "-x"} << 2 << "" << "j1939cfg: show takes no option -x; see j1939cfg show --help\n";
    QTest::newRow("no file") << f << L{"show"} << 2 << "" << "j1939cfg: show needs a FILE; see j1939cfg show --help\n";
    QTest::newRow("other command's option") << f << L{"show", "%f", "--version", "2.00"} << 2 << "" << "j1939cfg: show takes no option --version; see j1939cfg show --help\n";
    QTest::newRow("bad value") << f << L{"frame", "%f", "--version", "3.00"} << 2 << "" << "j1939cfg: --version 3.00: the versions are 1.01 and 2.00; see j1939cfg frame --help\n";
    QTest::newRow("missing value") << f << L{"frame", "%f", "--version"} << 2 << "" << "j1939cfg: --version needs a value: 1.01 or 2.00; see j1939cfg frame --help\n";
    QTest::newRow("value after a switch") << f << L{"show", "%f", "--json=yes"} << 2 << "" << "j1939cfg: --json takes no value: write --json alone, not --json=yes; see j1939cfg show --help\n";
    QTest::newRow("switch with a value after an option's") << f << L{"make", "%f", "-o=out.cfg", "--force=1"} << 2 << "" << "j1939cfg: --force takes no value: write --force alone, not --force=1; see j1939cfg make --help\n";
    QTest::newRow("two files") << f << L{"show", "%f", "b.cfg"} << 2 << "" << "j1939cfg: show takes one FILE, not also b.cfg; see j1939cfg show --help\n";
    QTest::newRow("bare diff") << f << L{"diff"} << 2 << "" << "j1939cfg: diff needs two files, A and B; see j1939cfg diff --help\n";
    QTest::newRow("ports FILE") << f << L{"ports", "%f"} << 2 << "" << "j1939cfg: ports takes no FILE, not %f; see j1939cfg ports --help\n";
    QTest::newRow("empty port") << f << L{"program", "%f", "--port="} << 2 << "" << "j1939cfg: --port needs a device or COMn; see j1939cfg program --help\n";
    QTest::newRow("missing file") << f << L{"check", "/no/such.cfg"} << 2 << "" << "j1939cfg: Cannot read the configuration file /no/such.cfg: it does not exist\n";
    QTest::newRow("directory") << f << L{"frame", "/"} << 2 << "" << "j1939cfg: Cannot read the configuration file /: it is a directory\n";
    QTest::newRow("1 byte, read whole") << f.left(1) << L{"show", "%f"} << 2 << "" << "j1939cfg: Cannot read the configuration file %f: it holds 1 byte; a configuration needs 77\n";
    QTest::newRow("76 bytes") << f.left(76) << L{"program", "%f", "--port", "COM1"} << 2 << "" << "j1939cfg: Cannot read the configuration file %f: it holds 76 bytes; a configuration needs 77\n";
    // clang-format on
  }
  void usage() { check(); }

  // Every line of show, as scripts read it: the bench record's, with the lines
  // that differ for each row.
  void show_data() {
    columns();
    // clang-format off
    const QString bench =
        "ComPortIndex: 2 (COM3)\nSourceAddress: 25 (hex)\nDeviceName: 39 30 6B 0C 3A 81 05 27 (bytes 0 to 7)\n  Identity Number: 733241\n  Manufacture Code: 99\n  ECU Instance: 2\n  Function Instance: 7\n  Function: 129\n  Vehicle System: 2\n  Vehicle System Instance: 7\n  Industry Group: 2\n  Arbitrary Address Capable: 0\nDynamicMode: -1 (Dynamic)\n"
        "Pgn1InUse: 1 (in use)\nPgn1UpdateRate: 2 (Every 100ms)\nPgn1Priority: 6\nPgn1DataPage: 0\nPgn1Reserved: 0\nPgn1Pf: FF (hex)\nPgn1Ps: 10 (hex)\nPgn1: 65296 (reserved bit 0, data page 0, PF FF, PS 10)\nPgn1DataLength: 8\nPgn1ParamType: 1 (2 Bytes)\nPgn1ParamPos: 3\nPgn2InUse: 1 (in use)\n"
        "Pgn2UpdateRate: 1 (Every 50 ms)\nPgn2Priority: 3\nPgn2DataPage: 1\nPgn2Reserved: 0\nPgn2Pf: EF (hex)\nPgn2Ps: 00 (hex)\nPgn2: 126720 (reserved bit 0, data page 1, PF EF, PS 00)\nPgn2DataLength: 20\nPgn2ParamType: 2 (4 Bytes)\nPgn2ParamPos: 17\nSimulatorVersion: 1 (2.00)\nDtcVersion: 3 (Version4)\n"
        "Vin: \"1FUJGLDR5CSBM1234\"\nCanBaudRate: -1 (500Kbps)\n";
    // clang-format on
    const auto row = [&](const char* name, const QByteArray& file, const QStringList& lines) {
      QStringList out = bench.split('\n');
      for (const QString& line : lines) {  // in place of the bench's line with that name
        const QString key = line.section(": ", 0, 0) + ": ";
        const auto at =
            std::find_if(out.begin(), out.end(), [&](auto& l) { return l.startsWith(key); });
        if (at != out.end()) *at = line;
      }
      QTest::newRow(name) << file << L{"show", "%f"} << 0 << out.join('\n') << "";
    };
    // clang-format off
    row("bench, bytes after its record", benchBytes() + QByteArray(300, '\xEE'), {});
    row("data length 0, position 0", benchBytes([](auto& c) { c.Pgns[1].DataLength = 0, c.Pgns[0].ParamPos = 0; }), {"Pgn2DataLength: 0 (shown as 1)", "Pgn1ParamPos: 0 (shown as 1)"});
    row("1.01", benchBytes([](auto& c) { c.SimulatorVersion = 0; }), {"SimulatorVersion: 0 (1.01)", "DtcVersion: 3 (Version4; \"1.01\" shows Version3)", "Vin: \"1FUJGLDR5CSBM1234\" (not used by \"1.01\")"});
    row("VIN", benchBytes([](auto& c) { setVin(c, "1F\x9BJ GLDR"); }), {"Vin: \"1F\\x9BJ GLDR\" (9 characters)"});
    row("VIN of 1", benchBytes([](auto& c) { setVin(c, "1"); }), {"Vin: \"1\" (1 character)"});
    row("NAME bit 63", benchBytes([](auto& c) { c.DeviceName[7] = 0xC5; }), {"DeviceName: 39 30 6B 0C 3A 81 05 C5 (bytes 0 to 7)", "  Vehicle System Instance: 5", "  Industry Group: 4", "  Arbitrary Address Capable: 1 (bit 63 is never set: shown as 0)"});
    row("at the ends of the lists", benchBytes([](auto& c) { c.ComPortIndex = 16, c.DynamicMode = 0, c.Pgns[0] = {0, 0, 6, 2, 1, 0xFF, 0x10, 0xFF10, 8, 3, 3}, c.Pgns[1].UpdateRate = 2, c.Pgns[1].ParamType = 0, c.SimulatorVersion = 2, c.DtcVersion = 7, c.CanBaudRate = 0; }), {"ComPortIndex: 16 (no entry in cmbCOM)", "DynamicMode: 0 (Static)", "Pgn1InUse: 0 (deleted)", "Pgn1UpdateRate: 0 (On Request)", "Pgn1DataPage: 2", "Pgn1Reserved: 1", "Pgn1ParamType: 3 (no entry in cmbParameterType1)", "Pgn2UpdateRate: 2 (Every 100 ms)", "Pgn2ParamType: 0 (Single Byte)", "SimulatorVersion: 2 (2.00)", "DtcVersion: 7 (no entry in cmbDTCVersion)", "CanBaudRate: 0 (250Kbps)"});
    row("below and above the lists", benchBytes([](auto& c) { c.ComPortIndex = -1, c.DynamicMode = 5, c.Pgns[0] = {7, 6, 8, 3, -1, 0xFF, 0x10, 0xFF10, 8, 1, 3}, c.Pgns[1].UpdateRate = 5, c.DtcVersion = 4, c.CanBaudRate = 1; }), {"ComPortIndex: -1 (no entry in cmbCOM)", "DynamicMode: 5 (Static)", "Pgn1InUse: 7 (in use)", "Pgn1UpdateRate: 6 (no entry in cmbUpdateRate1)", "Pgn1Priority: 8 (no entry in cmbPriority1)", "Pgn1DataPage: 3", "Pgn1Reserved: -1", "Pgn2UpdateRate: 5 (Every 5s)", "DtcVersion: 4 (no entry in cmbDTCVersion)", "CanBaudRate: 1 (500Kbps)"});
    // clang-format on
  }
  void show() { check(); }

  // One line per finding, exit status 1 when there is any.
  void findings_data() {
    columns();
    const auto row = [](const char* name, const QByteArray& file, const QString& lines) {
      // clang-format off
      QTest::newRow(name) << file << L{"check", "%f"} << (lines.isEmpty() ? 0 : 1) << lines << "";
      // clang-format on
    };
    // clang-format off
    row("bench", benchBytes(), "");
    row("port 16", benchBytes([](auto& c) { c.ComPortIndex = 16; }), "ComPortIndex: 16 is no entry of the list cmbCOM (0 to 15)\n");
    row("address 80", benchBytes([](auto& c) { c.SourceAddress = 0x80; }), "SourceAddress: 80 (hex) is above 7F\n");
    row("NAME bit 63", benchBytes([](auto& c) { c.DeviceName[7] = 0xC5; }), "DeviceName: byte 7 is C5 (hex), above 7F: bit 63 (arbitrary address capable) is never set, the window shows 45\n");
    row("greyed", benchBytes([](auto& c) { c.Pgns[0].Reserved = 2; }), "Pgn1Reserved: 2 (greyed) is shown clear, as the PGN counts it\n");
    row("PGN 262144", benchBytes([](auto& c) { c.Pgns[0].Pgn = 262144; }), "Pgn1: 262144 is outside 0 to 262143\n");
    row("PS in PDU1", benchBytes([](auto& c) { c.Pgns[1].Ps = 0x12; }), "Pgn2: 126720 is reserved bit 0, data page 1, PF EF, PS 00, but the record holds reserved bit 0, data page 1, PF EF, PS 12; the window goes by the PGN\n");
    row("reserved bit in the PGN", benchBytes([](auto& c) { c.Pgns[0].Pgn = 0x2FF10; }), "Pgn1: 196368 is reserved bit 1, data page 0, PF FF, PS 10, but the record holds reserved bit 0, data page 0, PF FF, PS 10; the window goes by the PGN\n");
    row("1786 bytes", benchBytes([](auto& c) { c.Pgns[0].DataLength = 1786; }), "Pgn1DataLength: 1786 is outside 1 to 1785\n");
    row("type 3, position 9 of 8", benchBytes([](auto& c) { c.Pgns[0].ParamType = 3, c.Pgns[0].ParamPos = 9; }), "Pgn1ParamType: 3 is no entry of the list cmbParameterType1 (0 to 2)\n");
    row("4 bytes in 3", benchBytes([](auto& c) { c.Pgns[1].DataLength = 3; }), "Pgn2ParamType: 2 (4 Bytes) does not fit 3 data bytes\nPgn2ParamPos: 17 is outside 1 to 2 (3 data bytes, 2 Bytes)\n");
    row("2 bytes in 1", benchBytes([](auto& c) { c.Pgns[0].DataLength = 1; }), "Pgn1ParamType: 1 (2 Bytes) does not fit 1 data byte\nPgn1ParamPos: 3 is outside 1 to 1 (1 data byte, Single Byte)\n");
    row("VIN of 16", benchBytes([](auto& c) { setVin(c, "KorvaneElectroni"); }), "Vin: it has 16 characters; a VIN needs 17\n");
    row("VIN of 1", benchBytes([](auto& c) { setVin(c, "1"); }), "Vin: it has 1 character; a VIN needs 17\n");
    row("built-in, and one in a deleted slot", benchBytes([](auto& c) { c.Pgns[0].Pgn = 65226, c.Pgns[0].Pf = 0xFE, c.Pgns[0].Ps = 0xCA, c.Pgns[1] = {0, 1, 3, 0, 0, 0xFE, 0xF1, 65265, 20, 2, 17}; }), "Pgn1: 65226 is sent by the simulator itself; delete the slot or choose another PGN\n");
    row("same PGN", benchBytes([](auto& c) { c.Pgns[1].Pgn = c.Pgns[0].Pgn, c.Pgns[1].DataPage = 0, c.Pgns[1].Pf = 0xFF, c.Pgns[1].Ps = 0x10; }), "Pgn1, Pgn2: both slots in use carry PGN 65296\n");
    // clang-format on
  }
  void findings() { check(); }

  void frame_data() {
    columns();
    const QString v1 = "00 00" + kV2.mid(5, 88) + "D4\n";
    // clang-format off
    QTest::newRow("2.00 by the file") << benchBytes() << L{"frame", "%f"} << 0 << kV2 << "";
    QTest::newRow("1.01 asked for") << benchBytes() << L{"frame", "%f", "--version=1.01"} << 0 << v1 << "";
    QTest::newRow("1.01 file sends Version3") << benchBytes([](auto& c) { c.SimulatorVersion = c.DtcVersion = 0; }) << L{"frame", "%f", "--version", "2.00"} << 0 << "00 03" + kV2.mid(5, 139) + "3A\n" << "";
    QTest::newRow("empty file") << QByteArray() << L{"frame", "%f"} << 0 << "FF 00 00 00 00 00 00 00 00 00 00 00 C0 01 00 00 00 00 01 00 00 00 C0 01 00 00 00 00 01 00 00 83\n" << "";
    QTest::newRow("priority 9") << benchBytes([](auto& c) { c.Pgns[1].Priority = 9; }) << L{"frame", "%f"} << 1 << "" << "j1939cfg: %f: Pgn2Priority: 9 cannot be sent to the simulator, which takes a priority of 0 to 7\n";
    // clang-format on
  }
  void frame() { check(); }

  // Refusals and ports that do not open; the exchanges run in tst_pty.cpp.
  void program_data() {
    columns();
    const auto row = [](const char* name, const QByteArray& file, const QString& port, int exit,
                        const QString& out, const QString& err) {
      // clang-format off
      QTest::newRow(name) << file << L{"program", "%f", "--port", port} << exit << out << err;
      // clang-format on
    };
    // clang-format off
    row("no such device", benchBytes(), "/dev/ttyNoSuchPort9", 2, "", "j1939cfg: cannot open the port /dev/ttyNoSuchPort9: No such file or directory\n");
    row("not a terminal", benchBytes(), "/dev/null", 2, "", "j1939cfg: cannot open the port /dev/null: Inappropriate ioctl for device\n");
    row("COM16", benchBytes(), "COM16", 2, "", "j1939cfg: cannot open the port /dev/ttyS15: No such file or directory\n");
    row("COM17", benchBytes(), "COM17", 2, "", "j1939cfg: COM17: the configurator's ports are COM1 to COM16\n");
    row("built-in, and one in a deleted slot", benchBytes([](auto& c) { c.Pgns[0].Pgn = 65265, c.Pgns[0].Pf = 0xFE, c.Pgns[0].Ps = 0xF1, c.Pgns[1] = {0, 1, 3, 0, 0, 0xFE, 0xCA, 65226, 20, 2, 17}; }), "COM16", 1, "Repeated additional PGN1: The additional PGN1 has existed in the simulator, Please change to another one or delete it\n", "");
    row("not as the window sends", benchBytes([](auto& c) { c.Pgns[0].DataLength = 1786; }), "COM16", 1, "", "j1939cfg: %f: Pgn1DataLength: 1786 is outside 1 to 1785\nj1939cfg: the window would not send this configuration as it stands; nothing was sent\n");
    // clang-format on
  }
  void program() { check(); }

  // make, set and diff refuse what the record cannot hold, naming the key; a
  // JSON file is "%f", a .cfg "%f.cfg".
  void text_data() {
    columns();
    const QByteArray f = benchBytes();
    const QString kept = "j1939cfg: %f is not written; --force writes it with these findings\n";
    // clang-format off
    QTest::newRow("unknown key") << QByteArray("{\"Pgn1\": {\"value\": 5, \"bogus\": 1}}") << L{"make", "%f", "-o", "%f.cfg"} << 2 << "" << "j1939cfg: %f: Pgn1.bogus: no such key\n";
    QTest::newRow("unknown field") << f << L{"set", "%f", "Pgn3=1"} << 2 << "" << "j1939cfg: Pgn3: no such field\n";
    QTest::newRow("wrong type") << QByteArray("{\"SourceAddress\": {\"value\": \"26\"}}") << L{"make", "%f", "-o", "%f.cfg"} << 2 << "" << "j1939cfg: %f: SourceAddress.value: a number is needed, not a string\n";
    QTest::newRow("not a number") << f << L{"set", "%f", "Pgn1=0xFFG"} << 2 << "" << "j1939cfg: Pgn1: \"0xFFG\" is no number (decimal, or hexadecimal after 0x)\n";
    QTest::newRow("out of range") << f << L{"set", "%f", "SourceAddress=256"} << 2 << "" << "j1939cfg: SourceAddress.value: 256 is outside 0 to 255\n";
    QTest::newRow("NAME field") << f << L{"set", "%f", "DeviceName.IndustryGroup=8"} << 2 << "" << "j1939cfg: DeviceName.IndustryGroup: 8 is outside 0 to 7\n";
    QTest::newRow("NAME of one byte") << QByteArray(R"({"DeviceName": {"bytes": ["01"]}})") << L{"make", "%f", "-o", "%f.cfg"} << 2 << "" << "j1939cfg: %f: DeviceName.bytes: an array of 8 bytes (\"00\" to \"FF\") is needed\n";
    QTest::newRow("text and bytes") << QByteArray("{\"Vin\": {\"text\": \"A\", \"bytes\": \"42 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\"}}") << L{"make", "%f", "-o", "%f.cfg"} << 2 << "" << "j1939cfg: %f: Vin.text: disagrees with Vin.bytes\n";
    QTest::newRow("VIN beyond a byte") << f << L{"set", "%f", "Vin=KO\u20ACvaneElectronic"} << 2 << "" << "j1939cfg: Vin.text: character 3 has no place in a VIN (one byte 01 to FF each)\n";
    QTest::newRow("VIN of 16") << f << L{"set", "%f", "Vin=KorvaneElectroni"} << 1 << "Vin: it has 16 characters; a VIN needs 17\n" << kept;
    QTest::newRow("forced") << f << L{"set", "%f", "Pgn1DataLength=1786", "--force"} << 1 << "Pgn1DataLength: 1786 is outside 1 to 1785\n" << "";
    QTest::newRow("no KEY=VALUE") << f << L{"set", "%f"} << 2 << "" << "j1939cfg: set needs KEY=VALUE; see j1939cfg set --help\n";
    QTest::newRow("diff: none") << f << L{"diff", "%f", "%f"} << 0 << "" << "";
    QTest::newRow("diff: error") << f << L{"diff", "%f", "/no/such.cfg"} << 2 << "" << "j1939cfg: Cannot read the configuration file /no/such.cfg: it does not exist\n";
    // clang-format on
  }
  void text() { check(); }

  // COMn as the settings map it, a line each: a device that exists is present.
  // What the system lists besides varies with the host: only its heading is asserted.
  void ports() {
    QTemporaryDir dir;
    const QString adapter = dir.filePath("adapter"), gone = dir.filePath("gone");
    QVERIFY(writeBytes(adapter, {}) && QDir(dir.path()).mkpath("TarvikConfig"));
    QString settings = "[Ports]\n", lines;
    for (int n = 1; n <= 16; ++n) {
      const QString device = n == 3 ? adapter : QStringLiteral("%1/com%2").arg(gone).arg(n);
      settings += QStringLiteral("COM%1=%2\n").arg(n).arg(device);
      lines += QStringLiteral("COM%1: %2 (%3present)\n").arg(n).arg(device, n == 3 ? "" : "not ");
    }
    QVERIFY(writeBytes(dir.filePath("TarvikConfig/TarvikConfig.conf"), settings.toUtf8()));
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", dir.path());
    tool.setProcessEnvironment(environment);
    tool.start(programPath("j1939cfg"), {"ports"});
    const Run text = finish(tool);
    QCOMPARE(text.exitCode, 0);
    QCOMPARE(text.out.section('\n', 0, 16), lines + "Present, named by no COM port:");
    tool.start(programPath("j1939cfg"), {"ports", "--json"});
    const QJsonArray ports = QJsonDocument::fromJson(finish(tool).out.toUtf8())["ports"].toArray();
    QCOMPARE(ports.size(), 16);
    QCOMPARE(ports[2], QJsonObject({{"name", "COM3"}, {"device", adapter}, {"present", true}}));
    QCOMPARE(ports[3],
             QJsonObject({{"name", "COM4"}, {"device", gone + "/com4"}, {"present", false}}));
    // A settings file that cannot be read leaves COMn unknown, not the system's port.
    const QString conf = dir.filePath("TarvikConfig/TarvikConfig.conf");
    QVERIFY(QFile::remove(conf) && QDir().mkpath(conf) && writeRecord(adapter, benchRecord()));
    const QString unread = "j1939cfg: cannot read the settings file " + conf +
                           ": it is a directory; the devices COM1 to COM16 stand for are unknown\n";
    for (const L& args : {L{"ports"}, L{"program", adapter, "--port", "COM1"}}) {
      tool.start(programPath("j1939cfg"), args);
      const Run run = finish(tool);
      QCOMPARE(run.exitCode, 2);
      QCOMPARE(run.out + run.err, unread);
    }
  }

  // Descriptors closed by the shell: nothing waits, a result that cannot be
  // printed is an error, and what needs no output still works.
  void closedDescriptors_data() {
    QTest::addColumn<QString>("closed");
    QTest::addColumn<L>("args");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("err");
    // clang-format off
    QTest::newRow("show -") << "<&-" << L{"show", "-"} << 2 << "j1939cfg: Cannot read the configuration from standard input: standard input is closed\n";
    QTest::newRow("make -") << "<&-" << L{"make", "-", "-o", "%f"} << 2 << "j1939cfg: cannot read -: standard input is closed\n";
    QTest::newRow("diff - B") << "<&-" << L{"diff", "-", "%f"} << 2 << "j1939cfg: Cannot read the configuration from standard input: standard input is closed\n";
    QTest::newRow("diff - -") << "<&-" << L{"diff", "-", "-"} << 2 << "j1939cfg: diff reads standard input once; see j1939cfg diff --help\n";
    QTest::newRow("show") << ">&-" << L{"show", "%f"} << 2 << "j1939cfg: cannot write to standard output: it is closed\n";
    QTest::newRow("make -o -") << ">&-" << L{"make", "%f.json", "-o", "-"} << 2 << "j1939cfg: cannot write to standard output: it is closed\n";
    QTest::newRow("check, clean") << ">&-" << L{"check", "%f"} << 0 << "";
    QTest::newRow("set, findings forced") << ">&-" << L{"set", "%f", "Pgn1DataLength=1786", "--force"} << 1 << "j1939cfg: cannot write to standard output: it is closed; %f was written\n";
    QTest::newRow("all three") << "<&- >&- 2>&-" << L{"frame", "-"} << 2 << "";
    // clang-format on
  }
  void closedDescriptors() {
    QFETCH(QString, closed);
    QFETCH(L, args);
    QFETCH(int, exit);
    QFETCH(QString, err);
    QTemporaryDir dir;
    const QString file = dir.filePath("bench.cfg");
    QVERIFY(writeBytes(file, benchBytes()) && writeBytes(file + ".json", "{}"));
    QProcess shell;
    shell.start("bash", L{"-c", "exec \"$0\" \"$@\" " + closed, programPath("j1939cfg")} +
                            args.replaceInStrings("%f", file));
    const Run run = finish(shell);
    QCOMPARE(run.exitCode, exit);
    QCOMPARE(run.err, err.replace("%f", file));
  }

  // Standard input is read as a file; output that cannot be written is an error.
  void pipes() {
    QProcess tool;
    tool.start(programPath("j1939cfg"), {"frame", "-"});
    // As it comes: a piece, a pause, then the rest and more than a record holds.
    tool.write(benchBytes().left(40));
    QVERIFY(tool.waitForBytesWritten());
    QTest::qWait(100);
    tool.write(benchBytes().mid(40) + QByteArray(100, '\x77'));
    tool.closeWriteChannel();
    QCOMPARE(finish(tool).out, kV2);
    // make -o - writes the record itself to standard output, the findings to standard error.
    tool.start(programPath("j1939cfg"), {"make", "-", "-o", "-"});
    tool.write("{}");
    tool.closeWriteChannel();
    QVERIFY(tool.waitForFinished());
    QCOMPARE(tool.readAllStandardOutput().toHex(), EncodeConfigRecord(FactoryConfig()).toHex());
    tool.start(programPath("j1939cfg"), {"make", "-", "-o", "-"});
    tool.write(R"({"SourceAddress": {"value": 128}})");
    tool.closeWriteChannel();
    const Run finding = finish(tool);
    QCOMPARE(finding.exitCode, 1);
    QCOMPARE(finding.out + finding.err,
             "j1939cfg: SourceAddress: 80 (hex) is above 7F\nj1939cfg: the configuration is not "
             "written; --force writes it with these findings\n");
    tool.setStandardOutputFile("/dev/full");
    tool.start(programPath("j1939cfg"), {"--help"});
    const Run full = finish(tool);
    QCOMPARE(full.exitCode, 2);
    QCOMPARE(full.err, "j1939cfg: cannot write to standard output: No space left on device\n");
    tool.setStandardOutputFile(QString());
    tool.setStandardInputFile("/");  // standard input that cannot be read
    tool.start(programPath("j1939cfg"), {"show", "-"});
    QCOMPARE(finish(tool).err,
             "j1939cfg: Cannot read the configuration from standard input: it is a directory\n");
  }
};

J1939_TEST_MAIN(CfgTest, "cfg")
#include "tst_cfg.moc"
