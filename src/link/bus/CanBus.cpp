#include "link/bus/CanBus.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QVariant>

namespace j1939 {

CanInterfaceList AvailableCanInterfaces() {
  CanInterfaceList list;
  list.plugins = QCanBus::instance()->plugins();
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

CanBus::CanBus(QObject* parent) : QObject(parent) {}

CanBus::~CanBus() {
  if (device_ != nullptr) {
    device_->disconnect(this);
    if (device_->state() != QCanBusDevice::UnconnectedState) device_->disconnectDevice();
    delete device_;
  }
}

MaybeFailure CanBus::open(const QString& name) {
  name_ = name;
  const qsizetype colon = name.indexOf(QLatin1Char(':'));
  if (colon <= 0 || colon == name.size() - 1)
    return Failure{name, QStringLiteral("a CAN interface is named PLUGIN:INTERFACE, e.g. "
                                        "socketcan:can0 or virtualcan:can0")};
  const QString plugin = name.left(colon);
  if (!QCanBus::instance()->plugins().contains(plugin))
    return Failure{name,
                   QStringLiteral("no CAN plugin \"%1\" (there are: %2)")
                       .arg(plugin, QCanBus::instance()->plugins().join(QStringLiteral(", ")))};
  QString error;
  QCanBusDevice* device = QCanBus::instance()->createDevice(plugin, name.mid(colon + 1), &error);
  if (device == nullptr) return Failure{name, error};
  if (device->error() != QCanBusDevice::NoError) {
    const Failure failure{name, device->errorString()};
    delete device;
    return failure;
  }
  device->setParent(this);
  device_ = device;
  connect(device_, &QCanBusDevice::framesReceived, this, &CanBus::readFrames);
  connect(device_, &QCanBusDevice::stateChanged, this,
          [this](QCanBusDevice::CanBusDeviceState state) { onStateChanged(state); });
  connect(device_, &QCanBusDevice::errorOccurred, this,
          [this](QCanBusDevice::CanBusError error) { onError(error); });
  if (!device_->connectDevice()) {
    const Failure failure{name, device_->errorString()};
    delete device_;
    device_ = nullptr;
    return failure;
  }
  return std::nullopt;
}

bool CanBus::isConnected() const {
  return device_ != nullptr && device_->state() == QCanBusDevice::ConnectedState;
}

std::optional<int> CanBus::bitRate() const {
  if (device_ == nullptr) return std::nullopt;
  bool ok = false;
  const int rate = device_->configurationParameter(QCanBusDevice::BitRateKey).toInt(&ok);
  if (!ok || rate <= 0) return std::nullopt;
  return rate;
}

bool CanBus::send(const CanFrame& frame) {
  if (!isConnected()) {
    sendFailure_ = QStringLiteral("the bus is not connected");
    return false;
  }
  QCanBusFrame out(frame.identifier & kIdentifierMask, frame.data);
  out.setExtendedFrameFormat(true);
  if (device_->writeFrame(out)) return true;
  sendFailure_ = device_->errorString();
  return false;
}

void CanBus::readFrames() {
  if (device_ == nullptr) return;
  for (const QCanBusFrame& frame : device_->readAllFrames()) {
    if (!frame.isValid() || frame.frameType() != QCanBusFrame::DataFrame ||
        !frame.hasExtendedFrameFormat())
      continue;
    emit received(CanFrame{frame.frameId(), frame.payload()});
  }
}

void CanBus::onStateChanged(int state) {
  if (state == QCanBusDevice::ConnectedState) {
    wasConnected_ = true;
    emit connected();
  } else if (state == QCanBusDevice::UnconnectedState) {
    drop(wasConnected_ ? QStringLiteral("the connection closed")
                       : QStringLiteral("it did not connect"));
  }
}

void CanBus::onError(int error) {
  // A frame that could not be queued is the sender's to report; the bus is still there.
  if (error == QCanBusDevice::WriteError || error == QCanBusDevice::NoError) return;
  drop(device_ != nullptr ? device_->errorString() : QString());
}

void CanBus::drop(const QString& reason) {
  if (device_ == nullptr) return;
  QCanBusDevice* device = device_;
  device_ = nullptr;
  device->disconnect(this);
  device->deleteLater();
  emit lost(reason.isEmpty() ? QStringLiteral("the bus went away") : reason);
}

}  // namespace j1939

#include "moc_CanBus.cpp"
