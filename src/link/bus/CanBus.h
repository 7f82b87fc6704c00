#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

#include "rules/j1939/Identifier.h"
#include "rules/system/Failure.h"

class QCanBusDevice;

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
CanInterfaceList AvailableCanInterfaces();

// One CAN interface, named PLUGIN:INTERFACE as Qt's CAN plugins know it:
// "socketcan:can0", "peakcan:usb0", "virtualcan:can0", or for a virtual bus of
// its own "virtualcan:tcp://127.0.0.1:35501/can0". J1939 frames are extended
// frames; frames with an 11-bit identifier, remote requests and error frames
// belong to no J1939 node and are not passed on. Nothing else in the program
// talks to QCanBusDevice.
class CanBus : public QObject {
  Q_OBJECT
 public:
  explicit CanBus(QObject* parent = nullptr);
  ~CanBus() override;

  // Creates the device and starts connecting it; `connected` follows (at once
  // or later). A failure names the interface and says why.
  MaybeFailure open(const QString& name);
  bool isConnected() const;
  QString name() const { return name_; }
  // Queues one frame; false when the bus is not connected or the frame is refused.
  bool send(const CanFrame& frame);
  // The reason the last send failed.
  QString sendFailure() const { return sendFailure_; }
  // The interface's bit rate in bit/s where the plugin tells it (socketcan
  // often does not: the rate is set outside the program).
  std::optional<int> bitRate() const;

 signals:
  void connected();
  void received(const CanFrame& frame);
  // The bus went away (the interface removed, the virtual bus's server gone):
  // said once; the device is closed by then and `send` refuses.
  void lost(const QString& reason);

 private:
  void readFrames();
  void onStateChanged(int state);
  void onError(int error);
  void drop(const QString& reason);

  QCanBusDevice* device_ = nullptr;
  QString name_;
  QString sendFailure_;
  bool wasConnected_ = false;
};

}  // namespace j1939
