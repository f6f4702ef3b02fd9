// The mark on the date and time boxes that can never fire.
#include <gtest/gtest.h>

#include "app/box_marks.h"
#include "form_fixture.h"

namespace dorvan::test {
namespace {

TEST(BoxMarks, OnlyTheBoxAtFaultIsMarked) {
  constexpr BoxFault N = BoxFault::None;
  using enum BoxFault;
  struct Row {
    WindowTexts texts;
    bool placeKnown;
    WindowFaults faults;
  };
  const Row rows[] = {
      {{"", "", "", ""}, false, {}},
      {{"01.01.2020", "23:59:59", "", ""}, false, {}},  // past: it was due
      {{"hafta ıçi", "00:00:00", "", ""}, false, {}},
      {{"31.02.2026", "07:30:00", "", ""}, false, {NotADate, N, N, N}},
      {{"HER GÜN ", "07:30:00", "", ""}, false, {NotADate, N, N, N}},
      {{"HER GÜN", "24:00:00", "", ""}, false, {N, NotATime, N, N}},
      {{"HER GÜN", "", "", ""}, false, {N, TimeMissing, N, N}},
      {{"x", "07:30", "", ""}, false, {NotADate, NotATime, N, N}},
      {{"", "", "CUMA", "07:30"}, false, {N, N, N, NotAnEndTime}},
      {{"HER GÜN", "BATIŞ+30", "HER GÜN", "doğuş"}, true, {}},
      {{"HER GÜN", "BATIŞ+30", "HER GÜN", "doğuş"}, false, {N, NoPlace, N, NoPlace}},
      {{"HER GÜN", "BATIŞ", "", "+4 SA"}, true, {}},
      {{"HER GÜN", "BATIŞ", "", "+4 SA"}, false, {N, NoPlace, N, DurationWithoutStart}},
      {{"HER GÜN", "+4 SA", "", ""}, true, {N, DurationInStart, N, N}},
      {{"HER GÜN", "18:00:00", "HER GÜN", "+4 SA"}, true, {N, N, DurationWithDate, DurationWithDate}},
      {{"", "", "", "+20 DK"}, true, {N, N, N, DurationWithoutStart}},
      {{"HER GN", "18:00:00", "", "+20 DK"}, true, {NotADate, N, N, DurationWithoutStart}},
  };
  for (const Row& r : rows)
    EXPECT_EQ(faultsOf(r.texts, r.placeKnown), r.faults)
        << r.texts.startDate << "|" << r.texts.startTime << "|" << r.texts.endDate << "|" << r.texts.endTime;
}

using Marked = std::map<std::string, std::string>;
using Marks = FormFixture;

TEST_F(Marks, FollowEveryChangeOfEitherBoxTypedOrLoaded) {
  form.Form_Load();
  type("Text1", "7:30");  // a description is never marked
  type("Text5", "07:30");
  EXPECT_EQ(view.marks, (Marked{{"Text2", std::string(faultText(BoxFault::DateMissing))},
                                {"Text5", std::string(faultText(BoxFault::NotATime))}}));
  type("Text5", "07:30:00");
  type("Text2", "her gün");
  EXPECT_TRUE(view.marks.empty());

  std::string stage;
  for (int i = 0; i < 50; ++i) stage += (i == 48 ? "31.02.2026" : "") + std::string("\r\n");  // port 10's end date
  files.files["kademe1.txt"] = stage;
  press("Command25");
  EXPECT_EQ(view.marks, (Marked{{"Text37", std::string(faultText(BoxFault::NotADate))},
                                {"Text35", std::string(faultText(BoxFault::TimeMissing))}}));

  type("Text6", "BATIŞ");  // port 2's start time: a sun word waits for the place
  type("Text4", "HER GÜN");
  EXPECT_EQ(view.marks.at("Text6"), faultText(BoxFault::NoPlace));
  form.setPlace(Location{41.0082, 28.9784});
  EXPECT_FALSE(view.marks.contains("Text6"));
}

}  // namespace
}  // namespace dorvan::test
