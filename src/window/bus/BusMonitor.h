#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>
#include <unordered_map>

#include "rules/j1939/BusTraffic.h"
#include "rules/j1939/DeviceExpectations.h"
#include "rules/j1939/Verification.h"
#include "window/bus/IntervalHistory.h"

namespace j1939 {

class BusVerification;
class CanBus;

// How the messages of one sender and group stand against what the form
// shows: every expectation about them holds, one does not, or the bus has not
// been listened to for long enough to tell.
struct RowMark {
  enum class Kind { Holds, Fails, Listening };
  Kind kind = Kind::Listening;
  QString toolTip;  // a line per expectation

  friend bool operator==(const RowMark&, const RowMark&) = default;
};

// The window's end of a CAN bus. It connects without waiting for the
// interface, decodes every frame as it comes (the decoder and the tally of
// the bench tool), keeps a minute of intervals per sender and group, and
// judges what the device sends against what the form shows. After "Program
// Config" it checks the device as `j1939cfg verify` does. No widgets: the Bus
// dock shows what it holds.
class BusMonitor : public QObject {
  Q_OBJECT
 public:
  enum class State { NotConnected, Connecting, Connected, Failed, Lost };

  explicit BusMonitor(QObject* parent = nullptr);
  ~BusMonitor() override;

  // Starts connecting to PLUGIN:INTERFACE; `stateChanged` follows. What came
  // from an earlier bus is forgotten.
  void connectTo(const QString& interface);
  void disconnectBus();
  State state() const { return state_; }
  bool isConnected() const { return state_ == State::Connected; }
  QString interfaceName() const { return interface_; }
  // Why there is no bus (Failed, Lost).
  QString reason() const { return reason_; }
  std::optional<int> bitRate() const;

  // The clock every message is timed on.
  qint64 nowMs() const { return clock_.elapsed(); }
  qint64 frames() const { return frames_; }
  qint64 transportFaults() const { return faults_; }
  const BusTally& tally() const { return tally_; }
  const IntervalHistory* history(SourceGroup row) const;
  // Reports the BAMs whose sender fell silent: call it now and then.
  void expire();

  // What the form shows now, as the device would play it; none where the
  // form makes no configuration frame.
  void setExpectations(const std::optional<DeviceExpectations>& expectations, int bitRateKbps);
  const std::optional<DeviceExpectations>& expectations() const { return expectations_; }
  // The rows of the configured groups (Address Claimed, PGN1, PGN2, VIN)
  // against those expectations over their listening time, by rowKey().
  QHash<uint32_t, RowMark> judge();

  // "Program Config" was accepted: checks the device over the next seconds
  // and says the outcome in `checkSaid`; the marks start afresh. False
  // without a bus.
  bool check(const DeviceExpectations& expectations, int bitRateKbps);
  bool isChecking() const;

  // The CAN plugins tell of their servers, clients and vendor libraries on
  // the terminal; what the user needs comes back as values and is shown.
  static void quietPlugins();

  static uint32_t rowKey(SourceGroup row) {
    return static_cast<uint32_t>(row.source) << 24 | row.pgn;
  }

 signals:
  void stateChanged();
  // "On the bus: …": when a check starts, and what it found or why it stopped.
  void checkSaid(const QString& text);

 private:
  void take(const CanFrame& frame);
  void record(const QList<BusItem>& items);
  void setState(State state, const QString& reason = QString());
  void restartObservation();
  void sayCheck(const DeviceExpectations& expectations);

  std::unique_ptr<CanBus> bus_;
  std::unique_ptr<BusVerification> check_;
  State state_ = State::NotConnected;
  QString interface_;
  QString reason_;
  QString requestFailure_;
  QTimer connectWait_;
  QElapsedTimer clock_;

  BusDecoder decoder_;
  BusTally tally_;
  std::unordered_map<uint32_t, IntervalHistory> histories_;
  qint64 frames_ = 0;
  qint64 faults_ = 0;

  std::optional<DeviceExpectations> expectations_;
  int bitRateKbps_ = 250;
  std::unique_ptr<DeviceObservation> observation_;  // what the marks judge
  qint64 observedSinceMs_ = 0;
  qint64 forgottenMs_ = 0;
};

}  // namespace j1939
