#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

#include "rules/record/VersionRule.h"

namespace j1939 {

// The command line of j1939cfg: a command, the configuration file (none for
// ports, buses and watch; the JSON for make), and the command's options.
struct CfgCommand {
  // Json is no command: the help on the JSON of show, make and set.
  enum class Name {
    None,
    Show,
    Frame,
    Program,
    Check,
    Ports,
    Make,
    Set,
    Diff,
    Buses,
    Watch,
    Verify,
    Json
  };
  Name name = Name::None;
  bool help = false;  // print the help of `name` (of the program for None)
  QString file;
  bool json = false;                       // show, ports, diff, buses, watch, verify
  std::optional<SimVersion> frameVersion;  // frame: the version asked for, else the file's
  QString port;                            // program: a device, or COMn
  QString output;                          // make: the configuration file written
  QString other;                           // diff: the second file
  QStringList settings;                    // set: KEY=VALUE
  bool force = false;                      // make, set: write despite findings
  QString can;                     // watch, verify --can; program --verify: PLUGIN:INTERFACE
  std::optional<qint64> listenMs;  // watch, verify: --seconds
  std::optional<int> answerMs;     // verify, program --verify: --answer-ms
  std::optional<uint8_t> from;     // watch: only this source address
  std::optional<uint32_t> pgn;     // watch: only this PGN
  bool summary = false;            // watch: a row per source and group at the end
};

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNo = 1;     // findings, a refused or not accepted download, a
                                      // verified expectation that does not hold
inline constexpr int kExitError = 2;  // usage, file, port or bus error

// Reads the arguments (without the program name). On an error returns the
// message; `command` is then partly filled.
std::optional<QString> ParseCfgArguments(const QStringList& arguments, CfgCommand& command);

// The help of a command, or of the program for Name::None.
QString CfgHelp(CfgCommand::Name name);

// What to say after a usage error, pointing to the right help.
QString CfgHelpHint(CfgCommand::Name name);

}  // namespace j1939
