#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include "ConfigKit.h"
#include "fields/Controls.h"
#include "support/TestMain.h"
#include "ui/AppInfo.h"

using namespace configkit;

// The start-up and the end of a run: j1939.cfg read and written, the port
// closed, the window centred at start and its geometry kept at exit.
class ShutdownTest : public QObject {
  Q_OBJECT
 private slots:
  void windowIsCentredAtStart();
  void closingStoresWritesClosesAndKeepsTheGeometry();
  void closingMinimisedKeepsNoGeometry();
  void closingLeavesAClosedPortAlone();
  void theShutDownRunsOnce();
  void theAboutBoxClosesWithTheWindow();
  void fieldsThatCannotBeStoredKeepTheirValuesAndTheRestIsWritten();
  void endedDuringTheStartUpLeavesAnUnreadFileAlone();
  void endedDuringAMessageOfOpenWritesTheOpenedRecord();
};

namespace {

const QStringList kGeometryKeys{"Settings/MainLeft", "Settings/MainTop", "Settings/MainWidth",
                                "Settings/MainHeight"};

}  // namespace

void ShutdownTest::windowIsCentredAtStart() {
  Harness h;
  startOn(h, typicalConfig());
  const QRect screen = h.window->screen()->geometry();
  const QRect frame = h.window->frameGeometry();
  // Centred to the pixel, give or take the desktop's frame, which is not
  // known before the window is first shown, and one pixel of rounding.
  const int slackX = 1 + (frame.width() - h.window->width() + 1) / 2;
  const int slackY = 1 + (frame.height() - h.window->height() + 1) / 2;
  const int offX = frame.left() - screen.left() - (screen.width() - frame.width()) / 2;
  const int offY = frame.top() - screen.top() - (screen.height() - frame.height()) / 2;
  QVERIFY2(qAbs(offX) <= slackX, qPrintable(QStringLiteral("%1 px off").arg(offX)));
  QVERIFY2(qAbs(offY) <= slackY, qPrintable(QStringLiteral("%1 px off").arg(offY)));
  // Never read back: a saved geometry does not move the next start.
  QCOMPARE(h.settings.writes, QStringList());
}

void ShutdownTest::closingStoresWritesClosesAndKeepsTheGeometry() {
  Harness h;
  startOn(h, typicalConfig());
  QVERIFY(h.port.isOpen());
  typeOver(h.ui().txtJ1939Addr, QStringLiteral("4D"));
  h.window->move(h.window->pos() + QPoint(7, 3));
  const QRect frame = h.window->frameGeometry();
  const double dpiX = h.window->screen()->logicalDotsPerInchX();
  const double dpiY = h.window->screen()->logicalDotsPerInchY();
  h.port.log.clear();

  h.window->close();

  QCOMPARE(h.messages.titles(), QStringList());
  QCOMPARE(configIn(defaultPath(h)).SourceAddress, uint8_t(0x4D));
  QVERIFY(!h.port.isOpen());
  QCOMPARE(h.port.log, QStringList{"close"});
  QCOMPARE(h.settings.writes, kGeometryKeys);
  QCOMPARE(h.settings.values.value("Settings/MainLeft"),
           QString::number(qRound(frame.x() * 1440 / dpiX)));
  QCOMPARE(h.settings.values.value("Settings/MainTop"),
           QString::number(qRound(frame.y() * 1440 / dpiY)));
  QCOMPARE(h.settings.values.value("Settings/MainWidth"),
           QString::number(qRound(frame.width() * 1440 / dpiX)));
  QCOMPARE(h.settings.values.value("Settings/MainHeight"),
           QString::number(qRound(frame.height() * 1440 / dpiY)));
  QVERIFY(h.settings.syncs >= 1);
  QVERIFY(!h.window->isVisible());
}

void ShutdownTest::closingMinimisedKeepsNoGeometry() {
  Harness h;
  startOn(h, typicalConfig());
  typeOver(h.ui().txtJ1939Addr, QStringLiteral("4E"));
  h.window->showMinimized();
  QVERIFY(h.window->isMinimized());
  h.window->close();
  QCOMPARE(configIn(defaultPath(h)).SourceAddress, uint8_t(0x4E));
  QCOMPARE(h.settings.writes, QStringList());
  QVERIFY(!h.port.isOpen());
}

void ShutdownTest::closingLeavesAClosedPortAlone() {
  Harness h;
  QVERIFY(writeConfig(defaultPath(h), typicalConfig()));
  h.start();  // no port opens: the port selector said so
  QVERIFY(h.messages.titles().contains(kAppTitle));
  QVERIFY(!h.port.isOpen());
  h.port.log.clear();
  h.window->close();
  QCOMPARE(h.port.log, QStringList());
  QCOMPARE(fileBytes(defaultPath(h)), EncodeConfigRecord(typicalConfig()));
}

void ShutdownTest::theShutDownRunsOnce() {
  Harness h;
  startOn(h, typicalConfig());
  h.window->close();
  QVERIFY(h.window->hasShutDown());
  QVERIFY(writeBytes(defaultPath(h), QByteArray("left alone")));
  h.settings.writes.clear();
  h.window->close();
  h.window->Form_Unload();
  h.window->requestClose();
  QCOMPARE(fileBytes(defaultPath(h)), QByteArray("left alone"));
  QCOMPARE(h.settings.writes, QStringList());
  // The File commands have nothing left to work on.
  h.ui().mnuFileSave->trigger();
  QCOMPARE(fileBytes(defaultPath(h)), QByteArray("left alone"));
  QCOMPARE(h.messages.titles(), QStringList());
}

