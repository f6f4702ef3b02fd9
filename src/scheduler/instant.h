// What a port's boxes name: an instant is a date box and a time box together, and a
// window is a port's start and end. The date box says on which days (a date, or a
// repeat word); the time box says when on each of them (a time the clock shows, or the
// sun); an end time box may instead say how long after each start the port goes off.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "base/clock.h"
#include "scheduler/almanac.h"
#include "scheduler/repeat.h"

namespace dorvan {

struct Instant {
  enum class Days : std::uint8_t { None, Date, Weekly };
  enum class At : std::uint8_t { Clock, Sunrise, Sunset };
  Days days = Days::None;  // None: the instant never falls
  At at = At::Clock;
  std::int64_t date = 0;  // Date: the day it names, counted from 01.01.1970
  Weekdays weekdays = 0;  // Weekly: the days it falls on
  int seconds = 0;        // Clock: its second of the day; the sun: the offset from the event

  bool fires() const { return days != Days::None; }
  bool byTheClock() const { return at == At::Clock; }
  // A repeat word with a time the clock shows, falling on that day of the week.
  bool fallsOn(int weekday) const { return days == Days::Weekly && byTheClock() && ((weekdays >> weekday) & 1) != 0; }
};

// Only the texts the clock shows name a time: "7:30:00" or "07:30:00 " is none; a sun
// word counts, a duration does not.
Instant readInstant(std::string_view date, std::string_view time);

struct Window {
  Instant start;
  Instant end;                // never when the end is a duration
  std::int64_t duration = 0;  // > 0: the end falls this many seconds after each start
};

// A duration is taken only in the end time box, with the end date box empty.
Window readWindow(std::string_view startDate, std::string_view startTime, std::string_view endDate,
                  std::string_view endTime);

enum class Edge : std::uint8_t { Start, End };

// Whether the edge's seconds are computed (the sun, a duration) rather than read off the
// clock's texts.
inline bool computed(const Window& window, Edge edge) {
  if (edge == Edge::Start) return !window.start.byTheClock();
  return window.duration > 0 || !window.end.byTheClock();
}

// The latest second of the instant in (after, upTo], and the earliest after `after`.
// Constant work for the clock's times, however long the span; a few days of the sun's.
std::optional<WallSecond> latestOccurrence(const Instant& instant, WallSecond after, WallSecond upTo,
                                           const Almanac& almanac);
std::optional<WallSecond> nextOccurrence(const Instant& instant, WallSecond after, const Almanac& almanac);

std::optional<WallSecond> latestOccurrence(const Window& window, Edge edge, WallSecond after, WallSecond upTo,
                                           const Almanac& almanac);
std::optional<WallSecond> nextOccurrence(const Window& window, Edge edge, WallSecond after, const Almanac& almanac);

}  // namespace dorvan
