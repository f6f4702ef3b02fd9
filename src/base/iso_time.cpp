#include "base/iso_time.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace dorvan {

std::string isoLocal(const LocalTime& t) {
  std::tm local{};
  local.tm_year = t.year - 1900;
  local.tm_mon = t.month - 1;
  local.tm_mday = t.day;
  local.tm_hour = t.hour;
  local.tm_min = t.minute;
  local.tm_sec = t.second;
  local.tm_isdst = -1;
  const std::time_t at = std::mktime(&local);
  long offset = 0;
  if (at != static_cast<std::time_t>(-1)) {
    std::tm utc = *std::gmtime(&at);
    utc.tm_isdst = local.tm_isdst;
    offset = static_cast<long>(std::difftime(at, std::mktime(&utc)));
  }
  const long minutes = std::labs(offset) / 60;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld", t.year, t.month, t.day, t.hour, t.minute,
                t.second, offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
  return buf;
}

}  // namespace dorvan