void ShutdownTest::theAboutBoxClosesWithTheWindow() {
  Harness h;
  startOn(h, typicalConfig());
  typeOver(h.ui().txtJ1939Addr, QStringLiteral("4F"));
  bool aboutWasOpen = false;
  // The system ends the run while the About box waits for its OK.
  QTimer::singleShot(0, h.window.get(), [&] {
    for (QWidget* window : QApplication::topLevelWidgets())
      if (qobject_cast<QDialog*>(window) && window->isVisible()) aboutWasOpen = true;
    h.window->requestClose();
  });
  h.window->mnuHelpAbout_Click();  // returns once the box has closed
  QVERIFY(aboutWasOpen);
  for (QWidget* window : QApplication::topLevelWidgets())
    QVERIFY2(!(qobject_cast<QDialog*>(window) && window->isVisible()),
             qPrintable(window->objectName()));
  QCOMPARE(configIn(defaultPath(h)).SourceAddress, uint8_t(0x4F));
  QCOMPARE(h.settings.writes, kGeometryKeys);
}

void ShutdownTest::fieldsThatCannotBeStoredKeepTheirValuesAndTheRestIsWritten() {
  Harness h;
  startOn(h, typicalConfig());
  auto& ui = h.ui();
  typeOver(ui.txtJ1939Addr, QStringLiteral("11"));         // before both
  setListIndex(ui.cmbParameterType1, -1);                  // cannot be stored
  ui.txtDeviceName0->setText(QStringLiteral("7A"));        // between them
  ui.txtVIN->setText(QStringLiteral("WDB9634031L12345"));  // cannot be stored
  setListIndex(ui.cmbCANBUSBaudRate, 0);                   // after both
  QByteArray fileWhenTold;
  h.messages.whileShown = [&](const ShownMessage&) { fileWhenTold = fileBytes(defaultPath(h)); };

  h.window->close();

  QCOMPARE(h.messages.titles(), QStringList{kConfigNotStoredTitle});
  QCOMPARE(
      h.messages.shown[0].prompt,
      QStringLiteral("%1 was written, but these fields could not be stored and kept their "
                     "earlier values: Parameter Type of Additional PGN1 (cmbParameterType1): "
                     "no entry is selected; VIN (txtVIN): it has 16 characters; a VIN needs 17.")
          .arg(defaultPath(h)));
  const SimulatorConfig stored = configIn(defaultPath(h));
  QCOMPARE(fileWhenTold, fileBytes(defaultPath(h)));  // written before the message
  QCOMPARE(stored.SourceAddress, uint8_t(0x11));
  QCOMPARE(stored.Pgn1ParamType, uint8_t(1));
  QCOMPARE(stored.DeviceName[0], uint8_t(0x7A));
  QCOMPARE(vinOf(stored), QStringLiteral("WDB9634031L123456"));
  QCOMPARE(stored.CanBaudRate, int16_t(0));
  // And the exit went on to its end.
  QCOMPARE(h.settings.writes, kGeometryKeys);
}

void ShutdownTest::endedDuringTheStartUpLeavesAnUnreadFileAlone() {
  Harness h;
  portsOpen(h);
  const QByteArray cut = EncodeConfigRecord(typicalConfig()).left(30);
  QVERIFY(writeBytes(defaultPath(h), cut));
  // The system ends the run while the start-up's first message waits.
  h.messages.whileShown = [&](const ShownMessage&) { h.window->requestClose(); };
  h.start();
  h.messages.whileShown = nullptr;
  QCOMPARE(h.messages.titles(), QStringList{kConfigFileErrorTitle});
  QVERIFY(h.window->hasShutDown());
  // The record was never shown, so the half-made form is not stored, and the
  // file that could not be read is not overwritten.
  QCOMPARE(h.ui().txtJ1939Addr->text(), QStringLiteral("0"));
  QCOMPARE(fileBytes(defaultPath(h)), cut);
  QVERIFY(!h.port.isOpen());
  QCOMPARE(h.port.log.filter(QStringLiteral("open")), QStringList());
}

void ShutdownTest::endedDuringAMessageOfOpenWritesTheOpenedRecord() {
  Harness h;
  startOn(h, typicalConfig());
  // Data length 1 under "2 Bytes" makes the loading say so, halfway through.
  SimulatorConfig bench = typicalConfig();
  bench.SourceAddress = 0x35;
  bench.Pgn1DataLength = 1;
  bench.DeviceName = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0x27};
  setVin(bench, "1FTEW1EP5MKD00001");
  QVERIFY(writeConfig(h.path("bench.cfg"), bench));
  h.messages.whileShown = [&](const ShownMessage&) { h.window->requestClose(); };
  h.fileDialogs.answers << h.path("bench.cfg");
  h.ui().mnuFileOpen->trigger();
  QVERIFY(h.window->hasShutDown());
  QCOMPARE(fileBytes(defaultPath(h)), EncodeConfigRecord(bench));
}

J1939_TEST(ShutdownTest);
#include "tst_shutdown.moc"
