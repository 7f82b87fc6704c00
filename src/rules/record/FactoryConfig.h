#pragma once

#include "rules/record/SimulatorConfig.h"

namespace j1939 {

// The factory configuration: what the window stores after "Default" on the
// all-zero record (a j1939.cfg just created). Static, source address 00, NAME
// all zero, both additional PGNs deleted at "On Request", priority 7, "Single
// Byte" at position 1 of 1 data byte, version "2.00" with "Version4", the VIN
// "KorvaneElectronic", 250 kbit/s. The fields "Default" leaves alone (the port,
// the PGNs and their parts) keep the all-zero record's values, and its data
// lengths of 0 are stored as 1.
SimulatorConfig FactoryConfig();

}  // namespace j1939
