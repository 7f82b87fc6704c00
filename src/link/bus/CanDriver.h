#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <utility>

#include "rules/j1939/Identifier.h"

// The seam between the programs and Qt SerialBus. Qt SerialBus brings Qt
// Network and its Kerberos and proxy libraries with it, a seventh of the
// configurator's start-up, while most runs never open a CAN bus; so the code
// that talks to QCanBus lives in a module of its own, libj1939canbus.so, that
// is loaded the first time a bus is listed or opened. Only Qt Core's and the
// standard library's types cross this seam.

namespace j1939 {

// One interface that a CAN plugin finds, as QCanBus lists it.
struct CanInterface {
  QString plugin;       // "socketcan"
  QString name;         // "can0"
  QString description;  // the driver's words, "Qt Virtual CAN bus"
  bool isVirtual = false;
  bool flexibleDataRate = false;
};

// The interfaces of every installed plugin, and the plugins that could not
// look (a vendor library missing) with their reason.
struct CanInterfaceList {
  QStringList plugins;
  QList<CanInterface> interfaces;
  QList<std::pair<QString, QString>> failures;  // plugin, reason
};

// A CAN device's connection, as QCanBusDevice's states are.
enum class CanState { Unconnected, Connecting, Connected, Closing };

// What a device tells its owner, on the owner's thread, from the device's own
// signals: the owner may release the device from any of these.
class CanDeviceListener {
 public:
  virtual void framesReceived() = 0;
  virtual void stateChanged(CanState state) = 0;
  // Any error but a frame that could not be queued, which `write` reports.
  virtual void failed() = 0;

 protected:
  ~CanDeviceListener() = default;
};

// One opened QCanBusDevice.
class CanDevice {
 public:
  virtual ~CanDevice() = default;
  virtual bool connectDevice() = 0;
  virtual CanState state() const = 0;
  virtual QString errorString() const = 0;
  // False when the device refuses the frame (errorString says why).
  virtual bool write(const CanFrame& frame) = 0;
  // The valid data frames with an extended (29-bit) identifier received since
  // the last call; the others belong to no J1939 node.
  virtual QList<CanFrame> readJ1939Frames() = 0;
  virtual std::optional<int> bitRate() const = 0;
  // Stops telling the listener and deletes the device (this object too) once
  // the event loop is back, so that it may be called from the listener's calls.
  virtual void closeLater() = 0;
};

class CanDriver {
 public:
  virtual CanInterfaceList interfaces() = 0;
  virtual QStringList plugins() = 0;
  // A device of `plugin` on `interface`, not yet connected; on failure none,
  // with the plugin's reason in `error`.
  virtual std::unique_ptr<CanDevice> create(const QString& plugin, const QString& interface,
                                            CanDeviceListener& listener, QString& error) = 0;

 protected:
  ~CanDriver() = default;
};

// The module's driver, loaded at the first call; none when the module cannot
// be loaded, with the loader's reason in `error`.
CanDriver* LoadCanDriver(QString& error);

}  // namespace j1939

// The module's one entry point.
extern "C" j1939::CanDriver* j1939CanDriver();
