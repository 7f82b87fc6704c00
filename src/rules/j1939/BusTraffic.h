#pragma once

#include <QByteArray>
#include <QList>
#include <cstdint>
#include <map>
#include <variant>

#include "rules/j1939/Identifier.h"
#include "rules/j1939/Transport.h"

namespace j1939 {

// The bus as a J1939 node reads it: frames decoded into messages, a BAM's
// frames into one message, and a tally per sender and group. The caller keeps
// the clock and gives each frame's time; nothing here prints.

// One J1939 message: a frame, or a BAM reassembled.
struct BusMessage {
  qint64 ms = 0;  // when it began: the frame, or the BAM's announcement
  // A frame's own identifier. A BAM's: the announcement's priority, the PGN's
  // page bits, PF and PS (for a PDU1 group the destination, to all).
  J1939Identifier identifier;
  uint32_t pgn = 0;
  QByteArray data;
  bool byBam = false;

  uint8_t source() const { return identifier.sourceAddress; }
  uint8_t destination() const { return DestinationOf(identifier); }

  friend bool operator==(const BusMessage&, const BusMessage&) = default;
};

// A fault of the transport protocol, at the time it became known.
struct TransportFault {
  qint64 ms = 0;
  BamEvent event;

  friend bool operator==(const TransportFault&, const TransportFault&) = default;
};

using BusItem = std::variant<BusMessage, TransportFault>;

// The fault's kind in one word for machines: "missing_packet", "timed_out", ...
const char* BamFaultName(BamEventKind kind);

// Decodes the frames of a bus in the order they came. The frames of a BAM
// (its TP.CM announcement or abort to all, its TP.DT packets to all, and
// transport frames too short to read) give no message of their own: the
// completed BAM does, or its fault. Every other frame is a message as it is,
// connection-mode transport included.
class BusDecoder {
 public:
  QList<BusItem> take(const CanFrame& frame, qint64 ms);
  // The BAMs whose sender fell silent by `ms`: call it now and then.
  QList<BusItem> expire(qint64 ms);

 private:
  struct Announcement {
    qint64 ms = 0;
    uint8_t priority = 0;
  };
  void append(QList<BusItem>& items, const QList<BamEvent>& events, qint64 ms);

  BamReassembler reassembler_;
  std::map<uint8_t, Announcement> announcements_;  // the BAM under way from each source
};

// What came from one source address in one group.
struct GroupStatistics {
  uint8_t source = 0;
  uint32_t pgn = 0;
  qint64 count = 0;
  qint64 firstMs = 0;
  qint64 lastMs = 0;
  QByteArray lastData;
  // Of the last message: its priority, its destination, and whether it came by BAM.
  uint8_t priority = 0;
  uint8_t destination = kGlobalAddress;
  bool byBam = false;

  // The mean and the standard deviation of the intervals between messages;
  // 0 for fewer than two.
  double meanPeriodMs() const { return count > 1 ? double(lastMs - firstMs) / (count - 1) : 0; }
  double jitterMs() const;

 private:
  friend class BusTally;
  double intervalMean_ = 0;  // running mean and sum of squared deviations (Welford)
  double intervalSquares_ = 0;
};

// Counts the messages per (source address, PGN) as they come.
class BusTally {
 public:
  void add(const BusMessage& message);
  // By source address, then PGN.
  QList<GroupStatistics> groups() const;
  qint64 messages() const { return messages_; }

 private:
  std::map<uint32_t, GroupStatistics> groups_;  // keyed by source << 24 | PGN
  qint64 messages_ = 0;
};

}  // namespace j1939
