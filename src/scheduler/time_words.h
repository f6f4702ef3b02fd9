// What a time box may hold besides a time the clock shows: the sun, perhaps with an
// offset in whole minutes ("BATIŞ", "BATIŞ+30", "DOĞUŞ-15"), and, in an end time box,
// how long after its start the port is switched off ("+20 DK", "+4 SA"). As with the
// repeat words, letter case is ignored and each Turkish letter also matches its Latin
// look-alike, but nothing else is taken: no blank around them, no "+0", no leading zero.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "scheduler/sun.h"

namespace dorvan {

struct SunTime {
  SunEvent event;
  int offsetSeconds;  // after the event; negative before it
  bool operator==(const SunTime&) const = default;
};

std::optional<SunTime> sunWord(std::string_view text);

// The seconds of "+N SN", "+N DK" or "+N SA": N seconds, minutes or hours, N from 1 to 999.
std::optional<std::int64_t> durationWord(std::string_view text);

}  // namespace dorvan
