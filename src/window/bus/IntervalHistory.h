#pragma once

#include <QtGlobal>
#include <vector>

namespace j1939 {

// The intervals between the messages of one sender and group over the last
// minute, for a strip chart: in buckets of 100 ms, each with the least, the
// greatest and the mean interval that ended in it. A fixed ring, so that a
// group sent every millisecond costs no more than one sent every second.
class IntervalHistory {
 public:
  static constexpr int kBucketMs = 100;
  static constexpr int kSpanMs = 60000;

  struct Bucket {
    qint64 startMs = 0;
    double least = 0;
    double most = 0;
    double mean = 0;
  };

  // A message at `ms` (on the bus's clock): the interval since the one before.
  void add(qint64 ms);
  // The buckets of the 60 s up to `nowMs` that hold an interval, oldest first.
  std::vector<Bucket> lastMinute(qint64 nowMs) const;

 private:
  struct Slot {
    qint64 number = -1;  // the bucket it holds: ms / kBucketMs
    float least = 0;
    float most = 0;
    double sum = 0;
    int count = 0;
  };
  std::vector<Slot> slots_;  // made at the first interval
  qint64 lastMs_ = -1;
};

}  // namespace j1939
