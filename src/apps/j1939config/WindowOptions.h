#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "link/serial/PortOpening.h"

namespace j1939 {

// The configurator's own command line (Qt's options, -style and the like,
// are taken by the application object before it).
struct WindowOptions {
  QList<RunPort> ports;  // in the order given
  QString file;          // opened at start, as File > Open opens it
  QString bus;           // the CAN interface the Bus dock shows from the start
  bool help = false;
  bool version = false;
};

// Reads the command line (without the program name). On an error returns the
// message and leaves `options` partly filled.
std::optional<QString> ParseWindowOptions(const QStringList& arguments, WindowOptions& options);

extern const char* const kWindowUsage;

}  // namespace j1939
