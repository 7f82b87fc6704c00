#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include "rules/j1939/BusTraffic.h"
#include "rules/j1939/DeviceExpectations.h"
#include "rules/j1939/Verification.h"

namespace j1939 {

class CanBus;

// What a check of the device on the bus found.
struct BusCheck {
  qint64 listenedMs = 0;
  qint64 frames = 0;        // every frame the bus delivered meanwhile
  QList<Verdict> verdicts;  // none for a bus that delivered nothing
  QString silence;          // then what to look at: "no frames in 2 s: is the bus connected ..."
  bool holds = false;       // every verdict holds (and there are some)
};

// Whether the device on a connected bus does what a configuration says, as
// `j1939cfg verify` and the window after "Program Config" find out: the
// Requests of each round at their time (Address Claimed at once, the "On
// Request" groups and the VIN once the device has had time to claim, those
// groups again halfway), every frame decoded into one DeviceObservation, and
// after the listening time the verdicts. Nothing here prints or waits: it
// runs on the event loop and says `finished`.
class BusVerification : public QObject {
  Q_OBJECT
 public:
  BusVerification(CanBus& bus, const DeviceExpectations& expectations, int bitRateKbps,
                  qint64 listenMs, QObject* parent = nullptr);

  // Sends the first Requests and listens. A bus that goes away meanwhile ends
  // the check without a verdict: no `finished` (the bus says `lost`).
  void start();
  // How soon a Request must be answered (J1939's 50 ms unless told).
  void setAnswerWithinMs(int ms) { observation_.setAnswerWithinMs(ms); }
  bool isRunning() const { return listenEnd_.isActive(); }
  qint64 listenMs() const { return listenMs_; }
  const BusCheck& result() const { return result_; }

 signals:
  // One of the tool's Requests has left; the observation counts it from then.
  void requestSent(const BusMessage& request);
  // The bus refused a Request: said once, for the first.
  void requestNotSent(const QString& reason);
  void finished();

 private:
  void take(const QList<BusItem>& items);
  void sendRound(int round);
  void finish();

  CanBus& bus_;
  DeviceExpectations expectations_;
  qint64 listenMs_;
  DeviceObservation observation_;
  BusDecoder decoder_;
  QElapsedTimer clock_;
  QTimer secondRound_, thirdRound_, listenEnd_;
  bool sendFailureSaid_ = false;
  BusCheck result_;
};

}  // namespace j1939
