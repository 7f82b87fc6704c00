#include <QPushButton>
#include <QtTest>

#include "link/ConfigFrames.h"
#include "support/Emulator.h"
#include "support/Harness.h"
#include "support/Records.h"
#include "support/TestMain.h"

using Edit = std::function<void(SimulatorConfig&)>;
Q_DECLARE_METATYPE(Edit)

// The window loads a file as its j1939.cfg and runs "Program Config"; j1939cfg
// reads the same file. Where the window sends without a word, the frames the
// tool prints are the window's, byte for byte, and "program" goes on to the
// port; where the window speaks up first, "program" refuses the file.
class WindowAgreementTest : public QObject {
  Q_OBJECT
 private slots:
  void toolSendsWhatTheWindowSends_data() {
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<bool>("silent");
    // clang-format off
    QTest::newRow("bench") << Edit() << true;
    QTest::newRow("all zero") << Edit([](auto& c) { c = SimulatorConfig{}; }) << true;
    QTest::newRow("1.01, Version1") << Edit([](auto& c) { c.SimulatorVersion = c.DtcVersion = 0; }) << true;
    QTest::newRow("mode 1, in use -1, version 5, bit rate 9") << Edit([](auto& c) { c.DynamicMode = 1, c.Pgn1InUse = -1, c.SimulatorVersion = 5, c.CanBaudRate = 9; }) << true;
    QTest::newRow("NAME bit 63") << Edit([](auto& c) { c.DeviceName[7] = 0xC5; }) << true;
    QTest::newRow("parts that disagree with the PGN") << Edit([](auto& c) { c.Pgn1Pf = 0xFE, c.Pgn1Reserved = 1, c.Pgn2Ps = 0x12; }) << true;
    QTest::newRow("greyed boxes") << Edit([](auto& c) { c.Pgn1Reserved = c.Pgn2DataPage = 2; }) << true;
    QTest::newRow("lengths and positions 0") << Edit([](auto& c) { c.Pgn1DataLength = c.Pgn1ParamType = c.Pgn1ParamPos = c.Pgn2ParamPos = 0; }) << true;
    QTest::newRow("address 85") << Edit([](auto& c) { c.SourceAddress = 0x85; }) << false;
    QTest::newRow("data length 1786") << Edit([](auto& c) { c.Pgn2DataLength = 1786; }) << false;
    QTest::newRow("PGN 262144 + 65297") << Edit([](auto& c) { c.Pgn1 = 262144 + 65297; }) << false;
    QTest::newRow("rate beyond the list") << Edit([](auto& c) { c.Pgn1UpdateRate = 6; }) << false;
    QTest::newRow("VIN of 16") << Edit([](auto& c) { setVin(c, "KorvaneElectroni"); }) << false;
    // clang-format on
  }
  void toolSendsWhatTheWindowSends() {
    QFETCH(Edit, edit);
    QFETCH(bool, silent);
    Harness h;
    const QString file = h.path("j1939.cfg");
    const SimulatorConfig record = benchRecord(edit);
    QVERIFY(writeRecord(file, record));
    h.simulatorAccepts();
    h.start();
    h.ui().cmdConfig->click();
    const QStringList titles = h.messages.titles();
    QVERIFY2((titles == QStringList{"config confirmation"}) == silent,
             qPrintable(titles.join(" | ")));
    const Run program = runCfg({"program", file, "--port", "/dev/ttyNoSuchPort9"});
    QCOMPARE(program.exitCode, silent ? 2 : 1);  // 2: on to the port
    if (!silent) return;
    const QString version = record.SimulatorVersion == 0 ? "1.01" : "2.00";
    const QByteArray other =
        fromHex(runCfg({"frame", file, "--version", version == "1.01" ? "2.00" : "1.01"}).out);
    QCOMPARE(h.port.written, fromHex(runCfg({"frame", file, "--version", version}).out));
    const FormState& state = h.window->state();
    QCOMPARE(other,
             version == "1.01" ? FrameBytes(state.ConfigFrameV2) : FrameBytes(state.ConfigFrameV1));
  }
};

J1939_TEST(WindowAgreementTest);
#include "tst_window_agreement.moc"
