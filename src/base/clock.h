// The local wall clock, injected so that tests can drive any instant.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace dorvan {

struct LocalTime {
  int year;
  int month;   // 1-12
  int day;     // 1-31
  int hour;    // 0-23
  int minute;  // 0-59
  int second;  // 0-59 (60 for a leap second, where the platform gives one)
  int millisecond;
};

// A second of the wall clock as it is shown, counted from 01.01.1970 00:00:00 of that
// clock: no time zone, so a daylight-saving jump forward is a gap like any other.
using WallSecond = std::int64_t;
// A second of UTC, counted from 01.01.1970 00:00:00 UTC: what the sun keeps to, and
// what elapsed time is counted in.
using UtcSecond = std::int64_t;

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime now() = 0;
  // How this clock's wall seconds and UTC map onto each other, as its time zone and
  // daylight-saving rules say. A wall second that a change skips or shows twice maps
  // as the platform maps it. The computer's own zone unless a clock says otherwise.
  virtual WallSecond wallOf(UtcSecond s) const;
  virtual UtcSecond utcOf(WallSecond s) const;
};

// base/posix/system_clock.cpp, base/win32/system_clock.cpp
Clock& systemClock();
// How far the wall clock at this reading is ahead of UTC, in minutes, as the
// computer's time zone and daylight-saving rules say: +180 for Istanbul.
int utcOffsetMinutes(const LocalTime& t);

// "HH:MM:SS", 24-hour, whatever the user's regional settings: the form the time boxes hold.
using TimeText = std::array<char, 8>;
// "DD.MM.YYYY".
using DateText = std::array<char, 10>;

TimeText formatTime(const LocalTime& t);
DateText formatDate(const LocalTime& t);

inline constexpr WallSecond kSecondsPerDay = 86400;
WallSecond wallSecond(const LocalTime& t);
// The day of the date shown, counted from 01.01.1970.
std::int64_t dayNumber(const LocalTime& t);
// The clock reading of that second (millisecond 0).
LocalTime localTimeOf(WallSecond s);

// The second a date box and a time box name, when their texts are exactly what the
// clock shows at that second; "7:30:00", "31.02.2026" or "07:30:00 " name none.
std::optional<WallSecond> instantOf(std::string_view date, std::string_view time);
// The two halves of it: the day a date box names, the second of the day a time box names.
std::optional<std::int64_t> dayOf(std::string_view date);
std::optional<int> secondOfDay(std::string_view time);

}  // namespace dorvan
