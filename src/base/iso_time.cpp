#include "base/iso_time.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace dorvan {

namespace {

// Seconds the local clock is ahead of UTC at that reading.
long offsetSeconds(const LocalTime& t) {
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second > 59 ? 59 : t.second;
  tm.tm_isdst = -1;
  const std::time_t when = std::mktime(&tm);
  if (when == static_cast<std::time_t>(-1)) return 0;
  std::tm utc{};
#ifdef _WIN32
  if (gmtime_s(&utc, &when) != 0) return 0;
#else
  if (!gmtime_r(&when, &utc)) return 0;
#endif
  const LocalTime u{utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, 0};
  LocalTime local = t;
  local.second = tm.tm_sec;
  return static_cast<long>(wallSecond(local) - wallSecond(u));
}

}  // namespace

std::string isoLocal(const LocalTime& t) {
  const long offset = offsetSeconds(t);
  const long minutes = std::labs(offset) / 60;
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld", t.year, t.month, t.day, t.hour,
                t.minute, t.second, offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
  return text;
}

}  // namespace dorvan
