#include "window/bus/BusMonitor.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <algorithm>

#include "link/bus/BusVerification.h"
#include "link/bus/CanBus.h"

namespace j1939 {

namespace {

// A bus that has not connected by then will not.
constexpr int kConnectWaitMs = 10000;
// How often the messages older than a listening time are let go.
constexpr qint64 kForgetEveryMs = 1000;

QString monitorTr(const char* text) {
  return QCoreApplication::translate("j1939::BusMonitor", text);
}

QString listenedText(qint64 ms) {
  return QString::number(double(ms) / 1000.0, 'f', 1);
}

QString addressText(uint8_t address) {
  return QStringLiteral("%1").arg(address, 2, 16, QLatin1Char('0')).toUpper();
}

// "PGN1: 1 of 8 expectations does not hold", then a line per expectation.
QString markText(RowMark::Kind kind, const QString& subject, const QList<const Verdict*>& verdicts,
                 qint64 listenedMs, qint64 windowMs) {
  const auto failing =
      std::count_if(verdicts.cbegin(), verdicts.cend(), [](const Verdict* v) { return !v->holds; });
  const auto all = verdicts.size();
  QString head;
  if (kind == RowMark::Kind::Listening)
    head = monitorTr("%1: listening, %2 of %3 s")
               .arg(subject, listenedText(listenedMs), listenedText(windowMs));
  else if (failing == 0)
    head = all == 1 ? monitorTr("%1: holds").arg(subject)
                    : monitorTr("%1: all %2 expectations hold").arg(subject).arg(all);
  else if (all == 1)
    head = monitorTr("%1: does not hold").arg(subject);
  else
    head = (failing == 1 ? monitorTr("%1: %2 of %3 expectations does not hold")
                         : monitorTr("%1: %2 of %3 expectations do not hold"))
               .arg(subject)
               .arg(failing)
               .arg(all);
  QStringList lines{head};
  for (const Verdict* v : verdicts)
    lines << (v->holds ? QStringLiteral("\u2713 ") + v->aspect
                       : QStringLiteral("\u2717 ") + VerdictReason(*v));
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

BusMonitor::BusMonitor(QObject* parent) : QObject(parent) {
  clock_.start();
  connectWait_.setSingleShot(true);
  connect(&connectWait_, &QTimer::timeout, this, [this] {
    check_.reset();
    bus_.reset();
    setState(State::Failed, monitorTr("it did not connect within %1 s").arg(kConnectWaitMs / 1000));
  });
}

BusMonitor::~BusMonitor() {
  check_.reset();
  bus_.reset();
}

void BusMonitor::quietPlugins() {
  QLoggingCategory::setFilterRules(QStringLiteral("qt.canbus.plugins.*=false"));
}

void BusMonitor::connectTo(const QString& interface) {
  quietPlugins();
  disconnectBus();
  interface_ = interface;
  decoder_ = BusDecoder();
  tally_ = BusTally();
  histories_.clear();
  frames_ = faults_ = 0;
  restartObservation();

  bus_ = std::make_unique<CanBus>();
  connect(bus_.get(), &CanBus::received, this, &BusMonitor::take);
  connect(bus_.get(), &CanBus::connected, this, [this] {
    connectWait_.stop();
    setState(State::Connected);
  });
  connect(bus_.get(), &CanBus::lost, this, [this](const QString& reason) {
    connectWait_.stop();
    if (check_ && check_->isRunning())
      emit checkSaid(
          monitorTr("On the bus: the check stopped, the bus went away (%1)").arg(reason));
    setState(state_ == State::Connecting ? State::Failed : State::Lost, reason);
  });
  if (const MaybeFailure failure = bus_->open(interface)) {
    bus_.reset();
    return setState(State::Failed, failure->reason);
  }
  if (bus_->isConnected()) return setState(State::Connected);
  connectWait_.start(kConnectWaitMs);
  setState(State::Connecting);
}

void BusMonitor::disconnectBus() {
  connectWait_.stop();
  if (check_ && check_->isRunning())
    emit checkSaid(monitorTr("On the bus: the check stopped, the bus was disconnected"));
  check_.reset();
  bus_.reset();
  if (state_ != State::NotConnected) setState(State::NotConnected);
}

void BusMonitor::setState(State state, const QString& reason) {
  state_ = state;
  reason_ = reason;
  emit stateChanged();
}

std::optional<int> BusMonitor::bitRate() const {
  return bus_ && isConnected() ? bus_->bitRate() : std::nullopt;
}

void BusMonitor::take(const CanFrame& frame) {
  ++frames_;
  record(decoder_.take(frame, clock_.elapsed()));
}

void BusMonitor::expire() {
  record(decoder_.expire(clock_.elapsed()));
}

void BusMonitor::record(const QList<BusItem>& items) {
  for (const BusItem& item : items) {
    const auto* message = std::get_if<BusMessage>(&item);
    if (message == nullptr) {
      ++faults_;
      continue;
    }
    tally_.add(*message);
    histories_[rowKey({message->source(), message->pgn})].add(message->ms);
    if (!observation_) continue;
    observation_->take(*message);
    // Shown or not, what is judged is kept for a listening time only.
    if (message->ms - forgottenMs_ >= kForgetEveryMs) {
      observation_->forgetBefore(message->ms - DefaultListeningMs(*expectations_));
      forgottenMs_ = message->ms;
    }
  }
}

const IntervalHistory* BusMonitor::history(SourceGroup row) const {
  const auto found = histories_.find(rowKey(row));
  return found == histories_.end() ? nullptr : &found->second;
}

void BusMonitor::restartObservation() {
  observation_.reset();
  if (expectations_)
    observation_ = std::make_unique<DeviceObservation>(*expectations_, bitRateKbps_);
  observedSinceMs_ = clock_.elapsed();
}

void BusMonitor::setExpectations(const std::optional<DeviceExpectations>& expectations,
                                 int bitRateKbps) {
  if (expectations == expectations_ && bitRateKbps == bitRateKbps_) return;
  const bool had = expectations_.has_value();
  expectations_ = expectations;
  bitRateKbps_ = bitRateKbps;
  if (!had) return restartObservation();
  if (!expectations_) return observation_.reset();
  // The same bus, judged anew: what was kept is taken again by the new
  // expectations (a message only the new ones concern came before was not).
  auto next = std::make_unique<DeviceObservation>(*expectations_, bitRateKbps_);
  if (observation_)
    for (const BusMessage& m : observation_->messages()) next->take(m);
  observation_ = std::move(next);
}

QHash<uint32_t, RowMark> BusMonitor::judge() {
  QHash<uint32_t, RowMark> marks;
  if (!expectations_ || !observation_) return marks;
  const qint64 now = clock_.elapsed();
  const qint64 window = DefaultListeningMs(*expectations_);
  observation_->forgetBefore(now - window);
  const qint64 listened = std::min(window, now - observedSinceMs_);
  // The bit rate concerns no row; the interface's state says it.
  const QList<Verdict> verdicts = observation_->verdicts(listened, std::nullopt);
  QList<uint32_t> rows;
  QHash<uint32_t, QList<const Verdict*>> byRow;
  QHash<uint32_t, QString> subjects;
  for (const Verdict& v : verdicts) {
    if (!v.concerns) continue;
    const uint32_t key = rowKey(*v.concerns);
    if (!byRow.contains(key)) rows << key;
    byRow[key] << &v;
    // The address by its value, the groups by their labels.
    const QString named =
        v.subject == QLatin1String("address")
            ? QStringLiteral("address ") + addressText(expectations_->sourceAddress)
            : v.subject;
    QString& subject = subjects[key];
    if (!subject.contains(named))
      subject += (subject.isEmpty() ? QString() : QStringLiteral(", ")) + named;
  }
  for (const uint32_t key : rows) {
    const QList<const Verdict*>& judged = byRow[key];
    RowMark::Kind kind = RowMark::Kind::Listening;
    if (listened >= window)
      kind = std::all_of(judged.cbegin(), judged.cend(), [](const Verdict* v) { return v->holds; })
                 ? RowMark::Kind::Holds
                 : RowMark::Kind::Fails;
    marks.insert(key, RowMark{kind, markText(kind, subjects[key], judged, listened, window)});
  }
  return marks;
}

bool BusMonitor::check(const DeviceExpectations& expectations, int bitRateKbps) {
  if (!isConnected()) return false;
  check_.reset();
  requestFailure_.clear();
  // The device has just taken a new configuration: what it sent before says
  // nothing of this one.
  restartObservation();
  check_ = std::make_unique<BusVerification>(*bus_, expectations, bitRateKbps,
                                             DefaultListeningMs(expectations));
  connect(check_.get(), &BusVerification::requestSent, this, [this](BusMessage request) {
    request.ms = clock_.elapsed();
    if (observation_) observation_->take(request);
  });
  connect(check_.get(), &BusVerification::requestNotSent, this,
          [this](const QString& reason) { requestFailure_ = reason; });
  connect(check_.get(), &BusVerification::finished, this,
          [this, expectations] { sayCheck(expectations); });
  check_->start();
  emit checkSaid(
      monitorTr("On the bus: checking for %1 s\u2026").arg(double(check_->listenMs()) / 1000.0));
  return true;
}

bool BusMonitor::isChecking() const {
  return check_ && check_->isRunning();
}

void BusMonitor::sayCheck(const DeviceExpectations& expectations) {
  const BusCheck& result = check_->result();
  QString text =
      result.verdicts.isEmpty() ? result.silence : VerdictSummary(expectations, result.verdicts);
  if (!requestFailure_.isEmpty())
    text += monitorTr("; a Request was not sent (%1)").arg(requestFailure_);
  emit checkSaid(monitorTr("On the bus: %1").arg(text));
}

}  // namespace j1939

#include "moc_BusMonitor.cpp"
