// libj1939canbus.so: the program's one user of Qt SerialBus, loaded on demand.
#include <QCanBus>
#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QObject>
#include <QVariant>

#include "link/bus/CanDriver.h"

namespace j1939 {
namespace {

CanState stateOf(QCanBusDevice::CanBusDeviceState state) {
  switch (state) {
    case QCanBusDevice::ConnectingState:
      return CanState::Connecting;
    case QCanBusDevice::ConnectedState:
      return CanState::Connected;
    case QCanBusDevice::ClosingState:
      return CanState::Closing;
    case QCanBusDevice::UnconnectedState:
      break;
  }
  return CanState::Unconnected;
}

class QtCanDevice final : public CanDevice {
 public:
  QtCanDevice(QCanBusDevice* device, CanDeviceListener& listener) : device_(device) {
    QObject::connect(device_, &QCanBusDevice::framesReceived, &listening_,
                     [&listener] { listener.framesReceived(); });
    QObject::connect(device_, &QCanBusDevice::stateChanged, &listening_,
                     [&listener](QCanBusDevice::CanBusDeviceState state) {
                       listener.stateChanged(stateOf(state));
                     });
    // A frame that could not be queued is the sender's to report; the bus is still there.
    QObject::connect(device_, &QCanBusDevice::errorOccurred, &listening_,
                     [&listener](QCanBusDevice::CanBusError error) {
                       if (error != QCanBusDevice::WriteError && error != QCanBusDevice::NoError)
                         listener.failed();
                     });
  }

  ~QtCanDevice() override {
    if (device_ == nullptr) return;
    stopListening();
    if (device_->state() != QCanBusDevice::UnconnectedState) device_->disconnectDevice();
    delete device_;
  }

  bool connectDevice() override { return device_->connectDevice(); }
  CanState state() const override { return stateOf(device_->state()); }
  QString errorString() const override { return device_->errorString(); }

  bool write(const CanFrame& frame) override {
    QCanBusFrame out(frame.identifier & kIdentifierMask, frame.data);
    out.setExtendedFrameFormat(true);
    return device_->writeFrame(out);
  }

  QList<CanFrame> readJ1939Frames() override {
    QList<CanFrame> frames;
    for (const QCanBusFrame& frame : device_->readAllFrames()) {
      if (!frame.isValid() || frame.frameType() != QCanBusFrame::DataFrame ||
          !frame.hasExtendedFrameFormat())
        continue;
      frames.append(CanFrame{frame.frameId(), frame.payload()});
    }
    return frames;
  }

  std::optional<int> bitRate() const override {
    bool ok = false;
    const int rate = device_->configurationParameter(QCanBusDevice::BitRateKey).toInt(&ok);
    if (!ok || rate <= 0) return std::nullopt;
    return rate;
  }

  void closeLater() override {
    stopListening();
    device_->deleteLater();
    device_ = nullptr;
    delete this;
  }

 private:
  // Only the connections made here: a plugin may listen to its own device.
  void stopListening() { QObject::disconnect(device_, nullptr, &listening_, nullptr); }

  QCanBusDevice* device_;
  QObject listening_;  // the context of the listener's connections
};

class QtCanDriver final : public CanDriver {
 public:
  CanInterfaceList interfaces() override {
    CanInterfaceList list;
    list.plugins = plugins();
    for (const QString& plugin : list.plugins) {
      QString error;
      const QList<QCanBusDeviceInfo> found = QCanBus::instance()->availableDevices(plugin, &error);
      if (!error.isEmpty()) list.failures.append({plugin, error});
      for (const QCanBusDeviceInfo& info : found)
        list.interfaces.append(CanInterface{info.plugin().isEmpty() ? plugin : info.plugin(),
                                            info.name(), info.description(), info.isVirtual(),
                                            info.hasFlexibleDataRate()});
    }
    return list;
  }

  QStringList plugins() override { return QCanBus::instance()->plugins(); }

  std::unique_ptr<CanDevice> create(const QString& plugin, const QString& interface,
                                    CanDeviceListener& listener, QString& error) override {
    QCanBusDevice* device = QCanBus::instance()->createDevice(plugin, interface, &error);
    if (device == nullptr) return nullptr;
    if (device->error() != QCanBusDevice::NoError) {
      error = device->errorString();
      delete device;
      return nullptr;
    }
    return std::make_unique<QtCanDevice>(device, listener);
  }
};

}  // namespace
}  // namespace j1939

extern "C" Q_DECL_EXPORT j1939::CanDriver* j1939CanDriver() {
  static j1939::QtCanDriver driver;
  return &driver;
}
