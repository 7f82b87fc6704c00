#include "window/bus/IntervalChart.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <cmath>

namespace j1939 {

namespace {

// A scale's top: 1, 2 or 5 times a power of ten, at least `value`.
double niceCeiling(double value) {
  if (value <= 0) return 1;
  const double power = std::pow(10.0, std::floor(std::log10(value)));
  for (const double step : {1.0, 2.0, 5.0, 10.0})
    if (step * power >= value) return step * power;
  return 10 * power;
}

}  // namespace

IntervalChart::IntervalChart(QWidget* parent) : QWidget(parent) {
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(true);
}

QSize IntervalChart::sizeHint() const {
  return QSize(320, 140);
}

QSize IntervalChart::minimumSizeHint() const {
  return QSize(160, 90);
}

void IntervalChart::showIntervals(const QString& caption,
                                  const std::vector<IntervalHistory::Bucket>& buckets, qint64 nowMs,
                                  int configuredMs) {
  caption_ = caption;
  buckets_ = buckets;
  nowMs_ = nowMs;
  configuredMs_ = configuredMs;
  // What a screen reader says of the picture.
  QString description = caption.isEmpty() ? tr("No row selected") : caption;
  if (!buckets_.empty()) {
    double least = buckets_.front().least, most = buckets_.front().most;
    for (const IntervalHistory::Bucket& b : buckets_) {
      least = std::min(least, b.least);
      most = std::max(most, b.most);
    }
    description += tr(": intervals from %1 to %2 ms in the last minute").arg(least).arg(most);
  }
  if (configuredMs_ > 0) description += tr(", configured %1 ms").arg(configuredMs_);
  setAccessibleDescription(description);
  update();
}

void IntervalChart::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPalette& colours = palette();
  const QFontMetrics metrics = fontMetrics();
  const int line = metrics.height();
  painter.setPen(colours.color(QPalette::Text));
  if (caption_.isEmpty()) {
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap,
                     tr("Select a row to see the intervals between its messages"));
    return;
  }
  painter.drawText(QRect(4, 2, width() - 8, line), Qt::AlignLeft | Qt::AlignVCenter,
                   metrics.elidedText(caption_, Qt::ElideRight, width() - 8));

  double top = configuredMs_ * 1.5;
  for (const IntervalHistory::Bucket& b : buckets_) top = std::max(top, b.most);
  top = niceCeiling(top);
  const QString topText = tr("%1 ms").arg(top);
  const int left = metrics.horizontalAdvance(topText) + 8;
  const QRect plot(left, line + 6, std::max(10, width() - left - 6),
                   std::max(10, height() - 2 * line - 12));
  const auto y = [&](double ms) { return plot.bottom() - ms / top * plot.height(); };
  const auto x = [&](qint64 ms) {
    return plot.left() + double(ms - (nowMs_ - IntervalHistory::kSpanMs)) /
                             IntervalHistory::kSpanMs * plot.width();
  };

  painter.setPen(colours.color(QPalette::Mid));
  painter.drawRect(plot);
  painter.setPen(colours.color(QPalette::Text));
  painter.drawText(QRect(0, plot.top() - line / 2, left - 4, line), Qt::AlignRight, topText);
  painter.drawText(QRect(0, plot.bottom() - line / 2, left - 4, line), Qt::AlignRight,
                   QStringLiteral("0"));
  painter.drawText(QRect(plot.left(), plot.bottom() + 2, plot.width(), line), Qt::AlignLeft,
                   tr("\u221260 s"));
  painter.drawText(QRect(plot.left(), plot.bottom() + 2, plot.width(), line), Qt::AlignRight,
                   tr("now"));

  painter.setRenderHint(QPainter::Antialiasing);
  const QColor stroke = colours.color(QPalette::Highlight);
  for (const IntervalHistory::Bucket& b : buckets_) {
    const double at = x(b.startMs + IntervalHistory::kBucketMs / 2);
    painter.setPen(QPen(stroke, 1));
    painter.drawLine(QPointF(at, y(b.least)), QPointF(at, y(b.most)));
    painter.setPen(QPen(stroke, 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawPoint(QPointF(at, y(b.mean)));
  }
  if (configuredMs_ > 0) {
    painter.setPen(QPen(QColor(192, 0, 0), 1, Qt::DashLine));
    const double at = y(configuredMs_);
    painter.drawLine(QPointF(plot.left(), at), QPointF(plot.right(), at));
    painter.drawText(QRectF(plot.left() + 4, at - line - 1, plot.width() - 8, line),
                     Qt::AlignLeft | Qt::AlignBottom, tr("configured %1 ms").arg(configuredMs_));
  }
}

}  // namespace j1939

#include "moc_IntervalChart.cpp"
