// Instants as the network shows them: local ISO 8601 with the offset from UTC.
#pragma once

#include <string>

#include "base/clock.h"

namespace dorvan {

// "2026-12-09T06:30:00+03:00"
std::string isoLocal(const LocalTime& t, int offsetMinutes);
// With the computer's own offset at that reading.
inline std::string isoLocal(const LocalTime& t) { return isoLocal(t, utcOffsetMinutes(t)); }

}  // namespace dorvan
