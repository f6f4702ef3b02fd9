// The week around today as the page draws it: the seven days before today from the
// journal, and today and the seven after it from the schedule, every window of a port,
// its repeat words and sun times included.
#pragma once

#include <vector>

#include "base/clock.h"
#include "journal/switch_history.h"
#include "scheduler/almanac.h"
#include "scheduler/window_cache.h"

namespace dorvan {

// 00:00 of the day seven days before now's, now, and 00:00 of the day eight days after:
// fifteen whole days with today in the middle.
struct WeekSpan {
  WallSecond from;
  WallSecond now;
  WallSecond to;
};
WeekSpan weekAround(WallSecond now);

// When the port will be on between now and `to`, as its windows switch it, starting from
// the state it is in now. An interval still open at `to` ends there.
std::vector<OnInterval> plannedOn(const PortWindows& windows, bool onNow, WallSecond now, WallSecond to,
                                  const Almanac& almanac);

}  // namespace dorvan
