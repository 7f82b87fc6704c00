#include "apps/j1939cfg/PortList.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QSet>

#include "link/serial/PortOpening.h"
#include "rules/system/SettingsStore.h"

namespace j1939 {

namespace {

// Where a name leads: /dev/serial/by-id/usb-FTDI_... and ttyUSB0 are /dev/ttyUSB0.
QString resolvedNode(const QString& device) {
  const QString node = DeviceNode(device);
  const QString target = QFileInfo(node).canonicalFilePath();
  return target.isEmpty() ? node : target;
}

QString translated(const char* text) {
  return QCoreApplication::translate("PortList", text);
}

}  // namespace

PortList ListPorts(const SettingsStore& settings, const PortInventory& inventory) {
  PortList list;
  QSet<QString> named;
  for (int n = 1; n <= kComPortCount; ++n) {
    const QString device = PortDevice(settings, n);
    list.mapped.append({QStringLiteral("COM%1").arg(n), device, inventory.isPresent(device)});
    named.insert(resolvedNode(device));
  }
  for (const PresentPort& port : inventory.presentPorts())
    if (!named.contains(resolvedNode(port.systemLocation))) list.unmapped.append(port);
  return list;
}

QString PortListText(const PortList& list) {
  QString text;
  for (const PortList::Mapped& port : list.mapped)
    text += QStringLiteral("%1: %2 (%3)\n")
                .arg(port.name, port.device,
                     port.present ? translated("present") : translated("not present"));
  if (list.unmapped.isEmpty())
    return text + translated("Present, named by no COM port: none") + '\n';
  text += translated("Present, named by no COM port:") + '\n';
  for (const PresentPort& port : list.unmapped)
    text += QStringLiteral("  ") + DescribePresentPort(port) + '\n';
  return text;
}

QJsonObject PortListJson(const PortList& list) {
  QJsonArray mapped, unmapped;
  for (const PortList::Mapped& port : list.mapped)
    mapped.append(QJsonObject{{QStringLiteral("name"), port.name},
                              {QStringLiteral("device"), port.device},
                              {QStringLiteral("present"), port.present}});
  for (const PresentPort& port : list.unmapped)
    unmapped.append(QJsonObject{{QStringLiteral("device"), port.systemLocation},
                                {QStringLiteral("description"), port.description},
                                {QStringLiteral("manufacturer"), port.manufacturer},
                                {QStringLiteral("serial_number"), port.serialNumber}});
  return {{QStringLiteral("ports"), mapped}, {QStringLiteral("unmapped"), unmapped}};
}

}  // namespace j1939
