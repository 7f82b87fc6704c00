#include "rules/j1939/Transport.h"

#include "rules/j1939/GroupNames.h"

namespace j1939 {

namespace {

uint32_t pgnAt(const QByteArray& data, int at) {
  return static_cast<uint8_t>(data[at]) | (static_cast<uint8_t>(data[at + 1]) << 8) |
         (static_cast<uint32_t>(static_cast<uint8_t>(data[at + 2])) << 16);
}

BamEvent event(BamEventKind kind, uint8_t source, uint32_t pgn, int sequenceNumber = 0) {
  BamEvent e;
  e.kind = kind;
  e.sourceAddress = source;
  e.pgn = pgn;
  e.sequenceNumber = sequenceNumber;
  return e;
}

}  // namespace

QList<CanFrame> BamFrames(uint32_t pgn, const QByteArray& data, uint8_t sourceAddress,
                          uint8_t priority) {
  if (data.isEmpty() || data.size() > kMaxBamSize) return {};
  const int size = static_cast<int>(data.size());
  const int packets = BamPacketCount(size);
  QList<CanFrame> frames;
  QByteArray announcement(8, '\xFF');
  announcement[0] = static_cast<char>(kBamControlByte);
  announcement[1] = static_cast<char>(size & 0xFF);
  announcement[2] = static_cast<char>(size >> 8);
  announcement[3] = static_cast<char>(packets);
  announcement[5] = static_cast<char>(pgn & 0xFF);
  announcement[6] = static_cast<char>((pgn >> 8) & 0xFF);
  announcement[7] = static_cast<char>((pgn >> 16) & 0xFF);
  frames << FrameFor(IdentifierFor(kPgnTpConnection, priority, sourceAddress), announcement);
  const J1939Identifier packetId = IdentifierFor(kPgnTpDataTransfer, priority, sourceAddress);
  for (int n = 1; n <= packets; ++n) {
    QByteArray packet(8, '\xFF');
    packet[0] = static_cast<char>(n);
    const QByteArray part = data.mid((n - 1) * 7, 7);
    packet.replace(1, part.size(), part);
    frames << FrameFor(packetId, packet);
  }
  return frames;
}

QString DescribeBamEvent(const BamEvent& e) {
  const QString from =
      QStringLiteral("BAM from %1: ")
          .arg(QStringLiteral("%1").arg(e.sourceAddress, 2, 16, QLatin1Char('0')).toUpper());
  const QString group = ParameterGroupLabel(e.pgn);
  const QString packet = QString::number(e.sequenceNumber);
  switch (e.kind) {
    case BamEventKind::Completed:
      return from + group + QStringLiteral(" completed, %1 bytes").arg(e.data.size());
    case BamEventKind::MissingPacket:
      return from + group +
             QStringLiteral(": packet %1 came before the one expected; dropped").arg(packet);
    case BamEventKind::RepeatedPacket:
      return from + group + QStringLiteral(": packet %1 repeated; ignored").arg(packet);
    case BamEventKind::WrongSequenceNumber:
      return from + group +
             QStringLiteral(": sequence number %1 is out of order; dropped").arg(packet);
    case BamEventKind::Aborted:
      return from + group + QStringLiteral(": aborted by its sender");
    case BamEventKind::Interrupted:
      return from + group + QStringLiteral(": a new BAM began before it ended; dropped");
    case BamEventKind::NoAnnouncement:
      return from + QStringLiteral("packet %1 with no BAM announced; ignored").arg(packet);
    case BamEventKind::SizeOverLimit:
      return from + group + QStringLiteral(": announced over %1 bytes; refused").arg(kMaxBamSize);
    case BamEventKind::PacketCountMismatch:
      return from + group + QStringLiteral(": the packet count does not fit the size; refused");
    case BamEventKind::ShortFrame:
      return from + QStringLiteral("a transport frame of fewer than 8 bytes; ignored");
    case BamEventKind::TimedOut:
      return from + group +
             QStringLiteral(": packet %1 did not come within %2 ms; dropped")
                 .arg(packet)
                 .arg(kBamTimeoutMs);
  }
  return from + group;
}

QList<BamEvent> BamReassembler::take(const CanFrame& frame, qint64 nowMs) {
  QList<BamEvent> events = expire(nowMs);
  const J1939Identifier id = DecodeIdentifier(frame.identifier);
  const uint32_t pgn = PgnOf(id);
  if (pgn != kPgnTpConnection && pgn != kPgnTpDataTransfer) return events;
  if (pgn == kPgnTpDataTransfer && id.ps != kGlobalAddress) return events;
  if (frame.data.size() < 8) {
    events << event(BamEventKind::ShortFrame, id.sourceAddress, 0);
    return events;
  }
  if (pgn == kPgnTpConnection)
    events << takeAnnouncement(id.sourceAddress, frame.data, nowMs);
  else
    events << takePacket(id.sourceAddress, frame.data, nowMs);
  return events;
}

QList<BamEvent> BamReassembler::takeAnnouncement(uint8_t source, const QByteArray& data,
                                                 qint64 nowMs) {
  const uint8_t control = static_cast<uint8_t>(data[0]);
  const uint32_t pgn = pgnAt(data, 5);
  QList<BamEvent> events;
  const auto underWay = transfers_.find(source);
  if (control == kAbortControlByte) {
    if (underWay != transfers_.end() && underWay->second.pgn == pgn) {
      if (!underWay->second.failed) events << event(BamEventKind::Aborted, source, pgn);
      transfers_.erase(underWay);
    }
    return events;
  }
  if (control != kBamControlByte) return events;
  if (underWay != transfers_.end()) {
    if (!underWay->second.failed)
      events << event(BamEventKind::Interrupted, source, underWay->second.pgn,
                      underWay->second.received);
    transfers_.erase(underWay);
  }
  Transfer transfer;
  transfer.pgn = pgn;
  transfer.size = static_cast<uint8_t>(data[1]) | (static_cast<uint8_t>(data[2]) << 8);
  transfer.packets = static_cast<uint8_t>(data[3]);
  transfer.lastMs = nowMs;
  if (transfer.size > kMaxBamSize) {
    events << event(BamEventKind::SizeOverLimit, source, pgn);
    transfer.failed = true;
  } else if (transfer.size == 0 || transfer.packets != BamPacketCount(transfer.size)) {
    events << event(BamEventKind::PacketCountMismatch, source, pgn);
    transfer.failed = true;
  }
  transfers_[source] = transfer;
  return events;
}

QList<BamEvent> BamReassembler::takePacket(uint8_t source, const QByteArray& data, qint64 nowMs) {
  const int sequence = static_cast<uint8_t>(data[0]);
  const auto found = transfers_.find(source);
  if (found == transfers_.end()) return {event(BamEventKind::NoAnnouncement, source, 0, sequence)};
  Transfer& t = found->second;
  t.lastMs = nowMs;
  QList<BamEvent> events;
  if (!t.failed) {
    if (sequence == t.received && sequence != 0) {
      return {event(BamEventKind::RepeatedPacket, source, t.pgn, sequence)};
    } else if (sequence == t.received + 1) {
      t.data += data.mid(1, 7);
      t.received = sequence;
      if (t.received == t.packets) {
        BamEvent done = event(BamEventKind::Completed, source, t.pgn);
        done.data = t.data.left(t.size);
        transfers_.erase(found);
        return {done};
      }
      return {};
    } else if (sequence > t.received && sequence <= t.packets) {
      events << event(BamEventKind::MissingPacket, source, t.pgn, sequence);
    } else {
      events << event(BamEventKind::WrongSequenceNumber, source, t.pgn, sequence);
    }
    t.failed = true;
  }
  // A reported transfer's packets are taken silently up to its last one.
  if (sequence >= t.packets) transfers_.erase(found);
  return events;
}

QList<BamEvent> BamReassembler::expire(qint64 nowMs) {
  QList<BamEvent> events;
  for (auto it = transfers_.begin(); it != transfers_.end();) {
    if (nowMs - it->second.lastMs <= kBamTimeoutMs) {
      ++it;
      continue;
    }
    if (!it->second.failed)
      events << event(BamEventKind::TimedOut, it->first, it->second.pgn, it->second.received + 1);
    it = transfers_.erase(it);
  }
  return events;
}

}  // namespace j1939
