#pragma once

#include <QList>
#include <QString>

namespace j1939 {

// A serial port that the system has now, as its driver describes it.
struct PresentPort {
  QString systemLocation;  // /dev/ttyUSB0, COM3
  QString description;     // FT232R USB UART
  QString manufacturer;    // FTDI
  QString serialNumber;    // A10K3XYZ
};

// The serial ports present on the host. Listing them asks every driver and
// reads the device database, so it is done when the user asks (the Ports
// dialog, "j1939cfg ports"); whether one named device is there is cheap.
class PortInventory {
 public:
  virtual ~PortInventory() = default;
  virtual QList<PresentPort> presentPorts() const = 0;
  virtual bool isPresent(const QString& device) const = 0;
};

class QtPortInventory : public PortInventory {
 public:
  QList<PresentPort> presentPorts() const override;
  // On Unix the device node exists (16 look-ups for the COM list's tooltips,
  // no enumeration); on Windows the port is among those listed.
  bool isPresent(const QString& device) const override;
};

// The file of a device as QSerialPort opens it: a bare name (ttyUSB0) is one
// under /dev on Unix.
QString DeviceNode(const QString& device);

// "/dev/ttyUSB0 — FT232R USB UART (FTDI, A10K3XYZ)": the device with what is
// known of it.
QString DescribePresentPort(const PresentPort& port);

}  // namespace j1939
