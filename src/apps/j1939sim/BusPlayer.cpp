#include "apps/j1939sim/BusPlayer.h"

#include "apps/console/Console.h"
#include "link/bus/CanBus.h"
#include "rules/j1939/GroupNames.h"
#include "rules/j1939/Transport.h"

namespace j1939 {

namespace {

// The load of other nodes: a Proprietary B group from addresses that the
// device cannot take (its address is 00 to 7F), a counter in its first bytes.
constexpr uint32_t kLoadPgn = 0xFF00;
constexpr uint8_t kFirstLoadAddress = 0x80;
constexpr int kLoadAddresses = 16;
constexpr int kLoadTickMs = 10;

}  // namespace

BusPlayer::BusPlayer(CanBus& bus, int busLoad, QObject* parent)
    : QObject(parent), bus_(bus), busLoad_(busLoad) {
  packetTimer_.setTimerType(Qt::PreciseTimer);
  packetTimer_.setInterval(kBamPacketGapMs);
  connect(&packetTimer_, &QTimer::timeout, this, &BusPlayer::sendNextPacket);
  loadTimer_.setTimerType(Qt::PreciseTimer);
  loadTimer_.setInterval(kLoadTickMs);
  connect(&loadTimer_, &QTimer::timeout, this, &BusPlayer::sendLoad);
  connect(&bus_, &CanBus::connected, this, [this] {
    Say(QStringLiteral("CAN bus %1: connected").arg(bus_.name()));
    start();
  });
  connect(&bus_, &CanBus::received, this, &BusPlayer::takeFrame);
  connect(&bus_, &CanBus::lost, this, [this](const QString& reason) {
    Say(QStringLiteral("CAN bus %1: gone (%2); the serial side goes on").arg(bus_.name(), reason));
    gone_ = true;
    stop();
  });
}

BusPlayer::~BusPlayer() = default;

void BusPlayer::play(const DeviceExpectations& expectations) {
  Say(DescribeExpectations(expectations));
  stop();
  expectations_ = expectations;
  start();
}

void BusPlayer::stop() {
  playing_.clear();
  bamUnderWay_.clear();
  bamQueue_.clear();
  packetTimer_.stop();
  loadTimer_.stop();
}

void BusPlayer::start() {
  if (gone_ || !expectations_ || !bus_.isConnected() || !playing_.empty()) return;
  send(expectations_->addressClaim);
  QList<ExpectedGroup> groups = expectations_->additional;
  groups << expectations_->background;
  clock_.start();
  for (const ExpectedGroup& group : groups) {
    playing_.push_back(std::make_unique<Playing>());
    Playing& playing = *playing_.back();
    playing.group = group;
    if (group.periodMs == 0) continue;
    // The first at once, then one each period on a timer of its own: no
    // group's timing waits on another's.
    playing.timer.setSingleShot(true);
    playing.timer.setTimerType(Qt::PreciseTimer);
    connect(&playing.timer, &QTimer::timeout, this, [this, &playing] { transmitWhenDue(playing); });
    transmitWhenDue(playing);
  }
  if (expectations_->vehicleIdentification) {
    playing_.push_back(std::make_unique<Playing>());
    playing_.back()->group = *expectations_->vehicleIdentification;
  }
  if (busLoad_ > 0) {
    loadSent_ = 0;
    loadTimer_.start();
  }
}

void BusPlayer::send(const CanFrame& frame) {
  if (bus_.send(frame) || gone_ || sendFailureSaid_) return;
  sendFailureSaid_ = true;
  Say(QStringLiteral("CAN bus %1: a frame was not sent (%2); later ones are not said")
          .arg(bus_.name(), bus_.sendFailure()));
}

void BusPlayer::transmit(Playing& playing) {
  const ExpectedGroup& group = playing.group;
  const uint32_t value =
      ParameterValue(expectations_->dynamic, group.parameterSize, playing.transmissions);
  const QByteArray data = group.dataWith(value);
  ++playing.transmissions;
  if (group.byBam())
    queueBam(group, data);
  else
    send(FrameFor(group.identifier, data));
}

// Each sending is due a whole period after the one before, not a period after
// the timer fired: a late wake-up does not delay the ones after it, so the
// period holds on average as on a device with its own crystal. One that is
// more than a period late is skipped.
void BusPlayer::transmitWhenDue(Playing& playing) {
  transmit(playing);
  const int64_t period = playing.group.periodMs;
  const int64_t now = clock_.elapsed();
  playing.dueMs += period;
  if (playing.dueMs < now - period) playing.dueMs = now + period;
  playing.timer.start(static_cast<int>(std::max<int64_t>(0, playing.dueMs - now)));
}

// One BAM at a time from the device: a BAM due while another is under way
// waits for it, and one already waiting is not queued twice.
void BusPlayer::queueBam(const ExpectedGroup& group, const QByteArray& data) {
  for (const QueuedBam& queued : bamQueue_)
    if (queued.pgn == group.pgn) return;
  bamQueue_.append({group.pgn, BamFrames(group.pgn, data, expectations_->sourceAddress)});
  if (!packetTimer_.isActive()) {
    sendNextPacket();
    packetTimer_.start();
  }
}

// Each tick sends the next TP.DT packet, or, a tick after the last one, the
// next BAM's TP.CM.
void BusPlayer::sendNextPacket() {
  if (bamUnderWay_.isEmpty()) {
    if (bamQueue_.isEmpty()) {
      packetTimer_.stop();
      return;
    }
    bamUnderWay_ = bamQueue_.takeFirst().frames;
  }
  send(bamUnderWay_.takeFirst());
}

BusPlayer::Playing* BusPlayer::playingFor(uint32_t pgn) {
  for (const auto& playing : playing_)
    if (playing->group.pgn == pgn && expectations_->answerTo(pgn) != nullptr) return playing.get();
  return nullptr;
}

// Requests are answered at once, in the same turn of the event loop, so well
// within the 50 ms that J1939 allows; a BAM answer waits only for a BAM
// already under way.
void BusPlayer::takeFrame(const CanFrame& frame) {
  if (!expectations_ || playing_.empty()) return;
  const std::optional<uint32_t> pgn = RequestedPgn(frame, expectations_->sourceAddress);
  if (!pgn) return;
  if (*pgn == kPgnAddressClaimed) {
    send(expectations_->addressClaim);
  } else if (Playing* playing = playingFor(*pgn)) {
    transmit(*playing);
  }
}

// Catches up with the frames that N per second asks for by now, at most 50 ms
// of them at once: a stalled emulator does not flood the bus after.
void BusPlayer::sendLoad() {
  const int64_t due = busLoad_ * clock_.elapsed() / 1000;
  int64_t count = due - loadSent_;
  const int64_t burst = std::max<int64_t>(1, busLoad_ / 20);
  if (count > burst) {
    loadSent_ += count - burst;
    count = burst;
  }
  for (int64_t i = 0; i < count; ++i) {
    const int64_t n = loadSent_++;
    const uint8_t source = static_cast<uint8_t>(kFirstLoadAddress + n % kLoadAddresses);
    QByteArray data(8, '\xFF');
    for (int b = 0; b < 4; ++b) data[b] = static_cast<char>((n >> (8 * b)) & 0xFF);
    send(FrameFor(IdentifierFor(kLoadPgn, 6, source), data));
  }
}

}  // namespace j1939

#include "moc_BusPlayer.cpp"
