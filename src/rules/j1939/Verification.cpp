#include "rules/j1939/Verification.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "rules/identity/DeviceName.h"
#include "rules/j1939/GroupNames.h"

namespace j1939 {

namespace {

QString upperHex(uint32_t value, int digits) {
  return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

QString pgnText(uint32_t pgn) {
  return QStringLiteral("%1 (%2)").arg(pgn).arg(upperHex(pgn, 4));
}

QString secondsText(qint64 ms) {
  return QString::number(double(ms) / 1000.0);
}

QString msText(double ms) {
  return QString::number(ms, 'f', 1);
}

QString hexBytes(const QByteArray& data) {
  QStringList bytes;
  for (const char byte : data) bytes << upperHex(static_cast<uint8_t>(byte), 2);
  return bytes.join(QLatin1Char(' '));
}

// Text as it came, with every byte that does not print written \xNN.
QString printable(const QByteArray& data) {
  QString text;
  for (const char c : data) {
    const auto byte = static_cast<uint8_t>(c);
    if (byte >= 0x20 && byte < 0x7F && byte != '\\')
      text += QLatin1Char(c);
    else
      text += QStringLiteral("\\x") + upperHex(byte, 2);
  }
  return text;
}

NameBytes nameOf(const QByteArray& data) {
  NameBytes name{};
  name.fill(0xFF);
  for (int i = 0; i < 8 && i < data.size(); ++i) name[static_cast<std::size_t>(i)] = data[i];
  return name;
}

QString nameText(const NameBytes& name) {
  QString text;
  for (int i = 7; i >= 0; --i) text += upperHex(name[static_cast<std::size_t>(i)], 2);
  return text;
}

// The NAME fields in which `seen` differs from `configured`: "Function 130, not 129".
QString nameDifferences(const NameBytes& seen, const NameBytes& configured) {
  const NameFields a = DecodeName(seen), b = DecodeName(configured);
  QStringList differences;
  auto field = [&](const char* name, int64_t was, int64_t is) {
    if (was != is)
      differences << QStringLiteral("%1 %2, not %3").arg(QLatin1String(name)).arg(was).arg(is);
  };
  field("IdentityNumber", a.IdentityNumber, b.IdentityNumber);
  field("ManufacturerCode", a.ManufacturerCode, b.ManufacturerCode);
  field("EcuInstance", a.EcuInstance, b.EcuInstance);
  field("FunctionInstance", a.FunctionInstance, b.FunctionInstance);
  field("Function", a.Function, b.Function);
  field("VehicleSystem", a.VehicleSystem, b.VehicleSystem);
  field("VehicleSystemInstance", a.VehicleSystemInstance, b.VehicleSystemInstance);
  field("IndustryGroup", a.IndustryGroup, b.IndustryGroup);
  field("bit 48", seen[6] & 1, configured[6] & 1);
  field("ArbitraryAddressCapable", seen[7] >> 7, configured[7] >> 7);
  return differences.join(QStringLiteral("; "));
}

// An identifier's page bits, PF and PS: what tells one group (and, in PDU1,
// one destination) from another, whatever its priority and sender.
uint32_t keyOf(J1939Identifier id) {
  id.priority = 0;
  id.sourceAddress = 0;
  return EncodeIdentifier(id);
}

// A BAM goes to all: its PDU1 group carries no destination.
uint32_t expectedKey(const ExpectedGroup& group) {
  return group.byBam() ? keyOf(IdentifierFor(group.pgn, 0, 0)) : keyOf(group.identifier);
}

std::optional<uint32_t> requestOf(const BusMessage& message, uint8_t device) {
  return RequestedPgn(CanFrame{EncodeIdentifier(message.identifier), message.data}, device);
}

QString valuesText(const std::set<int>& values) {
  QStringList list;
  for (int value : values) list << QString::number(value);
  return list.join(QStringLiteral(", "));
}

// An expectation not yet found to hold, and what was measured so far.
Verdict unsettled(const QString& expectation, const QString& measured) {
  Verdict v;
  v.expectation = expectation;
  v.measured = measured;
  return v;
}

// A periodic group's rate: the period is the slope of the times over the
// sendings (least squares), so that a listener that was held up and took a few
// at once moves it far less than it moves the span from the first to the last.
Verdict periodVerdict(const QString& expectation, const QString& notSeen,
                      const QList<BusMessage>& seen, int periodMs, qint64 listenedMs) {
  Verdict v = unsettled(expectation, notSeen);
  if (seen.size() == 1) {
    v.measured = QStringLiteral("seen once in %1 s").arg(secondsText(listenedMs));
  } else if (seen.size() > 1) {
    const double n = double(seen.size());
    // The indices' deviations from their mean sum to exactly 0 (the mean is a
    // whole or a half number), so the times need no centring of their own.
    const double meanIndex = (n - 1) / 2;
    double covariance = 0, spread = 0;
    for (qsizetype i = 0; i < seen.size(); ++i) {
      covariance += (double(i) - meanIndex) * double(seen[i].ms);
      spread += (double(i) - meanIndex) * (double(i) - meanIndex);
    }
    const double mean = covariance / spread;
    double squares = 0;
    for (qsizetype i = 1; i < seen.size(); ++i)
      squares += std::pow(double(seen[i].ms - seen[i - 1].ms) - mean, 2);
    const double jitter = std::sqrt(squares / (n - 1));
    v.holds = std::abs(mean - periodMs) * 100 <= double(periodMs) * kRateTolerancePercent;
    v.measured = QStringLiteral("every %1 ms (jitter %2 ms)").arg(msText(mean), msText(jitter));
  }
  return v;
}

}  // namespace

qint64 DefaultListeningMs(const DeviceExpectations& expectations) {
  qint64 slowest = 0;
  for (const ExpectedGroup& group : expectations.additional)
    slowest = std::max<qint64>(slowest, group.periodMs);
  return std::max<qint64>(kMinimumListeningMs, slowest * 7 / 2);
}

QList<CanFrame> VerificationRequests(const DeviceExpectations& e, uint8_t device, int round) {
  QList<CanFrame> frames;
  if (round == 0)
    return {RequestFrame(kPgnAddressClaimed, kToolAddress, device),
            RequestFrame(kPgnAddressClaimed, kToolAddress, kGlobalAddress)};
  if (round > 2) return frames;
  for (const ExpectedGroup& group : e.additional)
    if (group.periodMs == 0) frames << RequestFrame(group.pgn, kToolAddress, device);
  if (round == 1 && e.vehicleIdentification)
    frames << RequestFrame(kPgnVehicleIdentification, kToolAddress, device);
  return frames;
}

DeviceObservation::DeviceObservation(const DeviceExpectations& expectations, int bitRateKbps)
    : expected_(expectations), bitRateKbps_(bitRateKbps) {
  for (const ExpectedGroup& group : expected_.additional) pgns_.insert(group.pgn);
  if (expected_.vehicleIdentification) pgns_.insert(expected_.vehicleIdentification->pgn);
  sources_.insert(expected_.sourceAddress);
}

void DeviceObservation::take(const BusMessage& message) {
  if (message.pgn == kPgnAddressClaimed && nameOf(message.data) == expected_.name &&
      message.data.size() >= 8)
    sources_.insert(message.source());
  if (message.pgn == kPgnAddressClaimed || message.pgn == kPgnRequest ||
      pgns_.contains(message.pgn) || sources_.contains(message.source()))
    messages_ << message;
}

uint8_t DeviceObservation::deviceAddress() const {
  std::optional<uint8_t> claimant;
  for (const BusMessage& m : messages_) {
    if (m.pgn != kPgnAddressClaimed) continue;
    if (m.source() == expected_.sourceAddress) return m.source();
    if (!claimant && m.data.size() >= 8 && nameOf(m.data) == expected_.name) claimant = m.source();
  }
  return claimant.value_or(expected_.sourceAddress);
}

QString DeviceObservation::silence(qint64 listenedMs, std::optional<int> interfaceBitRate) const {
  QString text = QStringLiteral("no frames in %1 s: is the bus connected and at %2 kbit/s?")
                     .arg(secondsText(listenedMs))
                     .arg(bitRateKbps_);
  if (interfaceBitRate && *interfaceBitRate != bitRateKbps_ * 1000)
    text += QStringLiteral(" The interface runs at %1 kbit/s.").arg(*interfaceBitRate / 1000.0);
  return text;
}

QList<BusMessage> DeviceObservation::requestsFor(uint32_t pgn, uint8_t device) const {
  QList<BusMessage> requests;
  for (const BusMessage& m : messages_)
    if (m.pgn == kPgnRequest && requestOf(m, device) == pgn) requests << m;
  std::stable_sort(requests.begin(), requests.end(),
                   [](const BusMessage& a, const BusMessage& b) { return a.ms < b.ms; });
  return requests;
}

// The address and the NAME: every NAME that claimed the address, and where
// the configured NAME went if not there.
Verdict DeviceObservation::claimVerdict() const {
  const DeviceExpectations& e = expected_;
  Verdict v;
  v.expectation = QStringLiteral("address %1 claimed with NAME %2")
                      .arg(upperHex(e.sourceAddress, 2), nameText(e.name));
  QList<NameBytes> claims;
  std::optional<uint8_t> elsewhere;
  for (const BusMessage& m : messages_) {
    if (m.pgn != kPgnAddressClaimed) continue;
    const NameBytes name = nameOf(m.data);
    if (m.source() == e.sourceAddress && !claims.contains(name)) claims << name;
    if (m.source() != e.sourceAddress && name == e.name && !elsewhere) elsewhere = m.source();
  }
  QStringList others;
  for (const NameBytes& name : claims)
    if (name != e.name)
      others << QStringLiteral("NAME %1 (%2)").arg(nameText(name), nameDifferences(name, e.name));
  if (claims.isEmpty()) {
    v.measured = QStringLiteral("no Address Claimed from %1").arg(upperHex(e.sourceAddress, 2));
    if (elsewhere)
      v.measured += QStringLiteral("; that NAME claimed %1").arg(upperHex(*elsewhere, 2));
  } else if (claims.contains(e.name)) {
    v.holds = others.isEmpty();
    v.measured = others.isEmpty() ? QStringLiteral("claimed with that NAME")
                                  : QStringLiteral(
                                        "claimed with that NAME, and by another "
                                        "claimant with ") +
                                        others.join(QStringLiteral(" and "));
  } else {
    v.measured = QStringLiteral("claimed with ") + others.join(QStringLiteral(" and "));
  }
  v.subject = QStringLiteral("address");
  v.aspect = v.expectation;
  v.concerns =
      SourceGroup{claims.isEmpty() && elsewhere ? *elsewhere : e.sourceAddress, kPgnAddressClaimed};
  return v;
}

std::vector<QList<BusMessage>> DeviceObservation::slotMessages(uint8_t device) const {
  const DeviceExpectations& e = expected_;
  // The device's groups, by page bits, PF and PS; those that no expectation
  // explains may be an additional PGN sent with other parts.
  std::map<uint32_t, QList<BusMessage>> seen;
  for (const BusMessage& m : messages_)
    if (m.source() == device) seen[keyOf(m.identifier)] << m;
  std::set<uint32_t> explained;
  for (const ExpectedGroup& g : e.additional) explained.insert(expectedKey(g));
  for (const ExpectedGroup& g : e.background) explained.insert(expectedKey(g));
  if (e.vehicleIdentification) explained.insert(expectedKey(*e.vehicleIdentification));
  auto unexplained = [&](uint32_t key, const QList<BusMessage>& messages) {
    const uint32_t pgn = messages.first().pgn;
    return !explained.contains(key) && pgn != kPgnAddressClaimed && pgn != kPgnRequest &&
           pgn != kPgnAcknowledgement && pgn != kPgnTpConnection && pgn != kPgnTpDataTransfer;
  };
  std::vector<std::optional<uint32_t>> chosen(static_cast<std::size_t>(e.additional.size()));
  std::set<uint32_t> taken;
  for (qsizetype i = 0; i < e.additional.size(); ++i) {
    const uint32_t key = expectedKey(e.additional[i]);
    if (seen.contains(key)) {
      chosen[static_cast<std::size_t>(i)] = key;
      taken.insert(key);
    }
  }
  // A group that differs in one or two of its parts (page bits, PF, PS,
  // length, transport) stands for the slot whose own group is missing.
  for (qsizetype i = 0; i < e.additional.size(); ++i) {
    if (chosen[static_cast<std::size_t>(i)]) continue;
    const ExpectedGroup& g = e.additional[i];
    const J1939Identifier want = DecodeIdentifier(expectedKey(g));
    int best = 3;
    for (const auto& [key, messages] : seen) {
      if (taken.contains(key) || !unexplained(key, messages)) continue;
      const J1939Identifier have = DecodeIdentifier(key);
      const int score = (have.extendedDataPage == want.extendedDataPage) +
                        (have.dataPage == want.dataPage) + (have.pf == want.pf) +
                        (have.ps == want.ps) + (messages.first().data.size() == g.length) +
                        (messages.first().byBam == g.byBam());
      if (score > best) {
        best = score;
        chosen[static_cast<std::size_t>(i)] = key;
      }
    }
    if (chosen[static_cast<std::size_t>(i)]) taken.insert(*chosen[static_cast<std::size_t>(i)]);
  }
  std::vector<QList<BusMessage>> perSlot(chosen.size());
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    if (chosen[i]) perSlot[i] = seen[*chosen[i]];
    std::stable_sort(perSlot[i].begin(), perSlot[i].end(),
                     [](const BusMessage& a, const BusMessage& b) { return a.ms < b.ms; });
  }
  return perSlot;
}

Verdict DeviceObservation::vinVerdict(uint8_t device) const {
  const QByteArray vin = expected_.vehicleIdentification->fixedData;
  Verdict v;
  v.expectation = QStringLiteral("VIN \"%1\"").arg(printable(vin.chopped(1)));
  v.subject = QStringLiteral("VIN");
  v.aspect = v.expectation;
  v.concerns = SourceGroup{device, kPgnVehicleIdentification};
  v.measured = QStringLiteral("no answer to the Request");
  for (const BusMessage& m : messages_) {
    if (m.source() != device || m.pgn != kPgnVehicleIdentification) continue;
    const QByteArray text = m.data.endsWith('*') ? m.data.chopped(1) : m.data;
    v.measured = QStringLiteral("VIN \"%1\"").arg(printable(text));
    v.holds = m.data == vin;
    if (!v.holds) break;
  }
  return v;
}

QList<Verdict> DeviceObservation::verdicts(qint64 listenedMs,
                                           std::optional<int> interfaceBitRate) const {
  const DeviceExpectations& e = expected_;
  const uint8_t device = deviceAddress();
  QList<Verdict> verdicts{claimVerdict()};
  const std::vector<QList<BusMessage>> perSlot = slotMessages(device);
  for (qsizetype i = 0; i < e.additional.size(); ++i)
    verdicts << groupVerdicts(e.additional[i], perSlot[static_cast<std::size_t>(i)], device,
                              listenedMs);
  if (e.vehicleIdentification) verdicts << vinVerdict(device);
  if (interfaceBitRate) {
    const QString expectation = QStringLiteral("bit rate %1 kbit/s").arg(bitRateKbps_);
    verdicts << Verdict{
        expectation,
        *interfaceBitRate == bitRateKbps_ * 1000,
        QStringLiteral("the interface runs at %1 kbit/s").arg(*interfaceBitRate / 1000.0),
        QStringLiteral("bit rate"),
        expectation,
        std::nullopt};
  }
  return verdicts;
}

Verdict DeviceObservation::answersVerdict(const QString& expectation, uint32_t pgn,
                                          const QList<BusMessage>& seen, uint8_t device) const {
  Verdict v = unsettled(expectation, QString());
  const QList<BusMessage> requests = requestsFor(pgn, device);
  // Each Request is answered by the first sending at or after it; a sending
  // that answers none was not asked for.
  std::set<qsizetype> answers;
  int late = 0;
  qint64 slowest = 0;
  for (const BusMessage& r : requests) {
    const auto answer =
        std::find_if(seen.cbegin(), seen.cend(), [&](const BusMessage& m) { return m.ms >= r.ms; });
    if (answer == seen.cend()) {
      ++late;
      continue;
    }
    answers.insert(answer - seen.cbegin());
    slowest = std::max(slowest, answer->ms - r.ms);
    if (answer->ms - r.ms > answerWithinMs_) ++late;
  }
  const qsizetype unasked = seen.size() - static_cast<qsizetype>(answers.size());
  QStringList measured;
  if (requests.isEmpty())
    measured << QStringLiteral("no Request for it was seen");
  else if (late == 0)
    measured << QStringLiteral("every Request answered within %1 ms").arg(slowest);
  else
    measured << QStringLiteral("%1 of %2 Requests not answered within %3 ms")
                    .arg(late)
                    .arg(requests.size())
                    .arg(answerWithinMs_);
  if (unasked > 0) measured << QStringLiteral("%1 sent unasked").arg(unasked);
  v.holds = !requests.isEmpty() && late == 0 && unasked == 0;
  v.measured = measured.join(QStringLiteral("; "));
  return v;
}

QList<Verdict> DeviceObservation::groupVerdicts(const ExpectedGroup& g,
                                                const QList<BusMessage>& seen, uint8_t device,
                                                qint64 listenedMs) const {
  const QString prefix = g.label + QLatin1Char(' ') + pgnText(g.pgn) + QLatin1Char(' ');
  const QString notSeen =
      QStringLiteral("not seen from %1 in %2 s").arg(upperHex(device, 2), secondsText(listenedMs));
  const J1939Identifier want = g.identifier;
  const J1939Identifier have = seen.isEmpty() ? J1939Identifier{} : seen.first().identifier;
  // A group seen with other parts names the group it was seen as.
  const QString as = !seen.isEmpty() && keyOf(have) != expectedKey(g)
                         ? QStringLiteral(", as %1").arg(pgnText(seen.first().pgn))
                         : QString();
  QList<Verdict> verdicts;
  auto part = [&](const QString& name, uint32_t expected, uint32_t measured, int digits) {
    const QString value = digits > 0 ? upperHex(expected, digits) : QString::number(expected);
    Verdict v = unsettled(prefix + name + QLatin1Char(' ') + value, notSeen);
    if (!seen.isEmpty()) {
      v.holds = measured == expected;
      v.measured = name + QLatin1Char(' ') +
                   (digits > 0 ? upperHex(measured, digits) : QString::number(measured)) + as;
    }
    verdicts << v;
  };

  // A BAM carries no priority of its own (its frames go at the transport's),
  // nor, to all, the destination of a PDU1 group.
  if (!g.byBam()) {
    Verdict v = unsettled(prefix + QStringLiteral("priority %1").arg(want.priority), notSeen);
    if (!seen.isEmpty()) {
      std::set<int> priorities;
      for (const BusMessage& m : seen) priorities.insert(m.identifier.priority);
      v.holds = priorities == std::set<int>{want.priority};
      v.measured =
          (priorities.size() > 1 ? QStringLiteral("priorities ") : QStringLiteral("priority ")) +
          valuesText(priorities);
    }
    verdicts << v;
  }
  part(QStringLiteral("reserved bit"), want.extendedDataPage, have.extendedDataPage, 0);
  part(QStringLiteral("data page"), want.dataPage, have.dataPage, 0);
  part(QStringLiteral("PF"), want.pf, have.pf, 2);
  if (!g.byBam() || !IsPdu1(want.pf)) part(QStringLiteral("PS"), want.ps, have.ps, 2);

  {
    const QString byBam = QStringLiteral(" by BAM");
    Verdict v = unsettled(
        prefix + QStringLiteral("%1 bytes").arg(g.length) + (g.byBam() ? byBam : QString()),
        notSeen);
    if (!seen.isEmpty()) {
      std::set<int> lengths;
      for (const BusMessage& m : seen) lengths.insert(static_cast<int>(m.data.size()));
      v.holds = lengths == std::set<int>{g.length} && seen.first().byBam == g.byBam();
      v.measured =
          valuesText(lengths) + QStringLiteral(" bytes") + (seen.first().byBam ? byBam : QString());
    }
    verdicts << v;
  }

  if (g.periodMs > 0)
    verdicts << periodVerdict(prefix + QStringLiteral("every %1 ms").arg(g.periodMs), notSeen, seen,
                              g.periodMs, listenedMs);
  else
    verdicts << answersVerdict(
        prefix + QStringLiteral("on request, within %1 ms").arg(answerWithinMs_), g.pgn, seen,
        device);

  {
    const bool changes = expected_.dynamic && g.parameterSize > 0;
    const QString what = changes               ? QStringLiteral("parameter changes (dynamic)")
                         : g.parameterSize > 0 ? QStringLiteral("parameter stays (static)")
                                               : QStringLiteral("data stays (no parameter)");
    Verdict v = unsettled(prefix + what, notSeen);
    if (seen.size() == 1) {
      v.measured = QStringLiteral("seen once: no change to tell");
    } else if (seen.size() > 1) {
      bool changed = false;
      for (qsizetype i = 1; i < seen.size() && !changed; ++i)
        changed = seen[i].data != seen[i - 1].data;
      v.holds = changed == changes;
      v.measured = changed ? QStringLiteral("changes")
                           : QStringLiteral("stays at ") + hexBytes(seen.last().data);
    }
    verdicts << v;
  }

  const SourceGroup concerns{device, seen.isEmpty() ? g.pgn : seen.first().pgn};
  for (Verdict& v : verdicts) {
    v.subject = g.label;
    v.aspect = v.expectation.mid(prefix.size());
    v.concerns = concerns;
  }
  return verdicts;
}

void DeviceObservation::forgetBefore(qint64 ms) {
  // The occasional ones are kept, the latest of them, however old.
  constexpr qsizetype kOccasionalKept = 64;
  auto occasional = [this](const BusMessage& m) {
    if (m.pgn == kPgnAddressClaimed || m.pgn == kPgnRequest) return true;
    const ExpectedGroup* answer = expected_.answerTo(m.pgn);
    return answer != nullptr && answer->periodMs == 0;
  };
  qsizetype old = 0;
  for (const BusMessage& m : messages_)
    if (m.ms < ms && occasional(m)) ++old;
  qsizetype skip = old - kOccasionalKept;
  QList<BusMessage> kept;
  kept.reserve(messages_.size());
  for (const BusMessage& m : messages_) {
    if (m.ms >= ms)
      kept << m;
    else if (occasional(m) && skip-- <= 0)
      kept << m;
  }
  messages_ = std::move(kept);
}

QString VerdictReason(const Verdict& v) {
  return v.measured + QStringLiteral(", configured ") + v.aspect;
}

QString VerdictSummary(const DeviceExpectations& e, const QList<Verdict>& verdicts) {
  QStringList parts;
  bool allHold = true;
  for (qsizetype i = 0; i < verdicts.size();) {
    const QString& subject = verdicts[i].subject;
    const Verdict* failing = nullptr;
    qsizetype end = i;
    for (; end < verdicts.size() && verdicts[end].subject == subject; ++end)
      if (!verdicts[end].holds && failing == nullptr) failing = &verdicts[end];
    const bool address = subject == QLatin1String("address");
    const QString name =
        address ? QStringLiteral("address %1").arg(upperHex(e.sourceAddress, 2)) : subject;
    if (failing != nullptr) {
      allHold = false;
      parts << name + QStringLiteral(": ") + VerdictReason(*failing);
    } else if (address) {
      parts << name + QStringLiteral(" claimed");
    } else if (subject == QLatin1String("bit rate")) {
      parts << verdicts[i].aspect;
    } else {
      QString text = subject;
      for (const ExpectedGroup& g : e.additional)
        if (g.label == subject)
          text += g.periodMs > 0 ? QStringLiteral(" every %1 ms").arg(g.periodMs)
                                 : QStringLiteral(" on request");
      parts << text;
    }
    i = end;
  }
  return parts.join(QStringLiteral(", ")) +
         (allHold ? QStringLiteral(" \u2713") : QStringLiteral(" \u2717"));
}

}  // namespace j1939
