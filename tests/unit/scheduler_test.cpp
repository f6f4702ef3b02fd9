// The clock tick: what switches, when, and the bytes that go to the board.
#include <gtest/gtest.h>

#include "form_fixture.h"
#include "scheduler/scheduler.h"

namespace dorvan::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Tick : FormFixture {
  Tick() {
    form.Form_Load();
    library.calls.clear();
  }
  Color indicator(int port) { return color(kPortGrid[port - 1].indicator); }
};

TEST_F(Tick, ShowsTimeAndDateOfOneReadingInTheTurkishFormWhateverTheLocale) {
  tickAt(at(2026, 12, 6, 7, 5, 9));
  EXPECT_EQ(text("Label18"), "07:05:09");
  EXPECT_EQ(text("Label20"), "06.12.2026");
  // a second reading would straddle midnight and show the old time with the new date
  clock.readings = {at(2026, 12, 31, 23, 59, 59, 999), at(2027, 1, 1, 0, 0, 0, 1)};
  clock.next = 0;
  clock.reads = 0;
  form.Timer1_Timer();
  EXPECT_EQ(clock.reads, 1);
  EXPECT_EQ(text("Label18"), "23:59:59");
  EXPECT_EQ(text("Label20"), "31.12.2026");
}

TEST_F(Tick, TheStartInstantSwitchesThePortOnOnEveryTickOfItsSecondOnly) {
  schedule(7, "06.12.2026", "07:30:00");
  tickAt(at(2026, 12, 6, 7, 29, 59, 950));
  EXPECT_TRUE(library.written.empty());
  for (int ms = 50; ms < 1000; ms += 100) tickAt(at(2026, 12, 6, 7, 30, 0, ms));
  ASSERT_EQ(library.written.size(), 10u);
  for (const Bytes& r : library.written) EXPECT_EQ(r, (Bytes{0x00, 0x07, 0x01, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(library.calls.front(), "WriteEx 6020 2008 00 07 01 00 00 00 00 00 00");
  EXPECT_EQ(indicator(7), kRed);
  tickAt(at(2026, 12, 6, 7, 30, 1, 50));
  EXPECT_EQ(library.written.size(), 10u);
  EXPECT_EQ(indicator(7), kRed) << "stays red until switched off";
}

TEST_F(Tick, TheEndInstantSwitchesOffWithItsOwnReport) {
  schedule(10, "06.12.2026", "07:30:00", "06.12.2026", "07:31:00");
  tickAt(at(2026, 12, 6, 7, 30, 0));
  tickAt(at(2026, 12, 6, 7, 31, 0));
  ASSERT_EQ(library.written.size(), 2u);
  EXPECT_EQ(library.written[1], (Bytes{0x00, 0x0A, 0x00, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(indicator(10), kBlue);
}

TEST_F(Tick, OnlyTheExactTextOfTheExactDayFires) {
  schedule(1, "07.12.2026", "07:30:00");   // another day
  schedule(2, "06.12.2026", "07:30");      // no seconds
  schedule(3, "06.12.2026", "7:30:00");    // no leading zero
  schedule(4, "06.12.2026", " 07:30:00");  // leading space
  schedule(5, "06.12.2026", "07.30.00");   // other separator
  schedule(6, "6.12.2026", "07:30:00");
  schedule(7, "", "");  // empty never equals the clock
  tickAt(at(2026, 12, 6, 7, 30, 0));
  EXPECT_TRUE(library.written.empty());
  for (int p = 1; p <= 10; ++p) EXPECT_EQ(indicator(p), kBlue);
}

TEST_F(Tick, IdenticalStartAndEndGoOnThenOffInOneTickEndingBlue) {
  schedule(3, "06.12.2026", "07:30:00", "06.12.2026", "07:30:00");
  view.log.clear();
  tickAt(at(2026, 12, 6, 7, 30, 0));
  ASSERT_EQ(library.written.size(), 2u);
  EXPECT_EQ(library.written[0][2], 1);
  EXPECT_EQ(library.written[1][2], 0);
  EXPECT_EQ(indicator(3), kBlue);
}

TEST_F(Tick, PortsDueTogetherGoOutLowestFirst) {
  schedule(9, "06.12.2026", "07:30:00");
  schedule(2, "06.12.2026", "07:30:00", "06.12.2026", "07:30:00");
  schedule(5, "", "", "06.12.2026", "07:30:00");
  tickAt(at(2026, 12, 6, 7, 30, 0));
  EXPECT_EQ(library.portsAndStates(), (std::vector<std::pair<int, int>>{{2, 1}, {2, 0}, {5, 0}, {9, 1}}));
}

TEST_F(Tick, AnEditTakesEffectAtTheNextTickWithoutSaving) {
  tickAt(at(2026, 12, 6, 7, 30, 0, 100));
  schedule(4, "06.12.2026", "07:30:00");
  EXPECT_TRUE(library.written.empty());
  tickAt(at(2026, 12, 6, 7, 30, 0, 200));
  ASSERT_EQ(library.written.size(), 1u);
  EXPECT_TRUE(files.besideJournal().empty());
}

TEST_F(Tick, ReportsKeepTheirReservedBytesZeroAndTheIdByte) {
  for (int p = 1; p <= 10; ++p) schedule(p, "06.12.2026", "07:30:00", "06.12.2026", "07:30:00");
  tickAt(at(2026, 12, 6, 7, 30, 0));
  ASSERT_EQ(library.written.size(), 20u);
  for (std::size_t i = 0; i < 20; ++i) {
    const Bytes& r = library.written[i];
    EXPECT_EQ(r[0], 0);
    EXPECT_EQ(r[1], i / 2 + 1);
    EXPECT_EQ(r[2], i % 2 == 0 ? 1 : 0);
    for (int b = 3; b < 9; ++b) EXPECT_EQ(r[b], 0);
  }
}

TEST_F(Tick, RewritesNothingThatDidNotChange) {
  tickAt(at(2026, 12, 6, 7, 30, 0, 0));
  view.log.clear();
  tickAt(at(2026, 12, 6, 7, 30, 0, 100));
  EXPECT_TRUE(view.log.empty()) << "the same second repaints no label";
  tickAt(at(2026, 12, 6, 7, 30, 1, 0));
  EXPECT_EQ(view.log, (std::vector<std::string>{"text Label18 07:30:01"}));
}

TEST_F(Tick, ALateTickCarriesOutTheLatestSkippedInstantOfEachPortOnceThenItsOwnSecond) {
  schedule(1, "06.12.2026", "07:30:00");                            // on, skipped
  schedule(2, "", "", "06.12.2026", "07:30:01");                    // off, skipped
  schedule(3, "06.12.2026", "07:30:00", "06.12.2026", "07:30:01");  // on then off: off
  schedule(4, "06.12.2026", "07:30:01", "06.12.2026", "07:30:01");  // the same second: off
  schedule(5, "06.12.2026", "07:30:01", "06.12.2026", "07:30:00");  // off then on: on
  schedule(6, "07.12.2026", "07:30:00");                            // another date
  schedule(7, "06.12.2026", "7:30:00", "31.02.2026", "07:30:00");   // not as the clock shows them
  schedule(8, "06.12.2026", "07:30:0 ");
  schedule(9, "06.12.2026", "07:29:59", "06.12.2026", "07:30:02");  // the last shown second, the current one
  tickAt(at(2026, 12, 6, 7, 29, 59, 900));
  library.written.clear();
  tickAt(at(2026, 12, 6, 7, 30, 2, 400));  // the thread was held for 2.5 s
  EXPECT_EQ(library.portsAndStates(),
            (std::vector<std::pair<int, int>>{{1, 1}, {2, 0}, {3, 0}, {4, 0}, {5, 1}, {9, 0}}));
  EXPECT_EQ(indicator(1), kRed);
  EXPECT_EQ(indicator(4), kBlue);
  EXPECT_EQ(indicator(5), kRed);
  tickAt(at(2026, 12, 6, 7, 30, 2, 500));
  EXPECT_EQ(library.written.size(), 7u) << "the current second fires on every tick, as always";
}

TEST_F(Tick, CatchUpHasNoBoundOnTheGap) {
  struct Gap {
    LocalTime due, before, after;
  };
  const Gap gaps[] = {
      {at(2026, 12, 6, 7, 30, 0), at(2026, 12, 6, 7, 29, 59, 900), at(2026, 12, 6, 7, 30, 1, 0)},  // 2 s
      {at(2026, 3, 29, 3, 30, 0), at(2026, 3, 29, 2, 59, 59, 900), at(2026, 3, 29, 4, 0, 0, 0)},   // 1 h forward
      {at(2027, 1, 1, 0, 0, 0), at(2026, 12, 29, 23, 0, 0), at(2027, 1, 1, 23, 0, 0)},             // 3 days
  };
  int expected = 0;
  for (const Gap& g : gaps) {
    const DateText d = formatDate(g.due);
    const TimeText t = formatTime(g.due);
    schedule(1, {d.data(), d.size()}, {t.data(), t.size()});
    tickAt(g.before);
    tickAt(g.after);
    EXPECT_EQ(library.written.size(), static_cast<std::size_t>(++expected))
        << std::string(d.data(), d.size()) << " " << std::string(t.data(), t.size());
  }
}

TEST_F(Tick, AClockSteppedBackCatchesUpNothingAndRepeatsItsSecondsAsTheyCome) {
  schedule(6, "06.12.2026", "07:30:00");
  tickAt(at(2026, 12, 6, 7, 30, 0));
  tickAt(at(2026, 12, 6, 7, 29, 59));
  EXPECT_EQ(library.written.size(), 1u);
  tickAt(at(2026, 12, 6, 7, 30, 0));
  EXPECT_EQ(library.written.size(), 2u) << "the same text is the same instant again";
}

TEST_F(Tick, TheFirstTickCatchesUpNothing) {
  schedule(2, "06.12.2026", "07:00:00");
  tickAt(at(2026, 12, 6, 7, 30, 0));
  EXPECT_TRUE(library.written.empty());
}

TEST_F(Tick, ARepeatWordFiresAtItsTimeOnTheDaysItNamesOnly) {
  schedule(1, "HAFTA İÇİ", "07:30:00", "her gün", "07:30:05");
  schedule(2, "CUMARTESİ", "07:30:00");
  tickAt(at(2026, 12, 7, 7, 29, 59, 900));  // a Monday
  for (int ms : {0, 500}) tickAt(at(2026, 12, 7, 7, 30, 0, ms));
  EXPECT_EQ(indicator(1), kRed);
  tickAt(at(2026, 12, 7, 7, 30, 5));
  tickAt(at(2026, 12, 12, 7, 29, 59, 900));  // the Saturday: the late tick carries out Friday's off
  tickAt(at(2026, 12, 12, 7, 30, 0));
  EXPECT_EQ(library.portsAndStates(), (std::vector<std::pair<int, int>>{{1, 1}, {1, 1}, {1, 0}, {1, 0}, {2, 1}}));
}

TEST_F(Tick, ALateTickAcrossAWeekendCarriesOutEachPortsLatestOccurrence) {
  schedule(3, "HAFTA İÇİ", "08:00:00", "HAFTA İÇİ", "17:00:00");  // on since Monday 08:00
  schedule(4, "HAFTA SONU", "10:00:00", "PAZAR", "20:00:00");     // off since Sunday 20:00
  schedule(5, "CUMARTESİ", "09:00:00");                           // on since Saturday
  schedule(6, "14.12.2026", "08:15:00", "HER GÜN", "07:00:00");   // the dated start is the later
  schedule(7, "13.12.2026", "12:00:00", "HER GÜN", "07:00:00");   // the daily end is the later
  schedule(8, "SALI", "08:00:00");                                // Tuesday is still to come
  tickAt(at(2026, 12, 11, 18, 0, 0));                             // a Friday
  tickAt(at(2026, 12, 14, 8, 30, 0));
  EXPECT_EQ(library.portsAndStates(), (std::vector<std::pair<int, int>>{{3, 1}, {4, 0}, {5, 1}, {6, 1}, {7, 0}}));
}

constexpr Location kAnkara{39.9334, 32.8597};

// The second the almanac works out for a local day's sunrise or sunset.
WallSecond sunOn(const MainForm& form, SunEvent event, LocalTime day) {
  return *form.almanac().sun(event, dayNumber(day));
}

TEST_F(Tick, ASunWordFiresInItsComputedSecondWithItsOffsetOnlyOnceItsPlaceIsKnown) {
  schedule(1, "HER GÜN", "BATIŞ+30");
  schedule(2, "21.12.2026", "doğuş-15");
  form.setPlace(kAnkara);
  const WallSecond set = sunOn(form, SunEvent::Set, at(2026, 12, 21, 0, 0, 0)) + 30 * 60;
  const WallSecond rise = sunOn(form, SunEvent::Rise, at(2026, 12, 21, 0, 0, 0)) - 15 * 60;
  for (const WallSecond s : {rise - 1, rise, rise + 1, set - 1, set, set + 1})
    for (int ms : {0, 500}) {
      LocalTime t = localTimeOf(s);
      t.millisecond = ms;
      tickAt(t);
    }
  EXPECT_EQ(library.portsAndStates(), (std::vector<std::pair<int, int>>{{2, 1}, {2, 1}, {1, 1}, {1, 1}}));
  form.setPlace(std::nullopt);
  library.written.clear();
  tickAt(localTimeOf(set - 86400 * 7 - 1));
  tickAt(localTimeOf(set + 86400 * 7));  // a week later: the sun words stay silent without a place
  EXPECT_TRUE(library.written.empty());
}

TEST_F(Tick, ADurationSwitchesOffThatLongAfterEachStartWhateverComesBetween) {
  schedule(3, "HER GÜN", "23:50:00", "", "+20 DK");  // runs past midnight
  schedule(4, "HER GÜN", "12:00:00", "", "+30 SA");  // longer than the gap between starts
  schedule(5, "07.12.2026", "23:59:58", "", "+5 SN");
  // Every second from Monday 11:59:59 to Wednesday 12:00:00.
  const WallSecond monday = wallSecond(at(2026, 12, 7, 0, 0, 0));
  for (WallSecond s = monday + 12 * 3600 - 1; s <= monday + 2 * 86400 + 12 * 3600; ++s) tickAt(localTimeOf(s));
  EXPECT_EQ(library.portsAndStates(), (std::vector<std::pair<int, int>>{{4, 1},     // Mon 12:00
                                                                        {4, 0},     // 18:00, 30 h after Sunday's
                                                                        {3, 1},     // 23:50
                                                                        {5, 1},     // 23:59:58
                                                                        {5, 0},     // Tue 00:00:03
                                                                        {3, 0},     // 00:10
                                                                        {4, 1},     // 12:00
                                                                        {4, 0},     // 18:00, though on again since
                                                                        {3, 1},     // 23:50
                                                                        {3, 0},     // Wed 00:10
                                                                        {4, 1}}));  // 12:00
}

TEST(Durations, AreElapsedTimeAcrossADaylightSavingChange) {
  const char* before = std::getenv("TZ");
  const std::string saved = before ? before : "";
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  FakeClock clock;
  clock.ownZone = true;
  const Almanac almanac(clock);
  struct Row {
    LocalTime start;
    std::string_view duration;
    LocalTime end;
  };
  const Row rows[] = {
      {at(2026, 3, 29, 1, 30, 0), "+2 SA", at(2026, 3, 29, 4, 30, 0)},     // the clock jumps 02:00 → 03:00
      {at(2026, 10, 25, 1, 30, 0), "+2 SA", at(2026, 10, 25, 2, 30, 0)},   // 03:00 → 02:00
      {at(2026, 3, 28, 23, 0, 0), "+999 DK", at(2026, 3, 29, 16, 39, 0)},  // past midnight and the jump
  };
  for (const Row& r : rows) {
    const DateText d = formatDate(r.start);
    const TimeText t = formatTime(r.start);
    const Window w = readWindow({d.data(), d.size()}, {t.data(), t.size()}, "", r.duration);
    EXPECT_EQ(nextOccurrence(w, Edge::End, wallSecond(r.start), almanac), wallSecond(r.end)) << r.duration;
    EXPECT_EQ(latestOccurrence(w, Edge::End, wallSecond(r.start), wallSecond(r.end), almanac), wallSecond(r.end));
  }
  if (before)
    setenv("TZ", saved.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

TEST_F(Tick, ALateTickCarriesOutTheLatestSunAndDurationInstants) {
  schedule(6, "HER GÜN", "BATIŞ", "", "+4 SA");
  schedule(7, "HER GÜN", "DOĞUŞ", "HER GÜN", "BATIŞ-10");
  schedule(8, "08.12.2026", "BATIŞ+1");
  form.setPlace(kAnkara);
  const WallSecond set = sunOn(form, SunEvent::Set, at(2026, 12, 8, 0, 0, 0));
  tickAt(localTimeOf(set - 3600));
  tickAt(localTimeOf(set + 3600));
  EXPECT_EQ(library.portsAndStates(), (std::vector<std::pair<int, int>>{{6, 1}, {7, 0}, {8, 1}}));
  library.written.clear();
  tickAt(localTimeOf(set + 5 * 3600));  // the duration's end came between
  EXPECT_EQ(library.portsAndStates(), (std::vector<std::pair<int, int>>{{6, 0}}));
}

TEST(PortCommand, WritesOnlyPortAndStateAndSendsTheWholeBuffer) {
  FakeLibrary library;
  Report report{};
  SendPortCommand(library, report, 7, PortState::On);
  EXPECT_EQ(library.calls.back(), "WriteEx 6020 2008 00 07 01 00 00 00 00 00 00");
  SendPortCommand(library, report, 10, PortState::Off);
  EXPECT_EQ(library.calls.back(), "WriteEx 6020 2008 00 0A 00 00 00 00 00 00 00");
}

#ifndef NDEBUG
TEST(PortCommandDeath, APortOutsideTheBoardIsAProgrammingError) {
  FakeLibrary library;
  Report report{};
  EXPECT_DEATH(SendPortCommand(library, report, 11, PortState::On), "port");
  EXPECT_DEATH(SendPortCommand(library, report, 0, PortState::Off), "port");
}
#endif

TEST(PortCommand, APortOutsideTheBoardIsNeverSent) {
#ifdef NDEBUG
  FakeLibrary library;
  Report report{};
  SendPortCommand(library, report, 11, PortState::On);
  EXPECT_TRUE(library.written.empty());
  EXPECT_EQ(report, Report{});
#else
  GTEST_SKIP() << "debug builds stop at the assertion instead";
#endif
}

}  // namespace
}  // namespace dorvan::test
