// The week the page draws: when each port was on, from journal lines, and when it will
// be on, from its windows.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "app/web/web_api.h"
#include "form_fixture.h"
#include "scheduler/scheduler.h"
#include "scheduler/week_plan.h"

namespace dorvan::test {
namespace {

using Intervals = std::vector<OnInterval>;

WallSecond s(int day, int hour, int minute = 0) { return wallSecond(at(2026, 12, day, hour, minute, 0)); }

TEST(SwitchHistory, OnFromAnAcikLineToWhatEndsIt) {
  struct Case {
    const char* what;
    const char* journal;
    int port;
    Intervals want;  // between 01.12 00:00 and 08.12 12:00
  };
  const Case cases[] = {
      {"on, then off",
       "03.12.2026 07:00:00 PORT 03 AÇIK (çizelge)\n03.12.2026 08:00:00 PORT 03 KAPALI (elle)\n",
       3,
       {{s(3, 7), s(3, 8)}}},
      {"still on: cut at the end", "08.12.2026 11:00:00 PORT 03 AÇIK (web 127.0.0.1)\n", 3, {{s(8, 11), s(8, 12)}}},
      {"on before the start: cut there", "20.11.2026 07:00:00 PORT 01 AÇIK (çizelge)\n", 1, {{s(1, 0), s(8, 12)}}},
      {"ended with the program",
       "02.12.2026 07:00:00 PORT 02 AÇIK (çizelge)\n02.12.2026 09:00:00 DORVAN KAPANDI\n"
       "02.12.2026 10:00:00 PORT 02 KAPALI (açılış: 02.12.2026 09:30:00)\n",
       2,
       {{s(2, 7), s(2, 9)}}},
      {"ended by the board pulled out, and by a start after a kill",
       "02.12.2026 07:00:00 PORT 02 AÇIK (çizelge)\n02.12.2026 08:00:00 KART ÇIKARILDI\n"
       "02.12.2026 08:30:00 PORT 02 AÇIK (yeniden)\n04.12.2026 06:00:00 DORVAN AÇILDI, KADEME 3\n",
       2,
       {{s(2, 7), s(2, 8)}, {s(2, 8, 30), s(4, 6)}}},
      {"off first: nothing known before", "05.12.2026 07:00:00 PORT 04 KAPALI (çizelge)\n", 4, {}},
      {"on twice: the first counts",
       "05.12.2026 07:00:00 PORT 04 AÇIK (çizelge)\n05.12.2026 07:30:00 PORT 04 AÇIK (mqtt)\n"
       "05.12.2026 08:00:00 PORT 04 KAPALI (mqtt)\n",
       4,
       {{s(5, 7), s(5, 8)}}},
      {"not a port line",
       "05.12.2026 07:00:00 PORT 11 AÇIK (çizelge)\n05.12.2026 07:00:00 PORT 05 AÇIKLAMA\n"
       "5.12.2026 07:00:00 PORT 05 AÇIK\nUYARI: PORT 05 AÇIK\n05.12.2026 07:00:00 UYARI: PORT 05 AÇIK\n",
       5,
       {}},
      {"on and off in one second: nothing to draw",
       "05.12.2026 07:00:00 PORT 06 AÇIK (çizelge)\n05.12.2026 07:00:00 PORT 06 KAPALI (çizelge)\n",
       6,
       {}},
  };
  for (const Case& c : cases) {
    SwitchHistory history;
    std::istringstream lines(c.journal);
    for (std::string line; std::getline(lines, line);) history.take(line);
    EXPECT_EQ(history.onBetween(c.port, s(1, 0), s(8, 12)), c.want) << c.what;
  }
}

TEST(SwitchHistory, IsReadFromBothFilesOnceThenFollowed) {
  FakeFiles files;
  files.files["gunluk.1.txt"] = "06.12.2026 22:00:00 PORT 07 AÇIK (çizelge)\r\n";
  files.files["gunluk.txt"] = "07.12.2026 02:00:00 PORT 07 KAPALI (çizelge)\r\n07.12.2026 03:00:00 PORT 08 AÇIK (elle)";
  web::JournalTail tail;
  tail.load(files);
  files.files.clear();
  tail.journalLine("07.12.2026 04:00:00 PORT 08 KAPALI (elle)");
  EXPECT_EQ(tail.history().onBetween(7, s(1, 0), s(8, 0)), (Intervals{{s(6, 22), s(7, 2)}}));
  EXPECT_EQ(tail.history().onBetween(8, s(1, 0), s(8, 0)), (Intervals{{s(7, 3), s(7, 4)}}));
  EXPECT_EQ(tail.last(5),
            "07.12.2026 02:00:00 PORT 07 KAPALI (çizelge)\n07.12.2026 03:00:00 PORT 08 AÇIK (elle)\n"
            "07.12.2026 04:00:00 PORT 08 KAPALI (elle)\n")
      << "the older file is not among the last lines";
}

struct Plan : FormFixture {
  Almanac almanac{clock};
  PortWindows windows(std::vector<std::array<std::string, 4>> list) {
    PortWindows out;
    out.count = 0;
    for (const auto& w : list) out.windows[out.count++] = readWindow(w[0], w[1], w[2], w[3]);
    return out;
  }
};

TEST_F(Plan, EveryWindowSwitchesAsTheTickWould) {
  struct Case {
    const char* what;
    std::vector<std::array<std::string, 4>> windows;
    bool onNow;
    Intervals want;  // from 06.12 07:30 to 09.12 00:00
  };
  const Case cases[] = {
      {"a window every day",
       {{"HER GÜN", "18:00:00", "HER GÜN", "18:30:00"}},
       false,
       {{s(6, 18), s(6, 18, 30)}, {s(7, 18), s(7, 18, 30)}, {s(8, 18), s(8, 18, 30)}}},
      {"on now until its end",
       {{"HER GÜN", "07:00:00", "HER GÜN", "08:00:00"}},
       true,
       {{s(6, 7, 30), s(6, 8)}, {s(7, 7), s(7, 8)}, {s(8, 7), s(8, 8)}}},
      {"back to back: on throughout",
       {{"07.12.2026", "06:00:00", "07.12.2026", "07:00:00"}, {"07.12.2026", "07:00:00", "", "+1 SA"}},
       false,
       {{s(7, 6), s(7, 8)}}},
      {"overlapping: the inner end switches off",
       {{"07.12.2026", "06:00:00", "07.12.2026", "09:00:00"}, {"07.12.2026", "07:00:00", "07.12.2026", "08:00:00"}},
       false,
       {{s(7, 6), s(7, 8)}}},
      {"start and end in one second: nothing to draw",
       {{"07.12.2026", "06:00:00", "07.12.2026", "06:00:00"}},
       false,
       {}},
      {"still on at the end: cut there",
       {{"08.12.2026", "20:00:00", "10.12.2026", "06:00:00"}},
       false,
       {{s(8, 20), s(9, 0)}}},
      {"on now with nothing to end it", {{"", "", "", ""}}, true, {{s(6, 7, 30), s(9, 0)}}},
      {"nothing in the boxes", {{"", "", "", ""}}, false, {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(plannedOn(windows(c.windows), c.onNow, s(6, 7, 30), s(9, 0), almanac), c.want) << c.what;
}

// The plan, worked out edge by edge, against the tick's own next switching taken step by step.
TEST_F(Plan, AgreesWithTheNextSwitchingStepByStep) {
  almanac.setPlace(Location{39.9334, 32.8597});
  const std::vector<std::array<std::string, 4>> sets[] = {
      {{"HER GÜN", "BATIŞ", "", "+3 SA"}, {"HAFTA İÇİ", "20:00:00", "HER GÜN", "DOĞUŞ+30"}},
      {{"HER GÜN", "06:00:00", "", "+30 DK"}, {"HER GÜN", "06:30:00", "", "+30 DK"}, {"PAZAR", "06:45:00", "", ""}},
      {{"HAFTA SONU", "DOĞUŞ", "HAFTA SONU", "DOĞUŞ"}, {"CUMA", "23:00:00", "", "+30 SA"}},
  };
  for (const auto& set : sets)
    for (const bool onNow : {false, true}) {
      const PortWindows w = windows(set);
      Intervals want;
      bool on = onNow;
      WallSecond since = s(6, 7, 30);
      for (WallSecond after = since;;) {
        const std::optional<Switching> next = nextSwitching(w, after, almanac);
        if (!next || next->at >= s(20, 0)) break;
        after = next->at;
        if ((next->state == PortState::On) == on) continue;
        on = !on;
        if (on) since = next->at;
        if (!on && since < next->at) want.push_back({since, next->at});
      }
      if (on) want.push_back({since, s(20, 0)});
      EXPECT_FALSE(want.empty());
      EXPECT_EQ(plannedOn(w, onNow, s(6, 7, 30), s(20, 0), almanac), want) << set[0][1] << " " << onNow;
    }
}

TEST(WeekAround, IsFifteenWholeDaysWithTodayInTheMiddle) {
  const WeekSpan week = weekAround(s(6, 7, 30));
  EXPECT_EQ(week.from, wallSecond(at(2026, 11, 29, 0, 0, 0)));
  EXPECT_EQ(week.to, s(14, 0));
  EXPECT_EQ(weekAround(s(6, 0)).from, week.from);
  EXPECT_EQ(weekAround(s(6, 0) - 1).from, week.from - kSecondsPerDay);
}

TEST_F(Plan, TheApiGivesBothHalvesOfEveryPort) {
  web::JournalTail tail;
  form.observe(tail);
  form.Form_Load();
  form.form().setExtras(2, {ExtraWindow{{"HER GÜN", "18:00:00", "HER GÜN", "18:30:00"}}});
  form.switchPort(2, PortCommand::On, SwitchCause::Hand);
  clock.set(at(2026, 12, 6, 9, 0, 0));
  HttpRequest get{"GET", "/api/week", {}, {}, {}, {}, "dorvan:8080", "192.168.1.20"};
  web::Routed routed = web::route(get, tail);
  ASSERT_FALSE(routed.answer);
  const nlohmann::json week = nlohmann::json::parse(routed.onUiThread(form).body);
  const std::regex iso(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)");
  for (const char* key : {"from", "now", "to"}) EXPECT_TRUE(std::regex_match(week[key].get<std::string>(), iso)) << key;
  EXPECT_EQ(week["from"].get<std::string>().substr(0, 19), "2026-11-29T00:00:00");
  EXPECT_EQ(week["to"].get<std::string>().substr(0, 19), "2026-12-14T00:00:00");
  ASSERT_EQ(week["ports"].size(), 10u);
  const nlohmann::json& port2 = week["ports"][1];
  EXPECT_EQ(port2["port"], 2);
  // On by hand at 07:30 and still on: the past ends at now, the plan starts there.
  EXPECT_EQ(port2["past"],
            nlohmann::json::array({{"2026-12-06T07:30:00" + week["now"].get<std::string>().substr(19), week["now"]}}));
  ASSERT_EQ(port2["planned"].size(), 8u);
  EXPECT_EQ(port2["planned"][0][0], week["now"]);
  EXPECT_EQ(port2["planned"][0][1].get<std::string>().substr(0, 19), "2026-12-06T18:30:00");
  EXPECT_EQ(week["ports"][0]["planned"].size(), 0u);
  get.method = "POST";
  EXPECT_EQ(web::route(get, tail).answer->status, 405);
}

}  // namespace
}  // namespace dorvan::test
