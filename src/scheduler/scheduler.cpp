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

// The state the port's latest instant in (after, upTo] asks for, and that instant. When
// its start and end are the same second the end wins, as the order of a tick's checks leaves it.
std::optional<Switching> latestSwitch(const Instant& start, const Instant& end, WallSecond after, WallSecond upTo) {
  const std::optional<WallSecond> on = latestOccurrence(start, after, upTo);
  const std::optional<WallSecond> off = latestOccurrence(end, after, upTo);
  if (off && (!on || *off >= *on)) return Switching{PortState::Off, *off};
  if (on) return Switching{PortState::On, *on};
  return std::nullopt;
}

// One report per port, in port order, however many of its instants fell in the span.
void switchToLatest(const FormState& form, InstantCache& instants, WallSecond after, WallSecond upTo, PortSwitch& ports,
                    SwitchCause cause, const LocalTime& now) {
  for (const PortControls& p : kPortTable) {
    const Instant& start = instants.of(form, p.startDate, p.startTime);
    const Instant& end = instants.of(form, p.endDate, p.endTime);
    if (const std::optional<Switching> s = latestSwitch(start, end, after, upTo))
      ports.turn(p, s->state, cause, now, s->at);
  }
}

// Switchings that carry out an instant; by hand and re-arming carry out none.
constexpr bool followsAnInstant(SwitchCause c) {
  return c == SwitchCause::Schedule || c == SwitchCause::Late || c == SwitchCause::Resume;
}

}  // namespace

const PortControls* portWithIndicator(ControlId id) {
  for (const PortControls& p : kPortTable)
    if (p.indicator == id) return &p;
  return nullptr;
}

std::optional<Switching> nextSwitching(const FormState& form, const PortControls& p, WallSecond after) {
  const std::optional<WallSecond> on = nextOccurrence(form.text(p.startDate), form.text(p.startTime), after);
  const std::optional<WallSecond> off = nextOccurrence(form.text(p.endDate), form.text(p.endTime), after);
  if (off && (!on || *off <= *on)) return Switching{PortState::Off, *off};
  if (on) return Switching{PortState::On, *on};
  return std::nullopt;
}

PortSwitch::PortSwitch(FormState& form, HidLibrary& library, Report& outputReport, Journal& journal)
    : form_(form), library_(library), outputReport_(outputReport), journal_(journal) {
  event_.reserve(64);  // "PORT 03 AÇIK (gecikmeli: 08.12.2026 09:12:01)" and room to spare
}

void PortSwitch::turn(const PortControls& port, PortState state, SwitchCause cause, const LocalTime& now,
                      WallSecond instant, std::string_view who) {
  form_.setBackColor(port.indicator, indicatorColor(state));
  SendPortCommand(library_, outputReport_, port.port, state);
  std::optional<PortRecord>& last = last_[port.port - 1];
  if (alreadyJournaled(port.port, state, cause, instant)) {
    last->state = state;
    return;
  }
  last = PortRecord{state, cause, now, instant, std::string(who)};
  event_.clear();
  journal_events::appendPortEvent(event_, port.port, state, cause, instant, who);
  journal_.record(now, event_);
  if (listener_) listener_->portSwitched(port.port, state, cause);
}

bool PortSwitch::alreadyJournaled(int port, PortState state, SwitchCause cause, WallSecond instant) {
  std::optional<JournaledInstant>& j = journaled_[port - 1];
  // A switching by hand or a re-arm comes between: what the schedule does next is news again.
  if (!followsAnInstant(cause)) {
    j.reset();
    return false;
  }
  if (!j || j->instant != instant) j = JournaledInstant{instant, false, false};
  bool& seen = state == PortState::On ? j->on : j->off;
  const bool repeat = seen;
  seen = true;
  return repeat;
}

void PortSwitch::resendCommanded(const LocalTime& now) {
  for (const PortControls& p : kPortTable)
    if (const std::optional<PortRecord>& l = last_[p.port - 1])
      turn(p, l->state, SwitchCause::Rearm, now, wallSecond(now));
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
  if (lastShown_ && shown > *lastShown_ + 1)
    switchToLatest(form, instants_, *lastShown_, shown - 1, ports, SwitchCause::Late, now);
  lastShown_ = shown;

  // The captions as shown: all twenty checks of this tick see the same instant.
  const std::string_view shownTime = form.text(kTimeLabel);
  const std::string_view shownDate = form.text(kDateLabel);
  const int weekday = weekdayOf(dayNumber(now));
  for (const PortControls& p : kPortTable) {
    const Instant& start = instants_.of(form, p.startDate, p.startTime);
    if (instantIs(form, p.startDate, p.startTime, start, shownDate, shownTime, weekday))
      ports.turn(p, PortState::On, SwitchCause::Schedule, now, shown);
    const Instant& end = instants_.of(form, p.endDate, p.endTime);
    if (instantIs(form, p.endDate, p.endTime, end, shownDate, shownTime, weekday))
      ports.turn(p, PortState::Off, SwitchCause::Schedule, now, shown);
  }
}

void ClockTick::resume(const FormState& form, Clock& clock, PortSwitch& ports) {
  const LocalTime now = clock.now();
  switchToLatest(form, instants_, std::numeric_limits<WallSecond>::min(), wallSecond(now), ports, SwitchCause::Resume,
                 now);
  lastShown_ = wallSecond(now);
}

}  // namespace dorvan
