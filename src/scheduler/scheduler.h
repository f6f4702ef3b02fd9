// The clock tick: show the time and date, then switch every port whose start or
// end instant is the current second, and carry out what a late tick skipped. An
// instant is a date and a time, or a repeat word and a time (scheduler/repeat.h).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "form/form_state.h"
#include "form/window_layout.h"
#include "hid/hid_library.h"
#include "hid/port_command.h"
#include "journal/journal.h"
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

// The port whose indicator this is; null for any other control.
const PortControls* portWithIndicator(ControlId id);

// A state a schedule asks for, and the second of the instant that asks for it.
struct Switching {
  PortState state;
  WallSecond at;
};

// The earliest instant after `after` at which the port's start or end fires.
std::optional<Switching> nextSwitching(const FormState& form, const PortControls& port, WallSecond after);

// The last switching of a port in this run.
struct PortRecord {
  PortState state;
  SwitchCause cause;
  LocalTime at;        // the clock when it was switched
  WallSecond instant;  // the second it belongs to: its instant's, or the clock's
  std::string who;     // the address a web request came from; empty for every other cause
};

// Told of every switching the journal records, whatever its cause.
class SwitchListener {
 public:
  virtual void portSwitched(int port, PortState state, SwitchCause cause) = 0;

 protected:
  ~SwitchListener() = default;
};

// Switches ports: the indicator, the report to the board and the journal line. It
// remembers each port's last switching in this run, so that a board that comes back
// with every relay off can be told again.
class PortSwitch {
 public:
  PortSwitch(FormState& form, HidLibrary& library, Report& outputReport, Journal& journal);

  // `now` is the clock reading the journal line carries. A schedule's switching that
  // repeats one already journaled (the same state for the same instant, as every tick
  // of a due second does) is sent again but journaled once.
  void turn(const PortControls& port, PortState state, SwitchCause cause, const LocalTime& now, WallSecond instant,
            std::string_view who = {});
  // One report per port commanded in this run, its last state, in port order.
  void resendCommanded(const LocalTime& now);
  const std::optional<PortRecord>& last(int port) const { return last_[port - 1]; }
  void listen(SwitchListener* listener) { listener_ = listener; }

 private:
  FormState& form_;
  HidLibrary& library_;
  Report& outputReport_;
  Journal& journal_;
  SwitchListener* listener_ = nullptr;
  // Whether this switching of an instant is in the journal already.
  bool alreadyJournaled(int port, PortState state, SwitchCause cause, WallSecond instant);

  // The instant whose switchings a port's last journal lines carried out, and which.
  struct JournaledInstant {
    WallSecond instant;
    bool on;
    bool off;
  };

  std::array<std::optional<PortRecord>, kPortCount> last_{};
  std::array<std::optional<JournaledInstant>, kPortCount> journaled_{};
  std::string event_;  // kept, with room made at the start, so that switching needs no new memory
};

class ClockTick {
 public:
  // One tick. Allocates nothing once the clock labels hold text, however long the
  // gap since the last tick, unless it switches a port.
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
