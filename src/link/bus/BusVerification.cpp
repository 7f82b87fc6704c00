#include "link/bus/BusVerification.h"

#include <algorithm>

#include "link/bus/CanBus.h"

namespace j1939 {

namespace {
// The Requests of the second round go out once the device has had this long
// to answer the first (Address Claimed tells where it is).
constexpr int kSecondRoundMs = 200;
}  // namespace

BusVerification::BusVerification(CanBus& bus, const DeviceExpectations& expectations,
                                 int bitRateKbps, qint64 listenMs, QObject* parent)
    : QObject(parent),
      bus_(bus),
      expectations_(expectations),
      listenMs_(listenMs),
      observation_(expectations, bitRateKbps) {
  for (QTimer* timer : {&secondRound_, &thirdRound_, &listenEnd_}) timer->setSingleShot(true);
  listenEnd_.setTimerType(Qt::PreciseTimer);
  connect(&secondRound_, &QTimer::timeout, this, [this] { sendRound(1); });
  connect(&thirdRound_, &QTimer::timeout, this, [this] { sendRound(2); });
  connect(&listenEnd_, &QTimer::timeout, this, &BusVerification::finish);
  connect(&bus_, &CanBus::lost, this, [this] {
    for (QTimer* timer : {&secondRound_, &thirdRound_, &listenEnd_}) timer->stop();
  });
}

void BusVerification::start() {
  clock_.start();
  connect(&bus_, &CanBus::received, this, [this](const CanFrame& frame) {
    if (!listenEnd_.isActive()) return;
    observation_.countFrame();
    take(decoder_.take(frame, clock_.elapsed()));
  });
  listenEnd_.start(static_cast<int>(listenMs_));
  sendRound(0);
  secondRound_.start(kSecondRoundMs);
  thirdRound_.start(static_cast<int>(std::max<qint64>(kSecondRoundMs + 100, listenMs_ / 2)));
}

void BusVerification::take(const QList<BusItem>& items) {
  for (const BusItem& item : items)
    if (const auto* message = std::get_if<BusMessage>(&item)) observation_.take(*message);
}

void BusVerification::sendRound(int round) {
  // The tool's own Requests count as messages from the moment they leave.
  for (const CanFrame& frame :
       VerificationRequests(expectations_, observation_.deviceAddress(), round)) {
    const J1939Identifier id = DecodeIdentifier(frame.identifier);
    if (bus_.send(frame)) {
      const BusMessage request{clock_.elapsed(), id, PgnOf(id), frame.data, false};
      observation_.take(request);
      emit requestSent(request);
    } else if (!std::exchange(sendFailureSaid_, true)) {
      emit requestNotSent(bus_.sendFailure());
    }
  }
}

void BusVerification::finish() {
  secondRound_.stop();
  thirdRound_.stop();
  take(decoder_.expire(clock_.elapsed()));
  const std::optional<int> interfaceBitRate = bus_.bitRate();
  result_.listenedMs = listenMs_;
  result_.frames = observation_.frames();
  if (result_.frames == 0) {
    result_.silence = observation_.silence(listenMs_, interfaceBitRate);
  } else {
    result_.verdicts = observation_.verdicts(listenMs_, interfaceBitRate);
    result_.holds = std::all_of(result_.verdicts.cbegin(), result_.verdicts.cend(),
                                [](const Verdict& v) { return v.holds; });
  }
  emit finished();
}

}  // namespace j1939

#include "moc_BusVerification.cpp"
