// What turns a sun word or a duration into a second of the wall clock: where DORVAN is
// (the settings file's "konum"), and how the clock's wall seconds map onto UTC.
#pragma once

#include <cstdint>
#include <optional>

#include "base/clock.h"
#include "scheduler/sun.h"

namespace dorvan {

class Almanac {
 public:
  explicit Almanac(const Clock& clock) : clock_(clock) {}

  // Without a place the sun words never fire.
  void setPlace(std::optional<Location> place) {
    place_ = place;
    ++revision_;
  }
  const std::optional<Location>& place() const { return place_; }
  // Grows at every change of the place: what was computed before it is stale.
  std::uint32_t revision() const { return revision_; }

  // The wall second of that local day's sunrise or sunset (counted from 01.01.1970);
  // none without a place, or on a day without one.
  std::optional<WallSecond> sun(SunEvent event, std::int64_t day) const;
  // The wall second this many seconds of elapsed time after `from`: across a
  // daylight-saving change four hours stay four real hours.
  WallSecond elapsed(WallSecond from, std::int64_t seconds) const {
    return clock_.wallOf(clock_.utcOf(from) + seconds);
  }

 private:
  const Clock& clock_;
  std::optional<Location> place_;
  std::uint32_t revision_ = 0;
};

}  // namespace dorvan
