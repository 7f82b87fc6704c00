#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace j1939 {

// What the simulator answers to one well-formed frame: these bytes (none for
// silence), after this many milliseconds.
struct SimulatorAnswer {
  QByteArray bytes;
  int delayMs = 0;
};

struct SimulatorOptions {
  int frameLength = 32;  // 32 for "1.01", 49 for "2.00"
  int frames = 1;        // frames to serve; 0 serves until the end
  SimulatorAnswer answer{QByteArray(1, '\x55'), 0};
  QList<SimulatorAnswer> plan;              // answers to the first frames, in order; then `answer`
  std::optional<QByteArray> badFrameReply;  // answer to a frame with a wrong checksum
  int gapMs = 500;     // a pause this long inside a frame drops its partial bytes
  QString link;        // a symbolic link to the device, made at start and removed at the end
  QString can;         // the CAN interface the device plays on, PLUGIN:INTERFACE; empty: none
  QString configFile;  // a .cfg file played from the start, as if just programmed
  int busLoad = 0;     // frames per second from other source addresses
  bool help = false;

  const SimulatorAnswer& answerTo(int frameNumber) const {  // frameNumber from 1
    return frameNumber <= plan.size() ? plan[frameNumber - 1] : answer;
  }
};

// Reads the command line (without the program name). On an error returns the
// message and leaves `options` partly filled.
std::optional<QString> ParseSimulatorOptions(const QStringList& arguments,
                                             SimulatorOptions& options);

// "55", "55,55", "55 AA", "none" (no bytes); nullopt when not hex bytes.
std::optional<QByteArray> ParseHexBytes(const QString& text);

extern const char* const kSimulatorUsage;

}  // namespace j1939
