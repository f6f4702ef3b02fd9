// The ports as the scheduler sees them: for each, its four schedule boxes and its indicator.
#pragma once

#include <array>

#include "form/window_layout.h"

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

// The port whose indicator this is; null for any other control.
const PortControls* portWithIndicator(ControlId id);

}  // namespace dorvan
