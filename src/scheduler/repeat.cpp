#include "scheduler/repeat.h"

#include <array>

#include "base/utf8.h"

namespace dorvan {
namespace {

constexpr Weekdays kMonday = 1 << 0, kTuesday = 1 << 1, kWednesday = 1 << 2, kThursday = 1 << 3, kFriday = 1 << 4,
                   kSaturday = 1 << 5, kSunday = 1 << 6;

struct RepeatWord {
  std::string_view latin;  // in capitals, each Turkish letter as its Latin look-alike
  Weekdays days;
};

constexpr std::array<RepeatWord, 10> kRepeatWords{{
    {"HER GUN", kMonday | kTuesday | kWednesday | kThursday | kFriday | kSaturday | kSunday},
    {"HAFTA ICI", kMonday | kTuesday | kWednesday | kThursday | kFriday},
    {"HAFTA SONU", kSaturday | kSunday},
    {"PAZARTESI", kMonday},
    {"SALI", kTuesday},
    {"CARSAMBA", kWednesday},
    {"PERSEMBE", kThursday},
    {"CUMA", kFriday},
    {"CUMARTESI", kSaturday},
    {"PAZAR", kSunday},
}};
constexpr std::size_t kLongestWord = 10;

// The Turkish letters, capital and small, and the Latin capital each matches.
struct TurkishLetter {
  char32_t letter;
  char latin;
};
constexpr std::array<TurkishLetter, 12> kTurkishLetters{{
    {U'Ç', 'C'},
    {U'ç', 'C'},
    {U'Ğ', 'G'},
    {U'ğ', 'G'},
    {U'İ', 'I'},
    {U'ı', 'I'},
    {U'Ö', 'O'},
    {U'ö', 'O'},
    {U'Ş', 'S'},
    {U'ş', 'S'},
    {U'Ü', 'U'},
    {U'ü', 'U'},
}};

// The character at pos as a repeat word's letter (a Latin capital or the space), moving
// pos past it; 0 for a character no repeat word holds.
char latinCapitalAt(std::string_view text, std::size_t& pos) {
  const char32_t c = utf8::next(text, pos);
  if (c == U' ' || (c >= U'A' && c <= U'Z')) return static_cast<char>(c);
  if (c >= U'a' && c <= U'z') return static_cast<char>(c - U'a' + U'A');
  for (const TurkishLetter& l : kTurkishLetters)
    if (l.letter == c) return l.latin;
  return 0;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b < 0 ? 1 : 0); }

// How many days from a day of this weekday, going back (step -1) or on (step 1), the
// nearest day of `days` is: 0 to 6.
int daysTo(Weekdays days, int weekday, int step) {
  for (int n = 0; n < 7; ++n)
    if ((days >> ((weekday + step * n + 7) % 7)) & 1) return n;
  return 0;  // no word names no day
}

}  // namespace

std::optional<Weekdays> repeatWord(std::string_view text) {
  std::array<char, kLongestWord> latin{};
  std::size_t length = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    const char c = latinCapitalAt(text, pos);
    if (c == 0 || length == latin.size()) return std::nullopt;
    latin[length++] = c;
  }
  const std::string_view folded(latin.data(), length);
  for (const RepeatWord& w : kRepeatWords)
    if (w.latin == folded) return w.days;
  return std::nullopt;
}

// 01.01.1970 was a Thursday.
int weekdayOf(std::int64_t day) { return static_cast<int>(((day % 7) + 7 + 3) % 7); }

Instant readInstant(std::string_view date, std::string_view time) {
  const std::optional<int> second = secondOfDay(time);
  if (!second) return {};
  if (const std::optional<std::int64_t> day = dayOf(date))
    return {Instant::Kind::Once, *day * kSecondsPerDay + *second, 0, 0};
  if (const std::optional<Weekdays> days = repeatWord(date)) return {Instant::Kind::Weekly, 0, *days, *second};
  return {};
}

std::optional<WallSecond> latestOccurrence(const Instant& instant, WallSecond after, WallSecond upTo) {
  switch (instant.kind) {
    case Instant::Kind::Never: return std::nullopt;
    case Instant::Kind::Once:
      if (instant.once > after && instant.once <= upTo) return instant.once;
      return std::nullopt;
    case Instant::Kind::Weekly: {
      std::int64_t day = floorDiv(upTo, kSecondsPerDay);
      if (day * kSecondsPerDay + instant.secondOfDay > upTo) --day;
      day -= daysTo(instant.days, weekdayOf(day), -1);
      const WallSecond at = day * kSecondsPerDay + instant.secondOfDay;
      if (at > after) return at;
      return std::nullopt;
    }
  }
  return std::nullopt;
}

std::optional<WallSecond> nextOccurrence(const Instant& instant, WallSecond after) {
  switch (instant.kind) {
    case Instant::Kind::Never: return std::nullopt;
    case Instant::Kind::Once:
      if (instant.once > after) return instant.once;
      return std::nullopt;
    case Instant::Kind::Weekly: {
      std::int64_t day = floorDiv(after, kSecondsPerDay);
      if (day * kSecondsPerDay + instant.secondOfDay <= after) ++day;
      day += daysTo(instant.days, weekdayOf(day), 1);
      return day * kSecondsPerDay + instant.secondOfDay;
    }
  }
  return std::nullopt;
}

std::optional<WallSecond> nextOccurrence(std::string_view date, std::string_view time, WallSecond after) {
  return nextOccurrence(readInstant(date, time), after);
}

}  // namespace dorvan
