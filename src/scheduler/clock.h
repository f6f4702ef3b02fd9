// The local wall clock, injected so that tests can drive any instant.
#pragma once

#include <array>

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

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime now() = 0;
};

// scheduler/posix/system_clock.cpp, scheduler/win32/system_clock.cpp
Clock& systemClock();

// "HH:MM:SS", 24-hour, whatever the user's regional settings: the form the time boxes hold.
using TimeText = std::array<char, 8>;
// "DD.MM.YYYY".
using DateText = std::array<char, 10>;

TimeText formatTime(const LocalTime& t);
DateText formatDate(const LocalTime& t);

}  // namespace dorvan
