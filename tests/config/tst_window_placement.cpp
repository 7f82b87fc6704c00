#include <QtTest>

#include "support/TestMain.h"
#include "ui/WindowPlacement.h"

// The window's position and size in twips (1/1440 inch), and its centring.
class WindowPlacementTest : public QObject {
  Q_OBJECT
 private slots:
  void pixelsBecomeTwipsByTheScreenDensity_data();
  void pixelsBecomeTwipsByTheScreenDensity();
  void centringRoundsTheDifferenceThenHalvesIt_data();
  void centringRoundsTheDifferenceThenHalvesIt();
  void centredCornerIsOnTheWindowsScreen();
};

void WindowPlacementTest::pixelsBecomeTwipsByTheScreenDensity_data() {
  QTest::addColumn<int>("pixels");
  QTest::addColumn<double>("dpi");
  QTest::addColumn<int>("twips");
  QTest::newRow("96 dpi: 15 twips a pixel") << 800 << 96.0 << 12000;
  QTest::newRow("120 dpi: 12 twips a pixel") << 800 << 120.0 << 9600;
  QTest::newRow("144 dpi: 10 twips a pixel") << 37 << 144.0 << 370;
  QTest::newRow("72 dpi: 20 twips a pixel") << -5 << 72.0 << -100;
  QTest::newRow("110 dpi rounds to whole twips") << 3 << 110.0 << 39;  // 39.27
}

void WindowPlacementTest::pixelsBecomeTwipsByTheScreenDensity() {
  QFETCH(int, pixels);
  QFETCH(double, dpi);
  QFETCH(int, twips);
  QCOMPARE(PixelsToTwips(pixels, dpi), twips);
}

void WindowPlacementTest::centringRoundsTheDifferenceThenHalvesIt_data() {
  QTest::addColumn<double>("screen");
  QTest::addColumn<double>("window");
  QTest::addColumn<int>("offset");
  QTest::newRow("even difference") << 12000.0 << 11640.0 << 180;
  QTest::newRow("odd difference truncates") << 12000.0 << 11985.0 << 7;
  // The difference is rounded to whole twips before it is halved.
  QTest::newRow("fraction rounds up first") << 1000.0 << 898.4 << 51;    // 101.6 -> 102 -> 51
  QTest::newRow("fraction rounds down first") << 1000.0 << 898.6 << 50;  // 101.4 -> 101 -> 50
  QTest::newRow("negative fraction") << 9000.0 << 9363.6 << -182;        // -363.6 -> -364
  QTest::newRow("window wider than the screen") << 9000.0 << 9363.0 << -181;
  QTest::newRow("same size") << 9000.0 << 9000.0 << 0;
}

void WindowPlacementTest::centringRoundsTheDifferenceThenHalvesIt() {
  QFETCH(double, screen);
  QFETCH(double, window);
  QFETCH(int, offset);
  QCOMPARE(CentredOffsetTwips(screen, window), offset);
}

void WindowPlacementTest::centredCornerIsOnTheWindowsScreen() {
  // A second screen right of a 1920-pixel one, at 96 dpi (15 twips a pixel):
  // (1280 - 777) * 15 = 7545 twips, halved 3772, back to pixels 251.47 -> 251.
  const QRect screen(1920, 0, 1280, 1024);
  const QRect frame(0, 0, 777, 600);
  QCOMPARE(CentredTopLeft(screen, frame, 96.0, 96.0), QPoint(1920 + 251, 212));
  // At 120 dpi (12 twips a pixel) the same window: 6036 / 2 = 3018 twips = 251.5 -> 252.
  QCOMPARE(CentredTopLeft(screen, frame, 120.0, 120.0), QPoint(1920 + 252, 212));
}

J1939_TEST(WindowPlacementTest);
#include "tst_window_placement.moc"
