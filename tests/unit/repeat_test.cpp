// The words of the boxes: repeat words in the date boxes, sun words and durations in the
// time boxes; which texts are words, what they name, and when an instant falls next.
#include <gtest/gtest.h>

#include "fakes.h"
#include "scheduler/instant.h"
#include "scheduler/time_words.h"

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
  FakeClock clock;
  const Almanac almanac(clock);
  const WallSecond sunday = wallSecond(at(2026, 12, 6, 7, 30, 0));
  const auto next = [&](std::string_view date, std::string_view time) {
    return nextOccurrence(readInstant(date, time), sunday, almanac);
  };
  EXPECT_EQ(next("HER GÜN", "07:30:00"), wallSecond(at(2026, 12, 7, 7, 30, 0)));
  EXPECT_EQ(next("CUMARTESİ", "07:30:01"), wallSecond(at(2026, 12, 12, 7, 30, 1)));
  EXPECT_EQ(next("06.12.2026", "07:30:01"), sunday + 1);
  EXPECT_EQ(next("06.12.2026", "07:30:00"), std::nullopt);
}

TEST(TimeWords, SunWordsWithAnOffsetOfWholeMinutesAndNothingElse) {
  const std::pair<std::string_view, SunTime> words[] = {
      {"DOĞUŞ", {SunEvent::Rise, 0}},       {"BATIŞ", {SunEvent::Set, 0}},    {"batış+30", {SunEvent::Set, 1800}},
      {"DOGUS-15", {SunEvent::Rise, -900}}, {"Batis+1", {SunEvent::Set, 60}}, {"doğuş-99", {SunEvent::Rise, -5940}},
      {"BATIş+99", {SunEvent::Set, 5940}},  {"DOĞUS", {SunEvent::Rise, 0}},
  };
  for (const auto& [text, sun] : words) EXPECT_EQ(sunWord(text), sun) << text;
  for (std::string_view text :
       {"DOĞUŞ ", " BATIŞ", "BATIŞ +30", "BATIŞ+0", "BATIŞ+100", "BATIŞ+030", "BATIŞ+", "BATIŞ-", "BATIŞ+3O",
        "BATIŞ+30 ", "BATIŞ++3", "GÜNEŞ", "DOĞ", "BATIŞX", "07:30:00", "BATIŞ+1.5", ""})
    EXPECT_EQ(sunWord(text), std::nullopt) << text;
}

TEST(TimeWords, DurationsOfSecondsMinutesOrHoursUpTo999) {
  const std::pair<std::string_view, std::int64_t> words[] = {
      {"+20 DK", 1200}, {"+4 SA", 14400}, {"+5 SN", 5}, {"+999 SA", 999 * 3600}, {"+1 dk", 60}, {"+30 Sa", 108000}};
  for (const auto& [text, seconds] : words) EXPECT_EQ(durationWord(text), seconds) << text;
  for (std::string_view text : {"20 DK", "+20DK", "+20  DK", "+0 DK", "+020 DK", "+1000 SN", "-5 DK", "+5 DAK",
                                "+5 SN ", " +5 SN", "+ 5 SN", "+5 GÜN", "+"})
    EXPECT_EQ(durationWord(text), std::nullopt) << text;
}

}  // namespace
}  // namespace dorvan::test
