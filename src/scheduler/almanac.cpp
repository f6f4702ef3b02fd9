#include "scheduler/almanac.h"

namespace dorvan {

std::optional<WallSecond> Almanac::sun(SunEvent event, std::int64_t day) const {
  if (!place_) return std::nullopt;
  const UtcSecond noon = clock_.utcOf(day * kSecondsPerDay + kSecondsPerDay / 2);
  const std::optional<UtcSecond> at = sunEvent(event, *place_, noon);
  if (!at) return std::nullopt;
  return clock_.wallOf(*at);
}

}  // namespace dorvan
