#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace j1939 {

// Well-known PGNs of the parameter groups that the simulator and its tools handle.
inline constexpr uint32_t kPgnAcknowledgement = 59392;        // 0xE800 ACKM
inline constexpr uint32_t kPgnRequest = 59904;                // 0xEA00 RQST
inline constexpr uint32_t kPgnTpDataTransfer = 60160;         // 0xEB00 TP.DT
inline constexpr uint32_t kPgnTpConnection = 60416;           // 0xEC00 TP.CM
inline constexpr uint32_t kPgnAddressClaimed = 60928;         // 0xEE00 ACL
inline constexpr uint32_t kPgnEec2 = 61443;                   // 0xF003
inline constexpr uint32_t kPgnEec1 = 61444;                   // 0xF004
inline constexpr uint32_t kPgnDm1 = 65226;                    // 0xFECA
inline constexpr uint32_t kPgnVehicleIdentification = 65260;  // 0xFEEC VI
inline constexpr uint32_t kPgnEt1 = 65262;                    // 0xFEEE

// A parameter group's J1939 name: its acronym ("EEC1") and title
// ("Electronic Engine Controller 1").
struct ParameterGroupName {
  uint32_t pgn = 0;
  const char* acronym = "";
  const char* title = "";
};

// The name of the groups a user meets here: every group the simulator
// transmits itself (both versions), Address Claimed, Request, TP.CM and TP.DT.
std::optional<ParameterGroupName> ParameterGroupNameOf(uint32_t pgn);

// "EEC1 (61444)", or the number alone for a group without a name here.
QString ParameterGroupLabel(uint32_t pgn);

}  // namespace j1939
