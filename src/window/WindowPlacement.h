#pragma once

#include <QPoint>
#include <QRect>

#include "rules/system/Failure.h"

class QWidget;
class SettingsStore;

// Window positions and sizes are kept in twips, 1/1440 inch, so that the saved
// geometry means the same on screens of different pixel density.
int PixelsToTwips(int pixels, double logicalDpi);
double TwipsToPixels(double twips, double logicalDpi);

// Where a window of `windowTwips` goes on a screen of `screenTwips`: the
// difference rounded to whole twips (half to even), then halved, truncating.
int CentredOffsetTwips(double screenTwips, double windowTwips);

// The top-left corner, in pixels, that centres `frame` on `screen` (both in
// pixels) for a screen of the given logical DPI, computed in twips.
QPoint CentredTopLeft(const QRect& screen, const QRect& frame, double dpiX, double dpiY);

// Centres the window on its screen.
void CentreWindow(QWidget& window);

// Saves left, top, width and height in twips under "Settings", keys
// "MainLeft", "MainTop", "MainWidth", "MainHeight", in that order; a failure
// says why the settings file could not be written.
MaybeFailure SaveWindowGeometry(const QWidget& window, SettingsStore& settings);
