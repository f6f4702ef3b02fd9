#include "scheduler/time_words.h"

#include <array>

#include "scheduler/repeat.h"

namespace dorvan {
namespace {

struct SunName {
  std::string_view latin;
  SunEvent event;
};
constexpr std::array<SunName, 2> kSunNames{{{"DOGUS", SunEvent::Rise}, {"BATIS", SunEvent::Set}}};
constexpr int kMostOffsetMinutes = 99;

struct DurationUnit {
  std::string_view latin;
  std::int64_t seconds;
};
constexpr std::array<DurationUnit, 3> kDurationUnits{{{"SN", 1}, {"DK", 60}, {"SA", 3600}}};
constexpr int kMostDuration = 999;

// The box limit is 8 characters; a longer text is no word.
constexpr std::size_t kLongestWord = 8;

// A whole number from 1 to `most` written without a leading zero.
std::optional<int> countIn(std::string_view digits, int most) {
  if (digits.empty() || digits.front() == '0') return std::nullopt;
  int value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > most) return std::nullopt;
  }
  return value;
}

}  // namespace

std::optional<SunTime> sunWord(std::string_view text) {
  std::array<char, kLongestWord> buffer{};
  const std::optional<std::string_view> latin = foldToLatin(text, buffer);
  if (!latin) return std::nullopt;
  for (const SunName& name : kSunNames) {
    if (!latin->starts_with(name.latin)) continue;
    const std::string_view offset = latin->substr(name.latin.size());
    if (offset.empty()) return SunTime{name.event, 0};
    if (offset.front() != '+' && offset.front() != '-') return std::nullopt;
    const std::optional<int> minutes = countIn(offset.substr(1), kMostOffsetMinutes);
    if (!minutes) return std::nullopt;
    return SunTime{name.event, (offset.front() == '-' ? -60 : 60) * *minutes};
  }
  return std::nullopt;
}

std::optional<std::int64_t> durationWord(std::string_view text) {
  std::array<char, kLongestWord> buffer{};
  const std::optional<std::string_view> latin = foldToLatin(text, buffer);
  if (!latin || !latin->starts_with('+')) return std::nullopt;
  const std::size_t space = latin->find(' ');
  if (space == std::string_view::npos) return std::nullopt;
  const std::optional<int> count = countIn(latin->substr(1, space - 1), kMostDuration);
  if (!count) return std::nullopt;
  for (const DurationUnit& unit : kDurationUnits)
    if (latin->substr(space + 1) == unit.latin) return *count * unit.seconds;
  return std::nullopt;
}

}  // namespace dorvan
