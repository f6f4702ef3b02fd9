#include "hid/port_command.h"

#include <cassert>

namespace dorvan {

void SendPortCommand(HidLibrary& library, Report& outputReport, int port, PortState state) {
  assert(port >= 1 && port <= 10 && "a port command names a port of the board");
  assert((state == PortState::On || state == PortState::Off) && "a port is switched on or off");
  if (port < 1 || port > 10) return;
  outputReport[1] = static_cast<std::uint8_t>(port);
  outputReport[2] = static_cast<std::uint8_t>(state);
  library.WriteEx(kBoardVendorId, kBoardProductId, outputReport.data());
}

}  // namespace dorvan
