#include "scheduler/instant.h"

#include <limits>

#include "scheduler/time_words.h"

namespace dorvan {
namespace {

// The longest polar night or day at the places people live is well under a year.
constexpr std::int64_t kSearchDays = 400;
// A duration's end and its start are this much nearer or farther apart on the wall clock
// than the duration itself, at most: a daylight-saving change.
constexpr WallSecond kZoneSlack = 3 * 3600;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b < 0 ? 1 : 0); }

// s - by, kept from running below the first second ("since ever" is the first second).
WallSecond earlier(WallSecond s, std::int64_t by) {
  constexpr WallSecond kFirst = std::numeric_limits<WallSecond>::min();
  if (by > 0 && s < kFirst + by) return kFirst;
  return s - by;
}

// How many days from a day of this weekday, going back (step -1) or on (step 1), the
// nearest day of `days` is: 0 to 6.
int daysTo(Weekdays days, int weekday, int step) {
  for (int n = 0; n < 7; ++n)
    if ((days >> ((weekday + step * n + 7) % 7)) & 1) return n;
  return 0;  // no word names no day
}

bool fallsOnDay(const Instant& instant, std::int64_t day) {
  if (instant.days == Instant::Days::Date) return day == instant.date;
  return instant.days == Instant::Days::Weekly && ((instant.weekdays >> weekdayOf(day)) & 1) != 0;
}

// Its second on that day, whether or not the day is one of its days. An offset that
// carries the sun's instant into the day before or after still belongs to this day.
std::optional<WallSecond> secondOn(const Instant& instant, std::int64_t day, const Almanac& almanac) {
  if (instant.byTheClock()) return day * kSecondsPerDay + instant.seconds;
  const std::optional<WallSecond> sun =
      almanac.sun(instant.at == Instant::At::Sunrise ? SunEvent::Rise : SunEvent::Set, day);
  if (!sun) return std::nullopt;
  return *sun + instant.seconds;
}

std::optional<WallSecond> within(std::optional<WallSecond> s, WallSecond after, WallSecond upTo) {
  if (s && *s > after && *s <= upTo) return s;
  return std::nullopt;
}

std::optional<WallSecond> latestWeeklyByTheClock(const Instant& instant, WallSecond after, WallSecond upTo) {
  std::int64_t day = floorDiv(upTo, kSecondsPerDay);
  if (day * kSecondsPerDay + instant.seconds > upTo) --day;
  day -= daysTo(instant.weekdays, weekdayOf(day), -1);
  return within(day * kSecondsPerDay + instant.seconds, after, upTo);
}

std::optional<WallSecond> nextWeeklyByTheClock(const Instant& instant, WallSecond after) {
  std::int64_t day = floorDiv(after, kSecondsPerDay);
  if (day * kSecondsPerDay + instant.seconds <= after) ++day;
  day += daysTo(instant.weekdays, weekdayOf(day), 1);
  return day * kSecondsPerDay + instant.seconds;
}

// Each day's sun instant falls later than the day before's, so the first one found
// going back from the end of the span is the latest. A day's instant may lie up to two
// days off its own date: an offset near midnight, or the sun low near the polar circle.
std::optional<WallSecond> latestWeeklyOfTheSun(const Instant& instant, WallSecond after, WallSecond upTo,
                                               const Almanac& almanac) {
  const std::int64_t last = floorDiv(upTo, kSecondsPerDay) + 2;
  const std::int64_t first =
      std::max(floorDiv(std::max(after, upTo - kSearchDays * kSecondsPerDay), kSecondsPerDay) - 2, last - kSearchDays);
  for (std::int64_t day = last; day >= first; --day) {
    if (!fallsOnDay(instant, day)) continue;
    const std::optional<WallSecond> s = secondOn(instant, day, almanac);
    if (s && *s <= upTo) return within(s, after, upTo);
  }
  return std::nullopt;
}

std::optional<WallSecond> nextWeeklyOfTheSun(const Instant& instant, WallSecond after, const Almanac& almanac) {
  const std::int64_t first = floorDiv(after, kSecondsPerDay) - 2;
  for (std::int64_t day = first; day <= first + kSearchDays; ++day) {
    if (!fallsOnDay(instant, day)) continue;
    const std::optional<WallSecond> s = secondOn(instant, day, almanac);
    if (s && *s > after) return s;
  }
  return std::nullopt;
}

}  // namespace

