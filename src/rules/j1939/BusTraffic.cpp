#include "rules/j1939/BusTraffic.h"

#include <cmath>

#include "rules/j1939/GroupNames.h"

namespace j1939 {

const char* BamFaultName(BamEventKind kind) {
  switch (kind) {
    case BamEventKind::Completed:
      return "completed";
    case BamEventKind::MissingPacket:
      return "missing_packet";
    case BamEventKind::RepeatedPacket:
      return "repeated_packet";
    case BamEventKind::WrongSequenceNumber:
      return "wrong_sequence_number";
    case BamEventKind::Aborted:
      return "aborted";
    case BamEventKind::Interrupted:
      return "interrupted";
    case BamEventKind::NoAnnouncement:
      return "no_announcement";
    case BamEventKind::SizeOverLimit:
      return "size_over_limit";
    case BamEventKind::PacketCountMismatch:
      return "packet_count_mismatch";
    case BamEventKind::ShortFrame:
      return "short_frame";
    case BamEventKind::TimedOut:
      return "timed_out";
  }
  return "unknown";
}

QList<BusItem> BusDecoder::take(const CanFrame& frame, qint64 ms) {
  const J1939Identifier id = DecodeIdentifier(frame.identifier);
  const uint32_t pgn = PgnOf(id);
  const bool toAll = id.ps == kGlobalAddress;
  const uint8_t control = frame.data.isEmpty() ? 0 : static_cast<uint8_t>(frame.data[0]);
  const bool announcement =
      pgn == kPgnTpConnection && frame.data.size() >= 8 && control == kBamControlByte;
  const bool ofBam = (pgn == kPgnTpConnection && (frame.data.size() < 8 || announcement ||
                                                  (control == kAbortControlByte && toAll))) ||
                     (pgn == kPgnTpDataTransfer && toAll);
  QList<BusItem> items;
  append(items, reassembler_.take(frame, ms), ms);
  // After the events: a new announcement ends the BAM before it, reported above.
  if (announcement) announcements_[id.sourceAddress] = Announcement{ms, id.priority};
  if (!ofBam) items << BusMessage{ms, id, pgn, frame.data, false};
  return items;
}

QList<BusItem> BusDecoder::expire(qint64 ms) {
  QList<BusItem> items;
  append(items, reassembler_.expire(ms), ms);
  return items;
}

void BusDecoder::append(QList<BusItem>& items, const QList<BamEvent>& events, qint64 ms) {
  for (const BamEvent& event : events) {
    if (event.kind != BamEventKind::Completed) {
      items << TransportFault{ms, event};
      continue;
    }
    const auto found = announcements_.find(event.sourceAddress);
    const Announcement begun = found != announcements_.end() ? found->second : Announcement{ms, 0};
    items << BusMessage{begun.ms, IdentifierFor(event.pgn, begun.priority, event.sourceAddress),
                        event.pgn, event.data, true};
  }
}

double GroupStatistics::jitterMs() const {
  return count > 1 ? std::sqrt(intervalSquares_ / double(count - 1)) : 0;
}

void BusTally::add(const BusMessage& message) {
  ++messages_;
  const uint32_t key = (static_cast<uint32_t>(message.source()) << 24) | message.pgn;
  const auto [at, added] = groups_.try_emplace(key);
  GroupStatistics& g = at->second;
  if (added) {
    g.source = message.source();
    g.pgn = message.pgn;
    g.firstMs = message.ms;
  } else {
    // Welford's running mean and squares of the intervals: one pass, no list kept.
    const double interval = double(message.ms - g.lastMs);
    const double n = double(g.count);  // the intervals so far, this one included
    const double delta = interval - g.intervalMean_;
    g.intervalMean_ += delta / n;
    g.intervalSquares_ += delta * (interval - g.intervalMean_);
  }
  ++g.count;
  g.lastMs = message.ms;
  g.lastData = message.data;
  g.priority = message.identifier.priority;
  g.destination = message.destination();
  g.byBam = message.byBam;
}

QList<GroupStatistics> BusTally::groups() const {
  QList<GroupStatistics> list;
  list.reserve(static_cast<qsizetype>(groups_.size()));
  for (const auto& [key, group] : groups_) list << group;
  return list;
}

}  // namespace j1939
