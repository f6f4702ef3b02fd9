// The one report the program sends the board: switch one port on or off.
#pragma once

#include <array>
#include <cstdint>

#include "hid/hid_library.h"

namespace dorvan {

using Report = std::array<std::uint8_t, kReportSize>;

enum class PortState : std::uint8_t { Off = 0, On = 1 };

// Writes the port and state into bytes 1 and 2 of the report and sends it; the
// other bytes stay as they are (zero). A port outside 1-10 is a programming error.
void SendPortCommand(HidLibrary& library, Report& outputReport, int port, PortState state);

}  // namespace dorvan
