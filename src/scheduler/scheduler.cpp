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

// The state the window's latest instant in (after, upTo] asks for, and that instant. When
// its start and end are the same second the end wins, as the order of a tick's checks leaves it.
std::optional<Switching> latestSwitch(const Window& window, WallSecond after, WallSecond upTo, const Almanac& almanac) {
  const std::optional<WallSecond> on = latestOccurrence(window, Edge::Start, after, upTo, almanac);
  const std::optional<WallSecond> off = latestOccurrence(window, Edge::End, after, upTo, almanac);
  if (off && (!on || *off >= *on)) return Switching{PortState::Off, *off};
  if (on) return Switching{PortState::On, *on};
  return std::nullopt;
}

// Of two windows' switchings, the earlier (or the later): in the same second on wins,
// so that back-to-back windows, one ending as the next starts, leave the port on.
std::optional<Switching> firstOf(std::optional<Switching> a, std::optional<Switching> b) {
  if (!a || !b) return a ? a : b;
  if (a->at != b->at) return a->at < b->at ? a : b;
  return a->state == PortState::On ? a : b;
}
std::optional<Switching> lastOf(std::optional<Switching> a, std::optional<Switching> b) {
  if (!a || !b) return a ? a : b;
  if (a->at != b->at) return a->at > b->at ? a : b;
  return a->state == PortState::On ? a : b;
}

// The state the window's next instant after `after` asks for; when its start and end are
// the same second, off, as a tick leaves it.
std::optional<Switching> nextSwitch(const Window& window, WallSecond after, const Almanac& almanac) {
  const std::optional<WallSecond> on = nextOccurrence(window, Edge::Start, after, almanac);
  const std::optional<WallSecond> off = nextOccurrence(window, Edge::End, after, almanac);
  if (off && (!on || *off <= *on)) return Switching{PortState::Off, *off};
  if (on) return Switching{PortState::On, *on};
  return std::nullopt;
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

std::optional<Switching> nextSwitching(const PortWindows& windows, WallSecond after, const Almanac& almanac) {
  std::optional<Switching> next;
  for (const Window& w : windows.all()) next = firstOf(next, nextSwitch(w, after, almanac));
  return next;
}

std::optional<Switching> nextSwitching(const FormState& form, const PortControls& p, WallSecond after,
                                       const Almanac& almanac) {
  return nextSwitching(readWindows(form, p), after, almanac);
}

std::optional<WallSecond> nextComputed(const Window& window, Edge edge, WallSecond after, const Almanac& almanac) {
  if (!computed(window, edge)) return std::nullopt;
  return nextOccurrence(window, edge, after, almanac);
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

// One report per port, in port order, however many of its instants fell in the span.
void ClockTick::switchToLatest(const FormState& form, const Almanac& almanac, WallSecond after, WallSecond upTo,
                               PortSwitch& ports, SwitchCause cause, const LocalTime& now) {
  for (const PortControls& p : kPortTable) {
    std::optional<Switching> latest;
    for (const Window& w : windows_.of(form, p, almanac).all())
      latest = lastOf(latest, latestSwitch(w, after, upTo, almanac));
    if (latest) ports.turn(p, latest->state, cause, now, latest->at);
  }
}

// A time the row's boxes show is compared as text, as the boxes read; the sun, durations
// and the extra windows by the second worked out for them.
bool ClockTick::due(const FormState& form, const PortControls& p, const PortWindows& windows, int index, Edge edge,
                    const Shown& shown, const Almanac& almanac) {
  const Window& window = windows.windows[index];
  if (index > 0 || computed(window, edge)) return windows_.dueAt(p.port, index, edge, shown.second, almanac);
  if (edge == Edge::Start)
    return instantIs(form, p.startDate, p.startTime, window.start, shown.date, shown.time, shown.weekday);
  return instantIs(form, p.endDate, p.endTime, window.end, shown.date, shown.time, shown.weekday);
}

void ClockTick::run(FormState& form, Clock& clock, const Almanac& almanac, PortSwitch& ports) {
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
    switchToLatest(form, almanac, *lastShown_, shown - 1, ports, SwitchCause::Late, now);
  lastShown_ = shown;

  // The captions as shown: all twenty checks of this tick see the same instant.
  const Shown seen{shown, form.text(kDateLabel), form.text(kTimeLabel), weekdayOf(dayNumber(now))};
  for (const PortControls& p : kPortTable) {
    const PortWindows& windows = windows_.of(form, p, almanac);
    // Within a window a start and an end in one second are on, then off; a start of one
    // window in the second another ends leaves the port on, with no off between.
    bool startOnly = false, startAndEnd = false, end = false;
    for (int i = 0; i < windows.count; ++i) {
      const bool on = due(form, p, windows, i, Edge::Start, seen, almanac);
      const bool off = due(form, p, windows, i, Edge::End, seen, almanac);
      startOnly |= on & !off;
      startAndEnd |= on & off;
      end |= off;
    }
    if (startOnly | startAndEnd) ports.turn(p, PortState::On, SwitchCause::Schedule, now, shown);
    if (end & !startOnly) ports.turn(p, PortState::Off, SwitchCause::Schedule, now, shown);
  }
}

void ClockTick::resume(const FormState& form, Clock& clock, const Almanac& almanac, PortSwitch& ports) {
  const LocalTime now = clock.now();
  switchToLatest(form, almanac, std::numeric_limits<WallSecond>::min(), wallSecond(now), ports, SwitchCause::Resume,
                 now);
  lastShown_ = wallSecond(now);
}

}  // namespace dorvan
