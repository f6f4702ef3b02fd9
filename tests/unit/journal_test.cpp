// Switching a port by hand from its indicator, and the journal of every switching:
// its words for each cause, one line per event, its bound, and a journal that cannot
// be written.
#include <gtest/gtest.h>

#include "form_fixture.h"
#include "journal/journal.h"

namespace dorvan::test {
namespace {

constexpr DeviceHandle kBoard = deviceHandle(kBoardVendorId, kBoardProductId);

struct Journaled : FormFixture {
  void schedule(int port, std::string_view start, std::string_view end) {
    const PortRow& row = kPortGrid[port - 1];
    type(row.startDate, start.substr(0, 10));
    type(row.startTime, start.substr(std::min<std::size_t>(11, start.size())));
    type(row.endDate, end.substr(0, 10));
    type(row.endTime, end.substr(std::min<std::size_t>(11, end.size())));
  }
  void tickAt(int minute, int second, int ms = 0) {
    clock.set(at(2026, 12, 6, 7, minute, second, ms));
    form.Timer1_Timer();
  }
  void doubleClickPort(int port) { form.doubleClick(controlId(kPortGrid[port - 1].indicator)); }
  std::string tip(int port) { return form.indicatorToolTip(controlId(kPortGrid[port - 1].indicator)); }
  const std::string& journal() { return files.files["gunluk.txt"]; }
};

TEST_F(Journaled, EachCauseHasItsOwnWords) {
  for (int port = 1; port <= kPortCount; ++port)  // port 5 on since 07:00
    files.files["kademe3.txt"] += port == 5 ? "5\r\n06.12.2026\r\n07:00:00\r\n\r\n\r\n" : "\r\n\r\n\r\n\r\n\r\n";
  form.takeStartArguments({"3"});
  form.Form_Load();
  form.Form_Shown();
  schedule(2, "06.12.2026 07:30:02", "06.12.2026 07:30:05");
  tickAt(30, 2);
  tickAt(30, 9);  // late: 07:30:05 was skipped
  clock.set(at(2026, 12, 6, 7, 31, 12));
  doubleClickPort(3);
  notify(2, kBoard);
  notify(1, kBoard);
  press("Command27");
  press("Command29");  // kademe6.txt is missing
  std::int16_t cancel = 0;
  form.Form_Unload(cancel);
  EXPECT_EQ(journal(),
            "06.12.2026 07:30:00 DORVAN AÇILDI, KADEME 3\n"
            "06.12.2026 07:30:00 KADEME 3 YÜKLENDİ\n"
            "06.12.2026 07:30:00 PORT 05 AÇIK (açılış: 06.12.2026 07:00:00)\n"
            "06.12.2026 07:30:02 PORT 02 AÇIK (çizelge)\n"
            "06.12.2026 07:30:09 PORT 02 KAPALI (gecikmeli: 06.12.2026 07:30:05)\n"
            "06.12.2026 07:31:12 PORT 03 AÇIK (elle)\n"
            "06.12.2026 07:31:12 KART ÇIKARILDI\n"
            "06.12.2026 07:31:12 KART TAKILDI\n"
            "06.12.2026 07:31:12 PORT 02 KAPALI (yeniden)\n"
            "06.12.2026 07:31:12 PORT 03 AÇIK (yeniden)\n"
            "06.12.2026 07:31:12 PORT 05 AÇIK (yeniden)\n"
            "06.12.2026 07:31:12 KADEME 3 KAYDEDİLDİ\n"
            "06.12.2026 07:31:12 UYARI: \"kademe6.txt\" dosyası bulunamadı. Kutulardaki tablo değiştirilmedi. "
            "\"KAYDET\" düğmesine basarsanız bu dosya, ekranda görünen tablodan oluşturulur.\n"
            "06.12.2026 07:31:12 DORVAN KAPANDI\n");
}

TEST_F(Journaled, ADoubleClickSwitchesOnceAndIsRememberedForReArm) {
  form.Form_Load();
  schedule(3, "", "06.12.2026 08:00:00");
  EXPECT_EQ(tip(3), "PORT 03 — çift tıklayınca açılır. Sıradaki: KAPALI, 06.12.2026 08:00:00.");
  doubleClickPort(3);
  EXPECT_EQ(library.portsAndStates(), (std::vector<std::pair<int, int>>{{3, 1}})) << "one report, not ten";
  EXPECT_EQ(color("Label31"), kRed);
  EXPECT_EQ(tip(3),
            "PORT 03 — çift tıklayınca kapanır. Son: AÇIK, 06.12.2026 07:30:00 (elle). "
            "Sıradaki: KAPALI, 06.12.2026 08:00:00.");
  notify(1, kBoard);
  EXPECT_EQ(library.portsAndStates(), (std::vector<std::pair<int, int>>{{3, 1}, {3, 1}})) << "told again after a plug";
}

TEST_F(Journaled, TheTicksOfADueSecondMakeOneLineAndOtherDevicesNone) {
  form.Form_Load();
  schedule(7, "06.12.2026 07:30:00", "06.12.2026 07:30:01");
  schedule(9, "06.12.2026 07:30:00", "06.12.2026 07:30:00");  // on and off in every tick of the second
  for (int ms = 0; ms < 1000; ms += 100) tickAt(30, 0, ms);
  doubleClickPort(7);  // off by hand within the same second: the next tick puts it on again
  tickAt(30, 0, 950);
  for (int ms = 0; ms < 1000; ms += 100) tickAt(30, 1, ms);
  notify(1, deviceHandle(kBoardVendorId, 2009));
  notify(2, deviceHandle(0x1234, kBoardProductId));
  EXPECT_EQ(library.written.size(), 44u);
  EXPECT_EQ(journal(),
            "06.12.2026 07:30:00 DORVAN AÇILDI\n"
            "06.12.2026 07:30:00 PORT 07 AÇIK (çizelge)\n"
            "06.12.2026 07:30:00 PORT 09 AÇIK (çizelge)\n"
            "06.12.2026 07:30:00 PORT 09 KAPALI (çizelge)\n"
            "06.12.2026 07:30:00 PORT 07 KAPALI (elle)\n"
            "06.12.2026 07:30:00 PORT 07 AÇIK (çizelge)\n"
            "06.12.2026 07:30:01 PORT 07 KAPALI (çizelge)\n");
}

TEST_F(Journaled, PastTheBoundTheFileMakesWayForANewOne) {
  const std::string full(kJournalBound - 20, 'x');
  files.files["gunluk.txt"] = full;
  files.files["gunluk.1.txt"] = "an older one";
  form.Form_Load();  // 35 bytes: over
  EXPECT_TRUE(files.files["gunluk.1.txt"] == full);
  EXPECT_EQ(journal(), "06.12.2026 07:30:00 DORVAN AÇILDI\n");

  files.failReplace = FileResult{FileError::InUse, 32};
  files.files["gunluk.txt"] = full;
  doubleClickPort(1);
  doubleClickPort(1);
  const std::string added = journal().substr(full.size());
  EXPECT_TRUE(journal().starts_with(full) && added.starts_with("06.12.2026 07:30:00 PORT 01 AÇIK (elle)\n") &&
              added.ends_with(" gösterilmez.\n06.12.2026 07:30:00 PORT 01 KAPALI (elle)\n"))
      << "kept on in the same file, the warning among the lines: " << added;
  ASSERT_EQ(view.later.size(), 1u);
  EXPECT_TRUE(view.later[0].text.starts_with("\"gunluk.txt\" günlük dosyası 1 MB'ı geçti, ama \"gunluk.1.txt\""));
}

TEST_F(Journaled, AJournalThatCannotBeWrittenIsToldOnceAndResumesWhenItCan) {
  files.failAppend = FileResult{FileError::AccessDenied, 13};
  form.Form_Load();
  schedule(1, "06.12.2026 07:30:01", "");
  tickAt(30, 1);
  doubleClickPort(2);
  EXPECT_EQ(library.portsAndStates(), (std::vector<std::pair<int, int>>{{1, 1}, {2, 1}})) << "switching goes on";
  ASSERT_EQ(view.later.size(), 1u) << "once a run, and never a modal box in the middle of a tick";
  EXPECT_TRUE(view.later[0].text.starts_with("\"gunluk.txt\" günlük dosyasına yazılamadı: erişim izni yok"))
      << view.later[0].text;
  EXPECT_EQ(view.messages.size(), 1u) << "the prompt alone";
  EXPECT_FALSE(files.files.count("gunluk.txt"));

  files.failAppend.reset();
  files.failWrite = FileResult{FileError::DiskFull, 28};  // half a line gets out
  doubleClickPort(2);
  files.failWrite.reset();
  doubleClickPort(2);
  EXPECT_EQ(journal(), "06.12.2026 07:30:01 P\n06.12.2026 07:30:01 PORT 02 AÇIK (elle)\n")
      << "a line of its own, whatever went before";
  EXPECT_EQ(view.later.size(), 1u);
}

// What the network sees and does: the same switching as a double-click, its own cause,
// and a button whose message must not keep a remote caller waiting behind a box.
TEST_F(Journaled, RemoteSwitchingIsJournaledWithItsCauseAndToldToObservers) {
  struct Recorder : FormObserver {
    std::vector<std::string> seen;
    void portSwitched(int port, PortState state, SwitchCause) override {
      seen.push_back("port " + std::to_string(port) + (state == PortState::On ? " on" : " off"));
    }
    void journalLine(std::string_view line) override { seen.emplace_back(line); }
    void boxChanged(ControlId box) override { seen.push_back("box " + std::string(controlSpec(box).name)); }
  } recorder;
  form.Form_Load();
  form.observe(recorder);
  form.switchPort(5, PortCommand::Toggle, SwitchCause::Web, "192.168.1.20");
  form.switchPort(5, PortCommand::On, SwitchCause::Mqtt);
  form.switchPort(11, PortCommand::On, SwitchCause::Mqtt);  // no such port: nothing
  type(kPortGrid[0].description, "FAN");
  EXPECT_EQ(library.portsAndStates(), (std::vector<std::pair<int, int>>{{5, 1}, {5, 1}}));
  EXPECT_EQ(recorder.seen,
            (std::vector<std::string>{"06.12.2026 07:30:00 PORT 05 AÇIK (web 192.168.1.20)", "port 5 on",
                                      "06.12.2026 07:30:00 PORT 05 AÇIK (mqtt)", "port 5 on", "box Text1"}));
  EXPECT_NE(tip(5).find("(mqtt)"), std::string::npos) << tip(5);

  const std::vector<std::string> said = form.clickFromRemote(controlId("Command33"), "web 192.168.1.20");  // KADEME3: no file
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(view.later.size(), 1u) << "the box opens once the caller has its answer";
  EXPECT_EQ(view.later[0].text, said[0]);
  EXPECT_EQ(view.messages.size(), 1u) << "the prompt alone";
}

}  // namespace
}  // namespace dorvan::test
