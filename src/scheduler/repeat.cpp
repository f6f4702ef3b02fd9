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

// The character at pos as a word's character (a Latin capital, a digit, the space, '+' or
// '-'), moving pos past it; 0 for a character no word holds.
char latinCapitalAt(std::string_view text, std::size_t& pos) {
  const char32_t c = utf8::next(text, pos);
  if (c == U' ' || c == U'+' || c == U'-' || (c >= U'0' && c <= U'9') || (c >= U'A' && c <= U'Z'))
    return static_cast<char>(c);
  if (c >= U'a' && c <= U'z') return static_cast<char>(c - U'a' + U'A');
  for (const TurkishLetter& l : kTurkishLetters)
    if (l.letter == c) return l.latin;
  return 0;
}

}  // namespace

std::optional<std::string_view> foldToLatin(std::string_view text, std::span<char> out) {
  std::size_t length = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    const char c = latinCapitalAt(text, pos);
    if (c == 0 || length == out.size()) return std::nullopt;
    out[length++] = c;
  }
  return std::string_view(out.data(), length);
}

std::optional<Weekdays> repeatWord(std::string_view text) {
  std::array<char, kLongestWord> latin{};
  const std::optional<std::string_view> folded = foldToLatin(text, latin);
  if (!folded) return std::nullopt;
  for (const RepeatWord& w : kRepeatWords)
    if (w.latin == *folded) return w.days;
  return std::nullopt;
}

// 01.01.1970 was a Thursday.
int weekdayOf(std::int64_t day) { return static_cast<int>(((day % 7) + 7 + 3) % 7); }

}  // namespace dorvan
