// The clock tick: show the time and date, then switch every port whose start or
// end instant is the current second, and carry out what a late tick skipped. An
// instant is a date and a time, or a repeat word and a time (scheduler/repeat.h).
#pragma once

#include <array>
#include <optional>

#include "app/form_state.h"
#include "app/window_layout.h"
#include "hid/hid_library.h"
#include "hid/port_command.h"
#include "scheduler/clock.h"
#include "scheduler/instant_cache.h"

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

// Switches ports: the indicator, then the report to the board. It remembers the
// last state commanded for each port in this run, so that a board that comes back
// with every relay off can be told again.
class PortSwitch {
 public:
  PortSwitch(FormState& form, HidLibrary& library, Report& outputReport);

  void turn(const PortControls& port, PortState state);
  // One report per port commanded in this run, its last state, in port order.
  void resendCommanded();

 private:
  FormState& form_;
  HidLibrary& library_;
  Report& outputReport_;
  std::array<std::optional<PortState>, kPortCount> commanded_{};
};

class ClockTick {
 public:
  // One tick. Allocates nothing once the clock labels hold text, however long the
  // gap since the last tick.
  void run(FormState& form, Clock& clock, PortSwitch& ports);

  // At a start asked to go on with a stage: every port whose latest instant at or
  // before now is a start is switched on, one whose latest such instant is an end is
  // switched off, a port with none is left alone. The next tick catches up from now.
  void resume(const FormState& form, Clock& clock, PortSwitch& ports);

 private:
  // The clock second the last tick showed; none before the first tick.
  std::optional<WallSecond> lastShown_;
  InstantCache instants_;
};

}  // namespace dorvan
