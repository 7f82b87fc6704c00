#include "link/serial/PortOpening.h"

#include "link/serial/SerialPort.h"
#include "rules/system/SettingsStore.h"

namespace j1939 {

QString PlatformPortDevice(int portNumber) {
#ifdef Q_OS_WIN
  return QStringLiteral("COM%1").arg(portNumber);
#else
  return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}

QString PortDevice(const SettingsStore& settings, int portNumber) {
  const QString key = QStringLiteral("COM%1").arg(portNumber);
  if (settings.contains(kPortsSettingsSection, key)) {
    const QString device = settings.value(kPortsSettingsSection, key).trimmed();
    if (!device.isEmpty()) return device;
  }
  return PlatformPortDevice(portNumber);
}

void OpenPortSequence(SerialPort& port, const PortChoice& choice,
                      const std::function<void(const Failure&)>& report) {
  const auto step = [&](const MaybeFailure& failure) {
    if (failure) report(*failure);
  };
  // The old port goes first, so that a failed change leaves no port open.
  if (port.isOpen()) port.close();
  port.setDevice(choice.device);
  step(choice.noDevice);
  port.setReadLength(0);
  port.setReceiveBufferSize(kPortReceiveBufferSize);
  step(port.open());
  step(port.discardReceiveBuffer());
  step(port.discardTransmitBuffer());
  step(port.setLineSettings(kPortLineSettings));
}

}  // namespace j1939
