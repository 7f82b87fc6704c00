#pragma once

#include <QString>
#include <functional>

#include "link/serial/SerialPort.h"
#include "rules/system/Failure.h"

namespace j1939 {

class SettingsStore;

// Which device a COM port stands for, and how the port to the simulator is
// opened: the same for the window's COM list and for the command-line tool.

inline constexpr int kComPortCount = 16;  // COM1 to COM16
inline constexpr int kPortReceiveBufferSize = 1024;
inline constexpr LineSettings kPortLineSettings{9600, QSerialPort::NoParity, QSerialPort::Data8,
                                                QSerialPort::OneStop};
// The settings-store section that maps COMn to a device, e.g. COM1=/dev/ttyUSB0.
inline const QString kPortsSettingsSection = QStringLiteral("Ports");

// The platform's own name of port n (1 for COM1): COMn on Windows,
// /dev/ttyS<n-1> elsewhere.
QString PlatformPortDevice(int portNumber);

// The device that COMn stands for: the one named in the settings store under
// section "Ports", key "COMn", else the platform's own name of the port.
QString PortDevice(const SettingsStore& settings, int portNumber);

// A COM port that the configurator's command line points at a device for
// this run only: read before the settings store's mapping and never written
// to it. `emulator` says that the emulator j1939sim serves the device.
struct RunPort {
  int number = 0;  // 1 for COM1
  QString device;
  bool emulator = false;
};

// The port to open: its device, or the reason why there is none.
struct PortChoice {
  QString device;
  MaybeFailure noDevice;
};

// The open sequence, in this order: close the port if it is open; name the
// device; read length 0 (a read takes every waiting byte); receive buffer of
// 1024 bytes; open; discard the receive buffer; discard the transmit buffer;
// 9600,N,8,1. The line settings follow the open: the port opens with the
// settings it had and is switched at once. Each step that fails is passed to
// `report` (a missing device first, when there is none) and the next step runs.
void OpenPortSequence(SerialPort& port, const PortChoice& choice,
                      const std::function<void(const Failure&)>& report);

}  // namespace j1939
