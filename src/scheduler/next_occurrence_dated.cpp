// The dated instants: a date box and a time box name one second, which comes once.
#include "scheduler/clock.h"

namespace dorvan {

std::optional<WallSecond> nextOccurrence(std::string_view date, std::string_view time, WallSecond after) {
  const std::optional<WallSecond> at = instantOf(date, time);
  if (at && *at > after) return at;
  return std::nullopt;
}

}  // namespace dorvan
