// A port's extra windows: kept in the stage file after its fifty lines, switched by the
// tick with the row's window, and edited in a dialog that touches the form only at TAMAM.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/extra_dialog.h"
#include "base/cp1254.h"
#include "form_fixture.h"
#include "stages/stage_file.h"

namespace dorvan::test {
namespace {

ExtraWindow window(std::string_view sd, std::string_view st, std::string_view ed, std::string_view et) {
  return {{std::string(sd), std::string(st), std::string(ed), std::string(et)}};
}

std::string fiftyLines() {
  std::string out;
  for (int i = 0; i < kTableSize; ++i) out += "\r\n";
  return out;
}

struct Extras : FormFixture {
  Extras() {
    form.Form_Load();
    library.calls.clear();
  }
  std::string journal() { return files.files["gunluk.txt"]; }
};

TEST(ExtraWindowFile, RoundTripsAsOneLinePerWindowAfterTheFifty) {
  std::array<std::string_view, kTableSize> table{};
  StageExtras extras;
  extras[2] = {window("HER GÜN", "18:00:00", "HER GÜN", "18:30:00"), window("PAZAR", "DOĞUŞ", "", "+20 DK")};
  extras[9] = {window("", "", "", "")};
  std::string bytes;
  ASSERT_TRUE(encodeStageFile(table, extras, bytes));
  EXPECT_EQ(bytes, fiftyLines() +
                       "PORT 03;HER G\xDCN;18:00:00;HER G\xDCN;18:30:00\r\n"
                       "PORT 03;PAZAR;DO\xD0U\xDE;;+20 DK\r\n"
                       "PORT 10;;;;\r\n");

  FakeFiles files;
  files.files["kademe1.txt"] = bytes;
  StageValues values;
  StageExtras back;
  ASSERT_EQ(readStageFile(files, "kademe1.txt", values, back).status, StageReadResult::Status::Ok);
  EXPECT_EQ(back, extras);

  extras[0] = {window("HER;GÜN", "", "", "")};
  EXPECT_FALSE(encodeStageFile(table, extras, bytes)) << "a separator in a box would shift the fields";
}

TEST(ExtraWindowFile, ReadsOnlyWellFormedLinesAndCutsFieldsToTheirBoxes) {
  struct Case {
    std::string_view line;
    int port;  // 0: ignored
    ExtraWindow kept;
  };
  const Case cases[] = {
      {"PORT 01;a;b;c;d", 1, window("a", "b", "c", "d")},
      {"PORT 10;01.01.2027;07:00:00;;", 10, window("01.01.2027", "07:00:00", "", "")},
      {"PORT 02;01.01.20270;07:00:001;HER GÜN HER GÜN;+999 DK+", 2,
       window("01.01.2027", "07:00:00", "HER GÜN HE", "+999 DK+")},
      {"PORT 00;a;b;c;d", 0, {}},
      {"PORT 11;a;b;c;d", 0, {}},
      {"PORT 1;a;b;c;d", 0, {}},
      {"port 01;a;b;c;d", 0, {}},
      {"PORT 01 ;a;b;c;d", 0, {}},
      {"PORT 01;a;b;c", 0, {}},
      {"PORT 01;a;b;c;d;e", 0, {}},
      {"PORT 01;a;b;c;d;", 0, {}},
      {"", 0, {}},
      {"HER GÜN", 0, {}},
  };
  for (const Case& c : cases) {
    FakeFiles files;
    std::string line;
    cp1254::encode(c.line, line);
    files.files["kademe1.txt"] = fiftyLines() + line + "\r\n";
    StageValues values;
    StageExtras extras;
    ASSERT_EQ(readStageFile(files, "kademe1.txt", values, extras).status, StageReadResult::Status::Ok) << c.line;
    for (int p = 1; p <= kPortCount; ++p) {
      const ExtraWindows expected = p == c.port ? ExtraWindows{c.kept} : ExtraWindows{};
      EXPECT_EQ(extras[p - 1], expected) << c.line << " port " << p;
    }
  }
}

TEST_F(Extras, AStageLoadsAtMostEightAPortSaysSoOnceAndKaydetWritesThemBack) {
  std::string file = fiftyLines();
  for (int i = 1; i <= 10; ++i) file += "PORT 05;HER G\xDCN;0" + std::to_string(i % 10) + ":00:00;;\r\n";
  file += "PORT 07;a;b;c;d\r\n";
  for (int i = 0; i < 9; ++i) file += "PORT 02;;;;\r\n";
  files.files["kademe3.txt"] = file;
  press("Command33");
  EXPECT_EQ(form.form().extras(5).size(), 8u);
  EXPECT_EQ(form.form().extras(5)[7].boxes[1], "08:00:00");
  EXPECT_EQ(form.form().extras(7).size(), 1u);
  const std::string j = journal();
  EXPECT_NE(j.find("UYARI: \"kademe3.txt\" dosyasında PORT 02, PORT 05 için sekizden fazla ek pencere var"),
            std::string::npos)
      << j;
  EXPECT_EQ(j.find("UYARI"), j.rfind("UYARI")) << "said once";

  form.form().setExtras(7, {});
  press("Command27");
  const std::string saved = files.files["kademe3.txt"];
  EXPECT_TRUE(saved.ends_with("PORT 05;HER G\xDCN;08:00:00;;\r\n"));
  EXPECT_LT(saved.find("PORT 02"), saved.find("PORT 05")) << "port by port";
  EXPECT_EQ(saved.find("PORT 07"), std::string::npos);
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), kTableSize + 8 + 8);

