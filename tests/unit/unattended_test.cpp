// Left alone for weeks: the board told again what it was told after a replug, and a
// start with a stage argument that needs nobody at the prompt.
#include <gtest/gtest.h>

#include "form_fixture.h"
#include "stages/schedule_table.h"

namespace dorvan::test {
namespace {

constexpr DeviceHandle kBoard = deviceHandle(kBoardVendorId, kBoardProductId);

struct Unattended : FormFixture {
  // Five values a port, in file order; ports not given are empty.
  void writeStage(int stage, const std::map<int, std::array<std::string, 4>>& instants) {
    std::string file;
    for (int port = 1; port <= kPortCount; ++port) {
      file += "port " + std::to_string(port) + "\r\n";
      const auto it = instants.find(port);
      for (int i = 0; i < 4; ++i) file += (it == instants.end() ? "" : it->second[i]) + "\r\n";
    }
    files.files["kademe" + std::to_string(stage) + ".txt"] = file;
  }
  void startWith(std::vector<std::string> args) {
    form.takeStartArguments(args);
    form.Form_Load();
    form.Form_Shown();
  }
};

TEST_F(Unattended, APluggedBoardGetsTheLastStateOfEveryCommandedPortAgain) {
  form.Form_Load();
  notify(1, kBoard);
  EXPECT_TRUE(library.written.empty()) << "nothing commanded yet, nothing to tell";
  const auto schedule = [&](int port, std::string_view on, std::string_view off) {
    const PortRow& row = kPortGrid[port - 1];
    type(row.startDate, "06.12.2026");
    type(row.startTime, on);
    type(row.endDate, "06.12.2026");
    type(row.endTime, off);
  };
  schedule(5, "07:30:00", "07:30:01");
  schedule(3, "07:30:01", "07:31:00");
  clock.set(at(2026, 12, 6, 7, 30, 0));
  form.Timer1_Timer();
  notify(2, kBoard);  // gone while port 5 goes off and port 3 on: both commands are lost on the way
  clock.set(at(2026, 12, 6, 7, 30, 1));
  form.Timer1_Timer();
  library.written.clear();
  view.log.clear();

  notify(1, deviceHandle(kBoardVendorId, 2009));
  EXPECT_TRUE(library.written.empty()) << "another device's plug sends nothing";
  notify(1, kBoard);
  EXPECT_EQ(library.portsAndStates(), (std::vector<std::pair<int, int>>{{3, 1}, {5, 0}}));
  ASSERT_FALSE(view.log.empty());
  EXPECT_EQ(view.log.front(), "picture Picture1") << "the picture first";
}

TEST_F(Unattended, AStageArgumentLoadsThatStageWithoutPromptAndResumesItsSchedule) {
  // 07:30:00 on 06.12.2026 is now.
  writeStage(3, {{1, {"06.12.2026", "07:00:00", "06.12.2026", "08:00:00"}},  // on since 07:00
                 {2, {"06.12.2026", "06:00:00", "06.12.2026", "07:00:00"}},  // on and off again: off
                 {4, {"06.12.2026", "07:30:00", "06.12.2026", "07:30:00"}},  // both now: off
                 {6, {"07.12.2026", "07:00:00", "", ""}},                    // tomorrow: nothing yet
                 {7, {"06.12.2026", "7:00:00", "6.12.2026", "07:00:00"}},    // not the clock's texts
                 {9, {"05.12.2026", "23:59:59", "", ""}}});                  // yesterday, still on
  startWith({"3"});
  EXPECT_TRUE(view.messages.empty()) << "no prompt, no message";
  EXPECT_EQ(form.currentStage(), 3);
  EXPECT_EQ(color("Command33"), kRed);
  EXPECT_EQ(text("Text3"), "port 2");
  EXPECT_EQ(library.portsAndStates(), (std::vector<std::pair<int, int>>{{1, 1}, {2, 0}, {4, 0}, {9, 1}}));
  EXPECT_EQ(color("Label21"), kRed);
  EXPECT_EQ(color("Label33"), kRed);

  // From here on it is the ordinary program: a stage button switches nothing, and a
  // late tick catches up from the resumed instant.
  library.written.clear();
  writeStage(5, {{1, {"06.12.2026", "07:00:00", "", ""}}});
  press("Command31");
  EXPECT_TRUE(library.written.empty());
  press("Command33");
  clock.set(at(2026, 12, 6, 8, 0, 5));
  form.Timer1_Timer();
  EXPECT_EQ(library.portsAndStates(), (std::vector<std::pair<int, int>>{{1, 0}}));
}

TEST_F(Unattended, RepeatWordsResumeFromTheirLatestOccurrenceBeforeNow) {
  clock.set(at(2026, 12, 12, 5, 0, 0));  // a Saturday, before dawn
  // The words in Windows-1254 bytes, as a stage file holds them: "HER GÜN" and "HAFTA İÇİ".
  const std::string daily = "HER G\xDCN", weekdays = "HAFTA \xDD\xC7\xDD";
  writeStage(3, {{1, {daily, "22:00:00", daily, "06:00:00"}},           // on since last night
                 {2, {weekdays, "08:00:00", weekdays, "17:00:00"}},     // off since Friday 17:00
                 {3, {daily, "04:59:59", "12.12.2026", "05:00:01"}}});  // the daily start is past
  startWith({"3"});
  EXPECT_EQ(library.portsAndStates(), (std::vector<std::pair<int, int>>{{1, 1}, {2, 0}, {3, 1}}));
}

TEST_F(Unattended, SunWordsAndDurationsResumeAsOnWhileTheirLatestStartIsLessThanTheDurationAgo) {
  form.setPlace(Location{39.9334, 32.8597});
  const WallSecond set = *form.almanac().sun(SunEvent::Set, dayNumber(at(2026, 12, 8, 0, 0, 0)));
  // "BATIŞ" in Windows-1254; the durations as typed.
  const std::string daily = "HER G\xDCN", sunset = "BATI\xDE";
  writeStage(3, {{1, {daily, sunset, "", "+4 SA"}},             // on: sunset was an hour ago
                 {2, {daily, sunset, "", "+30 DK"}},            // off again half an hour ago
                 {3, {daily, "DO\xD0U\xDE", daily, sunset}}});  // the day's sunset ended it
  clock.set(localTimeOf(set + 3600));
  startWith({"3"});
  EXPECT_EQ(library.portsAndStates(), (std::vector<std::pair<int, int>>{{1, 1}, {2, 0}, {3, 0}}));
}

TEST_F(Unattended, AMissingStageFileIsReportedAsByItsButtonAndSwitchesNothing) {
  startWith({"6"});
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_NE(view.messages[0].text.find("\"kademe6.txt\" dosyası bulunamadı"), std::string::npos);
  EXPECT_EQ(form.currentStage(), 6);
  EXPECT_TRUE(library.written.empty());
}

TEST_F(Unattended, AnyOtherArgumentIsExplainedThenStartUpGoesOnAsWithoutOne) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"8"}, std::vector<std::string>{"x"}, std::vector<std::string>{"3", "4"}}) {
    view.messages.clear();
    writeStage(3, {{1, {"06.12.2026", "07:00:00", "", ""}}});
    startWith(args);
    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(view.messages[0].kind, MessageKind::Error);
    EXPECT_NE(view.messages[0].text.find("1 ile 7 arasında bir kademe numarası"), std::string::npos);
    EXPECT_EQ(view.messages[1].text, "KADEME SEÇİMİ YAPINIZ");
    EXPECT_EQ(form.currentStage(), 0);
    EXPECT_TRUE(library.written.empty());
  }
  EXPECT_NE(view.messages[0].text.find("\"3 4\""), std::string::npos);
}

}  // namespace
}  // namespace dorvan::test
