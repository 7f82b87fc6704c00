#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>
#include <vector>

#include "rules/j1939/DeviceExpectations.h"

namespace j1939 {

class CanBus;

// Plays the configured device on the CAN bus: Address Claimed when a
// configuration is taken, each group at its period on a timer of its own, the
// answers to Requests, the BAMs one at a time with their packets 50 ms apart,
// and the traffic of other nodes that --bus-load asks for. It waits for the
// bus to connect, and stops for good when the bus goes away.
class BusPlayer : public QObject {
  Q_OBJECT
 public:
  BusPlayer(CanBus& bus, int busLoad, QObject* parent = nullptr);
  ~BusPlayer() override;

  // Replaces whatever is played; says so in one line.
  void play(const DeviceExpectations& expectations);

 private:
  struct Playing {
    ExpectedGroup group;
    int64_t transmissions = 0;  // the step of a dynamic parameter's ramp
    QTimer timer;               // single-shot, set for the next due time
    int64_t dueMs = 0;          // on clock_
  };
  void start();
  void stop();
  void send(const CanFrame& frame);
  void transmit(Playing& playing);
  void transmitWhenDue(Playing& playing);
  void queueBam(const ExpectedGroup& group, const QByteArray& data);
  void sendNextPacket();
  void takeFrame(const CanFrame& frame);
  void sendLoad();
  Playing* playingFor(uint32_t pgn);

  CanBus& bus_;
  const int busLoad_;
  std::optional<DeviceExpectations> expectations_;
  std::vector<std::unique_ptr<Playing>> playing_;
  QList<CanFrame> bamUnderWay_;  // the packets still to send
  struct QueuedBam {
    uint32_t pgn;
    QList<CanFrame> frames;
  };
  QList<QueuedBam> bamQueue_;
  QTimer packetTimer_;
  QTimer loadTimer_;
  QElapsedTimer clock_;  // since the configuration began to play
  int64_t loadSent_ = 0;
  bool gone_ = false;
  bool sendFailureSaid_ = false;
};

}  // namespace j1939
