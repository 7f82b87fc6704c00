#include "rules/j1939/GroupNames.h"

#include <array>

namespace j1939 {

namespace {

constexpr std::array<ParameterGroupName, 25> kNames = {{
    {kPgnAcknowledgement, "ACKM", "Acknowledgement"},
    {kPgnRequest, "RQST", "Request"},
    {kPgnTpDataTransfer, "TP.DT", "Transport Protocol - Data Transfer"},
    {kPgnTpConnection, "TP.CM", "Transport Protocol - Connection Management"},
    {kPgnAddressClaimed, "ACL", "Address Claimed"},
    {kPgnEec2, "EEC2", "Electronic Engine Controller 2"},
    {kPgnEec1, "EEC1", "Electronic Engine Controller 1"},
    {65132, "TCO1", "Tachograph"},
    {65214, "EEC4", "Electronic Engine Controller 4"},
    {kPgnDm1, "DM1", "Active Diagnostic Trouble Codes"},
    {65235, "DM11", "Diagnostic Data Clear/Reset for Active DTCs"},
    {65248, "VD", "Vehicle Distance"},
    {65253, "HOURS", "Engine Hours, Revolutions"},
    {65256, "VDS", "Vehicle Direction/Speed"},
    {65257, "LFC", "Fuel Consumption (Liquid)"},
    {kPgnVehicleIdentification, "VI", "Vehicle Identification"},
    {kPgnEt1, "ET1", "Engine Temperature 1"},
    {65263, "EFL/P1", "Engine Fluid Level/Pressure 1"},
    {65265, "CCVS", "Cruise Control/Vehicle Speed"},
    {65266, "LFE", "Fuel Economy (Liquid)"},
    {65267, "VP", "Vehicle Position"},
    {65269, "AMB", "Ambient Conditions"},
    {65270, "IC1", "Inlet/Exhaust Conditions 1"},
    {65271, "VEP1", "Vehicle Electrical Power 1"},
    {65276, "DD", "Dash Display"},
}};

}  // namespace

std::optional<ParameterGroupName> ParameterGroupNameOf(uint32_t pgn) {
  for (const ParameterGroupName& name : kNames)
    if (name.pgn == pgn) return name;
  return std::nullopt;
}

QString ParameterGroupLabel(uint32_t pgn) {
  if (const std::optional<ParameterGroupName> name = ParameterGroupNameOf(pgn))
    return QStringLiteral("%1 (%2)").arg(QLatin1String(name->acronym)).arg(pgn);
  return QString::number(pgn);
}

}  // namespace j1939
