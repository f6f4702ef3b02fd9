#include "scheduler/week_plan.h"

#include <algorithm>
#include <optional>

namespace dorvan {

namespace {

// An edge falls at most once a day (a duration's end once a start): this bounds the walk
// over a fortnight, whatever the boxes say.
constexpr int kMostPerEdge = 2 * 16;

// A window's say in a second: on when it starts then and does not also end then.
struct Say {
  WallSecond at;
  bool on;
};

// Every second in (now, to) at which the window's start or end falls. Each edge is looked
// up from its own last occurrence: asking for the port's next switching after each one
// would work out every window's edges again for each step.
void addSays(const Window& window, WallSecond now, WallSecond to, const Almanac& almanac, std::vector<Say>& out) {
  std::vector<WallSecond> ends;
  for (std::optional<WallSecond> e = nextOccurrence(window, Edge::End, now, almanac);
       e && *e < to && ends.size() < kMostPerEdge; e = nextOccurrence(window, Edge::End, *e, almanac))
    ends.push_back(*e);
  std::size_t starts = 0;
  for (std::optional<WallSecond> s = nextOccurrence(window, Edge::Start, now, almanac);
       s && *s < to && starts < kMostPerEdge; s = nextOccurrence(window, Edge::Start, *s, almanac), ++starts)
    out.push_back({*s, std::find(ends.begin(), ends.end(), *s) == ends.end()});
  for (const WallSecond e : ends) out.push_back({e, false});
}

}  // namespace

WeekSpan weekAround(WallSecond now) {
  // Floor division: wall seconds before 1970 are negative.
  WallSecond today = now / kSecondsPerDay;
  if (now % kSecondsPerDay < 0) --today;
  return {(today - 7) * kSecondsPerDay, now, (today + 8) * kSecondsPerDay};
}

std::vector<OnInterval> plannedOn(const PortWindows& windows, bool onNow, WallSecond now, WallSecond to,
                                  const Almanac& almanac) {
  std::vector<Say> says;
  for (const Window& w : windows.all()) addSays(w, now, to, almanac, says);
  // In one second a window that goes on wins over others going off, as the tick leaves
  // back-to-back windows on: the ons of a second come first.
  std::sort(says.begin(), says.end(),
            [](const Say& a, const Say& b) { return a.at != b.at ? a.at < b.at : a.on > b.on; });
  std::vector<OnInterval> out;
  bool on = onNow;
  WallSecond onSince = now;
  for (std::size_t i = 0; i < says.size(); ++i) {
    if (i > 0 && says[i].at == says[i - 1].at) continue;
    if (says[i].on && !on) {
      on = true;
      onSince = says[i].at;
    } else if (!says[i].on && on) {
      on = false;
      if (onSince < says[i].at) out.push_back({onSince, says[i].at});
    }
  }
  if (on && onSince < to) out.push_back({onSince, to});
  return out;
}

}  // namespace dorvan
