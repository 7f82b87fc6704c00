#pragma once

#include <QString>
#include <QWidget>
#include <vector>

#include "window/bus/IntervalHistory.h"

namespace j1939 {

// A strip chart of the intervals between the messages of one row over the
// last minute: a stroke per 100 ms from the least to the greatest interval,
// the mean marked, and the configured rate as a line across.
class IntervalChart : public QWidget {
  Q_OBJECT
 public:
  explicit IntervalChart(QWidget* parent = nullptr);

  // What to draw: the row's name, its buckets up to `nowMs`, and its
  // configured period (0 for none). An empty caption draws the hint alone.
  void showIntervals(const QString& caption, const std::vector<IntervalHistory::Bucket>& buckets,
                     qint64 nowMs, int configuredMs);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString caption_;
  std::vector<IntervalHistory::Bucket> buckets_;
  qint64 nowMs_ = 0;
  int configuredMs_ = 0;
};

}  // namespace j1939
