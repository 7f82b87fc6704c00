#include "window/WindowPlacement.h"

#include <QScreen>
#include <QWidget>
#include <cmath>

#include "rules/system/SettingsStore.h"

namespace {
constexpr double kTwipsPerInch = 1440.0;
}

int PixelsToTwips(int pixels, double logicalDpi) {
  return static_cast<int>(std::lround(pixels * kTwipsPerInch / logicalDpi));
}

double TwipsToPixels(double twips, double logicalDpi) {
  return twips * logicalDpi / kTwipsPerInch;
}

int CentredOffsetTwips(double screenTwips, double windowTwips) {
  // nearbyint rounds half to even in the default rounding mode; the integer
  // division then truncates toward zero.
  const auto difference = static_cast<long long>(std::nearbyint(screenTwips - windowTwips));
  return static_cast<int>(difference / 2);
}

QPoint CentredTopLeft(const QRect& screen, const QRect& frame, double dpiX, double dpiY) {
  const double twipsPerPixelX = kTwipsPerInch / dpiX;
  const double twipsPerPixelY = kTwipsPerInch / dpiY;
  const int leftTwips =
      CentredOffsetTwips(screen.width() * twipsPerPixelX, frame.width() * twipsPerPixelX);
  const int topTwips =
      CentredOffsetTwips(screen.height() * twipsPerPixelY, frame.height() * twipsPerPixelY);
  return screen.topLeft() + QPoint(static_cast<int>(std::lround(TwipsToPixels(leftTwips, dpiX))),
                                   static_cast<int>(std::lround(TwipsToPixels(topTwips, dpiY))));
}

void CentreWindow(QWidget& window) {
  const QScreen* screen = window.screen();
  if (!screen) return;
  // A window that was never sized gets its natural size when it is first
  // shown; take it now, so that it is that size which is centred.
  if (!window.testAttribute(Qt::WA_Resized)) window.adjustSize();
  window.move(CentredTopLeft(screen->geometry(), window.frameGeometry(),
                             screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY()));
}

MaybeFailure SaveWindowGeometry(const QWidget& window, SettingsStore& settings) {
  const QScreen* screen = window.screen();
  const double dpiX = screen ? screen->logicalDotsPerInchX() : 96.0;
  const double dpiY = screen ? screen->logicalDotsPerInchY() : 96.0;
  const QRect frame = window.frameGeometry();
  const QString section = QStringLiteral("Settings");
  settings.setValue(section, QStringLiteral("MainLeft"),
                    QString::number(PixelsToTwips(frame.x(), dpiX)));
  settings.setValue(section, QStringLiteral("MainTop"),
                    QString::number(PixelsToTwips(frame.y(), dpiY)));
  settings.setValue(section, QStringLiteral("MainWidth"),
                    QString::number(PixelsToTwips(frame.width(), dpiX)));
  settings.setValue(section, QStringLiteral("MainHeight"),
                    QString::number(PixelsToTwips(frame.height(), dpiY)));
  return settings.sync();
}
