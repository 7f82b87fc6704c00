#include <QPushButton>
#include <QtTest>

#include "CfgRun.h"
#include "link/ConfigFrames.h"
#include "support/Harness.h"
#include "support/TestMain.h"

// What the window does with a record while it loads and sends it.
enum class Window {
  Silent,    // not a word: the tool's frames are the window's, "program" goes to the port
  Corrects,  // speaks up and corrects it: "program" refuses, "frame" prints what the window sent
  SpeaksUp,  // speaks up: "program" refuses
};
Q_DECLARE_METATYPE(Window)

// The tool against the window itself: the window loads the same file as its
// j1939.cfg and runs "Program Config". Where the window says nothing while it
// loads and sends, the tool's frames are the window's, byte for byte, and
// "program" does not refuse the file; where the window speaks up, "program"
// refuses it before the port.
class WindowAgreementTest : public QObject {
  Q_OBJECT
 private slots:
  void toolSendsWhatTheWindowSends_data();
  void toolSendsWhatTheWindowSends();

 private:
  QTemporaryDir dir_;
};

void WindowAgreementTest::toolSendsWhatTheWindowSends_data() {
  QTest::addColumn<SimulatorConfig>("record");
  QTest::addColumn<Window>("window");

  QTest::newRow("bench record") << benchRecord() << Window::Silent;
  QTest::newRow("all zero") << SimulatorConfig{} << Window::Silent;
  SimulatorConfig c = benchRecord();
  c.SimulatorVersion = 0;
  c.DtcVersion = 0;
  c.CanBaudRate = -1;
  QTest::newRow("1.01 keeps its bit rate, sends Version3") << c << Window::Silent;
  c = benchRecord();
  c.DynamicMode = 1;
  c.Pgn1InUse = -1;
  c.SimulatorVersion = 5;
  c.CanBaudRate = 9;
  QTest::newRow("mode 1, in use -1, version 5, bit rate 9") << c << Window::Silent;
  c = benchRecord();
  c.DeviceName[7] = 0xC5;
  QTest::newRow("NAME bit 63") << c << Window::Silent;
  c = benchRecord();
  c.Pgn1Pf = 0xFE;
  c.Pgn1Reserved = 1;
  c.Pgn2Ps = 0x12;
  QTest::newRow("parts that disagree with the PGN") << c << Window::Silent;
  c = benchRecord();
  c.Pgn1Reserved = 2;
  c.Pgn2DataPage = 2;
  QTest::newRow("greyed reserved bit and data page") << c << Window::Silent;
  c = benchRecord();
  c.Pgn1DataLength = 0;
  c.Pgn1ParamType = 0;
  c.Pgn1ParamPos = 0;
  c.Pgn2ParamPos = 0;
  QTest::newRow("data length and position 0") << c << Window::Silent;

  c = benchRecord();
  c.SourceAddress = 0x85;
  QTest::newRow("address 85") << c << Window::SpeaksUp;
  c = benchRecord();
  c.Pgn2DataLength = 1786;
  QTest::newRow("data length 1786") << c << Window::SpeaksUp;
  c = benchRecord();
  c.Pgn1ParamPos = 8;
  QTest::newRow("position past the data") << c << Window::SpeaksUp;
  c = benchRecord();
  c.Pgn2DataLength = 3;
  QTest::newRow("type too big") << c << Window::SpeaksUp;
  c = benchRecord();
  c.Pgn1 = 262144;
  QTest::newRow("PGN 262144") << c << Window::Corrects;
  c = benchRecord();
  c.Pgn1 = 262144 + 65297;  // its low 18 bits: PF FF, PS 11
  QTest::newRow("PGN 327441") << c << Window::Corrects;
  c = benchRecord();
  c.Pgn2 = -126720;
  QTest::newRow("PGN -126720") << c << Window::Corrects;
  c = benchRecord();
  c.Pgn1UpdateRate = 6;
  QTest::newRow("rate beyond the list") << c << Window::SpeaksUp;
  c = benchRecord();
  c.Pgn2DataPage = 5;
  QTest::newRow("check box 5") << c << Window::SpeaksUp;
  c = benchRecord();
  c.DtcVersion = 4;
  QTest::newRow("DTC format 4") << c << Window::SpeaksUp;
  c = benchRecord();
  setVin(c, "KorvaneElectroni");
  QTest::newRow("VIN of 16") << c << Window::SpeaksUp;
}

void WindowAgreementTest::toolSendsWhatTheWindowSends() {
  QFETCH(SimulatorConfig, record);
  QFETCH(Window, window);
  const QString file = writeConfigFile(dir_, QStringLiteral("agreement.cfg"), record);

  Harness h;
  writeConfigFile(h.dir, QStringLiteral("j1939.cfg"), record);
  h.simulatorAccepts();
  h.start();
  h.ui().cmdConfig->click();

  const QStringList titles = h.messages.titles();
  const bool silent = titles == QStringList{QStringLiteral("config confirmation")};
  QVERIFY2(silent == (window == Window::Silent), qPrintable(titles.join(QStringLiteral(" | "))));

  const CfgRun refused = runCfg({QStringLiteral("program"), file, QStringLiteral("--port"),
                                 QStringLiteral("/dev/ttyNoSuchPort9")});
  if (window == Window::Silent) {
    // Past the record's checks, on to the port.
    QCOMPARE(refused.exitCode, 2);
  } else {
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.err.endsWith(QLatin1String("nothing was sent\n")), qPrintable(refused.err));
    if (window == Window::SpeaksUp) return;
  }
  const QByteArray v1 = fromHexLine(runCfg({"frame", file, "--version", "1.01"}).out);
  const QByteArray v2 = fromHexLine(runCfg({"frame", file, "--version", "2.00"}).out);
  QCOMPARE(v1, FrameBytes(h.window->state().ConfigFrameV1));
  QCOMPARE(v2, FrameBytes(h.window->state().ConfigFrameV2));
  QCOMPARE(h.port.written, fromHexLine(runCfg({"frame", file}).out));
}

J1939_TEST(WindowAgreementTest);
#include "tst_window_agreement.moc"
