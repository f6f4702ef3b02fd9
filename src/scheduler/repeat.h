// Repeat words: a date box may name days of the week instead of a date ("HER GÜN",
// "HAFTA İÇİ", "CUMA" …), and its instant then falls at its time on each of those days.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace dorvan {

// Days of the week as bits: Monday is bit 0, Sunday bit 6.
using Weekdays = std::uint8_t;

// The days a repeat word names. Letter case is ignored and each Turkish letter also
// matches its Latin look-alike ("hafta ici"); a two-word form has exactly one space,
// and nothing may stand around the word. Any other text names no days.
std::optional<Weekdays> repeatWord(std::string_view text);

// Monday 0 … Sunday 6, of a day counted from 01.01.1970.
int weekdayOf(std::int64_t day);

// The text in Latin capitals, each Turkish letter as its Latin look-alike, with digits,
// the space, '+' and '-' as they are: the form every word of a box is compared in. None
// for a text holding anything else, or longer than `out`.
std::optional<std::string_view> foldToLatin(std::string_view text, std::span<char> out);

}  // namespace dorvan
