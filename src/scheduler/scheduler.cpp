#include "scheduler/scheduler.h"

#include <limits>

namespace dorvan {
namespace {

constexpr ControlId kTimeLabel = controlId("Label18");
constexpr ControlId kDateLabel = controlId("Label20");
constexpr Color indicatorColor(PortState s) { return s == PortState::On ? kRed : kBlue; }

// Both comparisons are always made: no short cut, so every tick does the same work. A
// repeat word matches every date of the days it names.
bool instantIs(const FormState& form, ControlId dateBox, ControlId timeBox, const Instant& instant,
               std::string_view date, std::string_view time, int weekday) {
  const bool dateMatches = form.text(dateBox) == date || instant.fallsOn(weekday);
  const bool timeMatches = form.text(timeBox) == time;
  return dateMatches & timeMatches;
}

// What a port's instants in a span of seconds ask for, and the second that decided it.
struct Switching {
  PortState state;
  WallSecond at;
};

// The state the port's latest instant in (after, upTo] asks for. When its start and
// end are the same second the end wins, as the order of a tick's checks leaves it.
std::optional<Switching> latestSwitch(const Instant& start, const Instant& end, WallSecond after, WallSecond upTo) {
  const std::optional<WallSecond> on = latestOccurrence(start, after, upTo);
  const std::optional<WallSecond> off = latestOccurrence(end, after, upTo);
  if (off && (!on || *off >= *on)) return Switching{PortState::Off, *off};
  if (on) return Switching{PortState::On, *on};
  return std::nullopt;
}

// One report per port, in port order, however many of its instants fell in the span.
void switchToLatest(const FormState& form, InstantCache& instants, WallSecond after, WallSecond upTo,
                    PortSwitch& ports) {
  for (const PortControls& p : kPortTable) {
    const Instant& start = instants.of(form, p.startDate, p.startTime);
    const Instant& end = instants.of(form, p.endDate, p.endTime);
    if (const std::optional<Switching> s = latestSwitch(start, end, after, upTo)) ports.turn(p, s->state);
  }
}

}  // namespace

PortSwitch::PortSwitch(FormState& form, HidLibrary& library, Report& outputReport)
    : form_(form), library_(library), outputReport_(outputReport) {}

void PortSwitch::turn(const PortControls& port, PortState state) {
  form_.setBackColor(port.indicator, indicatorColor(state));
  SendPortCommand(library_, outputReport_, port.port, state);
  commanded_[port.port - 1] = state;
}

void PortSwitch::resendCommanded() {
  for (const PortControls& p : kPortTable)
    if (const std::optional<PortState> s = commanded_[p.port - 1]) SendPortCommand(library_, outputReport_, p.port, *s);
}

void ClockTick::run(FormState& form, Clock& clock, PortSwitch& ports) {
  // One reading for both texts: two could straddle midnight and show today's time with tomorrow's date.
  const LocalTime now = clock.now();
  const TimeText time = formatTime(now);
  form.setText(kTimeLabel, {time.data(), time.size()});
  const DateText date = formatDate(now);
  form.setText(kDateLabel, {date.data(), date.size()});

  // Seconds no tick showed (a busy or suspended machine, a clock set forward) are
  // carried out now. A clock set back catches up nothing: its seconds come again.
  const WallSecond shown = wallSecond(now);
  if (lastShown_ && shown > *lastShown_ + 1) switchToLatest(form, instants_, *lastShown_, shown - 1, ports);
  lastShown_ = shown;

  // The captions as shown: all twenty checks of this tick see the same instant.
  const std::string_view shownTime = form.text(kTimeLabel);
  const std::string_view shownDate = form.text(kDateLabel);
  const int weekday = weekdayOf(dayNumber(now));
  for (const PortControls& p : kPortTable) {
    const Instant& start = instants_.of(form, p.startDate, p.startTime);
    if (instantIs(form, p.startDate, p.startTime, start, shownDate, shownTime, weekday)) ports.turn(p, PortState::On);
    const Instant& end = instants_.of(form, p.endDate, p.endTime);
    if (instantIs(form, p.endDate, p.endTime, end, shownDate, shownTime, weekday)) ports.turn(p, PortState::Off);
  }
}

void ClockTick::resume(const FormState& form, Clock& clock, PortSwitch& ports) {
  const WallSecond now = wallSecond(clock.now());
  switchToLatest(form, instants_, std::numeric_limits<WallSecond>::min(), now, ports);
  lastShown_ = now;
}

}  // namespace dorvan
