#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include "link/serial/PortInventory.h"

namespace j1939 {

class SettingsStore;

// COM1 to COM16 with the device each stands for and whether it is there, and
// the serial ports present that no COMn names.
struct PortList {
  struct Mapped {
    QString name;  // COM1
    QString device;
    bool present = false;
  };
  QList<Mapped> mapped;
  QList<PresentPort> unmapped;
};

PortList ListPorts(const SettingsStore& settings, const PortInventory& inventory);

// "COM1: /dev/ttyS0 (not present)" a line, then the ports no COMn names.
QString PortListText(const PortList& list);
// {"ports":[{"name","device","present"}...],"unmapped":[{"device","description",
// "manufacturer","serial_number"}...]}
QJsonObject PortListJson(const PortList& list);

}  // namespace j1939
