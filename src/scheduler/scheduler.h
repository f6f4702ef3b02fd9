// The clock tick: show the time and date, then switch every port with a start or end
// instant of one of its windows in the current second, and carry out what a late tick skipped. What the
// boxes may name is in scheduler/instant.h.
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
#include "scheduler/almanac.h"
#include "scheduler/port_table.h"
#include "scheduler/window_cache.h"

namespace dorvan {

// A state a schedule asks for, and the second of the instant that asks for it.
struct Switching {
  PortState state;
  WallSecond at;
};

// The earliest instant after `after` at which a start or end of the port's windows fires.
// When several fall in that second, the state the tick leaves the port in.
std::optional<Switching> nextSwitching(const FormState& form, const PortControls& port, WallSecond after,
                                       const Almanac& almanac);
std::optional<Switching> nextSwitching(const PortWindows& windows, WallSecond after, const Almanac& almanac);

// The next second after `after` of a window's start or end, when it is worked out (a sun
// word, a duration) rather than written in its boxes; none for a time the clock shows.
std::optional<WallSecond> nextComputed(const Window& window, Edge edge, WallSecond after, const Almanac& almanac);

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
  void run(FormState& form, Clock& clock, const Almanac& almanac, PortSwitch& ports);

  // At a start asked to go on with a stage: every port whose latest instant at or
  // before now is a start is switched on, one whose latest such instant is an end is
  // switched off, a port with none is left alone. The next tick catches up from now.
  void resume(const FormState& form, Clock& clock, const Almanac& almanac, PortSwitch& ports);

 private:
  struct Shown {
    WallSecond second;
    std::string_view date;
    std::string_view time;
    int weekday;
  };
  bool due(const FormState& form, const PortControls& port, const PortWindows& windows, int index, Edge edge,
           const Shown& shown, const Almanac& almanac);
  void switchToLatest(const FormState& form, const Almanac& almanac, WallSecond after, WallSecond upTo,
                      PortSwitch& ports, SwitchCause cause, const LocalTime& now);

  // The clock second the last tick showed; none before the first tick.
  std::optional<WallSecond> lastShown_;
  WindowCache windows_;
};

}  // namespace dorvan
