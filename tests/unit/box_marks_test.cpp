// The mark on the date and time boxes that can never fire.
#include <gtest/gtest.h>

#include "app/box_marks.h"
#include "form_fixture.h"

namespace dorvan::test {
namespace {

TEST(BoxMarks, OnlyTheBoxAtFaultIsMarked) {
  constexpr BoxFault N = BoxFault::None;
  struct Row {
    std::string_view date, time;
    InstantFaults faults;
  };
  const Row rows[] = {
      {"", "", {N, N}},
      {"01.01.2020", "23:59:59", {N, N}},  // past: it was due
      {"hafta ıçi", "00:00:00", {N, N}},
      {"31.02.2026", "07:30:00", {BoxFault::NotADate, N}},
      {"HER GÜN ", "07:30:00", {BoxFault::NotADate, N}},
      {"HER GÜN", "24:00:00", {N, BoxFault::NotATime}},
      {"HER GÜN", "", {N, BoxFault::TimeMissing}},
      {"x", "07:30", {BoxFault::NotADate, BoxFault::NotATime}},
  };
  for (const Row& r : rows) EXPECT_EQ(faultsOf(r.date, r.time), r.faults) << r.date << "|" << r.time;
}

using Marked = std::map<std::string, std::string>;
using Marks = FormFixture;

TEST_F(Marks, FollowEveryChangeOfEitherBoxTypedOrLoaded) {
  form.Form_Load();
  type("Text1", "7:30");  // a description is never marked
  type("Text5", "07:30");
  EXPECT_EQ(view.marks, (Marked{{"Text2", std::string(faultText(BoxFault::DateMissing))},
                                {"Text5", "Saat SS:DD:ss biçiminde yazılmalı, örneğin 07:30:00."}}));
  type("Text5", "07:30:00");
  type("Text2", "her gün");
  EXPECT_TRUE(view.marks.empty());

  std::string stage;
  for (int i = 0; i < 50; ++i) stage += (i == 48 ? "31.02.2026" : "") + std::string("\r\n");  // port 10's end date
  files.files["kademe1.txt"] = stage;
  press("Command25");
  EXPECT_EQ(view.marks, (Marked{{"Text37", std::string(faultText(BoxFault::NotADate))},
                                {"Text35", std::string(faultText(BoxFault::TimeMissing))}}));
}

}  // namespace
}  // namespace dorvan::test
