#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

#include "link/bus/CanDriver.h"
#include "rules/j1939/Identifier.h"
#include "rules/system/Failure.h"

namespace j1939 {

// Every installed plugin's interfaces; without the CAN module, no plugin and
// the module's failure to load.
CanInterfaceList AvailableCanInterfaces();

// One CAN interface, named PLUGIN:INTERFACE as Qt's CAN plugins know it:
// "socketcan:can0", "peakcan:usb0", "virtualcan:can0", or for a virtual bus of
// its own "virtualcan:tcp://127.0.0.1:35501/can0". J1939 frames are extended
// frames; frames with an 11-bit identifier, remote requests and error frames
// belong to no J1939 node and are not passed on.
class CanBus : public QObject, private CanDeviceListener {
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
  void framesReceived() override;
  void stateChanged(CanState state) override;
  void failed() override;
  void drop(const QString& reason);

  std::unique_ptr<CanDevice> device_;
  QString name_;
  QString sendFailure_;
  bool wasConnected_ = false;
};

}  // namespace j1939
