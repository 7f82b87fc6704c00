#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The command line of j1939cfg: a command, the configuration file (none for
// ports; the JSON for make), and the command's options.
struct CfgCommand {
  // Json is no command: the help on the JSON of show, make and set.
  enum class Name { None, Show, Frame, Program, Check, Ports, Make, Set, Diff, Json };
  Name name = Name::None;
  bool help = false;  // print the help of `name` (of the program for None)
  QString file;
  bool json = false;      // show, ports, diff
  int frameVersion = -1;  // frame: 0 "1.01", 1 "2.00", -1 the file's version
  QString port;           // program: a device, or COMn
  QString output;         // make: the configuration file written
  QString other;          // diff: the second file
  QStringList settings;   // set: KEY=VALUE
  bool force = false;     // make, set: write despite findings
};

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNo = 1;     // findings, a refused or not accepted download
inline constexpr int kExitError = 2;  // usage, file or port error

// Reads the arguments (without the program name). On an error returns the
// message; `command` is then partly filled.
std::optional<QString> ParseCfgArguments(const QStringList& arguments, CfgCommand& command);

// The help of a command, or of the program for Name::None.
QString CfgHelp(CfgCommand::Name name);

// What to say after a usage error, pointing to the right help.
QString CfgHelpHint(CfgCommand::Name name);
