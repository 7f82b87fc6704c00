#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

namespace j1939 {

// Parameter groups that the simulator transmits itself; an additional PGN may
// not take one of them. The comparison is on the whole PGN, data page and
// reserved bit included: 65226 (DM1) is built in, 130762 is not.
inline constexpr std::array<int64_t, 19> BuiltInPgns = {
    59392,  // 0xE800 Acknowledgement (ACKM)
    59904,  // 0xEA00 Request (RQST)
    61443,  // 0xF003 Electronic Engine Controller 2 (EEC2)
    61444,  // 0xF004 Electronic Engine Controller 1 (EEC1)
    65132,  // 0xFE6C Tachograph (TCO1)
    65214,  // 0xFEBE Electronic Engine Controller 4 (EEC4)
    65226,  // 0xFECA Active Diagnostic Trouble Codes (DM1)
    65235,  // 0xFED3 Diagnostic Data Clear/Reset for Active DTCs (DM11)
    65253,  // 0xFEE5 Engine Hours, Revolutions (HOURS)
    65256,  // 0xFEE8 Vehicle Direction/Speed (VDS)
    65257,  // 0xFEE9 Fuel Consumption, Liquid (LFC)
    65260,  // 0xFEEC Vehicle Identification (VI)
    65262,  // 0xFEEE Engine Temperature 1 (ET1)
    65263,  // 0xFEEF Engine Fluid Level/Pressure 1 (EFL/P1)
    65266,  // 0xFEF2 Fuel Economy, Liquid (LFE)
    65267,  // 0xFEF3 Vehicle Position (VP)
    65269,  // 0xFEF5 Ambient Conditions (AMB)
    65270,  // 0xFEF6 Inlet/Exhaust Conditions 1 (IC1)
    65271,  // 0xFEF7 Vehicle Electrical Power 1 (VEP1)
};

// Further groups that a simulator of version "2.00" transmits itself.
inline constexpr std::array<int64_t, 3> BuiltInPgnsV2 = {
    65248,  // 0xFEE0 Vehicle Distance (VD)
    65265,  // 0xFEF1 Cruise Control/Vehicle Speed (CCVS)
    65276,  // 0xFEFC Dash Display (DD)
};

template <std::size_t N>
constexpr bool PgnIsIn(const std::array<int64_t, N>& list, int64_t pgn) {
  return std::find(list.begin(), list.end(), pgn) != list.end();
}

}  // namespace j1939
