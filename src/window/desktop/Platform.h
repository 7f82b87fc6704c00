#pragma once

#include "link/serial/PortInventory.h"
#include "link/serial/SerialPort.h"
#include "rules/system/Clock.h"
#include "rules/system/SettingsStore.h"
#include "window/desktop/FileDialogs.h"
#include "window/desktop/MessageBoxes.h"

namespace j1939 {

// The seams through which the window reaches the desktop, the port, the ports
// present and the settings store. The program passes the Qt implementations;
// tests pass doubles.
struct Platform {
  MessageBoxes& messages;
  FileDialogs& fileDialogs;
  SerialPort& port;
  SettingsStore& settings;
  Clock& clock;
  PortInventory& portInventory;
};

// The real seams, owned together for the program's run.
class QtPlatform {
 public:
  Platform platform() { return {messages, fileDialogs, port, settings, clock, portInventory}; }
  void setOwner(QWidget* owner) {
    messages.setOwner(owner);
    fileDialogs.setOwner(owner);
  }

  QtMessageBoxes messages;
  QtFileDialogs fileDialogs;
  QtSerialPort port;
  QtSettingsStore settings;
  SteadyClock clock;
  QtPortInventory portInventory;
};

}  // namespace j1939
