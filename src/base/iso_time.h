// A local clock reading as ISO 8601 with the local offset: 2026-12-09T06:30:00+03:00.
#pragma once

#include <string>

#include "base/clock.h"

namespace dorvan {

std::string isoLocal(const LocalTime& t);

}  // namespace dorvan
