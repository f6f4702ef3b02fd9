#include <ctime>

#include "base/clock.h"

namespace dorvan {
namespace {

class PosixClock final : public Clock {
 public:
  LocalTime now() override {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    return {local.tm_year + 1900,
            local.tm_mon + 1,
            local.tm_mday,
            local.tm_hour,
            local.tm_min,
            local.tm_sec,
            static_cast<int>(ts.tv_nsec / 1000000)};
  }
};

tm brokenDown(const LocalTime& t) {
  tm local{};
  local.tm_year = t.year - 1900;
  local.tm_mon = t.month - 1;
  local.tm_mday = t.day;
  local.tm_hour = t.hour;
  local.tm_min = t.minute;
  local.tm_sec = t.second;
  local.tm_isdst = -1;  // whatever the rules say for that day
  return local;
}

}  // namespace

WallSecond Clock::wallOf(UtcSecond s) const {
  const auto at = static_cast<time_t>(s);
  tm local{};
  if (!localtime_r(&at, &local)) return s;
  return wallSecond(
      {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, 0});
}

UtcSecond Clock::utcOf(WallSecond s) const {
  tm local = brokenDown(localTimeOf(s));
  const time_t at = mktime(&local);
  return at == static_cast<time_t>(-1) ? s : static_cast<UtcSecond>(at);
}

int utcOffsetMinutes(const LocalTime& t) {
  tm local = brokenDown(t);
  const time_t at = mktime(&local);
  tm back{};
  if (at == static_cast<time_t>(-1) || !localtime_r(&at, &back)) return 0;
  return static_cast<int>(back.tm_gmtoff / 60);
}

Clock& systemClock() {
  static PosixClock clock;
  return clock;
}

}  // namespace dorvan
