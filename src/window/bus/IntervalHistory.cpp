#include "window/bus/IntervalHistory.h"

#include <algorithm>
#include <utility>

namespace j1939 {

namespace {
constexpr qint64 kSlots = IntervalHistory::kSpanMs / IntervalHistory::kBucketMs;
}

void IntervalHistory::add(qint64 ms) {
  const qint64 previous = std::exchange(lastMs_, ms);
  if (previous < 0) return;
  const auto interval = static_cast<float>(ms - previous);
  if (slots_.empty()) slots_.resize(static_cast<std::size_t>(kSlots));
  const qint64 number = ms / kBucketMs;
  Slot& slot = slots_[static_cast<std::size_t>(number % kSlots)];
  if (slot.number != number) slot = Slot{number, interval, interval, 0, 0};
  slot.least = std::min(slot.least, interval);
  slot.most = std::max(slot.most, interval);
  slot.sum += interval;
  ++slot.count;
}

std::vector<IntervalHistory::Bucket> IntervalHistory::lastMinute(qint64 nowMs) const {
  std::vector<Bucket> buckets;
  if (slots_.empty()) return buckets;
  const qint64 newest = nowMs / kBucketMs;
  for (qint64 number = newest - kSlots + 1; number <= newest; ++number) {
    if (number < 0) continue;
    const Slot& slot = slots_[static_cast<std::size_t>(number % kSlots)];
    if (slot.number != number || slot.count == 0) continue;
    buckets.push_back(Bucket{number * kBucketMs, slot.least, slot.most, slot.sum / slot.count});
  }
  return buckets;
}

}  // namespace j1939
