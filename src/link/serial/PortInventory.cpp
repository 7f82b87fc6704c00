#include "link/serial/PortInventory.h"

#include <QFileInfo>
#include <QSerialPortInfo>
#include <QStringList>

namespace j1939 {

QList<PresentPort> QtPortInventory::presentPorts() const {
  QList<PresentPort> ports;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
    ports.append(
        {info.systemLocation(), info.description(), info.manufacturer(), info.serialNumber()});
  return ports;
}

bool QtPortInventory::isPresent(const QString& device) const {
#ifdef Q_OS_WIN
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
    if (info.portName().compare(device, Qt::CaseInsensitive) == 0) return true;
  return false;
#else
  return QFileInfo::exists(DeviceNode(device));
#endif
}

QString DeviceNode(const QString& device) {
#ifdef Q_OS_UNIX
  if (!device.isEmpty() && !device.contains(QLatin1Char('/')))
    return QStringLiteral("/dev/") + device;
#endif
  return device;
}

QString DescribePresentPort(const PresentPort& port) {
  QStringList maker;
  for (const QString& part : {port.manufacturer, port.serialNumber})
    if (!part.isEmpty()) maker << part;
  QString text = port.systemLocation;
  if (!port.description.isEmpty()) text += QStringLiteral(" — ") + port.description;
  if (!maker.isEmpty())
    text += (port.description.isEmpty() ? QStringLiteral(" — (%1)") : QStringLiteral(" (%1)"))
                .arg(maker.join(QStringLiteral(", ")));
  return text;
}

}  // namespace j1939
