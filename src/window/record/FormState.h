#pragma once

#include <array>
#include <cstdint>

#include "rules/record/SimulatorConfig.h"

namespace j1939 {

// Everything the main window owns for the whole run besides its controls and
// seams. All of it is zero when the window is created.
struct FormState {
  SimulatorConfig Config{};

  // Configuration files.
  bool UserFileOpen = false;  // once Open or Save As opened a user file; never cleared

  // Guard flags: while set, the handlers of the group being rewritten return at once.
  bool WritingNameBytes = false;
  bool WritingNameComponents = false;
  bool PgnSyncActive = false;

  // Largest parameter position of each additional PGN slot, as last computed.
  std::array<int16_t, 2> MaxParameterPos{};

  // The two configuration frames, rebuilt on every "Program Config".
  std::array<uint8_t, 32> ConfigFrameV1{};
  std::array<uint8_t, 49> ConfigFrameV2{};
};

}  // namespace j1939
