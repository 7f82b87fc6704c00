#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

namespace j1939 {

// A monotonic elapsed-time clock: it never wraps at midnight and never jumps
// with the wall clock.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual qint64 elapsedMs() const = 0;
};

class SteadyClock : public Clock {
 public:
  SteadyClock() { timer_.start(); }
  qint64 elapsedMs() const override { return timer_.elapsed(); }

 private:
  QElapsedTimer timer_;
};

}  // namespace j1939
