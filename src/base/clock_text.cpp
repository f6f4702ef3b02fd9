#include "base/clock.h"

namespace dorvan {
namespace {

void twoDigits(char* out, int v) {
  out[0] = static_cast<char>('0' + v / 10 % 10);
  out[1] = static_cast<char>('0' + v % 10);
}

// Days since 01.01.1970 in the proleptic Gregorian calendar (H. Hinnant's algorithm).
std::int64_t daysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// The inverse of daysFromCivil (the same author's civil_from_days).
LocalTime civilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int year = static_cast<int>(yoe + era * 400 + (month <= 2));
  return {year, month, day, 0, 0, 0, 0};
}

int daysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
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

std::int64_t dayNumber(const LocalTime& t) { return daysFromCivil(t.year, t.month, t.day); }

WallSecond wallSecond(const LocalTime& t) {
  return dayNumber(t) * kSecondsPerDay + t.hour * 3600 + t.minute * 60 + t.second;
}

LocalTime localTimeOf(WallSecond s) {
  const std::int64_t days = (s >= 0 ? s : s - (kSecondsPerDay - 1)) / kSecondsPerDay;
  const auto ofDay = static_cast<int>(s - days * kSecondsPerDay);
  LocalTime t = civilFromDays(days);
  t.hour = ofDay / 3600;
  t.minute = ofDay / 60 % 60;
  t.second = ofDay % 60;
  return t;
}

// Digits where the clock writes digits, its separators between them, and every field in
// range: then formatting the day back gives this very text, so nothing but it names it.
std::optional<std::int64_t> dayOf(std::string_view date) {
  if (date.size() != DateText{}.size() || date[2] != '.' || date[5] != '.') return std::nullopt;
  const int year = digitsAt(date, 6, 4);
  const int month = digitsAt(date, 3, 2);
  const int day = digitsAt(date, 0, 2);
  if (year < 0 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month)) return std::nullopt;
  return daysFromCivil(year, month, day);
}

std::optional<int> secondOfDay(std::string_view time) {
  if (time.size() != TimeText{}.size() || time[2] != ':' || time[5] != ':') return std::nullopt;
  const int hour = digitsAt(time, 0, 2);
  const int minute = digitsAt(time, 3, 2);
  const int second = digitsAt(time, 6, 2);
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return std::nullopt;
  return hour * 3600 + minute * 60 + second;
}

std::optional<WallSecond> instantOf(std::string_view date, std::string_view time) {
  const std::optional<std::int64_t> day = dayOf(date);
  const std::optional<int> second = secondOfDay(time);
  if (!day || !second) return std::nullopt;
  return *day * kSecondsPerDay + *second;
}

}  // namespace dorvan
