// A clock reading as ISO 8601 with the local offset, for what the program tells other programs.
#pragma once

#include <string>

#include "base/clock.h"

namespace dorvan {

// "2026-12-09T06:30:00+03:00": the offset the platform gives for that local time.
std::string isoLocal(const LocalTime& t);

}  // namespace dorvan
