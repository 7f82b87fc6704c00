#pragma once

#include <QPoint>
#include <QRect>

#include "rules/system/Failure.h"

class QLayout;
class QScrollArea;
class QWidget;

namespace j1939 {

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

// Sizes a window whose form scrolls in `scroll`, the layout `around` holding
// the scroll area among the window's other parts: the whole form in view where
// the screen has room for it, larger where the form's natural size fits two
// thirds of the screen (the size Qt gives a new window), at most the screen's
// available area, where the form scrolls and the rest stays in view.
void FitToScreen(QWidget& window, const QScrollArea& scroll, const QLayout& around);

// Centres the window on the available area of its screen (the screen less its
// panels), never above or left of that area.
void CentreWindow(QWidget& window);
// The geometry saved at the last exit, when it lies within the available area
// of a screen now: the window is put there and true returned.
bool RestoreWindowGeometry(QWidget& window, SettingsStore& settings);

// Saves left, top, width and height in twips under "Settings", keys
// "MainLeft", "MainTop", "MainWidth", "MainHeight", in that order; a failure
// says why the settings file could not be written.
MaybeFailure SaveWindowGeometry(const QWidget& window, SettingsStore& settings);

}  // namespace j1939