Instant readInstant(std::string_view date, std::string_view time) {
  Instant instant;
  if (const std::optional<int> second = secondOfDay(time)) {
    instant.seconds = *second;
  } else if (const std::optional<SunTime> sun = sunWord(time)) {
    instant.at = sun->event == SunEvent::Rise ? Instant::At::Sunrise : Instant::At::Sunset;
    instant.seconds = sun->offsetSeconds;
  } else {
    return {};
  }
  if (const std::optional<std::int64_t> day = dayOf(date)) {
    instant.days = Instant::Days::Date;
    instant.date = *day;
  } else if (const std::optional<Weekdays> days = repeatWord(date)) {
    instant.days = Instant::Days::Weekly;
    instant.weekdays = *days;
  } else {
    return {};
  }
  return instant;
}

Window readWindow(std::string_view startDate, std::string_view startTime, std::string_view endDate,
                  std::string_view endTime) {
  Window window{readInstant(startDate, startTime), {}, 0};
  if (const std::optional<std::int64_t> duration = durationWord(endTime)) {
    if (endDate.empty()) window.duration = *duration;
  } else {
    window.end = readInstant(endDate, endTime);
  }
  return window;
}

std::optional<WallSecond> latestOccurrence(const Instant& instant, WallSecond after, WallSecond upTo,
                                           const Almanac& almanac) {
  switch (instant.days) {
    case Instant::Days::None: return std::nullopt;
    case Instant::Days::Date: return within(secondOn(instant, instant.date, almanac), after, upTo);
    case Instant::Days::Weekly:
      if (instant.byTheClock()) return latestWeeklyByTheClock(instant, after, upTo);
      return latestWeeklyOfTheSun(instant, after, upTo, almanac);
  }
  return std::nullopt;
}

std::optional<WallSecond> nextOccurrence(const Instant& instant, WallSecond after, const Almanac& almanac) {
  switch (instant.days) {
    case Instant::Days::None: return std::nullopt;
    case Instant::Days::Date:
      return within(secondOn(instant, instant.date, almanac), after, std::numeric_limits<WallSecond>::max());
    case Instant::Days::Weekly:
      if (instant.byTheClock()) return nextWeeklyByTheClock(instant, after);
      return nextWeeklyOfTheSun(instant, after, almanac);
  }
  return std::nullopt;
}

// The start of an end in (after, upTo] lies a duration before it, give or take a
// daylight-saving change: only those starts are looked at.
std::optional<WallSecond> latestOccurrence(const Window& window, Edge edge, WallSecond after, WallSecond upTo,
                                           const Almanac& almanac) {
  if (edge == Edge::Start) return latestOccurrence(window.start, after, upTo, almanac);
  if (window.duration == 0) return latestOccurrence(window.end, after, upTo, almanac);
  const WallSecond firstStart = earlier(after, window.duration + kZoneSlack);
  std::optional<WallSecond> start =
      latestOccurrence(window.start, firstStart, earlier(upTo, window.duration - kZoneSlack), almanac);
  while (start) {
    const WallSecond end = almanac.elapsed(*start, window.duration);
    if (end <= upTo) return within(end, after, upTo);
    start = latestOccurrence(window.start, firstStart, *start - 1, almanac);
  }
  return std::nullopt;
}

std::optional<WallSecond> nextOccurrence(const Window& window, Edge edge, WallSecond after, const Almanac& almanac) {
  if (edge == Edge::Start) return nextOccurrence(window.start, after, almanac);
  if (window.duration == 0) return nextOccurrence(window.end, after, almanac);
  std::optional<WallSecond> start = nextOccurrence(window.start, earlier(after, window.duration + kZoneSlack), almanac);
  while (start) {
    const WallSecond end = almanac.elapsed(*start, window.duration);
    if (end > after) return end;
    start = nextOccurrence(window.start, *start, almanac);
  }
  return std::nullopt;
}

}  // namespace dorvan
