// Repeat words: a date box may name days of the week instead of a date ("HER GÜN",
// "HAFTA İÇİ", "CUMA" …), and its instant then falls at its time on each of those days.
// Here is what a date box and a time box name together, and when that falls.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "base/clock.h"

namespace dorvan {

// Days of the week as bits: Monday is bit 0, Sunday bit 6.
using Weekdays = std::uint8_t;

// The days a repeat word names. Letter case is ignored and each Turkish letter also
// matches its Latin look-alike ("hafta ici"); a two-word form has exactly one space,
// and nothing may stand around the word. Any other text names no days.
std::optional<Weekdays> repeatWord(std::string_view text);

// Monday 0 … Sunday 6, of a day counted from 01.01.1970.
int weekdayOf(std::int64_t day);

// What a date box and a time box name together.
struct Instant {
  enum class Kind : std::uint8_t { Never, Once, Weekly };
  Kind kind = Kind::Never;
  WallSecond once = 0;  // Once: the second it names
  Weekdays days = 0;    // Weekly: the days it falls on
  int secondOfDay = 0;  // Weekly: its time on each of them

  // Weekly, and falling on that day of the week.
  bool fallsOn(int weekday) const { return kind == Kind::Weekly && ((days >> weekday) & 1) != 0; }
};

// Only the texts the clock shows name a time: "7:30:00" or "07:30:00 " is none.
Instant readInstant(std::string_view date, std::string_view time);

// The latest second of the instant in (after, upTo]. Constant work, however long the span.
std::optional<WallSecond> latestOccurrence(const Instant& instant, WallSecond after, WallSecond upTo);
// The earliest second of the instant after `after`.
std::optional<WallSecond> nextOccurrence(const Instant& instant, WallSecond after);
std::optional<WallSecond> nextOccurrence(std::string_view date, std::string_view time, WallSecond after);

}  // namespace dorvan
