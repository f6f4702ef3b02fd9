#include "base/iso_time.h"

#include <cstdio>
#include <cstdlib>

namespace dorvan {

std::string isoLocal(const LocalTime& t, int offsetMinutes) {
  char text[64];
  const int off = std::abs(offsetMinutes);
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second, offsetMinutes < 0 ? '-' : '+', off / 60, off % 60);
  return text;
}

}  // namespace dorvan
