// The seven stage buttons and KAYDET, through the form as the user meets them.
#include <gtest/gtest.h>

#include "form_fixture.h"
#include "stages/schedule_table.h"
#include "stages/stage_file.h"
#include "stages/stage_selector.h"

namespace dorvan::test {
namespace {

std::string numberedStage(std::string_view prefix) {
  std::string out;
  for (int i = 1; i <= 50; ++i) out += std::string(prefix) + std::to_string(i) + "\r\n";
  return out;
}

std::vector<Color> stageColors(FormFixture& f) {
  std::vector<Color> out;
  for (const StageButton& b : kStageButtons) out.push_back(f.color(b.button));
  return out;
}

struct Stages : FormFixture {
  Stages() { form.Form_Load(); }
  std::size_t errorCount() const {
    std::size_t n = 0;
    for (const auto& m : view.messages) n += m.kind == MessageKind::Error;
    return n;
  }
  const std::string& lastMessage() const { return view.messages.back().text; }
};

TEST_F(Stages, PressingAStageMarksItRedLoadsItsFileAndMakesItCurrent) {
  files.files["kademe3.txt"] = numberedStage("v");
  press("Command33");
  EXPECT_EQ(stageColors(*this), (std::vector<Color>{kBlue, kBlue, kRed, kBlue, kBlue, kBlue, kBlue}));
  EXPECT_EQ(form.currentStage(), 3);
  EXPECT_EQ(text("Text1"), "v1");
  EXPECT_EQ(text("Text5"), "v3");
  EXPECT_EQ(text("Text3"), "v6") << "line 6 is the description of port 2";
  EXPECT_EQ(text("Text60"), "v31");
  EXPECT_EQ(text("Text35"), "v50");
  EXPECT_EQ(view.texts[controlId("Text35")], "v50") << "and the window shows it";
  EXPECT_EQ(errorCount(), 0u);
  EXPECT_EQ(color("Command27"), kGreen);
}

TEST_F(Stages, PressingTheCurrentStageAgainBringsBackItsFile) {
  files.files["kademe1.txt"] = numberedStage("a");
  press("Command25");
  type("Text1", "değişti");
  press("Command25");
  EXPECT_EQ(text("Text1"), "a1");
}

TEST_F(Stages, ValuesLongerThanTheirBoxAreCutOnLoad) {
  std::string file = std::string(40, 'x') + "\r\n" + "06.12.2026xx\r\n";
  for (int i = 3; i <= 50; ++i) file += "\r\n";
  files.files["kademe2.txt"] = file;
  press("Command34");
  EXPECT_EQ(text("Text1").size(), 29u);
  EXPECT_EQ(text("Text2"), "06.12.2026");
}

TEST_F(Stages, AMissingFileChoosesTheStageKeepsTheBoxesAndSaysKaydetWillCreateIt) {
  type("Text1", "Isıtıcı");
  press("Command31");
  EXPECT_EQ(form.currentStage(), 5);
  EXPECT_EQ(color("Command31"), kRed);
  EXPECT_EQ(text("Text1"), "Isıtıcı");
  ASSERT_EQ(errorCount(), 1u);
  EXPECT_NE(lastMessage().find("kademe5.txt"), std::string::npos);
  EXPECT_NE(lastMessage().find("bulunamadı"), std::string::npos);
  EXPECT_NE(lastMessage().find("KAYDET"), std::string::npos);
  EXPECT_EQ(view.messages.back().title, "KAVRUN 18F2550 MERVALTO");
  press("Command27");
  ASSERT_TRUE(files.files.count("kademe5.txt"));
  EXPECT_EQ(files.files["kademe5.txt"].substr(0, 9),
            "Is\xFDt\xFD"
            "c\xFD\r\n");
}

TEST_F(Stages, AShortOrUnreadableFileChangesNothingSoKaydetCannotOverwriteIt) {
  files.files["kademe1.txt"] = numberedStage("a");
  press("Command25");
  type("Text2", "01.01.2027");
  std::string damaged = numberedStage("b").substr(0, numberedStage("b").find("b50"));
  files.files["kademe6.txt"] = damaged;
  press("Command29");
  EXPECT_EQ(form.currentStage(), 1);
  EXPECT_EQ(stageColors(*this), (std::vector<Color>{kRed, kBlue, kBlue, kBlue, kBlue, kBlue, kBlue}));
  EXPECT_EQ(text("Text2"), "01.01.2027");
  EXPECT_NE(lastMessage().find("kademe6.txt"), std::string::npos);
  EXPECT_NE(lastMessage().find("49"), std::string::npos) << "says how many lines it has";

  files.failOpen["kademe7.txt"] = {FileError::AccessDenied, 13};
  files.files["kademe7.txt"] = numberedStage("c");
  press("Command28");
  EXPECT_EQ(form.currentStage(), 1);
  EXPECT_EQ(color("Command28"), kBlue);
  EXPECT_NE(lastMessage().find("kademe7.txt"), std::string::npos);
  EXPECT_NE(lastMessage().find("erişim"), std::string::npos);

  press("Command27");
  EXPECT_EQ(files.files["kademe6.txt"], damaged);
  EXPECT_EQ(files.files["kademe1.txt"].substr(0, 16), "a1\r\n01.01.2027\r\n") << "KAYDET still saves stage 1";
}

TEST_F(Stages, KaydetWithNoStageChosenWritesNothingAndSaysNothing) {
  type("Text1", "bir şey");
  press("Command27");
  EXPECT_TRUE(files.besideJournal().empty());
  EXPECT_EQ(errorCount(), 0u);
}

TEST_F(Stages, KaydetWritesTheBoxesAsTheyAreIntoTheCurrentStageOnly) {
  for (const StageButton& b : kStageButtons)
    files.files[std::string(b.file)] = numberedStage(std::string(1, char('0' + b.stage)));
  const auto before = files.besideJournal();
  press("Command32");
  type("Text21", "18:00:00");
  const auto logBefore = view.log.size();
  press("Command27");
  const std::string& saved = files.files["kademe4.txt"];
  EXPECT_NE(saved.find("\r\n18:00:00\r\n"), std::string::npos);
  EXPECT_NE(saved.find("\r\n444\r\n445\r\n"), std::string::npos) << "the other values as loaded";
  for (const auto& [name, bytes] : before) {
    if (name != "kademe4.txt") {
      EXPECT_EQ(files.files[name], bytes) << name;
    }
  }
  EXPECT_EQ(view.log.size(), logBefore) << "no colour, no text, no message changes";
  EXPECT_TRUE(library.written.empty());
  EXPECT_EQ(files.besideJournal().size(), 7u);
}

TEST_F(Stages, AnEmptyTableSavesAsOneHundredBytesAndTwoSavesAreIdentical) {
  press("Command33");  // missing: chosen, boxes empty
  press("Command27");
  EXPECT_EQ(files.files["kademe3.txt"].size(), 100u);
  type("Text52", "Pompa");
  press("Command27");
  const std::string first = files.files["kademe3.txt"];
  press("Command27");
  EXPECT_EQ(files.files["kademe3.txt"], first);
}

TEST_F(Stages, AFailedSaveSaysWhyAndKeepsTheOldFileAndTheBoxes) {
  files.files["kademe2.txt"] = numberedStage("x");
  press("Command34");
  type("Text1", "yeni");
  files.failReplace = FileResult{FileError::AccessDenied, 5};
  press("Command27");
  EXPECT_EQ(files.files["kademe2.txt"], numberedStage("x"));
  EXPECT_FALSE(files.files.count(temporaryPathFor("kademe2.txt")));
  EXPECT_NE(lastMessage().find("kademe2.txt"), std::string::npos);
  EXPECT_NE(lastMessage().find("kaydedilemedi"), std::string::npos);
  EXPECT_EQ(text("Text1"), "yeni");
  files.failReplace.reset();
  press("Command27");
  EXPECT_EQ(files.files["kademe2.txt"].substr(0, 6), "yeni\r\n") << "the next try works";
}

TEST_F(Stages, ValuesSurviveASaveAndALoad) {
  press("Command25");
  const std::vector<std::string> values{"Lamba, salon", "  boşluk", "\"tırnak", "€ Ğ ğ İ ı Ş ş", "06.12.2026"};
  for (std::size_t i = 0; i < values.size(); ++i) type(controlSpec(kPositionToBox[i]).name, values[i]);
  press("Command27");
  for (std::size_t i = 0; i < values.size(); ++i) type(controlSpec(kPositionToBox[i]).name, "");
  press("Command25");
  for (std::size_t i = 0; i < values.size(); ++i)
    EXPECT_EQ(text(controlSpec(kPositionToBox[i]).name), cutToCharacters(values[i], kPositionLimits[i]));
}

TEST_F(Stages, LoadingLeavesIndicatorsAndClockLabelsAlone) {
  form.Timer1_Timer();
  form.form().setBackColor(controlId("Label27"), kRed);
  const std::string time(text("Label18"));
  files.files["kademe1.txt"] = numberedStage("a");
  press("Command25");
  press("Command27");
  EXPECT_EQ(text("Label18"), time);
  EXPECT_EQ(color("Label27"), kRed);
  EXPECT_EQ(color("Label21"), kBlue);
}

TEST_F(Stages, BoxesRefuseWhatAStageFileCannotHoldAndWhatDoesNotFit) {
  type("Text1", "Isıtıcı ж salon");
  EXPECT_EQ(text("Text1"), "Isıtıcı  salon");
  EXPECT_EQ(view.texts[controlId("Text1")], "Isıtıcı  salon") << "the box is told to show what was kept";
  type("Text5", "07:30:00:00");
  EXPECT_EQ(text("Text5"), "07:30:00");
  view.log.clear();
  type("Text5", "07:30:0");
  EXPECT_TRUE(view.log.empty()) << "nothing refused, nothing to correct";
}

}  // namespace
}  // namespace dorvan::test