  files.files["kademe4.txt"] = fiftyLines();
  press("Command32");
  for (int p = 1; p <= kPortCount; ++p) EXPECT_TRUE(form.form().extras(p).empty()) << "replaced by the file's";
}

TEST_F(Extras, EveryWindowSwitchesAndBackToBackWindowsLeaveThePortOn) {
  schedule(1, "HER GÜN", "06:00:00", "HER GÜN", "07:00:00");
  form.form().setExtras(1, {window("HER GÜN", "07:00:00", "HER GÜN", "08:00:00"),    // back to back
                            window("HER GÜN", "07:30:00", "HER GÜN", "09:00:00"),    // overlapping
                            window("HER GÜN", "10:00:00", "HER GÜN", "10:00:00")});  // the same second
  struct Step {
    int hour, minute;
    std::vector<std::pair<int, int>> sent;
  };
  const Step steps[] = {
      {6, 0, {{1, 1}}}, {7, 0, {{1, 1}}}, {7, 30, {{1, 1}}},
      {8, 0, {{1, 0}}}, {9, 0, {{1, 0}}}, {10, 0, {{1, 1}, {1, 0}}},
  };
  for (const Step& s : steps) {
    library.written.clear();
    tickAt(at(2026, 12, 7, s.hour, s.minute, 0));
    EXPECT_EQ(library.portsAndStates(), s.sent) << s.hour << ":" << s.minute;
  }
  EXPECT_EQ(journal().find("07:00:00 PORT 01 KAPALI"), std::string::npos) << journal();
  EXPECT_NE(journal().find("08:00:00 PORT 01 KAPALI"), std::string::npos) << journal();
}

TEST_F(Extras, CatchUpNextAndTheTooltipSeeEveryWindow) {
  schedule(2, "HER GÜN", "06:00:00", "HER GÜN", "07:00:00");
  form.form().setExtras(
      2, {window("HER GÜN", "07:00:00", "HER GÜN", "08:00:00"), window("HER GÜN", "12:00:00", "", "+30 DK")});
  // a tick held across the back-to-back second carries out on, not off
  tickAt(at(2026, 12, 7, 6, 59, 59));
  library.written.clear();
  tickAt(at(2026, 12, 7, 7, 0, 2));
  EXPECT_EQ(library.portsAndStates(), (std::vector<std::pair<int, int>>{{2, 1}}));

  struct Next {
    LocalTime after;
    PortState state;
    LocalTime at;
  };
  const Next nexts[] = {
      {at(2026, 12, 7, 6, 30, 0), PortState::On, at(2026, 12, 7, 7, 0, 0)},  // on wins the shared second
      {at(2026, 12, 7, 8, 0, 0), PortState::On, at(2026, 12, 7, 12, 0, 0)},
      {at(2026, 12, 7, 12, 0, 0), PortState::Off, at(2026, 12, 7, 12, 30, 0)},
  };
  for (const Next& n : nexts) {
    const std::optional<Switching> s = nextSwitching(form.form(), kPortTable[1], wallSecond(n.after), form.almanac());
    ASSERT_TRUE(s);
    EXPECT_EQ(s->state, n.state);
    EXPECT_EQ(s->at, wallSecond(n.at));
  }
  clock.set(at(2026, 12, 7, 8, 0, 0));
  EXPECT_EQ(form.indicatorToolTip(controlId(kPortGrid[1].indicator)),
            "PORT 02 — çift tıklayınca kapanır. 3 pencere. Son: AÇIK, 07.12.2026 07:00:02 (gecikmeli: 07.12.2026 "
            "07:00:00). Sıradaki: AÇIK, 07.12.2026 12:00:00.");
}

TEST_F(Extras, TheDialogEditsACopyThatOnlyTamamTypesIntoTheForm) {
  form.form().setExtras(5, {window("HER GÜN", "07:00:00", "", "")});
  ExtraDialog dialog(form.form(), 5, false);
  EXPECT_EQ(dialog.title(), "PORT 05 — ek çizelge");
  EXPECT_TRUE(dialog.type(0, WindowBox::EndDate, "HER;GÜN")) << "the separator is refused";
  EXPECT_EQ(dialog.text(0, WindowBox::EndDate), "HERGÜN");
  EXPECT_FALSE(dialog.type(0, WindowBox::EndTime, "DOĞUŞ"));
  EXPECT_EQ(dialog.faults(0).endTime, BoxFault::NoPlace);
  while (dialog.add()) {
  }
  EXPECT_EQ(dialog.rows().size(), 8u);
  dialog.type(1, WindowBox::StartDate, "PAZAR");
  dialog.remove(0);
  EXPECT_EQ(dialog.text(0, WindowBox::StartDate), "PAZAR");
  EXPECT_EQ(form.form().extras(5).size(), 1u) << "nothing reaches the form before TAMAM";
  ASSERT_TRUE(dialog.accept(form.form()));
  EXPECT_EQ(form.form().extras(5).size(), 7u);
  EXPECT_EQ(form.form().extras(5)[0].boxes[0], "PAZAR");

  // a stage loaded or a page's edit while the dialog is open is not overwritten unasked
  ExtraDialog stale(form.form(), 5, false);
  stale.remove(0);
  form.form().setExtras(5, {window("SALI", "09:00:00", "", "")});
  EXPECT_FALSE(stale.accept(form.form()));
  EXPECT_EQ(form.form().extras(5)[0].boxes[0], "SALI");
  EXPECT_NE(stale.changedElsewhere().find("PORT 05 için"), std::string::npos);
  EXPECT_TRUE(stale.accept(form.form())) << "TAMAM again writes the rows over them";
  EXPECT_EQ(form.form().extras(5).size(), 6u);
}

}  // namespace
}  // namespace dorvan::test
