#pragma once

#include "apps/j1939cfg/CfgOptions.h"
#include "rules/record/SimulatorConfig.h"

namespace j1939 {

// The commands on a CAN bus: the interfaces there are, the messages on one,
// and whether the device on one does what a configuration says. Each returns
// the exit status and has said everything by then.

// buses [--json]
int ListBuses(const CfgCommand& command);

// watch --can IFACE [--seconds S] [--from SA] [--pgn PGN] [--json] [--summary]
int WatchBus(const CfgCommand& command);

// verify FILE --can IFACE [--seconds S] [--json], and program FILE --verify IFACE
// after the download: `record` is FILE's configuration.
int VerifyBus(const CfgCommand& command, const SimulatorConfig& record);

}  // namespace j1939
