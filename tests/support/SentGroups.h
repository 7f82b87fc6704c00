#pragma once

#include <cstdint>

// The parameter groups that the simulator transmits itself, as J1939 names
// them: those of every simulator, and those that a "2.00" simulator adds.
struct SentGroup {
  int32_t pgn;
  const char* acronym;
};
// clang-format off
inline constexpr SentGroup kSentByEverySimulator[] = {
    {59392, "ACKM"}, {59904, "RQST"}, {61443, "EEC2"}, {61444, "EEC1"}, {65132, "TCO1"},
    {65214, "EEC4"}, {65226, "DM1"}, {65235, "DM11"}, {65253, "HOURS"}, {65256, "VDS"},
    {65257, "LFC"}, {65260, "VI"}, {65262, "ET1"}, {65263, "EFL/P1"}, {65266, "LFE"},
    {65267, "VP"}, {65269, "AMB"}, {65270, "IC1"}, {65271, "VEP1"}};
inline constexpr SentGroup kSentByVersion200[] = {{65248, "VD"}, {65265, "CCVS"}, {65276, "DD"}};
// clang-format on
