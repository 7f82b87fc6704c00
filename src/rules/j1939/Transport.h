#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <map>

#include "rules/j1939/Identifier.h"

namespace j1939 {

// The broadcast of the transport protocol (BAM, J1939-21): a group of 9 to
// 1785 bytes goes to all as one TP.CM announcement (control byte 32, the size,
// the packet count, FF, the PGN) followed by TP.DT packets of a sequence
// number (1 on) and 7 bytes, the last padded with FF. A sender leaves 50 to
// 200 ms between the packets and has one BAM under way at a time; a receiver
// gives up on a transfer whose next packet is more than 750 ms late (T1).

inline constexpr int kMaxBamSize = 1785;  // 255 packets of 7 bytes
inline constexpr uint8_t kBamControlByte = 32;
inline constexpr uint8_t kAbortControlByte = 255;
inline constexpr int kBamPacketGapMs = 50;
inline constexpr int kBamTimeoutMs = 750;
inline constexpr uint8_t kTransportPriority = 7;

constexpr int BamPacketCount(int size) {
  return (size + 6) / 7;
}

// The frames of one BAM, in order: TP.CM, then the TP.DT packets. Nothing for
// data that a BAM cannot carry (more than 1785 bytes, or none).
QList<CanFrame> BamFrames(uint32_t pgn, const QByteArray& data, uint8_t sourceAddress,
                          uint8_t priority = kTransportPriority);

// What a receiver makes of the BAMs on the bus: each message completed, and
// each fault, named by the source address and the group it concerns.
enum class BamEventKind {
  Completed,            // `data` is the message
  MissingPacket,        // a packet skipped: the transfer is dropped
  RepeatedPacket,       // the previous packet again: ignored, the transfer goes on
  WrongSequenceNumber,  // 0, above the count, or back before the previous: dropped
  Aborted,              // TP.CM with control byte 255 for the group under way
  Interrupted,          // a new BAM from the same source before this one ended
  NoAnnouncement,       // a TP.DT to all from a source with no BAM under way
  SizeOverLimit,        // an announcement of more than 1785 bytes: refused
  PacketCountMismatch,  // an announcement whose count does not fit its size: refused
  ShortFrame,           // a TP.CM or TP.DT of fewer than 8 bytes: ignored
  TimedOut,             // no packet for more than 750 ms: dropped
};

struct BamEvent {
  BamEventKind kind = BamEventKind::Completed;
  uint8_t sourceAddress = 0;
  uint32_t pgn = 0;        // the group announced (0 where none is)
  int sequenceNumber = 0;  // the packet concerned (the one expected, for a time-out)
  QByteArray data;         // the message of a completed transfer

  friend bool operator==(const BamEvent&, const BamEvent&) = default;
};

// One line for a person: "BAM from 25: VI (65260) completed, 18 bytes".
QString DescribeBamEvent(const BamEvent& event);

// Reassembles the BAMs of every source address at once. It keeps no clock:
// the caller gives each frame's time, and calls expire() now and then so that
// a transfer whose sender fell silent is reported.
class BamReassembler {
 public:
  // Takes a frame seen at `nowMs`. Frames other than TP.CM and TP.DT, TP.DT
  // packets to one address, and the connection-mode TP.CM messages (RTS, CTS,
  // end of message) belong to no BAM and are ignored.
  QList<BamEvent> take(const CanFrame& frame, qint64 nowMs);
  // Reports and drops the transfers whose next packet is overdue at `nowMs`.
  QList<BamEvent> expire(qint64 nowMs);
  int transfersUnderWay() const { return static_cast<int>(transfers_.size()); }

 private:
  struct Transfer {
    uint32_t pgn = 0;
    int size = 0;
    int packets = 0;
    int received = 0;     // the last sequence number taken
    bool failed = false;  // reported: its remaining packets are taken without a word
    QByteArray data;
    qint64 lastMs = 0;
  };
  QList<BamEvent> takeAnnouncement(uint8_t source, const QByteArray& data, qint64 nowMs);
  QList<BamEvent> takePacket(uint8_t source, const QByteArray& data, qint64 nowMs);

  std::map<uint8_t, Transfer> transfers_;
};

}  // namespace j1939
