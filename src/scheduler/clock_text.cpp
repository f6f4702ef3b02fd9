#include "scheduler/clock.h"

namespace dorvan {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

void twoDigits(char* out, int v) {
  out[0] = static_cast<char>('0' + v / 10 % 10);
  out[1] = static_cast<char>('0' + v % 10);
}

// Days since 01.01.1970 in the proleptic Gregorian calendar, and back (H. Hinnant's algorithms).
std::int64_t daysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// The number the digits at these places spell; -1 when one of them is not a digit.
int digitsAt(std::string_view text, std::size_t from, std::size_t count) {
  int v = 0;
  for (std::size_t i = from; i < from + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    v = v * 10 + (text[i] - '0');
  }
  return v;
}

}  // namespace

TimeText formatTime(const LocalTime& t) {
  TimeText out{};
  twoDigits(&out[0], t.hour);
  out[2] = ':';
  twoDigits(&out[3], t.minute);
  out[5] = ':';
  twoDigits(&out[6], t.second);
  return out;
}

DateText formatDate(const LocalTime& t) {
  DateText out{};
  twoDigits(&out[0], t.day);
  out[2] = '.';
  twoDigits(&out[3], t.month);
  out[5] = '.';
  twoDigits(&out[6], t.year / 100);
  twoDigits(&out[8], t.year % 100);
  return out;
}

WallSecond wallSecond(const LocalTime& t) {
  return daysFromCivil(t.year, t.month, t.day) * kSecondsPerDay + t.hour * 3600 + t.minute * 60 + t.second;
}

LocalTime wallTime(WallSecond s) {
  std::int64_t days = s / kSecondsPerDay;
  std::int64_t rest = s % kSecondsPerDay;
  if (rest < 0) rest += kSecondsPerDay, --days;
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int year = static_cast<int>(yoe + era * 400 + (month <= 2));
  return {year, month, day, static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
          static_cast<int>(rest % 60), 0};
}

std::optional<WallSecond> instantOf(std::string_view date, std::string_view time) {
  if (date.size() != DateText{}.size() || time.size() != TimeText{}.size()) return std::nullopt;
  const int day = digitsAt(date, 0, 2), month = digitsAt(date, 3, 2), year = digitsAt(date, 6, 4);
  const int hour = digitsAt(time, 0, 2), minute = digitsAt(time, 3, 2), second = digitsAt(time, 6, 2);
  if (day < 0 || month < 1 || month > 12 || year < 0 || hour < 0 || minute < 0 || second < 0) return std::nullopt;
  const WallSecond s = wallSecond({year, month, day, hour, minute, second, 0});
  // Formatted back from the second it names, a 31 February or a 24:00:00 reads otherwise.
  const LocalTime back = wallTime(s);
  const DateText d = formatDate(back);
  const TimeText t = formatTime(back);
  if (date != std::string_view(d.data(), d.size()) || time != std::string_view(t.data(), t.size()))
    return std::nullopt;
  return s;
}

}  // namespace dorvan
