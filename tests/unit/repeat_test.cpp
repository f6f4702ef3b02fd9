// Repeat words in the date boxes: which texts are words, the days they name, and when
// an instant with one falls next.
#include <gtest/gtest.h>

#include "fakes.h"
#include "scheduler/repeat.h"

namespace dorvan::test {
namespace {

TEST(RepeatWord, TheWordsInAnyCaseWithLatinLookAlikesAndNothingElse) {
  const std::pair<std::string_view, Weekdays> words[] = {
      {"HER GÜN", 0x7F},   {"her gün", 0x7F},    {"Her Gun", 0x7F},   {"HAFTA İÇİ", 0x1F}, {"HAFTA ICI", 0x1F},
      {"hafta ıçi", 0x1F}, {"HAFTA SONU", 0x60}, {"PAZARTESİ", 0x01}, {"SALI", 0x02},      {"carsamba", 0x04},
      {"PERŞEMBE", 0x08},  {"CUMA", 0x10},       {"CUMARTESİ", 0x20}, {"pazar", 0x40}};
  for (const auto& [text, days] : words) EXPECT_EQ(repeatWord(text), days) << text;
  for (std::string_view text : {"HERGÜN", "HER  GÜN", "HER GÜN ", " CUMA", "PZT", "", "06.12.2026", "CUMAA",
                                "HAFTA\tİÇİ", "CUMA\xC3", "PAZARTESİİ"})
    EXPECT_EQ(repeatWord(text), std::nullopt) << text;
}

TEST(RepeatWord, WeekdaysOfKnownDates) {
  const std::pair<LocalTime, int> days[] = {{at(1970, 1, 1, 0, 0, 0), 3},  // Monday is 0
                                            {at(1969, 12, 31, 0, 0, 0), 2},
                                            {at(2000, 2, 29, 0, 0, 0), 1},
                                            {at(2026, 12, 6, 0, 0, 0), 6}};
  for (const auto& [date, weekday] : days) EXPECT_EQ(weekdayOf(dayNumber(date)), weekday) << date.year;
}

TEST(RepeatWord, TheNextOccurrenceIsStrictlyAfter) {
  const WallSecond sunday = wallSecond(at(2026, 12, 6, 7, 30, 0));
  EXPECT_EQ(nextOccurrence("HER GÜN", "07:30:00", sunday), wallSecond(at(2026, 12, 7, 7, 30, 0)));
  EXPECT_EQ(nextOccurrence("CUMARTESİ", "07:30:01", sunday), wallSecond(at(2026, 12, 12, 7, 30, 1)));
  EXPECT_EQ(nextOccurrence("06.12.2026", "07:30:01", sunday), sunday + 1);
  EXPECT_EQ(nextOccurrence("06.12.2026", "07:30:00", sunday), std::nullopt);
}

}  // namespace
}  // namespace dorvan::test
