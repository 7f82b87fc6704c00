#include "window/WindowPlacement.h"

#include <QEvent>
#include <QLayout>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cmath>

#include "rules/system/SettingsStore.h"

namespace j1939 {

namespace {
constexpr double kTwipsPerInch = 1440.0;

// The saved size is the frame's, and a window gets its frame only once it is
// shown (from the window manager, a moment later): the inside is then made
// smaller by the frame, once, so that the window does not grow by its frame
// at every start.
class FrameFit : public QObject {
 public:
  FrameFit(QWidget& window, const QRect& frame) : QObject(&window), window_(window), frame_(frame) {
    window.installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type != QEvent::Show && type != QEvent::Move && type != QEvent::Resize) return false;
    const QSize margins = window_.frameGeometry().size() - window_.size();
    if (!window_.isVisible() || margins.isNull()) return false;
    window_.removeEventFilter(this);
    window_.resize(frame_.size() - margins);
    window_.move(frame_.topLeft());
    deleteLater();
    return false;
  }

 private:
  QWidget& window_;
  QRect frame_;
};
}  // namespace

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

void FitToScreen(QWidget& window, const QScrollArea& scroll, const QLayout& around) {
  const QScreen* screen = window.screen();
  if (!screen) return;
  // The window manager's frame is known only once the window is shown: until
  // then, room is left for a title bar.
  QSize frame = window.frameGeometry().size() - window.size();
  if (frame.isNull()) frame.setHeight(window.style()->pixelMetric(QStyle::PM_TitleBarHeight));
  const QSize area = screen->availableGeometry().size() - frame;
  // Beside the form the layout's margins; above and below it the window's
  // other parts (menus, toolbar, buttons, status bar).
  const QMargins margins = around.contentsMargins();
  const QSize beside(margins.left() + margins.right(),
                     window.minimumSizeHint().height() - scroll.minimumSizeHint().height());
  const QWidget& form = *scroll.widget();
  // A scroll bar's width to spare, so that no bar appears at the very edge.
  const int bar = window.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const QSize whole = beside + form.minimumSizeHint() + QSize(bar, bar);
  const QSize natural = (beside + form.sizeHint()).boundedTo(area * 2 / 3);
  window.resize(natural.expandedTo(whole).boundedTo(area));
}

void CentreWindow(QWidget& window) {
  const QScreen* screen = window.screen();
  if (!screen) return;
  // A window that was never sized gets its natural size when it is first
  // shown; take it now, so that it is that size which is centred.
  if (!window.testAttribute(Qt::WA_Resized)) window.adjustSize();
  const QRect available = screen->availableGeometry();
  const QPoint centred =
      CentredTopLeft(available, window.frameGeometry(), screen->logicalDotsPerInchX(),
                     screen->logicalDotsPerInchY());
  // A window taller or wider than the area starts at its top left, so that
  // the title bar and the menus can be reached.
  window.move(std::max(centred.x(), available.left()), std::max(centred.y(), available.top()));
}

bool RestoreWindowGeometry(QWidget& window, SettingsStore& settings) {
  const QString section = QStringLiteral("Settings");
  const std::array keys = {QStringLiteral("MainLeft"), QStringLiteral("MainTop"),
                           QStringLiteral("MainWidth"), QStringLiteral("MainHeight")};
  std::array<int, keys.size()> twips{};
  for (std::size_t i = 0; i < keys.size(); ++i) {
    bool ok = false;
    twips[i] = settings.value(section, keys[i]).toInt(&ok);
    if (!ok) return false;
  }
  const QScreen* screen = window.screen();
  if (!screen) return false;
  const double dpiX = screen->logicalDotsPerInchX(), dpiY = screen->logicalDotsPerInchY();
  const QRect frame(static_cast<int>(std::lround(TwipsToPixels(twips[0], dpiX))),
                    static_cast<int>(std::lround(TwipsToPixels(twips[1], dpiY))),
                    static_cast<int>(std::lround(TwipsToPixels(twips[2], dpiX))),
                    static_cast<int>(std::lround(TwipsToPixels(twips[3], dpiY))));
  // Another screen, resolution or scale since then: the window is centred.
  if (frame.width() <= 0 || frame.height() <= 0 || !screen->availableGeometry().contains(frame))
    return false;
  const QSize margins = window.frameGeometry().size() - window.geometry().size();
  window.resize(frame.size() - margins);
  window.move(frame.topLeft());
  if (margins.isNull()) new FrameFit(window, frame);
  return true;
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

}  // namespace j1939
