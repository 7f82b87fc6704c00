#pragma once

// Virtual CAN buses of a test's own, the test's sender on one, and the
// configuration that j1939sim plays on them for the verdicts.

#include <QCanBus>
#include <QCanBusDevice>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>
#include <memory>

#include "rules/j1939/Identifier.h"
#include "support/Emulator.h"
#include "support/Records.h"

// Bus `number` of a test class's own range of ports, `buses` to a process from
// `first` on, below those that the system hands out: runs side by side never
// share one. The plugin serves one bus per process, on the first port it opens.
inline QString virtualBus(int first, int processes, int buses, int number) {
  const int port = first + static_cast<int>(QCoreApplication::applicationPid() % processes) * buses;
  return QStringLiteral("virtualcan:tcp://127.0.0.1:%1/can0").arg(port + number);
}

// The test's sender on `bus`; made first, it holds the bus's server.
class CanSender {
 public:
  explicit CanSender(const QString& bus) {
    device_.reset(QCanBus::instance()->createDevice("virtualcan", bus.mid(11)));
    QObject::connect(device_.get(), &QCanBusDevice::framesReceived, [this] {
      for (const QCanBusFrame& frame : device_->readAllFrames())
        heard.append({clock_.elapsed(), CanFrame{frame.frameId(), frame.payload()}});
    });
    clock_.start();
    device_->connectDevice();
    (void)until(device_.get(), &QCanBusDevice::stateChanged, [&] { return connected(); });
  }
  bool connected() const { return device_->state() == QCanBusDevice::ConnectedState; }
  // An 11-bit frame, not `extended`, is no J1939 message.
  void send(const CanFrame& frame, bool extended = true) {
    QCanBusFrame out(frame.identifier, frame.data);
    out.setExtendedFrameFormat(extended);
    device_->writeFrame(out);
  }
  // What the others sent, each with when it came (ms since the sender began).
  struct Heard {
    qint64 ms;
    CanFrame frame;
  };
  QList<Heard> heard;

 private:
  std::unique_ptr<QCanBusDevice> device_;
  QElapsedTimer clock_;
};

// The configuration j1939sim plays for the verdicts: "2.00", dynamic, slot 1
// PDU2 FF10 every 50 ms with 2 bytes at 3, slot 2 PDU1 1EF00 to 00 every
// 100 ms with 1 byte at 1, both one frame.
inline SimulatorConfig playedRecord(const std::function<void(SimulatorConfig&)>& edit = {}) {
  return benchRecord([&](SimulatorConfig& c) {
    c.Pgns[0] = {1, 1, 6, 0, 0, 0xFF, 0x10, 0xFF10, 8, 1, 3};
    c.Pgns[1] = {1, 2, 3, 1, 0, 0xEF, 0x00, 0x1EF00, 8, 0, 1};
    if (edit) edit(c);
  });
}
