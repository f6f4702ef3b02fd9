// The clock tick: show the time and date, then switch every port whose start or
// end instant is the current second.
#pragma once

#include <array>

#include "app/form_state.h"
#include "app/window_layout.h"
#include "hid/hid_library.h"
#include "hid/port_command.h"
#include "scheduler/clock.h"

namespace dorvan {

struct PortControls {
  int port;
  ControlId startDate;
  ControlId startTime;
  ControlId endDate;
  ControlId endTime;
  ControlId indicator;
};

constexpr std::array<PortControls, kPortCount> buildPortTable() {
  std::array<PortControls, kPortCount> out{};
  for (int p = 0; p < kPortCount; ++p) {
    const PortRow& row = kPortGrid[p];
    out[p] = {p + 1,
              controlId(row.startDate),
              controlId(row.startTime),
              controlId(row.endDate),
              controlId(row.endTime),
              controlId(row.indicator)};
  }
  return out;
}

inline constexpr std::array<PortControls, kPortCount> kPortTable = buildPortTable();

// One tick. Allocates nothing once the clock labels hold text.
void runClockTick(FormState& form, Clock& clock, HidLibrary& library, Report& outputReport);

}  // namespace dorvan
